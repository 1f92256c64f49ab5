#pragma once

#include <juce_data_structures/juce_data_structures.h>

namespace my
{

/** What readStateTree believes of a block, far beyond any state the plug-in
    writes (six trees, ten properties, two levels). */
struct StateReaderLimits
{
    /** Levels of nesting: the root tree is level 1, each child tree and each
        array value one more. A restore never adds a level, so whatever the
        reader keeps of a block, the plug-in's next save reads back whole. */
    static constexpr int maxDepth = 64;

    /** Distinct names, tree types and property names together, not counting
        the four the plug-in's own state is made of ("Parameters", "PARAM", "id"
        and "value"). A restore adds no other name, so here too whatever the
        reader keeps of a block, the plug-in's next save reads back whole. It
        bounds what a block adds to the framework's identifier pool, and the
        time a tree takes to take its properties: the framework's set of them
        looks each new name up among the others. */
    static constexpr int maxDistinctNames = 4096;
};

/** The type a root takes when its own has no characters to write back. */
inline const char* const standInRootType = "Parameters";

/** Reads one tree in the framework's value-tree stream format from a state
    block; an invalid tree when the bytes hold none (empty, or a zero first byte).

    For every block that juce::ValueTree::writeToStream writes within the limits
    above, the result is exactly the tree juce::ValueTree::readFromData reads, and
    so is every cut-off block the framework reads gracefully (a value or count
    that cannot be read is zero; a string runs to the end of the bytes), except
    that an array cut short keeps only the elements that are there.

    A type or name that is not the UTF-8 encoding of the characters it decodes
    to (never written by the framework's writer, which would write it back cut
    short and spoil the rest of the block) is taken as those characters, as the
    framework's identifier pool takes it; a child tree or property whose name
    then has no characters is read and left out, and a root whose type has none
    takes the type standInRootType. So every tree read is written and read back
    alike, and wherever the framework reads a tree, so does this.

    Nothing in the bytes is trusted beyond the bytes: a count is followed only
    while bytes remain, a size never reaches past the end, and nesting deeper or
    more distinct names than the limits stop the reading as if the bytes had
    ended there. Every tree, property and array element read takes bytes of its
    own, so the memory allocated grows with the bytes, never with the numbers
    written in them; and a name met again is found by its bytes, so the time
    grows with the bytes, not with how many names a tree repeats. */
juce::ValueTree readStateTree (const void* data, size_t numBytes);

} // namespace my
