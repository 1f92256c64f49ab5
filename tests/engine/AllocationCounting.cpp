// The test binary's replacement of every form of the global operator new and
// delete. They forward to malloc and free (which the sanitizers intercept) and
// report each call to the ScopedAllocationCount scopes of the calling thread.

#include "AllocationCounting.h"

#include <cstdlib>
#include <new>

namespace robustness
{
    // Another area's counter, when it is linked into the same binary, hears of
    // every allocation too, so both can be used side by side.
    void recordAllocation (std::size_t) noexcept __attribute__ ((weak));
}

namespace enginetest
{
    namespace
    {
        thread_local ScopedAllocationCount* innermost = nullptr;
    }

    ScopedAllocationCount::ScopedAllocationCount() noexcept
        : outer (innermost)
    {
        innermost = this;
    }

    ScopedAllocationCount::~ScopedAllocationCount()
    {
        innermost = outer;
    }

    void ScopedAllocationCount::recordAllocation() noexcept
    {
        for (auto* scope = innermost; scope != nullptr; scope = scope->outer)
            ++scope->numAllocations;
    }

    void ScopedAllocationCount::recordDeallocation() noexcept
    {
        for (auto* scope = innermost; scope != nullptr; scope = scope->outer)
            ++scope->numDeallocations;
    }
} // namespace enginetest

namespace
{
    void* allocateOrNull (std::size_t numBytes) noexcept
    {
        enginetest::ScopedAllocationCount::recordAllocation();

        if (robustness::recordAllocation != nullptr)
            robustness::recordAllocation (numBytes);

        return std::malloc (numBytes == 0 ? 1 : numBytes);
    }

    void* allocateAlignedOrNull (std::size_t numBytes, std::align_val_t alignment) noexcept
    {
        enginetest::ScopedAllocationCount::recordAllocation();

        if (robustness::recordAllocation != nullptr)
            robustness::recordAllocation (numBytes);

        auto align = static_cast<std::size_t> (alignment);

        if (align < sizeof (void*))
            align = sizeof (void*);

        void* p = nullptr;
        return posix_memalign (&p, align, numBytes == 0 ? 1 : numBytes) == 0 ? p : nullptr;
    }

    void* allocate (std::size_t numBytes)
    {
        if (auto* p = allocateOrNull (numBytes))
            return p;

        throw std::bad_alloc();
    }

    void* allocateAligned (std::size_t numBytes, std::align_val_t alignment)
    {
        if (auto* p = allocateAlignedOrNull (numBytes, alignment))
            return p;

        throw std::bad_alloc();
    }

    void release (void* p) noexcept
    {
        if (p == nullptr)
            return;

        enginetest::ScopedAllocationCount::recordDeallocation();
        std::free (p);
    }
} // namespace

void* operator new (std::size_t n) { return allocate (n); }
void* operator new[] (std::size_t n) { return allocate (n); }
void* operator new (std::size_t n, const std::nothrow_t&) noexcept { return allocateOrNull (n); }
void* operator new[] (std::size_t n, const std::nothrow_t&) noexcept { return allocateOrNull (n); }
void* operator new (std::size_t n, std::align_val_t a) { return allocateAligned (n, a); }
void* operator new[] (std::size_t n, std::align_val_t a) { return allocateAligned (n, a); }
void* operator new (std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return allocateAlignedOrNull (n, a); }
void* operator new[] (std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return allocateAlignedOrNull (n, a); }

void operator delete (void* p) noexcept { release (p); }
void operator delete[] (void* p) noexcept { release (p); }
void operator delete (void* p, std::size_t) noexcept { release (p); }
void operator delete[] (void* p, std::size_t) noexcept { release (p); }
void operator delete (void* p, const std::nothrow_t&) noexcept { release (p); }
void operator delete[] (void* p, const std::nothrow_t&) noexcept { release (p); }
void operator delete (void* p, std::align_val_t) noexcept { release (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { release (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { release (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { release (p); }
void operator delete (void* p, std::align_val_t, const std::nothrow_t&) noexcept { release (p); }
void operator delete[] (void* p, std::align_val_t, const std::nothrow_t&) noexcept { release (p); }
