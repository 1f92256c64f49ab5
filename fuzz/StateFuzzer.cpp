// libFuzzer target: any bytes as a state block, through setStateInformation,
// getStateInformation and processBlock, with the checks of the mutation test
// (tests/robustness) and a bound on what the reader allocates.

#include "MyStateReader.h"
#include "StateTestSupport.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <sanitizer/allocator_interface.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{
    struct Harness
    {
        juce::ScopedJuceInitialiser_GUI juce;
        robustness::RestoreBench bench;
    };

    Harness* harness = nullptr;

    bool countingAllocations = false;
    std::size_t allocatedBytes = 0;

    void onMalloc (const volatile void*, std::size_t size)
    {
        if (countingAllocations)
            allocatedBytes += size;
    }

    void onFree (const volatile void*) {}

    [[noreturn]] void fail (const juce::String& what)
    {
        std::fprintf (stderr, "zk-state-fuzzer: %s\n", what.toRawUTF8());
        std::abort();
    }
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    // Constructed once (the delay lines take 128 MB) and never destroyed.
    harness = new Harness();
    __sanitizer_install_malloc_and_free_hooks (onMalloc, onFree);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    {
        allocatedBytes = 0;
        countingAllocations = true;
        const auto tree = my::readStateTree (data, size);
        countingAllocations = false;

        if (allocatedBytes > robustness::readerAllocationAllowance (size))
            fail ("the reader allocated " + juce::String (allocatedBytes) + " bytes for " + juce::String (size));

        if (robustness::nestingDepth (tree) > my::StateReaderLimits::maxDepth
            || robustness::countDistinctNames (tree) > my::StateReaderLimits::maxDistinctNames)
            fail ("the reader went past its limits");

        const juce::MemoryBlock block (data, size);

        if (const auto matches = robustness::matchesFrameworkWhereComparable (block, tree))
            if (! *matches)
                fail ("the reader differs from the framework's");
    }

    const auto problems = harness->bench.restoreSaveAndProcess (juce::MemoryBlock (data, size));

    if (problems.isNotEmpty())
        fail (problems);

    return 0;
}
