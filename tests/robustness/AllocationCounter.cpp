#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace robustness
{

namespace
{
    thread_local ScopedAllocationCounter* innermost = nullptr;
}

void recordAllocation (std::size_t numBytes) noexcept
{
    for (auto* counter = innermost; counter != nullptr; counter = counter->outer)
    {
        auto& s = counter->stats;
        ++s.count;
        s.totalBytes += numBytes;

        if (numBytes > s.largestBytes)
            s.largestBytes = numBytes;
    }
}

ScopedAllocationCounter::ScopedAllocationCounter() noexcept
    : outer (innermost)
{
    innermost = this;
}

ScopedAllocationCounter::~ScopedAllocationCounter()
{
    innermost = outer;
}

bool ScopedAllocationCounter::isCounting()
{
    ScopedAllocationCounter probe;
    void* volatile p = ::operator new (16);
    ::operator delete (p);
    return probe.getStats().count == 1;
}

} // namespace robustness

namespace
{
    void* allocate (std::size_t numBytes)
    {
        robustness::recordAllocation (numBytes);

        if (auto* p = std::malloc (numBytes == 0 ? 1 : numBytes))
            return p;

        throw std::bad_alloc();
    }
} // namespace

// The test binary's replacement of operator new is tests/engine/AllocationCounting.cpp,
// which reports every allocation to recordAllocation above. These weak stand-ins
// count only where that file is not linked in; next to it they give way without
// a clash. The nothrow forms of the standard library route through these.
__attribute__ ((weak)) void* operator new (std::size_t numBytes) { return allocate (numBytes); }
__attribute__ ((weak)) void* operator new[] (std::size_t numBytes) { return allocate (numBytes); }
__attribute__ ((weak)) void operator delete (void* p) noexcept { std::free (p); }
__attribute__ ((weak)) void operator delete[] (void* p) noexcept { std::free (p); }
__attribute__ ((weak)) void operator delete (void* p, std::size_t) noexcept { std::free (p); }
__attribute__ ((weak)) void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }
