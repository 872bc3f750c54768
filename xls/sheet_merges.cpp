// sheet_merges.cpp - merged ranges, and clearing a rectangle of cells.
#include <algorithm>

#include "core/xlerror.h"
#include "xls/sheet_impl.h"

namespace karvo {
namespace {

void checkOrder(int rowFirst, int rowLast, int colFirst, int colLast) {
    if (rowLast < rowFirst) throw xlerror("rowLast must be greater than or equal to rowFirst");
    if (colLast < colFirst) throw xlerror("colLast must be greater than or equal to colFirst");
}

bool overlaps(const Ref8& m, int rowFirst, int rowLast, int colFirst, int colLast) {
    return m.rowFirst <= rowLast && m.rowLast >= rowFirst && m.colFirst <= colLast && m.colLast >= colFirst;
}

// The range that clearing leaves alone: all of row 1.
bool isFirstRowRange(const Ref8& m) { return m == Ref8{0, 0, 0, kMaxCol}; }

void dropEmptyGroups(std::vector<std::vector<Ref8>>& merges) {
    std::erase_if(merges, [](const std::vector<Ref8>& group) { return group.empty(); });
}

void give(int* out, int value) {
    if (out) *out = value;
}

} // namespace

bool SheetImplT::addMerge(int rowFirst, int rowLast, int colFirst, int colLast) {
    return run(false, [&] {
        checkCol(colFirst);
        checkCol(colLast);
        checkRow(rowFirst);
        checkRow(rowLast);
        checkOrder(rowFirst, rowLast, colFirst, colLast);
        auto& merges = data_.merges;
        if (merges.empty() || merges.back().size() >= kMaxMergesPerGroup) merges.emplace_back();
        auto u16 = [](int v) { return static_cast<std::uint16_t>(v); };
        merges.back().push_back(Ref8{u16(rowFirst), u16(rowLast), u16(colFirst), u16(colLast)});

        // The cells of the range take the format of the top-left cell when it has a value of its own.
        std::uint16_t xf = kDefaultCellXf;
        if (CellHandle h = data_.cells.handle(rowFirst, colFirst)) {
            CellKind kind = handleKind(h);
            if (kind == CellKind::RK || kind == CellKind::Number || kind == CellKind::LabelSst || kind == CellKind::Blank)
                xf = data_.cells.position(h).xf;
        }
        for (int r = rowFirst; r <= rowLast; ++r)
            for (int c = colFirst; c <= colLast; ++c)
                if (!data_.cells.handle(r, c)) data_.cells.put(BlankCell{{u16(r), u16(c), xf}});
        extendBounds(data_.dimensions, rowFirst, colFirst);
        extendBounds(data_.dimensions, rowLast, colLast);
        return true;
    });
}

bool SheetImplT::mergeAt(int row, int col, int* rowFirst, int* rowLast, int* colFirst, int* colLast) {
    return run(false, [&] {
        checkCell(row, col);
        for (const auto& group : data_.merges) {
            for (const Ref8& m : group) {
                if (!m.contains(row, col)) continue;
                give(rowFirst, m.rowFirst);
                give(rowLast, m.rowLast);
                give(colFirst, m.colFirst);
                give(colLast, m.colLast);
                return true;
            }
        }
        throw xlerror("this cell isn't in merging block");
    });
}

bool SheetImplT::removeMerge(int row, int col) {
    return run(false, [&] {
        checkCell(row, col);
        std::size_t removed = 0;
        for (auto& group : data_.merges) removed += std::erase_if(group, [&](const Ref8& m) { return m.contains(row, col); });
        if (removed == 0) throw xlerror("this cell isn't in merging block");
        dropEmptyGroups(data_.merges);
        data_.boundsDirty = true;
        return true;
    });
}

bool SheetImplT::clearCells(int rowFirst, int rowLast, int colFirst, int colLast) {
    return run(false, [&] {
        checkOrder(rowFirst, rowLast, colFirst, colLast);
        rowFirst = std::max(rowFirst, 0);
        rowLast = std::min(rowLast, kMaxRow);
        colFirst = std::max(colFirst, 0);
        colLast = std::min(colLast, kMaxCol);
        for (int r = rowFirst; r <= rowLast; ++r) {
            if (!data_.cells.rowExists(r)) continue;
            for (int c = colFirst; c <= colLast; ++c) dropCell(r, c);
        }
        // A merged range that loses cells is unmerged, and its blank filler goes with it.
        for (auto& group : data_.merges) {
            std::erase_if(group, [&](const Ref8& m) {
                if (isFirstRowRange(m) || !overlaps(m, rowFirst, rowLast, colFirst, colLast)) return false;
                for (int r = m.rowFirst; r <= m.rowLast; ++r)
                    for (int c = m.colFirst; c <= m.colLast; ++c)
                        if (data_.cells.find<BlankCell>(r, c)) data_.cells.clear(r, c);
                return true;
            });
        }
        dropEmptyGroups(data_.merges);
        removeComments(rowFirst, rowLast, colFirst, colLast);
        data_.boundsDirty = true;
        return true;
    });
}

} // namespace karvo
