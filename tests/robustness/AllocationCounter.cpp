#include "AllocationCounter.h"

#include <cstdlib>
#include <malloc.h>
#include <new>

#if defined (__SANITIZE_ADDRESS__)
 #define ZK_ALLOCATOR_REPORTS_MALLOCS 1

extern "C" int __sanitizer_install_malloc_and_free_hooks (void (*) (const volatile void*, std::size_t),
                                                         void (*) (const volatile void*));
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

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

void recordMalloc (std::size_t numBytes) noexcept
{
    for (auto* counter = innermost; counter != nullptr; counter = counter->outer)
    {
        auto& s = counter->stats;
        s.mallocBytes += numBytes;

        if (numBytes > s.largestMallocBytes)
            s.largestMallocBytes = numBytes;
    }
}

std::size_t heapBytesInUse() noexcept
{
   #if ZK_ALLOCATOR_REPORTS_MALLOCS
    return __sanitizer_get_current_allocated_bytes();
   #else
    const auto info = mallinfo2();
    return info.uordblks + info.hblkhd;
   #endif
}

ScopedAllocationCounter::ScopedAllocationCounter() noexcept
    : outer (innermost)
{
   #if ZK_ALLOCATOR_REPORTS_MALLOCS
    static const auto installed = __sanitizer_install_malloc_and_free_hooks (
        [] (const volatile void*, std::size_t numBytes) { recordMalloc (numBytes); },
        [] (const volatile void*) {});
    static_cast<void> (installed);
   #endif

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
