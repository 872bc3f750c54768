// block_pool.cpp - slabs of one huge page, one block size each.
#include "core/block_pool.h"

#include "core/huge_pages.h"

#include <cstdint>
#include <mutex>
#include <new>

namespace karvo {
namespace {

// A slab is one huge page, aligned to its size, so a block finds its slab by masking
// its address.
constexpr std::size_t kSlabBytes = kHugePageBytes;
// The first slab of a size, in small pages, uses only this much of its huge page.
constexpr std::size_t kFirstSlabBytes = kSlabBytes / 4;
// Block sizes are rounded up to this, which also aligns every block for any scalar.
constexpr std::size_t kGrain = 16;
constexpr std::size_t kSmallClasses = kPooledBlockLimit / kGrain;
constexpr std::size_t kChunkClass = kSmallClasses;
constexpr std::size_t kClassCount = kSmallClasses + 1;

struct Slab {
    Slab* prev = nullptr; // in its class's list of slabs with room
    Slab* next = nullptr;
    bool listed = false;
    void* released = nullptr; // blocks given back, linked through their first word
    std::size_t untouched;    // offset of the first block never handed out
    std::size_t end;          // of the room blocks may take
    std::size_t blockBytes;
    std::size_t live = 0;
};

constexpr std::size_t kFirstBlock = (sizeof(Slab) + kGrain - 1) / kGrain * kGrain;

struct Pool {
    std::mutex lock;
    Slab* withRoom[kClassCount] = {};
    std::size_t slabsOf[kClassCount] = {};
};

// Never destroyed: books released by static destructors still give their blocks back.
Pool& pool() {
    static Pool* instance = new Pool;
    return *instance;
}

void link(Pool& p, std::size_t cls, Slab* slab) {
    slab->prev = nullptr;
    slab->next = p.withRoom[cls];
    if (slab->next) slab->next->prev = slab;
    p.withRoom[cls] = slab;
    slab->listed = true;
}

void unlink(Pool& p, std::size_t cls, Slab* slab) {
    (slab->prev ? slab->prev->next : p.withRoom[cls]) = slab->next;
    if (slab->next) slab->next->prev = slab->prev;
    slab->prev = slab->next = nullptr;
    slab->listed = false;
}

bool isChunk(std::size_t bytes) { return bytes > kPoolChunkBytes / 2 && bytes <= kPoolChunkBytes; }

bool pooled(std::size_t bytes) { return kBlockPoolOn && bytes != 0 && (bytes <= kPooledBlockLimit || isChunk(bytes)); }

std::size_t classOf(std::size_t bytes) { return isChunk(bytes) ? kChunkClass : (bytes + kGrain - 1) / kGrain - 1; }

std::size_t blockBytesOf(std::size_t cls) { return cls == kChunkClass ? kPoolChunkBytes : (cls + 1) * kGrain; }

} // namespace

void* poolAllocate(std::size_t bytes) {
    if (!pooled(bytes)) return ::operator new(bytes);
    const std::size_t cls = classOf(bytes);
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    Slab* slab = p.withRoom[cls];
    if (!slab) {
        // A size that fills a second slab is in bulk use; one that never does (a row
        // growing to its width passes through several) keeps its slab in small pages.
        // That slab is kept short, as each of its pages costs a fault.
        const bool bulk = p.slabsOf[cls] > 0;
        slab = new (mapPages(kSlabBytes, bulk)) Slab{};
        ++p.slabsOf[cls];
        slab->untouched = kFirstBlock;
        slab->end = bulk ? kSlabBytes : kFirstSlabBytes;
        slab->blockBytes = blockBytesOf(cls);
        link(p, cls, slab);
    }
    void* block;
    if (slab->released) {
        block = slab->released;
        slab->released = *static_cast<void**>(block);
    } else {
        block = reinterpret_cast<char*>(slab) + slab->untouched;
        slab->untouched += slab->blockBytes;
    }
    ++slab->live;
    if (!slab->released && slab->untouched + slab->blockBytes > slab->end) unlink(p, cls, slab);
    return block;
}

void poolRelease(void* block, std::size_t bytes) noexcept {
    if (!block) return;
    if (!pooled(bytes)) {
        ::operator delete(block);
        return;
    }
    const std::size_t cls = classOf(bytes);
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    auto* slab = reinterpret_cast<Slab*>(reinterpret_cast<std::uintptr_t>(block) & ~(kSlabBytes - 1));
    *static_cast<void**>(block) = slab->released;
    slab->released = block;
    --slab->live;
    if (!slab->listed) link(p, cls, slab);
    // An empty slab goes back unless it is the only one with room, so that a block
    // allocated and released in turn does not map and unmap a slab each time.
    if (slab->live == 0 && (slab->prev || slab->next)) {
        unlink(p, cls, slab);
        unmapPages(slab, kSlabBytes);
        --p.slabsOf[cls];
    }
}

std::size_t poolSlabCount() {
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    std::size_t slabs = 0;
    for (std::size_t count : p.slabsOf) slabs += count;
    return slabs;
}

} // namespace karvo
