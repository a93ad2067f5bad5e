#include "support/AllocGuard.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
thread_local int armedDepth = 0;
thread_local int failingDepth = 0;
std::atomic<int> counted{0};

void* allocate(std::size_t size)
{
    if (failingDepth > 0)
        return nullptr;
    if (armedDepth > 0)
    {
        counted.fetch_add(1, std::memory_order_relaxed);
        // Run a failing test under a debugger with this set to see where it allocates.
        if (std::getenv("QUELVAR_TRAP_ALLOC"))
            __builtin_trap();
    }
    return std::malloc(size == 0 ? 1 : size);
}

void* allocateAligned(std::size_t size, std::align_val_t alignment)
{
    if (failingDepth > 0)
        return nullptr;
    if (armedDepth > 0)
        counted.fetch_add(1, std::memory_order_relaxed);
    const auto a = static_cast<std::size_t>(alignment);
    const std::size_t rounded = ((size == 0 ? 1 : size) + a - 1) / a * a;
    return std::aligned_alloc(a, rounded);
}
} // namespace

namespace allocGuard
{
int count()
{
    return counted.load(std::memory_order_relaxed);
}
NoAllocScope::NoAllocScope()
{
    ++armedDepth;
}
NoAllocScope::~NoAllocScope()
{
    --armedDepth;
}
FailAllocScope::FailAllocScope()
{
    ++failingDepth;
}
FailAllocScope::~FailAllocScope()
{
    --failingDepth;
}
} // namespace allocGuard

void* operator new(std::size_t size)
{
    if (void* p = allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment)
{
    if (void* p = allocateAligned(size, alignment))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return operator new(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment,
                     const std::nothrow_t&) noexcept
{
    return allocateAligned(size, alignment);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    std::free(p);
}
