// SPDX-License-Identifier: GPL-3.0-or-later
// Records the largest single request to malloc, calloc and realloc, whether or not the memory is
// ever touched: a decoder that asks for gigabytes is a fault even when the pages stay untouched.
// Linked into the replay programs only; libFuzzer has -malloc_limit_mb for the same.
#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
}

namespace vellumix::fuzz {

namespace {

std::atomic<std::size_t> largest{0};

void record(std::size_t size)
{
    std::size_t seen = largest.load(std::memory_order_relaxed);
    while (size > seen && !largest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
}

} // namespace

std::size_t largestAllocation()
{
    return largest.load();
}

void resetLargestAllocation()
{
    largest.store(0);
}

} // namespace vellumix::fuzz

// AddressSanitizer brings its own allocator (and its own limits); measure nothing there.
#if !defined(__SANITIZE_ADDRESS__)
extern "C" {

void* malloc(std::size_t size)
{
    vellumix::fuzz::record(size);
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size)
{
    std::size_t total = 0;
    vellumix::fuzz::record(__builtin_mul_overflow(count, size, &total) ? ~std::size_t(0) : total);
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size)
{
    vellumix::fuzz::record(size);
    return __libc_realloc(pointer, size);
}

} // extern "C"
#endif
