// xml_sheet_shift.cpp - XMLSheetImplT: clearing, copying, inserting and removing cells.
//
// Cell contents, formula texts included, stay as they are when rows and columns
// move; merged ranges and column ranges follow the cells.
#include <algorithm>

#include "core/cell_address.h"
#include "xlsx/cell_range.h"
#include "xlsx/drawing.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {

using sheet::c_CT_Cell;
using sheet::c_CT_Col;

namespace {

// Where the rows or columns [first, last] are removed, what is left of [from, to];
// false when nothing is.
bool reduce(int& from, int& to, int first, int last) {
    long long n = static_cast<long long>(last) - first + 1;
    long long newFrom = from < first ? from : std::max<long long>(from, last + 1LL) - n;
    long long newTo = to > last ? to - n : std::min<long long>(to, first - 1LL);
    if (newFrom > newTo) return false;
    from = static_cast<int>(newFrom);
    to = static_cast<int>(newTo);
    return true;
}

void checkOrder(int first, int last, const char* message) {
    if (last < first) throw xlerror(message);
}

} // namespace

// Applies `change` to every merged range; a range it answers false for is removed,
// ranges it appends come after the walk. No range left removes `mergeCells`.
template <class Change>
void XMLSheetImplT::changeMerges(Change&& change) {
    if (!root_.mergeCells) return;
    auto& merges = root_.mergeCells->mergeCell;
    std::vector<CellRange> added;
    std::erase_if(merges, [&](auto& merge) {
        std::optional<CellRange> range = parseCellRange(merge->ref);
        if (!range) return false;
        if (!change(*range, added)) return true;
        merge->ref = formatCellRange(*range);
        return false;
    });
    for (const CellRange& range : added) {
        auto merge = std::make_unique<sheet::c_CT_MergeCell>();
        merge->ref = formatCellRange(range);
        merges.emplace_back(std::move(merge));
    }
    if (merges.empty()) root_.mergeCells.reset();
    else if (root_.mergeCells->count.has()) root_.mergeCells->count.set(static_cast<std::uint32_t>(merges.size()));
}

// Pictures and shapes over the cells follow them. Called before the cells move: a
// drawing that does not parse fails the operation while nothing has changed yet.
void XMLSheetImplT::shiftDrawing(bool rows, int first, int last, bool insert) {
    if (Drawing* drawing = book_.findSheetDrawing(*this).drawing)
        drawing->shift(LineShift{rows, insert, first, last, rows ? kMaxAddressRow : kMaxAddressCol});
}

void XMLSheetImplT::cellsMoved() {
    used_.stale = true;
    sharedHeadsStale_ = true;
}

bool XMLSheetImplT::clearCells(int rowFirst, int rowLast, int colFirst, int colLast) {
    return run<bool>(false, [&] {
        checkOrder(rowFirst, rowLast, "rowLast must be greater than or equal to rowFirst");
        checkOrder(colFirst, colLast, "colLast must be greater than or equal to colFirst");
        auto& rows = root_.sheetData.make().row;
        if (rowFirst == 0 && rowLast == kMaxAddressRow && colFirst == 0 && colLast == kMaxAddressCol) {
            rows.clear();
        } else {
            auto position = [&](int row) {
                return rows.begin() + static_cast<std::ptrdiff_t>(rowPosition(static_cast<std::uint32_t>(row) + 1));
            };
            auto from = position(std::clamp(rowFirst, 0, kMaxAddressRow + 1));
            auto to = std::max(from, position(std::clamp(rowLast, -1, kMaxAddressRow) + 1));
            for (auto row = from; row != to; ++row) {
                auto& cells = (*row)->c;
                auto begin = std::lower_bound(cells.begin(), cells.end(), colFirst,
                                              [](const c_CT_Cell& c, int col) { return c.column() < col; });
                auto end = std::upper_bound(cells.begin(), cells.end(), colLast,
                                            [](int col, const c_CT_Cell& c) { return col < c.column(); });
                cells.erase(static_cast<std::size_t>(begin - cells.begin()), static_cast<std::size_t>(end - cells.begin()));
            }
            rows.erase(std::remove_if(from, to, [](const auto& row) { return row->c.empty(); }), to);
        }
        changeMerges([&](CellRange& range, std::vector<CellRange>&) {
            return !(range.firstRow >= rowFirst && range.lastRow <= rowLast && range.firstCol >= colFirst &&
                     range.lastCol <= colLast);
        });
        cellsMoved();
        return true;
    });
}

