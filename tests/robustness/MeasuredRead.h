#pragma once

#include "AllocationCounter.h"
#include "MyStateReader.h"

#include <juce_data_structures/juce_data_structures.h>

#include <algorithm>

namespace robustness
{

/** What one call of my::readStateTree cost. */
struct ReadCost
{
    double milliseconds = 0.0;
    AllocationStats allocations;

    /** How much more the heap held with the tree read than before. */
    std::size_t retainedBytes = 0;

    /** The most any of the measures says was allocated. */
    std::size_t mostBytes() const noexcept
    {
        return std::max ({ allocations.totalBytes, allocations.mallocBytes, retainedBytes });
    }
};

inline juce::ValueTree readMeasured (const juce::MemoryBlock& block, ReadCost& cost)
{
    juce::ValueTree tree;
    const auto heapBefore = heapBytesInUse();
    const auto start = juce::Time::getMillisecondCounterHiRes();

    {
        ScopedAllocationCounter counter;
        tree = my::readStateTree (block.getData(), block.getSize());
        cost.allocations = counter.getStats();
    }

    cost.milliseconds = juce::Time::getMillisecondCounterHiRes() - start;
    const auto heapAfter = heapBytesInUse();
    cost.retainedBytes = heapAfter > heapBefore ? heapAfter - heapBefore : 0;
    return tree;
}

} // namespace robustness
