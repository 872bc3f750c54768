// cell_store.h - the cells of a binary sheet: a handle per position, one append-only store per kind.
#pragma once

#include <cstdint>
#include <tuple>
#include <vector>

#include "core/block_pool.h"
#include "core/xlerror.h"
#include "xls/cell_entries.h"
#include "xls/entry_blocks.h"
#include "xls/formula_block.h"

namespace karvo {

class SharedStrings;

/// A cell handle: bit 0 in use, bits 1-3 the kind, bits 4-31 the entry's position in
/// the store of its kind. 0 is an empty cell.
using CellHandle = std::uint32_t;

inline CellKind handleKind(CellHandle h) { return static_cast<CellKind>((h >> 1) & 0x7); }
inline std::uint32_t handlePosition(CellHandle h) { return h >> 4; }

/// Rows of handles, each as wide as its rightmost cell (allocated on the first write
/// into the row, so a typical row of a few columns costs bytes, not a 1 KiB block), and the seven
/// stores, which hold their entries in blocks (no per-cell allocation). Stores only grow: an overwritten or cleared cell leaves its entry behind,
/// unreferenced, and only handles decide what a cell holds. The store keeps the use
/// counts of the shared strings in step with the LabelSst handles it holds.
class CellStore {
public:
    explicit CellStore(SharedStrings& strings) : strings_(&strings) {}
    CellStore(const CellStore&) = default;
    CellStore& operator=(const CellStore&) = default;
    CellStore(CellStore&&) noexcept = default;
    CellStore& operator=(CellStore&&) noexcept = default;

    /// The handle at a position; 0 for an empty cell. Never allocates.
    CellHandle handle(int row, int col) const {
        if (row < 0 || row >= static_cast<int>(rows_.size())) return 0;
        const Row& r = rows_[static_cast<std::size_t>(row)];
        return col >= 0 && col < static_cast<int>(r.size()) ? r[static_cast<std::size_t>(col)] : 0;
    }
    bool rowExists(int row) const {
        return row >= 0 && row < static_cast<int>(rows_.size()) && !rows_[static_cast<std::size_t>(row)].empty();
    }

    template <class Entry>
    Entry& entry(CellHandle h) {
        return list<Entry>()[handlePosition(h)];
    }
    template <class Entry>
    const Entry& entry(CellHandle h) const {
        return const_cast<CellStore*>(this)->entry<Entry>(h);
    }
    /// The entry of the cell when it holds this kind, else null.
    template <class Entry>
    Entry* find(int row, int col) {
        CellHandle h = handle(row, col);
        return h && handleKind(h) == Entry::kind ? &entry<Entry>(h) : nullptr;
    }

    /// Appends an entry and points the handle at its position to it. Entries never
    /// move, so the reference stays valid as long as the store.
    template <class Entry>
    Entry& put(Entry e) {
        auto& store = list<Entry>();
        if (store.size() > kMaxPosition) throw xlerror("cell store is full");
        CellPos at = e.at;
        Entry& stored = store.push_back(std::move(e));
        setHandle(at.row, at.col, makeHandle(Entry::kind, static_cast<std::uint32_t>(store.size() - 1)));
        return stored;
    }
    /// Empties a cell.
    void clear(int row, int col) {
        if (handle(row, col)) setHandle(row, col, 0);
    }

    /// Calls f with the entry of a handle, whatever its kind; a kind that no store holds
    /// fails with "unknown type of cell".
    template <class F>
    decltype(auto) visit(CellHandle h, F&& f);
    CellPos& position(CellHandle h);

    /// Calls f(row, col, handle) for every cell, row by row, left to right.
    template <class F>
    void forEach(F&& f) const;

    /// Moves a row's cells to an empty row.
    void moveRow(int from, int to);
    /// Moves a cell to an empty position of the same row.
    void moveCell(int row, int fromCol, int toCol);
    /// Empties every row.
    void clearAll();
    /// Counts one more use of every shared string this store refers to (after a copy).
    void retainStrings() const;

    /// Makes room for a row's handles up to column `width` - 1, ahead of its cells;
    /// the width is capped at the columns a sheet has.
    void reserveRow(int row, std::size_t width);

    /// About the bytes the cells' records take when written; sizes the stream ahead.
    std::size_t recordBytesHint() const;

private:
    using Row = std::vector<CellHandle, PoolAllocator<CellHandle>>;
    using Stores = std::tuple<EntryBlocks<RkCell>, EntryBlocks<NumberCell>, EntryBlocks<LabelSstCell>,
                              EntryBlocks<BlankCell>, EntryBlocks<BoolErrCell>, EntryBlocks<FormulaBlock>,
                              EntryBlocks<LabelCell>>;
    /// The largest position the 28 bits of a handle can hold.
    static constexpr std::size_t kMaxPosition = (std::size_t(1) << 28) - 1;

    static CellHandle makeHandle(CellKind kind, std::uint32_t position) {
        return position << 4 | static_cast<std::uint32_t>(kind) << 1 | 1u;
    }
    template <class Entry>
    EntryBlocks<Entry>& list() {
        return std::get<EntryBlocks<Entry>>(stores_);
    }
    /// Sets a handle, allocating the row, and counts the shared-string uses it drops and takes.
    void setHandle(int row, int col, CellHandle h);
    void countUse(CellHandle h, int delta) const;

    /// Rows are added as cells reach them; a sheet this many rows long takes room for
    /// every row at once, in one block large enough for huge pages, rather than
    /// doubling and writing the pages of each copy.
    static constexpr std::size_t kRowsBeforeAll = 4096;
    Row& rowAt(int row);

    std::vector<Row, HugePageAllocator<Row>> rows_;
    std::size_t lastWidth_ = 0;  // of the row that grew last
    Stores stores_;
    SharedStrings* strings_;
};

template <class F>
decltype(auto) CellStore::visit(CellHandle h, F&& f) {
    switch (handleKind(h)) {
    case CellKind::RK: return f(entry<RkCell>(h));
    case CellKind::Number: return f(entry<NumberCell>(h));
    case CellKind::LabelSst: return f(entry<LabelSstCell>(h));
    case CellKind::Blank: return f(entry<BlankCell>(h));
    case CellKind::BoolErr: return f(entry<BoolErrCell>(h));
    case CellKind::Formula: return f(entry<FormulaBlock>(h));
    case CellKind::Label: return f(entry<LabelCell>(h));
    }
    throw xlerror("unknown type of cell");
}

inline CellPos& CellStore::position(CellHandle h) {
    return visit(h, [](auto& e) -> CellPos& { return e.at; });
}

template <class F>
void CellStore::forEach(F&& f) const {
    for (std::size_t r = 0; r < rows_.size(); ++r)
        for (std::size_t c = 0; c < rows_[r].size(); ++c)
            if (CellHandle h = rows_[r][c]) f(static_cast<int>(r), static_cast<int>(c), h);
}

} // namespace karvo