bool XMLSheetImplT::copyCell(int rowSrc, int colSrc, int rowDst, int colDst) {
    return run<bool>(false, [&] {
        const c_CT_Cell* source = findCell(rowSrc, colSrc);
        if (!source) throw xlerror("empty cell");
        c_CT_Cell copy = *source;
        // The copy stands alone: a formula of a shared or array group is written out.
        if (sheet::c_CT_CellFormula* formula = sheet::cell_f(copy); formula && formula->t.has()) {
            formula->value = storedFormula(rowSrc, *source);
            formula->t.reset();
            formula->si.reset();
            formula->ref.reset();
        }
        c_CT_Cell& target = prepareCell(rowDst, colDst, nullptr, true);
        copy.set_column(target.column());
        target = std::move(copy);
        return true;
    });
}

bool XMLSheetImplT::insertRows(int rowFirst, int rowLast) {
    return run<bool>(false, [&] {
        checkOrder(rowFirst, rowLast, "rowLast must be greater than or equal to rowFirst");
        if (rowFirst < 0 || rowLast > kMaxAddressRow) throw xlerror("row must be in range 0-1048575");
        auto n = static_cast<std::uint32_t>(rowLast - rowFirst + 1);
        auto& rows = root_.sheetData.make().row;
        auto start = static_cast<std::uint32_t>(rowFirst) + 1;
        if (!rows.empty() && rows.back()->r.get() >= start && rows.back()->r.get() + n > kMaxAddressRow + 1u)
            throw xlerror("rows can't be moved beyond the last row");
        shiftDrawing(true, rowFirst, rowLast, true);
        for (auto row = rows.rbegin(); row != rows.rend() && (*row)->r.get() >= start; ++row)
            (*row)->r.set((*row)->r.get() + n);
        changeMerges([&](CellRange& range, std::vector<CellRange>& added) {
            if (range.firstRow >= rowFirst) {
                range.firstRow += static_cast<int>(n);
                range.lastRow += static_cast<int>(n);
            } else if (range.lastRow >= rowFirst) {
                added.push_back({rowLast + 1, range.lastRow + static_cast<int>(n), range.firstCol, range.lastCol});
                range.lastRow = rowFirst - 1;
            }
            return range.lastRow <= kMaxAddressRow;
        });
        cellsMoved();
        return true;
    });
}

bool XMLSheetImplT::insertColumns(int colFirst, int colLast) {
    return run<bool>(false, [&] {
        checkOrder(colFirst, colLast, "colLast must be greater than or equal to colFirst");
        if (colFirst < 0 || colLast > kMaxAddressCol) throw xlerror("col must be in range 0-16383");
        int n = colLast - colFirst + 1;
        auto& rows = root_.sheetData.make().row;
        for (const auto& row : rows)
            if (!row->c.empty() && row->c.back().column() >= colFirst && row->c.back().column() + n > kMaxAddressCol)
                throw xlerror("columns can't be moved beyond the last column");
        shiftDrawing(false, colFirst, colLast, true);
        for (const auto& row : rows)
            for (std::size_t i = row->c.size(); i-- > 0 && row->c[i].column() >= colFirst;)
                row->c[i].set_column(static_cast<std::uint16_t>(row->c[i].column() + n));
        changeMerges([&](CellRange& range, std::vector<CellRange>& added) {
            if (range.firstCol >= colFirst) {
                range.firstCol += n;
                range.lastCol += n;
            } else if (range.lastCol >= colFirst) {
                added.push_back({range.firstRow, range.lastRow, colLast + 1, range.lastCol + n});
                range.lastCol = colFirst - 1;
            }
            return range.lastCol <= kMaxAddressCol;
        });
        // Column ranges count from 1.
        auto first = static_cast<std::uint32_t>(colFirst) + 1;
        for (auto& cols : root_.cols) {
            std::vector<lmx::owned<c_CT_Col>> added;
            for (auto& range : cols->col) {
                if (range->min >= first) {
                    range->min += n;
                    range->max += n;
                } else if (range->max >= first) {
                    auto moved = std::make_unique<c_CT_Col>(*range);
                    moved->min = first + n;
                    moved->max = range->max + n;
                    range->max = first - 1;
                    added.emplace_back(std::move(moved));
                }
            }
            for (auto& range : added) cols->col.push_back(std::move(range));
            std::erase_if(cols->col, [](const auto& range) { return range->min > kMaxAddressCol + 1u; });
            for (auto& range : cols->col) range->max = std::min<std::uint32_t>(range->max, kMaxAddressCol + 1);
            std::sort(cols->col.begin(), cols->col.end(), [](const auto& a, const auto& b) { return a->min < b->min; });
        }
        std::erase_if(root_.cols, [](const auto& cols) { return cols->col.empty(); });
        cellsMoved();
        return true;
    });
}

