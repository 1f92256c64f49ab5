#pragma once

#include "AllocationCounter.h"
#include "MyStateReader.h"

#include <juce_data_structures/juce_data_structures.h>

namespace robustness
{

/** What one call of my::readStateTree cost. */
struct ReadCost
{
    double milliseconds = 0.0;
    AllocationStats allocations;
};

inline juce::ValueTree readMeasured (const juce::MemoryBlock& block, ReadCost& cost)
{
    juce::ValueTree tree;
    const auto start = juce::Time::getMillisecondCounterHiRes();

    {
        ScopedAllocationCounter counter;
        tree = my::readStateTree (block.getData(), block.getSize());
        cost.allocations = counter.getStats();
    }

    cost.milliseconds = juce::Time::getMillisecondCounterHiRes() - start;
    return tree;
}

} // namespace robustness
