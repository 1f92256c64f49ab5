#pragma once

#include <cstddef>

namespace robustness
{

/** What the counting operator new of the test binary saw while armed. */
struct AllocationStats
{
    std::size_t count = 0;
    std::size_t totalBytes = 0;
    std::size_t largestBytes = 0;

    /** Every malloc as well (the framework's arrays and memory blocks take their
        storage from malloc, not operator new); counted only in sanitizer
        builds, whose allocator reports each one. */
    std::size_t mallocBytes = 0;
    std::size_t largestMallocBytes = 0;
};

/** The bytes the heap has handed out and not taken back: malloc and operator
    new alike, in any build. */
std::size_t heapBytesInUse() noexcept;

/** Counts the bytes of every operator new / new[] made on the constructing
    thread while it lives (the test binary's replacement of the global operator
    new reports them to recordAllocation). Scopes may nest: an inner one sees
    only its own allocations, and the outer one sees them too. */
/** Called by the replacement of operator new for every allocation. */
void recordAllocation (std::size_t numBytes) noexcept;

/** Called for every malloc where the allocator can report them. */
void recordMalloc (std::size_t numBytes) noexcept;

class ScopedAllocationCounter final
{
public:
    ScopedAllocationCounter() noexcept;
    ~ScopedAllocationCounter();

    const AllocationStats& getStats() const noexcept { return stats; }

    /** False if another replacement of operator new took over this binary's, in
        which case nothing is counted. */
    static bool isCounting();

    ScopedAllocationCounter (const ScopedAllocationCounter&) = delete;
    ScopedAllocationCounter& operator= (const ScopedAllocationCounter&) = delete;

private:
    friend void recordAllocation (std::size_t numBytes) noexcept;
    friend void recordMalloc (std::size_t numBytes) noexcept;

    AllocationStats stats;
    ScopedAllocationCounter* outer;
};

} // namespace robustness
