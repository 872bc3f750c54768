// cell_store.cpp - row blocks, handles and the shared-string uses of a sheet's cells.
#include "xls/cell_store.h"

#include <algorithm>

#include "xls/sst.h"

namespace karvo {

CellStore::Row& CellStore::rowAt(int row) {
    const auto index = static_cast<std::size_t>(row);
    if (index >= rows_.size()) {
        if (index >= kRowsBeforeAll && rows_.capacity() < std::size_t(kRowCount)) rows_.reserve(kRowCount);
        rows_.resize(index + 1);
    }
    return rows_[index];
}

void CellStore::setHandle(int row, int col, CellHandle h) {
    Row& cells = rowAt(row);
    auto column = static_cast<std::size_t>(col);
    if (column >= cells.size()) {
        if (!h) return;  // clearing a cell beyond the row's width: nothing is there
        // A new row is allocated at the width of the row grown last, the best guess
        // when rows are filled one after another, so that it does not grow cell by
        // cell. A row never takes more than the columns a sheet has, so a wrong guess
        // costs at most what a full row costs anyway.
        if (cells.capacity() == 0) cells.reserve(std::max(column + 1, lastWidth_));
        // Cells mostly arrive left to right: the next one is one past the end, which
        // push_back takes inline where resize makes a call.
        if (column == cells.size())
            cells.push_back(0);
        else
            cells.resize(column + 1, 0);
        lastWidth_ = cells.size();
    }
    CellHandle& slot = cells[column];
    countUse(slot, -1);
    slot = h;
    countUse(slot, +1);
}

void CellStore::countUse(CellHandle h, int delta) const {
    if (!h || handleKind(h) != CellKind::LabelSst) return;
    std::uint32_t isst = const_cast<CellStore*>(this)->entry<LabelSstCell>(h).isst;
    if (delta > 0)
        strings_->retain(isst);
    else
        strings_->release(isst);
}

void CellStore::moveRow(int from, int to) {
    if (!rowExists(from)) return;
    Row& target = rowAt(to);
    target = std::move(rows_[static_cast<std::size_t>(from)]);
    rows_[static_cast<std::size_t>(from)] = Row{};
    for (CellHandle h : target)
        if (h) position(h).row = static_cast<std::uint16_t>(to);
}

void CellStore::moveCell(int row, int fromCol, int toCol) {
    CellHandle h = handle(row, fromCol);
    if (!h) return;
    Row& r = rows_[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(toCol) >= r.size()) r.resize(static_cast<std::size_t>(toCol) + 1, 0);
    r[static_cast<std::size_t>(toCol)] = h;
    r[static_cast<std::size_t>(fromCol)] = 0;
    position(h).col = static_cast<std::uint16_t>(toCol);
}

std::size_t CellStore::recordBytesHint() const {
    // Header and body of each kind's record, in the order of Stores; formulas and
    // own strings vary, and are counted at a common size.
    constexpr std::size_t kRecordBytes[] = {14, 18, 14, 10, 12, 64, 48};
    static_assert(std::size(kRecordBytes) == std::tuple_size_v<Stores>);
    std::size_t total = 0, kind = 0;
    std::apply([&](const auto&... store) { ((total += store.size() * kRecordBytes[kind++]), ...); }, stores_);
    return total;
}

void CellStore::clearAll() {
    forEach([this](int, int, CellHandle h) { countUse(h, -1); });
    rows_.clear();
}

void CellStore::retainStrings() const {
    forEach([this](int, int, CellHandle h) { countUse(h, +1); });
}

void CellStore::reserveRow(int row, std::size_t width) {
    rowAt(row).reserve(std::min(width, std::size_t(kColCount)));
}

} // namespace karvo
