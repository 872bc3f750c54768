// huge_pages.cpp - mapping and advice, where the platform has them.
#include "core/huge_pages.h"

#include <cstdint>
#include <new>

#if !defined(KARVO_HEAP_ONLY) && (defined(__unix__) || defined(__APPLE__))
#include <sys/mman.h>
#define KARVO_MAPPED_PAGES 1
#endif

namespace karvo {
namespace {

#ifdef MADV_HUGEPAGE
void advise(std::uintptr_t first, std::uintptr_t last) {
    // Advice only: where huge pages are off, the memory is faulted in small pages.
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}
#endif

} // namespace

#ifdef KARVO_MAPPED_PAGES

void* mapPages(std::size_t bytes, [[maybe_unused]] bool huge) {
    // Mapped with a huge page to spare, then trimmed to an aligned start.
    const std::size_t length = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    if (length < bytes || length + kHugePageBytes < length) throw std::bad_alloc();
    void* raw = mmap(nullptr, length + kHugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    if (aligned > start) munmap(raw, aligned - start);
    const std::uintptr_t end = start + length + kHugePageBytes;
    if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
#ifdef MADV_HUGEPAGE
    if (huge) advise(aligned, aligned + length);
#endif
    return reinterpret_cast<void*>(aligned);
}

void unmapPages(void* memory, std::size_t bytes) noexcept {
    munmap(memory, (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes);
}

#else

void* mapPages(std::size_t bytes, [[maybe_unused]] bool huge) { return ::operator new(bytes, std::align_val_t(kHugePageBytes)); }

void unmapPages(void* memory, std::size_t) noexcept { ::operator delete(memory, std::align_val_t(kHugePageBytes)); }

#endif

void adviseHugePages([[maybe_unused]] void* memory, [[maybe_unused]] std::size_t bytes) noexcept {
#if defined(KARVO_MAPPED_PAGES) && defined(MADV_HUGEPAGE)
    if (bytes < 2 * kHugePageBytes) return;
    // Only whole huge pages inside the buffer: advice on a range applies to all of
    // each page it touches, and the pages at either end may belong to other blocks.
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    advise((start + kHugePageBytes - 1) & ~(kHugePageBytes - 1), (start + bytes) & ~(kHugePageBytes - 1));
#endif
}

} // namespace karvo
