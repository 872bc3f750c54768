// xml_sheet_rows.cpp - XMLSheetImplT: row heights, column widths, hidden rows and columns.
#include <algorithm>
#include <cmath>

#include "core/cell_address.h"
#include "xlsx/styles.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {

using sheet::c_CT_Col;

namespace {

constexpr double kDefaultRowHeight = 15.0;
// Row heights are points; consumers accept up to 409.5.
constexpr double kMaxRowHeight = 409.5;

void checkColumn(int col) {
    if (col < 0 || col > kMaxAddressCol) throw xlerror("col must be less than 16384");
}

void checkRow(int row) {
    if (row < 0 || row > kMaxAddressRow) throw xlerror("row must be in range 0-1048575");
}

} // namespace

// ---- rows ----

double XMLSheetImplT::rowHeight(int row) {
    message_.ok();
    const sheet::c_CT_Row* found = findRow(row);
    if (found && found->ht.has()) return found->ht.get();
    if (root_.sheetFormatPr) return root_.sheetFormatPr->defaultRowHeight;
    return kDefaultRowHeight;
}

bool XMLSheetImplT::setRow(int row, double height, IFormat* format, bool hidden) {
    return run<bool>(false, [&] {
        checkRow(row);
        if (!(height >= 0)) throw xlerror("height is out of range");
        if (height > kMaxRowHeight) throw xlerror("height is too big");
        std::uint32_t style = format ? book_.styles().indexOf(format) : 0;
        sheet::c_CT_Row& found = makeRow(row);
        found.ht.set(height);
        found.customHeight.set(true);
        if (format) {
            found.s.set(style);
            found.customFormat.set(true);
        }
        if (hidden) found.hidden.set(true);
        else found.hidden.reset();
        return true;
    });
}

bool XMLSheetImplT::rowIsHidden(int row) {
    message_.ok();
    const sheet::c_CT_Row* found = findRow(row);
    return found && found->hidden.get();
}

bool XMLSheetImplT::setRowHidden(int row, bool hidden) {
    return run<bool>(false, [&] {
        checkRow(row);
        sheet::c_CT_Row& found = makeRow(row);
        if (hidden) found.hidden.set(true);
        else found.hidden.reset();
        return true;
    });
}

// ---- columns ----

const c_CT_Col* XMLSheetImplT::findColumn(int col) const {
    auto number = static_cast<std::uint32_t>(col) + 1;
    for (const auto& cols : root_.cols)
        for (const auto& range : cols->col)
            if (range->min <= number && number <= range->max) return range.get();
    return nullptr;
}

double XMLSheetImplT::defaultColumnWidth() const {
    int digit = book_.maxDigitWidth();
    const sheet::c_CT_SheetFormatPr* format = root_.sheetFormatPr.get();
    if (format && format->defaultColWidth.has()) return format->defaultColWidth.get();
    // Without a stored default, consumers take the base width in digits plus the
    // padding, rounded up to a multiple of 8 pixels.
    double base = format ? std::min<std::uint32_t>(format->baseColWidth.get(), 255) : 8;
    double pixels = std::ceil((base * digit + 5) / 8) * 8;
    return std::floor(pixels / digit * 256) / 256;
}

double XMLSheetImplT::columnWidth(int col) {
    message_.ok();
    int digit = book_.maxDigitWidth();
    const c_CT_Col* range = col < 0 ? nullptr : findColumn(col);
    double stored = range && range->width.has() ? range->width.get() : defaultColumnWidth();
    // The stored width counts digits with the padding included; setColumns stores
    // whole 1/256 parts of it, so the pixels are taken as they are, not rounded,
    // and a width set to two decimals reads back the same.
    double pixels = std::clamp(stored, 0.0, 255.0) * digit;
    double characters = pixels > 12 ? (pixels - 5) / digit : pixels / (digit + 5);
    return std::floor(characters * 100 + 0.5) / 100;
}

