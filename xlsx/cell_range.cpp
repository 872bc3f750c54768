// cell_range.cpp - "A1:C4" range references.
#include "xlsx/cell_range.h"

#include <algorithm>

#include "core/cell_address.h"
#include "core/xlerror.h"

namespace karvo::xlsx {

std::optional<CellRange> parseCellRange(std::u16string_view text) {
    std::size_t colon = text.find(u':');
    try {
        CellAddress first = parseCellAddress(text.substr(0, colon));
        CellAddress last = colon == text.npos ? first : parseCellAddress(text.substr(colon + 1));
        return CellRange{std::min(first.row, last.row), std::max(first.row, last.row), std::min(first.col, last.col),
                         std::max(first.col, last.col)};
    } catch (const xlerror&) {
        return std::nullopt;
    }
}

std::u16string formatCellRange(const CellRange& range) {
    return formatCellAddress({range.firstRow, range.firstCol}) + u":" +
           formatCellAddress({range.lastRow, range.lastCol});
}

void giveCellRange(const CellRange& range, int* rowFirst, int* rowLast, int* colFirst, int* colLast) {
    if (rowFirst) *rowFirst = range.firstRow;
    if (rowLast) *rowLast = range.lastRow;
    if (colFirst) *colFirst = range.firstCol;
    if (colLast) *colLast = range.lastCol;
}

} // namespace karvo::xlsx
