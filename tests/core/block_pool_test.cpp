// The block pool: blocks never overlap, released blocks are reused, empty slabs go
// back to the system, and two threads can share the pool.
#include "core/block_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

namespace karvo {
namespace {

struct Block {
    unsigned char* p;
    std::size_t bytes;
};

Block take(std::size_t bytes, unsigned char fill) {
    auto* p = static_cast<unsigned char*>(poolAllocate(bytes));
    std::memset(p, fill, bytes);
    return {p, bytes};
}

// Every byte still holds what its owner wrote: no two blocks overlap, and a released
// block's link word never lands in a live one.
void expectIntact(const std::vector<Block>& blocks, const std::vector<unsigned char>& fills) {
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        for (std::size_t b = 0; b < blocks[i].bytes; ++b) {
            if (blocks[i].p[b] != fills[i]) {
                ADD_FAILURE() << "block " << i << " of " << blocks[i].bytes << " bytes changed at " << b;
                return;
            }
        }
    }
}

TEST(BlockPool, BlocksOfEverySizeAreAlignedAndKeepTheirContentsThroughReuse) {
    std::vector<Block> blocks;
    std::vector<unsigned char> fills;
    for (std::size_t round = 0; round < 3; ++round) {
        // Small sizes, heap sizes on either side of them and of chunks, and chunks
        // (enough to pass the first, shorter slab of their size).
        for (std::size_t bytes : {std::size_t(1), std::size_t(8), std::size_t(16), std::size_t(17), std::size_t(88),
                                  std::size_t(500), kPooledBlockLimit, kPooledBlockLimit + 1, std::size_t(4000),
                                  kPoolChunkBytes / 2, kPoolChunkBytes / 2 + 1, kPoolChunkBytes, kPoolChunkBytes + 1}) {
            const int count = bytes > kPoolChunkBytes / 2 ? 20 : 300;
            for (int n = 0; n < count; ++n) {
                auto fill = static_cast<unsigned char>(blocks.size() * 7 + 1);
                blocks.push_back(take(bytes, fill));
                fills.push_back(fill);
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(blocks.back().p) % alignof(std::max_align_t), 0u);
            }
        }
        // Give back every other block, so the next round reuses them among live ones.
        std::vector<Block> kept;
        std::vector<unsigned char> keptFills;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            if (i % 2) {
                poolRelease(blocks[i].p, blocks[i].bytes);
            } else {
                kept.push_back(blocks[i]);
                keptFills.push_back(fills[i]);
            }
        }
        blocks = std::move(kept);
        fills = std::move(keptFills);
        expectIntact(blocks, fills);
    }
    for (const Block& block : blocks) poolRelease(block.p, block.bytes);
    poolRelease(nullptr, 64);
}

// Enough blocks of a size for several slabs: 96 bytes (a row's size) and chunks of
// both ends of their range. Sizes just outside the pooled ones take no slab.
TEST(BlockPool, SlabsGoBackWhenTheirBlocksAreReleased) {
    if (!kBlockPoolOn) GTEST_SKIP() << "sanitizer builds take every block from the heap";
    const struct {
        std::size_t bytes;
        std::size_t count;
    } sizes[] = {{96, 100000}, {kPoolChunkBytes, 200}, {kPoolChunkBytes / 2 + 1, 200}};
    for (const auto& size : sizes) {
        const std::size_t before = poolSlabCount();
        std::vector<void*> blocks(size.count);
        for (void*& block : blocks) block = poolAllocate(size.bytes);
        EXPECT_GE(poolSlabCount(), before + 4) << size.bytes;
        for (void* block : blocks) poolRelease(block, size.bytes);
        // At most the one slab kept for the next block of that size stays.
        EXPECT_LE(poolSlabCount(), before + 1) << size.bytes;
    }
    const std::size_t before = poolSlabCount();
    for (std::size_t bytes : {kPooledBlockLimit + 1, kPoolChunkBytes / 2, kPoolChunkBytes + 1}) {
        std::vector<void*> blocks(200);
        for (void*& block : blocks) block = poolAllocate(bytes);
        EXPECT_EQ(poolSlabCount(), before) << bytes;
        for (void* block : blocks) poolRelease(block, bytes);
    }
}

TEST(BlockPool, ThreadsAllocateAndReleaseTogether) {
    auto work = [](unsigned char fill) {
        std::vector<Block> blocks;
        for (int round = 0; round < 20; ++round) {
            for (int n = 0; n < 2000; ++n) blocks.push_back(take(16 + (n % 8) * 16, fill));
            for (const Block& block : blocks) {
                for (std::size_t b = 0; b < block.bytes; ++b) {
                    if (block.p[b] != fill) return false;
                }
                poolRelease(block.p, block.bytes);
            }
            blocks.clear();
        }
        return true;
    };
    bool firstOk = false, secondOk = false;
    std::thread first([&] { firstOk = work(0x5A); });
    std::thread second([&] { secondOk = work(0xA5); });
    first.join();
    second.join();
    EXPECT_TRUE(firstOk);
    EXPECT_TRUE(secondOk);
}

} // namespace
} // namespace karvo
