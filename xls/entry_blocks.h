// entry_blocks.h - an append-only list of cell entries kept in fixed-size blocks.
#pragma once

#include "core/huge_pages.h"

#include <algorithm>
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
public:
    /// Entries of the first block: few enough that a sheet with few cells of a kind
    /// wastes little. A list that outgrows it continues in blocks of the size of a
    /// huge page, which keep the block list short.
    static constexpr std::size_t kFirstBlock = 4096;
    static constexpr std::size_t kLaterBlock = std::max(kFirstBlock, kHugePageBytes / sizeof(Entry));
    /// Blocks from this one on take huge pages, filled at one page fault each. A huge
    /// page is resident as a whole, so a list's last block may hold up to one page that
    /// is mostly unused: only lists already several pages long take them, which keeps
    /// that waste a fraction of the list (a book of many sheets has many lists).
    static constexpr std::size_t kFirstHugeBlock = 3;

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
    using Block = std::vector<Entry, HugePageAllocator<Entry>>;

    static std::size_t capacity(std::size_t block) { return block == 0 ? kFirstBlock : kLaterBlock; }
    void addBlock() {
        const std::size_t index = blocks_.size();
        blocks_.emplace_back(HugePageAllocator<Entry>(index >= kFirstHugeBlock));
        blocks_.back().reserve(capacity(index));
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
