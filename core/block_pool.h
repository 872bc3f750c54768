// block_pool.h - memory for the many small, long-lived blocks of a large sheet.
#pragma once

#include <cstddef>
#include <limits>
#include <new>

#include "core/huge_pages.h"

namespace karvo {

/// Loading a large sheet allocates a million rows and cell arrays, and keeps them.
/// Taken from the general heap, each fresh 4 KiB page they land on costs a page fault
/// when first written, and on virtual machines those faults cost as much as parsing
/// the part. The pool carves such blocks out of slabs of one huge page each, so that a
/// slab costs one fault (after the first slab of a size, which keeps small pages).
/// Blocks up to kPooledBlockLimit bytes are pooled by their size; so are chunks, below.
/// Other blocks, and every block in sanitizer builds, come from the heap.
/// A block may be allocated and released from any thread.
inline constexpr std::size_t kPooledBlockLimit = 512;

/// Long lists, such as a large sheet's cells of one kind, continue in chunks: blocks
/// of more than half this size up to this size, each taking a whole chunk. All lists
/// share the chunk slabs, so a list wastes at most the unused end of its last chunk,
/// where a huge page of its own would waste up to 2 MiB in each list of each sheet.
inline constexpr std::size_t kPoolChunkBytes = std::size_t(64) << 10;

#ifdef KARVO_HEAP_ONLY
inline constexpr bool kBlockPoolOn = false;
#else
inline constexpr bool kBlockPoolOn = true;
#endif

void* poolAllocate(std::size_t bytes);
/// `bytes` is what the block was allocated with.
void poolRelease(void* block, std::size_t bytes) noexcept;

/// An allocator for containers of a few small elements that a large sheet holds
/// many of, such as a row's cell handles.
template <class T>
struct PoolAllocator {
    using value_type = T;

    PoolAllocator() = default;
    template <class U>
    PoolAllocator(const PoolAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(poolAllocate(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { poolRelease(p, n * sizeof(T)); }
    friend bool operator==(PoolAllocator, PoolAllocator) { return true; }
};

/// Slabs the pool holds now; a slab goes back to the system when its last block is
/// released and another slab of its size has room.
std::size_t poolSlabCount();

} // namespace karvo
