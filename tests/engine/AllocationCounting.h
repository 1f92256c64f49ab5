#pragma once

#include <cstddef>

namespace enginetest
{
    /** Counts the calls of every form of the global operator new and delete made on
        the constructing thread while it lives; the test binary's replacements of
        those operators report to it. */
    class ScopedAllocationCount final
    {
    public:
        ScopedAllocationCount() noexcept;
        ~ScopedAllocationCount();

        std::size_t allocations() const noexcept { return numAllocations; }
        std::size_t deallocations() const noexcept { return numDeallocations; }

        ScopedAllocationCount (const ScopedAllocationCount&) = delete;
        ScopedAllocationCount& operator= (const ScopedAllocationCount&) = delete;

        static void recordAllocation() noexcept;
        static void recordDeallocation() noexcept;

    private:
        std::size_t numAllocations = 0;
        std::size_t numDeallocations = 0;
        ScopedAllocationCount* outer;
    };
} // namespace enginetest
