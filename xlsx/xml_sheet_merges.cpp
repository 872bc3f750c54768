// xml_sheet_merges.cpp - XMLSheetImplT: merged ranges, the mergeCell elements of mergeCells.
#include "core/cell_address.h"
#include "xlsx/cell_range.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {
namespace {

using Merges = std::vector<lmx::owned<sheet::c_CT_MergeCell>>;

// A merged range is always written as two cells; a loaded ref of another shape is
// no range we could keep consistent, so it stops the operation.
CellRange mergeRange(const sheet::c_CT_MergeCell& merge) {
    std::optional<CellRange> range;
    if (merge.ref.find(u':') != std::u16string::npos) range = parseCellRange(merge.ref);
    if (!range) throw xlerror("mergeCell ref is invalid");
    return *range;
}

bool holds(const CellRange& range, int row, int col) {
    return range.firstRow <= row && row <= range.lastRow && range.firstCol <= col && col <= range.lastCol;
}

bool covers(const CellRange& outer, const CellRange& inner) {
    return holds(outer, inner.firstRow, inner.firstCol) && holds(outer, inner.lastRow, inner.lastCol);
}

bool meets(const CellRange& a, const CellRange& b) {
    return a.firstRow <= b.lastRow && b.firstRow <= a.lastRow && a.firstCol <= b.lastCol && b.firstCol <= a.lastCol;
}

// The first merged range, in document order, that holds the cell.
Merges::iterator mergeHolding(Merges& merges, int row, int col) {
    for (auto merge = merges.begin(); merge != merges.end(); ++merge)
        if (holds(mergeRange(**merge), row, col)) return merge;
    throw xlerror("this cell isn't in merging block");
}

// `mergeCells` must hold at least one range, and its count says how many.
void recount(lmx::owned<sheet::c_CT_MergeCells>& mergeCells) {
    if (mergeCells->mergeCell.empty()) mergeCells.reset();
    else mergeCells->count.set(static_cast<std::uint32_t>(mergeCells->mergeCell.size()));
}

} // namespace

bool XMLSheetImplT::mergeAt(int row, int col, int* rowFirst, int* rowLast, int* colFirst, int* colLast) {
    return run<bool>(false, [&] {
        Merges none;
        CellRange range = mergeRange(**mergeHolding(root_.mergeCells ? root_.mergeCells->mergeCell : none, row, col));
        giveCellRange(range, rowFirst, rowLast, colFirst, colLast);
        return true;
    });
}

bool XMLSheetImplT::addMerge(int rowFirst, int rowLast, int colFirst, int colLast) {
    return run<bool>(false, [&] {
        for (int col : {colFirst, colLast})
            if (col < 0 || col > kMaxAddressCol) throw xlerror("col must be less than 16384");
        for (int row : {rowFirst, rowLast})
            if (row < 0 || row > kMaxAddressRow) throw xlerror("row must be in range 0-1048575");
        if (rowLast < rowFirst) throw xlerror("rowLast must be greater than or equal to rowFirst");
        if (colLast < colFirst) throw xlerror("colLast must be greater than or equal to colFirst");
        CellRange added{rowFirst, rowLast, colFirst, colLast};
        // Every range is read and checked before anything changes, so a failure
        // leaves the list as it was.
        std::vector<CellRange> ranges;
        if (root_.mergeCells)
            for (const auto& merge : root_.mergeCells->mergeCell) ranges.push_back(mergeRange(*merge));
        for (const CellRange& range : ranges)
            if (!covers(added, range) && meets(added, range)) throw xlerror("detect overlap");
        auto& merges = root_.mergeCells.make().mergeCell;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < ranges.size(); ++i)
            if (!covers(added, ranges[i])) merges[kept++] = std::move(merges[i]);
        merges.resize(kept);
        auto merge = std::make_unique<sheet::c_CT_MergeCell>();
        merge->ref = formatCellRange(added);
        merges.emplace_back(std::move(merge));
        recount(root_.mergeCells);
        widen(rowFirst, colFirst);
        widen(rowLast, colLast);
        return true;
    });
}

bool XMLSheetImplT::removeMerge(int row, int col) {
    return run<bool>(false, [&] {
        Merges none;
        Merges& merges = root_.mergeCells ? root_.mergeCells->mergeCell : none;
        merges.erase(mergeHolding(merges, row, col));
        recount(root_.mergeCells);
        used_.stale = true;
        return true;
    });
}

} // namespace karvo::xlsx
