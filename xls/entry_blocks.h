// entry_blocks.h - an append-only list of cell entries kept in fixed-size blocks.
#pragma once

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
    /// Entries per block: large enough that the block list stays short, small enough
    /// that a sheet with few cells of a kind wastes little.
    static constexpr std::size_t kBlockSize = 4096;

    EntryBlocks() = default;
    // A copy's blocks get their full capacity too, so that its entries never move either.
    EntryBlocks(const EntryBlocks& other) : size_(other.size_) {
        blocks_.reserve(other.blocks_.size());
        for (const auto& block : other.blocks_) {
            blocks_.emplace_back().reserve(kBlockSize);
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
    Entry& operator[](std::size_t i) { return blocks_[i / kBlockSize][i % kBlockSize]; }
    const Entry& operator[](std::size_t i) const { return blocks_[i / kBlockSize][i % kBlockSize]; }

    Entry& push_back(Entry e) {
        if (size_ % kBlockSize == 0) {
            blocks_.emplace_back();
            blocks_.back().reserve(kBlockSize);
        }
        ++size_;
        return blocks_.back().emplace_back(std::move(e));
    }

private:
    std::vector<std::vector<Entry>> blocks_;
    std::size_t size_ = 0;
};

} // namespace karvo
