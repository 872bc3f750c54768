// entry_blocks.h - an append-only list of cell entries kept in fixed-size blocks.
#pragma once

#include "core/block_pool.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace karvo {

/// A list that grows a block at a time. A vector doubling to hold a million cells
/// would copy every entry on each growth and briefly hold the old and new arrays
/// together; blocks are never moved, so an entry's address is stable and the peak
/// memory is what the entries take, plus at most one block.
template <class Entry>
class EntryBlocks {
    static_assert(sizeof(Entry) <= kPoolChunkBytes / 2, "an entry must fit a chunk twice");

public:
    /// The first block comes from the heap and stays below a chunk, so that a sheet with
    /// few cells of a kind takes little memory. A list that outgrows it continues in
    /// chunks of the block pool, which fills them from huge pages.
    static constexpr std::size_t kFirstBlock = kPoolChunkBytes / 2 / sizeof(Entry);
    static constexpr std::size_t kLaterBlock = kPoolChunkBytes / sizeof(Entry);

    EntryBlocks() = default;
    // A copy's blocks get their full capacity too, so that its entries never move either.
    EntryBlocks(const EntryBlocks& other) : size_(other.size_) {
        blocks_.reserve(other.blocks_.size());
        for (const auto& block : other.blocks_) {
            addBlock();
            blocks_.back().assign(block.begin(), block.end());
        }
    }
    EntryBlocks& operator=(const EntryBlocks& other) {
        if (this != &other) *this = EntryBlocks(other);
        return *this;
    }
    EntryBlocks(EntryBlocks&&) noexcept = default;
    EntryBlocks& operator=(EntryBlocks&&) noexcept = default;

    std::size_t size() const { return size_; }
    Entry& operator[](std::size_t i) { return at(blocks_, i); }
    const Entry& operator[](std::size_t i) const { return at(blocks_, i); }

    Entry& push_back(Entry e) {
        if (blocks_.empty() || blocks_.back().size() == capacity(blocks_.size() - 1)) addBlock();
        ++size_;
        return blocks_.back().emplace_back(std::move(e));
    }

private:
    using Block = std::vector<Entry, PoolAllocator<Entry>>;

    static std::size_t capacity(std::size_t block) { return block == 0 ? kFirstBlock : kLaterBlock; }
    void addBlock() {
        const std::size_t index = blocks_.size();
        blocks_.emplace_back().reserve(capacity(index));
    }
    template <class Blocks>
    static auto& at(Blocks& blocks, std::size_t i) {
        if (i < kFirstBlock) return blocks[0][i];
        i -= kFirstBlock;
        return blocks[1 + i / kLaterBlock][i % kLaterBlock];
    }

    std::vector<Block> blocks_;
    std::size_t size_ = 0;
};

} // namespace karvo
