#include "MyStateReader.h"

namespace my
{

juce::ValueTree readStateTree (const void* data, size_t numBytes)
{
    return juce::ValueTree::readFromData (data, numBytes);
}

} // namespace my