// Splits the column ranges so that none crosses the edges of [colFirst, colLast],
// fills the gaps inside it with new ranges of the default width, and returns the
// ranges that cover it. All ranges end up in the first `cols` element, in order.
std::vector<c_CT_Col*> XMLSheetImplT::columnRanges(int colFirst, int colLast) {
    auto first = static_cast<std::uint32_t>(colFirst) + 1, last = static_cast<std::uint32_t>(colLast) + 1;
    std::vector<lmx::owned<c_CT_Col>> ranges;
    for (auto& cols : root_.cols)
        for (auto& range : cols->col) ranges.push_back(std::move(range));
    root_.cols.resize(1);
    if (!root_.cols[0]) root_.cols[0] = lmx::owned<sheet::c_CT_Cols>(std::make_unique<sheet::c_CT_Cols>());
    auto piece = [](const c_CT_Col& from, std::uint32_t min, std::uint32_t max) {
        auto made = std::make_unique<c_CT_Col>(from);
        made->min = min;
        made->max = max;
        return lmx::owned<c_CT_Col>(std::move(made));
    };
    std::vector<lmx::owned<c_CT_Col>> split;
    for (auto& range : ranges) {
        if (range->max < first || range->min > last) {
            split.push_back(std::move(range));
            continue;
        }
        if (range->min < first) split.push_back(piece(*range, range->min, first - 1));
        if (range->max > last) split.push_back(piece(*range, last + 1, range->max));
        split.push_back(piece(*range, std::max(range->min, first), std::min(range->max, last)));
    }
    std::sort(split.begin(), split.end(), [](const auto& a, const auto& b) { return a->min < b->min; });
    std::vector<lmx::owned<c_CT_Col>> filled;
    std::uint32_t next = first;
    c_CT_Col gap;
    gap.width.set(defaultColumnWidth());
    for (auto& range : split) {
        if (range->min >= first && range->min <= last && range->min > next)
            filled.push_back(piece(gap, next, range->min - 1));
        if (range->min >= first && range->min <= last) next = std::max(next, range->max + 1);
        filled.push_back(std::move(range));
    }
    if (next <= last) filled.push_back(piece(gap, next, last));
    std::sort(filled.begin(), filled.end(), [](const auto& a, const auto& b) { return a->min < b->min; });
    std::vector<c_CT_Col*> covering;
    for (auto& range : filled)
        if (range->min >= first && range->max <= last) covering.push_back(range.get());
    root_.cols[0]->col = std::move(filled);
    return covering;
}

bool XMLSheetImplT::setColumns(int colFirst, int colLast, double width, IFormat* format, bool hidden) {
    return run<bool>(false, [&] {
        checkColumn(colFirst);
        checkColumn(colLast);
        if (colLast < colFirst) throw xlerror("colLast must be greater than or equal to colFirst");
        std::uint32_t style = format ? book_.styles().indexOf(format) : 0;
        int digit = book_.maxDigitWidth();
        double characters = std::isfinite(width) ? std::clamp(width, 0.0, 255.0) : 0.0;
        double pixels = characters >= 1 ? characters * digit + 5 : characters * (digit + 5);
        double stored = std::floor(pixels / digit * 256) / 256;
        for (c_CT_Col* range : columnRanges(colFirst, colLast)) {
            range->width.set(stored);
            range->customWidth.set(true);
            if (format) range->style.set(style);
            if (hidden) range->hidden.set(true);
            else range->hidden.reset();
        }
        return true;
    });
}

bool XMLSheetImplT::columnIsHidden(int col) {
    message_.ok();
    const c_CT_Col* range = col < 0 ? nullptr : findColumn(col);
    return range && range->hidden.get();
}

bool XMLSheetImplT::setColumnHidden(int col, bool hidden) {
    return run<bool>(false, [&] {
        checkColumn(col);
        for (c_CT_Col* range : columnRanges(col, col)) {
            if (hidden) range->hidden.set(true);
            else range->hidden.reset();
        }
        return true;
    });
}

} // namespace karvo::xlsx
