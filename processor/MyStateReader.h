#pragma once

#include <juce_data_structures/juce_data_structures.h>

namespace my
{

/** Reads one tree in the framework's value-tree stream format from a state
    block; an invalid tree when the bytes hold none. */
juce::ValueTree readStateTree (const void* data, size_t numBytes);

} // namespace my
