#include "AllocationCount.h"

#include <atomic>
#include <cstddef>

// glibc's allocator stays in charge; these wrappers only count. Defined in the
// executable, they take the place of glibc's for every shared library too.
extern "C" {
void* __libc_malloc(std::size_t size) noexcept;
void* __libc_calloc(std::size_t count, std::size_t size) noexcept;
void* __libc_realloc(void* pointer, std::size_t size) noexcept;
void __libc_free(void* pointer) noexcept;
}

namespace {
std::atomic<std::uint64_t> allocations{0};
}

extern "C" {

void* malloc(std::size_t size) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(pointer, size);
}

void free(void* pointer) noexcept
{
    __libc_free(pointer);
}

}  // extern "C"

std::uint64_t AllocationCount()
{
    return allocations.load(std::memory_order_relaxed);
}
