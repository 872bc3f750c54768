// sheet_shift.cpp - inserting and removing whole rows and columns.
#include <algorithm>

#include "core/xlerror.h"
#include "xls/sheet_impl.h"

namespace karvo {
namespace {

void checkRows(int first, int last) {
    if (last < first) throw xlerror("rowLast must be greater than or equal to rowFirst");
    checkRow(first);
    checkRow(last);
}

void checkCols(int first, int last) {
    if (last < first) throw xlerror("colLast must be greater than or equal to colFirst");
    checkCol(first);
    checkCol(last);
}

// Where a span [a, b] of rows (columns) ends up when first..last are removed; false
// when none of it is left. A span reaching into the removed lines loses them from its
// end; one that starts among them starts at `first` instead.
bool afterRemoval(int& a, int& b, int first, int last) {
    int n = last - first + 1;
    if (b < first) return true;
    if (a <= first) {
        b -= std::min(b, last) - first + 1;
    } else if (a <= last) {
        a = first;
        b -= n;
    } else {
        a -= n;
        b -= n;
    }
    return a <= b;
}

// Where a span ends up when n lines are inserted at `first`: a span across the
// insertion grows with it; whatever is pushed past `max` is cut off.
bool afterInsertion(int& a, int& b, int first, int n, int max) {
    if (b < first) return true;
    if (a >= first) a += n;
    b = std::min(b + n, max);
    return a <= max;
}

template <class Move>
void moveMerges(std::vector<std::vector<Ref8>>& merges, std::uint16_t Ref8::*lo, std::uint16_t Ref8::*hi, Move&& move) {
    for (auto& group : merges) {
        std::erase_if(group, [&](Ref8& m) {
            int a = m.*lo, b = m.*hi;
            if (!move(a, b)) return true;
            m.*lo = static_cast<std::uint16_t>(a);
            m.*hi = static_cast<std::uint16_t>(b);
            return false;
        });
    }
    std::erase_if(merges, [](const std::vector<Ref8>& group) { return group.empty(); });
}

} // namespace

bool SheetImplT::insertRows(int rowFirst, int rowLast) {
    return run(false, [&] {
        checkRows(rowFirst, rowLast);
        const int n = rowLast - rowFirst + 1;
        // Rows pushed past the last row are lost.
        for (int r = std::max(rowFirst, kRowCount - n); r <= kMaxRow; ++r)
            if (data_.cells.rowExists(r))
                for (int c = 0; c <= kMaxCol; ++c) dropCell(r, c);
        for (int r = kMaxRow - n; r >= rowFirst; --r) data_.cells.moveRow(r, r + n);
        std::erase_if(data_.rows, [&](const RowEntry& e) { return e.row >= rowFirst && e.row + n > kMaxRow; });
        for (RowEntry& e : data_.rows)
            if (e.row >= rowFirst) e.row = static_cast<std::uint16_t>(e.row + n);
        moveMerges(data_.merges, &Ref8::rowFirst, &Ref8::rowLast,
                   [&](int& a, int& b) { return afterInsertion(a, b, rowFirst, n, kMaxRow); });
        shiftDrawing(true, rowFirst, rowLast, true);
        data_.boundsDirty = true;
        return true;
    });
}

bool SheetImplT::insertColumns(int colFirst, int colLast) {
    return run(false, [&] {
        checkCols(colFirst, colLast);
        const int n = colLast - colFirst + 1;
        for (int r = 0; r <= kMaxRow; ++r) {
            if (!data_.cells.rowExists(r)) continue;
            for (int c = kMaxCol; c >= colFirst; --c) {
                if (c + n > kMaxCol)
                    dropCell(r, c);
                else
                    data_.cells.moveCell(r, c, c + n);
            }
        }
        std::erase_if(data_.columns, [&](const ColEntry& e) { return e.first >= colFirst && e.first + n > kMaxCol; });
        for (ColEntry& e : data_.columns) {
            if (e.first < colFirst) continue;
            e.first = static_cast<std::uint16_t>(e.first + n);
            e.last = static_cast<std::uint16_t>(std::min(e.last + n, kMaxCol));
        }
        moveMerges(data_.merges, &Ref8::colFirst, &Ref8::colLast,
                   [&](int& a, int& b) { return afterInsertion(a, b, colFirst, n, kMaxCol); });
        shiftDrawing(false, colFirst, colLast, true);
        data_.boundsDirty = true;
        return true;
    });
}

bool SheetImplT::removeRows(int rowFirst, int rowLast) {
    return run(false, [&] {
        checkRows(rowFirst, rowLast);
        const int n = rowLast - rowFirst + 1;
        moveRowHeightsUp(rowFirst, n);
        for (int r = rowFirst; r <= rowLast; ++r) {
            if (!data_.cells.rowExists(r)) continue;
            for (int c = 0; c <= kMaxCol; ++c) dropCell(r, c);
        }
        for (int r = rowLast + 1; r <= kMaxRow; ++r) data_.cells.moveRow(r, r - n);
        moveMerges(data_.merges, &Ref8::rowFirst, &Ref8::rowLast,
                   [&](int& a, int& b) { return afterRemoval(a, b, rowFirst, rowLast); });
        shiftDrawing(true, rowFirst, rowLast, false);
        data_.boundsDirty = true;
        return true;
    });
}

bool SheetImplT::removeColumns(int colFirst, int colLast) {
    return run(false, [&] {
        checkCols(colFirst, colLast);
        const int n = colLast - colFirst + 1;
        moveColumnWidthsLeft(colFirst, n);
        for (int r = 0; r <= kMaxRow; ++r) {
            if (!data_.cells.rowExists(r)) continue;
            for (int c = colFirst; c <= colLast; ++c) dropCell(r, c);
            for (int c = colLast + 1; c <= kMaxCol; ++c) data_.cells.moveCell(r, c, c - n);
        }
        moveMerges(data_.merges, &Ref8::colFirst, &Ref8::colLast,
                   [&](int& a, int& b) { return afterRemoval(a, b, colFirst, colLast); });
        shiftDrawing(false, colFirst, colLast, false);
        data_.boundsDirty = true;
        return true;
    });
}

} // namespace karvo
