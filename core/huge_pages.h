// huge_pages.h - memory backed by huge pages where the system offers them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <limits>
#include <new>
#include <string>

// Sanitizer builds take all memory from the heap, so that misuse of it stays visible.
#if defined(__SANITIZE_ADDRESS__)
#define KARVO_HEAP_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KARVO_HEAP_ONLY 1
#endif
#endif

namespace karvo {

/// Filling fresh memory costs a page fault for every 4 KiB page first written, and on
/// virtual machines those faults cost about as much as the work that fills a large
/// book's buffers. Backed by huge pages, the same memory costs one fault per 2 MiB.
inline constexpr std::size_t kHugePageBytes = std::size_t(2) << 20;

/// Memory aligned to kHugePageBytes, straight from the system and, with `huge`, advised
/// to be backed by huge pages. A huge page is resident once any byte of it is written,
/// so memory that may stay mostly unused is better mapped without. Throws
/// std::bad_alloc.
void* mapPages(std::size_t bytes, bool huge);
void unmapPages(void* memory, std::size_t bytes) noexcept;

/// Advises that an allocated buffer not yet written be backed by huge pages. Only
/// buffers of several huge pages are worth it; smaller ones are left alone.
void adviseHugePages(void* memory, std::size_t bytes) noexcept;

/// Makes room for `total` elements in a growing std::string or std::vector, at least
/// doubling it, in a buffer advised to take huge pages before the contents are copied
/// into it (copying is what first writes its pages).
template <class Buffer>
void reserveAdvised(Buffer& buffer, std::size_t total) {
    if (total <= buffer.capacity()) return;
    Buffer bigger;
    bigger.reserve(std::max(total, 2 * buffer.capacity()));
    adviseHugePages(bigger.data(), bigger.capacity() * sizeof(*bigger.data()));
    bigger.insert(bigger.end(), buffer.begin(), buffer.end());
    buffer.swap(bigger);
}

/// Makes room for `extra` more elements in a container of HugePageAllocator that may
/// grow to many megabytes one element at a time. Past kSmallGrowthBytes it grows
/// straight to a huge page or more: doubling through the sizes in between would fault
/// in the small pages of each copy. The huge page's worth is one element short, the
/// room a string adds for its terminator, which would otherwise spill into a second.
inline constexpr std::size_t kSmallGrowthBytes = std::size_t(64) << 10;
template <class Buffer>
void reserveGrowing(Buffer& buffer, std::size_t extra) {
    const std::size_t total = buffer.size() + extra;
    if (total <= buffer.capacity()) return;
    constexpr std::size_t kItem = sizeof(*buffer.data());
    std::size_t room = std::max(total, 2 * buffer.capacity());
    if (room * kItem > kSmallGrowthBytes) room = std::max(room, kHugePageBytes / kItem - 1);
    buffer.reserve(room);
}

/// An allocator for containers whose blocks may be large: a block that fills at least
/// half a huge page is mapped as above, a smaller one comes from the heap. Made with
/// `huge` false, it maps without the advice, for blocks that may stay mostly unused.
template <class T>
struct HugePageAllocator {
    using value_type = T;

    HugePageAllocator() = default;
    explicit HugePageAllocator(bool huge) noexcept : huge(huge) {}
    template <class U>
    HugePageAllocator(const HugePageAllocator<U>& other) noexcept : huge(other.huge) {}

    T* allocate(std::size_t n) {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(mapped(n) ? mapPages(n * sizeof(T), huge) : ::operator new(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (mapped(n)) {
            unmapPages(p, n * sizeof(T));
        } else {
            ::operator delete(p);
        }
    }
    friend bool operator==(HugePageAllocator a, HugePageAllocator b) { return a.huge == b.huge; }

    bool huge = true;

private:
    static bool mapped(std::size_t n) { return n * sizeof(T) >= kHugePageBytes / 2; }
};

/// A text that grows to many megabytes, such as the characters of a string table.
using HugePageU16String = std::basic_string<char16_t, std::char_traits<char16_t>, HugePageAllocator<char16_t>>;

} // namespace karvo
