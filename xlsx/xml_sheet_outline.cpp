// xml_sheet_outline.cpp - XMLSheetImplT: outline groups of rows and columns.
#include "core/cell_address.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {
namespace {

// The row height a new sheetFormatPr states: the height rows have without one.
constexpr double kDefaultRowHeight = 15.0;

// Consumers size the outline gutter by the sheet's deepest level, which groups made
// here raise to at least 1.
void raiseOutline(sheet::c_CT_Worksheet& root, lmx::opt<std::uint8_t> sheet::c_CT_SheetFormatPr::*level) {
    if (!root.sheetFormatPr) root.sheetFormatPr.make().defaultRowHeight = kDefaultRowHeight;
    auto& stored = root.sheetFormatPr.get()->*level;
    if (stored.get() < 1) stored.set(1);
}

} // namespace

bool XMLSheetImplT::groupRows(int rowFirst, int rowLast, bool collapsed) {
    return run<bool>(false, [&] {
        if (rowFirst > rowLast) throw xlerror("must be rowFirst <= rowLast");
        if (rowFirst < 0 || rowLast > kMaxAddressRow) throw xlerror("row must be in range 0-1048575");
        // Checked first, so that an overlap changes nothing.
        for (const auto& row : root_.sheetData.make().row) {
            std::uint32_t r = row->r.get();
            if (r >= static_cast<std::uint32_t>(rowFirst) + 1 && r <= static_cast<std::uint32_t>(rowLast) + 1 &&
                row->outlineLevel.get() > 0)
                throw xlerror("detect overlap");
        }
        for (int row = rowFirst; row <= rowLast; ++row) {
            sheet::c_CT_Row& made = makeRow(row);
            made.outlineLevel.set(1);
            if (collapsed) made.hidden.set(true);
        }
        if (collapsed && rowLast < kMaxAddressRow) makeRow(rowLast + 1).collapsed.set(true);
        raiseOutline(root_, &sheet::c_CT_SheetFormatPr::outlineLevelRow);
        return true;
    });
}

bool XMLSheetImplT::groupColumns(int colFirst, int colLast, bool collapsed) {
    return run<bool>(false, [&] {
        if (colFirst > colLast) throw xlerror("must be colFirst <= colLast");
        if (colFirst < 0 || colLast > kMaxAddressCol) throw xlerror("col must be in range 0-16383");
        auto first = static_cast<std::uint32_t>(colFirst) + 1, last = static_cast<std::uint32_t>(colLast) + 1;
        for (const auto& cols : root_.cols)
            for (const auto& range : cols->col)
                if (range->min <= last && range->max >= first && range->outlineLevel.get() > 0)
                    throw xlerror("detect overlap");
        for (sheet::c_CT_Col* range : columnRanges(colFirst, colLast)) {
            range->outlineLevel.set(1);
            if (collapsed) range->hidden.set(true);
        }
        if (collapsed && colLast < kMaxAddressCol)
            for (sheet::c_CT_Col* range : columnRanges(colLast + 1, colLast + 1)) range->collapsed.set(true);
        raiseOutline(root_, &sheet::c_CT_SheetFormatPr::outlineLevelCol);
        return true;
    });
}

} // namespace karvo::xlsx
