#pragma once

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

/** A copy in which every array has lost its trailing void elements: the
    framework fills an array cut short with voids, our reader keeps what is there. */
juce::ValueTree withoutTrailingVoids (const juce::ValueTree& tree);

/** Levels of nesting, trees and arrays together (a lone root is 1). */
int nestingDepth (const juce::ValueTree& tree);

/** Trees, properties and array elements, as the reader counts them. */
int countElements (const juce::ValueTree& tree);

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

} // namespace robustness