bool XMLSheetImplT::removeRows(int rowFirst, int rowLast) {
    return run<bool>(false, [&] {
        checkOrder(rowFirst, rowLast, "rowLast must be greater than or equal to rowFirst");
        // Rows before the first one do not exist: only what lies in the sheet moves.
        rowFirst = std::max(rowFirst, 0);
        if (rowLast < rowFirst) return true;
        shiftDrawing(true, rowFirst, rowLast, false);
        auto& rows = root_.sheetData.make().row;
        auto first = static_cast<std::uint32_t>(rowFirst) + 1, last = static_cast<std::uint32_t>(rowLast) + 1;
        auto n = last - first + 1;
        std::erase_if(rows, [&](const auto& row) { return row->r.get() >= first && row->r.get() <= last; });
        for (auto& row : rows)
            if (row->r.get() > last) row->r.set(row->r.get() - n);
        changeMerges([&](CellRange& range, std::vector<CellRange>&) {
            return reduce(range.firstRow, range.lastRow, rowFirst, rowLast);
        });
        cellsMoved();
        return true;
    });
}

// A last column before the first removes nothing.
bool XMLSheetImplT::removeColumns(int colFirst, int colLast) {
    return run<bool>(false, [&] {
        colFirst = std::max(colFirst, 0);
        if (colLast < colFirst) return true;
        shiftDrawing(false, colFirst, colLast, false);
        int n = colLast - colFirst + 1;
        for (auto& row : root_.sheetData.make().row) {
            auto& cells = row->c;
            std::size_t begin = 0;
            while (begin < cells.size() && cells[begin].column() < colFirst) ++begin;
            std::size_t end = begin;
            while (end < cells.size() && cells[end].column() <= colLast) ++end;
            cells.erase(begin, end);
            for (std::size_t i = begin; i < cells.size(); ++i)
                cells[i].set_column(static_cast<std::uint16_t>(cells[i].column() - n));
        }
        changeMerges([&](CellRange& range, std::vector<CellRange>&) {
            return reduce(range.firstCol, range.lastCol, colFirst, colLast);
        });
        for (auto& cols : root_.cols)
            std::erase_if(cols->col, [&](auto& range) {
                int from = static_cast<int>(std::min<std::uint32_t>(range->min, INT32_MAX)) - 1;
                int to = static_cast<int>(std::min<std::uint32_t>(range->max, INT32_MAX)) - 1;
                if (!reduce(from, to, colFirst, colLast)) return true;
                range->min = static_cast<std::uint32_t>(from) + 1;
                range->max = static_cast<std::uint32_t>(to) + 1;
                return false;
            });
        std::erase_if(root_.cols, [](const auto& cols) { return cols->col.empty(); });
        cellsMoved();
        return true;
    });
}

} // namespace karvo::xlsx
