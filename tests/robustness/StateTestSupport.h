#pragma once

#include "OfflineHost.h"
#include "PluginProcessor.h"

#include <juce_data_structures/juce_data_structures.h>

#include <optional>
#include <vector>

/** Helpers of the state-reading tests: blocks written by the framework's writer,
    the framework's reader as the reference, and checks on the processor. */
namespace robustness
{

struct NamedBlock
{
    juce::String name;
    juce::MemoryBlock bytes;
};

juce::MemoryBlock writeTree (const juce::ValueTree& tree);

/** The tree written out again: two trees read alike exactly when these match. */
juce::MemoryBlock rewrite (const juce::ValueTree& tree);

bool sameBytes (const juce::MemoryBlock& a, const juce::MemoryBlock& b) noexcept;

/** The framework's reader; only for blocks whose counts are honest. */
juce::ValueTree readWithFramework (const juce::MemoryBlock& block);

/** The framework's reader on any bytes, or nothing if they hold a count or
    size above maxCount (which could make it reserve, loop or allocate without
    bound). Deep nesting is not caught: keep such blocks small. */
std::optional<juce::ValueTree> readWithFrameworkIfTame (const juce::MemoryBlock& block, int maxCount);

/** The UTF-8 encoding of the characters a type or name decodes to (up to the
    first that decodes to 0), as our reader takes names. */
juce::String canonicalSpelling (const juce::String& text);

/** Takes the strings nothing refers to any more out of the identifier pool. */
void forgetUnusedPooledStrings();

/** The tree in the form both readers agree on for cut-off and damaged blocks:
    without the voids the framework pads an array cut short with, its names in
    their canonical spelling, without the child trees and properties whose names
    then have no characters, and with the stand-in type for a root whose type
    has none. */
juce::ValueTree comparable (const juce::ValueTree& tree);

/** Levels of nesting, trees and arrays together (a lone root is 1). */
int nestingDepth (const juce::ValueTree& tree);

/** Trees, properties and array elements. */
int countElements (const juce::ValueTree& tree);

/** Distinct tree types and property names, as the reader counts them (not
    the four names of the plug-in's own state). */
int countDistinctNames (const juce::ValueTree& tree);

/** A tree that holds every value type the stream format has, nested arrays,
    children three levels deep and counts that need wider compressed ints; no
    value that isEquivalentTo cannot compare (NaN, infinities, empty binaries). */
juce::ValueTree makeEveryTypeTree();

/** A random tree of random values, at most maxLevels deep. */
juce::ValueTree makeRandomTree (juce::Random& random, int maxLevels);

/** Blocks saved by the processor itself after various parameter changes and
    restores (unknown children, another root type, missing parameters). */
std::vector<NamedBlock> makeRealSavedBlocks();

/** makeRealSavedBlocks, made once (a processor is slow to construct). */
const std::vector<NamedBlock>& realSavedBlocks();

/** The committed hostile blocks in tests/robustness/corpus. */
std::vector<NamedBlock> loadCorpus();

/** Empty when every parameter is finite and inside its range; else what is not. */
juce::String describeParameterProblems (ZKUndularAudioProcessor& processor);

juce::MemoryBlock saveState (juce::AudioProcessor& processor);

/** The most the reader may allocate in all for a block of numBytes: each byte
    can start at most one element (a tree, property or array element, some
    tens of bytes in memory, plus the growth of the arrays holding them), and a
    fixed part covers the framework's pool of identifiers growing. */
std::size_t readerAllocationAllowance (std::size_t numBytes) noexcept;

/** Whether our tree is the framework's for these bytes in comparable form,
    where the framework can be compared at all: its reader
    tame on them (no count above 4096, at most 4 KiB so its recursion stays
    shallow) and its tree inside our limits. Nothing when it cannot be compared. */
std::optional<bool> matchesFrameworkWhereComparable (const juce::MemoryBlock& block, const juce::ValueTree& ours);

/** One hosted processor that blocks are restored into, saved from and run. */
class RestoreBench final
{
public:
    RestoreBench();

    ZKUndularAudioProcessor& getProcessor() noexcept { return processor; }

    /** setStateInformation, then checks that every parameter is finite and in
        range, that the saved state reads back as written (by both readers) and
        restores to the same values, and that a block of audio comes out
        finite. Empty when all holds, else what failed. */
    juce::String restoreSaveAndProcess (const juce::MemoryBlock& block);

private:
    OfflineHost host;
    ZKUndularAudioProcessor& processor;
    juce::AudioBuffer<float> audio;
};

} // namespace robustness
