// cell_range.h - "A1:C4" range references of worksheet elements (merged cells).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace karvo::xlsx {

struct CellRange {
    int firstRow = 0, lastRow = 0, firstCol = 0, lastCol = 0;
};

/// "A1:C4" or a single "B2"; nothing for a text that is not a range of the grid.
std::optional<CellRange> parseCellRange(std::u16string_view text);

/// Always in the two-cell form, relative.
std::u16string formatCellRange(const CellRange& range);

/// Hands the bounds to the outputs that are not null, as the sheets' range queries do.
void giveCellRange(const CellRange& range, int* rowFirst, int* rowLast, int* colFirst, int* colLast);

} // namespace karvo::xlsx
