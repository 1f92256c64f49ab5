#pragma once

#include <juce_data_structures/juce_data_structures.h>

namespace my
{

/** What readStateTree believes of a block, far beyond any state the plug-in
    writes (six trees, ten properties, two levels). */
struct StateReaderLimits
{
    /** Levels of nesting: the root tree is level 1, each child tree and each
        array value one more. */
    static constexpr int maxDepth = 64;

    /** Trees, properties and array elements in one block, all counted together. */
    static constexpr int maxElements = 16384;
};

/** Reads one tree in the framework's value-tree stream format from a state
    block; an invalid tree when the bytes hold none (empty, or a zero first byte).

    For every block that juce::ValueTree::writeToStream writes within the limits
    above, the result is exactly the tree juce::ValueTree::readFromData reads, and
    so is every cut-off block the framework reads gracefully (a value or count
    that cannot be read is zero; a string runs to the end of the bytes), except
    that an array cut short keeps only the elements that are there.

    Nothing in the bytes is trusted beyond the bytes: a count is followed only
    while bytes remain, a size never reaches past the end, and nesting deeper or
    more elements than the limits stop the reading as if the bytes had ended
    there. The time taken and the memory allocated grow with the bytes, never
    with the numbers written in them. */
juce::ValueTree readStateTree (const void* data, size_t numBytes);

} // namespace my
