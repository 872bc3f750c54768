// block_pool.cpp - slabs of one huge page, one block size each.
#include "core/block_pool.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#define KARVO_POOL_MMAP 1
#elif defined(_WIN32)
#include <malloc.h>
#endif

namespace karvo {
namespace {

// One huge page on x86-64 and arm64. A slab is aligned to its size, so a block finds
// its slab by masking its address.
constexpr std::size_t kSlabBytes = std::size_t(2) << 20;
// Block sizes are rounded up to this, which also aligns every block for any scalar.
constexpr std::size_t kGrain = 16;
constexpr std::size_t kClassCount = kPooledBlockLimit / kGrain;

struct Slab {
    Slab* prev = nullptr; // in its class's list of slabs with room
    Slab* next = nullptr;
    bool listed = false;
    void* released = nullptr; // blocks given back, linked through their first word
    std::size_t untouched;    // offset of the first block never handed out
    std::size_t blockBytes;
    std::size_t live = 0;
};

constexpr std::size_t kFirstBlock = (sizeof(Slab) + kGrain - 1) / kGrain * kGrain;

struct Pool {
    std::mutex lock;
    Slab* withRoom[kClassCount] = {};
    std::size_t slabs = 0;
};

// Never destroyed: books released by static destructors still give their blocks back.
Pool& pool() {
    static Pool* instance = new Pool;
    return *instance;
}

void* mapSlab() {
#if defined(KARVO_POOL_MMAP)
    // Twice the size, trimmed to an aligned slab.
    const std::size_t span = 2 * kSlabBytes;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t slab = (start + kSlabBytes - 1) & ~(kSlabBytes - 1);
    if (slab > start) munmap(raw, slab - start);
    if (start + span > slab + kSlabBytes) munmap(reinterpret_cast<void*>(slab + kSlabBytes), start + span - slab - kSlabBytes);
#ifdef MADV_HUGEPAGE
    // Advice only: where huge pages are off, the slab is faulted in small pages.
    madvise(reinterpret_cast<void*>(slab), kSlabBytes, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(slab);
#elif defined(_WIN32)
    void* slab = _aligned_malloc(kSlabBytes, kSlabBytes);
    if (!slab) throw std::bad_alloc();
    return slab;
#else
    void* slab = std::aligned_alloc(kSlabBytes, kSlabBytes);
    if (!slab) throw std::bad_alloc();
    return slab;
#endif
}

void unmapSlab(void* slab) {
#if defined(KARVO_POOL_MMAP)
    munmap(slab, kSlabBytes);
#elif defined(_WIN32)
    _aligned_free(slab);
#else
    std::free(slab);
#endif
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

bool pooled(std::size_t bytes) { return kBlockPoolOn && bytes != 0 && bytes <= kPooledBlockLimit; }

std::size_t classOf(std::size_t bytes) { return (bytes + kGrain - 1) / kGrain - 1; }

} // namespace

void* poolAllocate(std::size_t bytes) {
    if (!pooled(bytes)) return ::operator new(bytes);
    const std::size_t cls = classOf(bytes);
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    Slab* slab = p.withRoom[cls];
    if (!slab) {
        slab = new (mapSlab()) Slab{};
        slab->untouched = kFirstBlock;
        slab->blockBytes = (cls + 1) * kGrain;
        ++p.slabs;
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
    if (!slab->released && slab->untouched + slab->blockBytes > kSlabBytes) unlink(p, cls, slab);
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
        unmapSlab(slab);
        --p.slabs;
    }
}

std::size_t poolSlabCount() {
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    return p.slabs;
}

} // namespace karvo
