// sheet_layout.cpp - rows and columns: heights, widths, hiding, outline groups, page breaks.
#include <algorithm>
#include <cmath>

#include "core/xlerror.h"
#include "xls/sheet_impl.h"

namespace karvo {
namespace {

// The tallest row, in twentieths of a point (409.6 points).
constexpr double kMaxRowTwips = 8192;
// A column without an entry, in characters of the default font.
constexpr double kDefaultColumnWidth = 8.43;
// setColumns turns characters into pixels at the standard font's digit width (7
// pixels, plus 5 pixels of margin); widths under one character use 12 pixels each.
constexpr double kStandardDigitPixels = 7;
constexpr double kNarrowColumnPixels = 12;
constexpr double kColumnMarginPixels = 5;
// Stored column widths are in 1/256 of a character.
constexpr double kWidthUnits = 256;
constexpr double kMaxStoredWidth = 0xFFFF;
// Row flags of a row that setRow touched: 0x0100 always set, 0x0040 "height changed".
constexpr std::uint16_t kSetRowFlags = 0x0140;
constexpr int kMaxOutlineLevel = 7;
// What groupColumns adds to DefColWidth for a column it makes an entry for.
constexpr double kColumnPadding = 1.140625;
constexpr std::uint16_t kGroupedColumnOptions = 0x0100;
// WsBool bits.
constexpr std::uint16_t kSummaryBelow = 0x0040;
constexpr std::uint16_t kSummaryRight = 0x0080;

template <class T>
void setBit(T& word, T bit, bool on) {
    word = static_cast<T>(on ? word | bit : word & ~bit);
}

/// Positions of the row entries by row, for operations that walk many rows.
class RowIndex {
public:
    explicit RowIndex(std::vector<RowEntry>& rows) : rows_(rows), at_(kRowCount, -1) {
        for (std::size_t i = rows.size(); i-- > 0;) at_[rows[i].row] = static_cast<int>(i);
    }
    RowEntry* find(int row) { return at_[row] < 0 ? nullptr : &rows_[static_cast<std::size_t>(at_[row])]; }
    RowEntry& ensure(int row) {
        if (RowEntry* e = find(row)) return *e;
        RowEntry fresh;
        fresh.row = static_cast<std::uint16_t>(row);
        at_[row] = static_cast<int>(rows_.size());
        rows_.push_back(fresh);
        return rows_.back();
    }

private:
    std::vector<RowEntry>& rows_;
    std::vector<int> at_;
};

int outlineLevel(const RowEntry* e) { return e ? e->flags & rowflag::kOutlineLevel : 0; }

template <class Rows>
auto findRow(Rows& rows, int row) -> decltype(&rows[0]) {
    auto it = std::find_if(rows.begin(), rows.end(), [&](const RowEntry& e) { return e.row == row; });
    return it == rows.end() ? nullptr : &*it;
}

// What setRow makes of a row entry; xf -1 for no format.
void fillRow(RowEntry& e, int row, int twips, int xf, bool hidden) {
    e = RowEntry{static_cast<std::uint16_t>(row), 0, 0, static_cast<std::uint16_t>(twips), 0, 0, kSetRowFlags,
                 static_cast<std::uint16_t>(xf < 0 ? 0 : xf)};
    setBit(e.flags, rowflag::kHidden, hidden);
    setBit(e.flags, rowflag::kFormatted, xf >= 0);
}

RowEntry& ensureRow(std::vector<RowEntry>& rows, int row) {
    if (RowEntry* e = findRow(rows, row)) return *e;
    RowEntry fresh;
    fresh.row = static_cast<std::uint16_t>(row);
    rows.push_back(fresh);
    return rows.back();
}

} // namespace

// ---- rows ----

const RowEntry* SheetImplT::rowEntry(int row) const { return findRow(data_.rows, row); }

int SheetImplT::rowTwips(int row) const {
    const RowEntry* e = rowEntry(row);
    return e ? e->miyRw : data_.settings.defaultRowHeight[1];
}

int SheetImplT::rowPixels(int row) const { return rowTwips(row) / 15; }

void SheetImplT::applyRow(int row, int twips, int xf, bool hidden) { fillRow(ensureRow(data_.rows, row), row, twips, xf, hidden); }

double SheetImplT::rowHeight(int row) {
    return run(0.0, [&] {
        checkRow(row);
        return rowTwips(row) / 20.0;
    });
}

bool SheetImplT::setRow(int row, double height, IFormat* format, bool hidden) {
    return run(false, [&] {
        checkRow(row);
        double twips = std::trunc(height * 20);
        if (!(twips >= 0 && twips <= kMaxRowTwips)) throw xlerror("height is too big");
        applyRow(row, static_cast<int>(twips), format ? xfOf(format) : -1, hidden);
        return true;
    });
}

bool SheetImplT::rowIsHidden(int row) {
    return run(false, [&] {
        checkRow(row);
        const RowEntry* e = rowEntry(row);
        return e && (e->flags & rowflag::kHidden);
    });
}

bool SheetImplT::setRowHidden(int row, bool hidden) {
    return run(false, [&] {
        checkRow(row);
        if (RowEntry* e = findRow(data_.rows, row))
            setBit(e->flags, rowflag::kHidden, hidden);
        else if (hidden)
            ensureRow(data_.rows, row).flags |= rowflag::kHidden;
        return true;
    });
}

// Heights and hidden flags follow their rows up when rows are removed: each row takes
// on the height of the row n below it where the two differ.
void SheetImplT::moveRowHeightsUp(int first, int n) {
    RowIndex index(data_.rows);
    auto twips = [&](int row) {
        RowEntry* e = index.find(row);
        return e ? e->miyRw : data_.settings.defaultRowHeight[1];
    };
    auto hidden = [&](int row) {
        RowEntry* e = index.find(row);
        return e && (e->flags & rowflag::kHidden);
    };
    for (int r = first; r < kRowCount - n; ++r) {
        if (twips(r) == twips(r + n) && hidden(r) == hidden(r + n)) continue;
        int height = twips(r + n);
        bool hide = hidden(r + n);
        fillRow(index.ensure(r), r, height, -1, hide);
    }
}

bool SheetImplT::groupRows(int rowFirst, int rowLast, bool collapsed) {
    return run(false, [&] {
        if (rowFirst > rowLast) throw xlerror("must be rowFirst <= rowLast");
        checkRow(rowFirst);
        checkRow(rowLast);
        RowIndex index(data_.rows);
        int level = outlineLevel(index.find(rowFirst));
        for (int r = rowFirst; r <= rowLast; ++r)
            if (outlineLevel(index.find(r)) != level) throw xlerror("detect overlap");
        int next = std::min(level + 1, kMaxOutlineLevel);
        for (int r = rowFirst; r <= rowLast; ++r) {
            RowEntry& e = index.ensure(r);
            e.flags = static_cast<std::uint16_t>((e.flags & ~rowflag::kOutlineLevel) | next);
            setBit(e.flags, rowflag::kHidden, collapsed);
        }
        if (rowLast < kMaxRow)
            if (RowEntry* below = index.find(rowLast + 1)) setBit(below->flags, rowflag::kCollapsed, collapsed);
        data_.settings.guts[2] = static_cast<std::uint16_t>(next + 1);
        return true;
    });
}

// ---- columns ----

const ColEntry* SheetImplT::colEntry(int col) const {
    auto it = std::find_if(data_.columns.begin(), data_.columns.end(),
                           [&](const ColEntry& e) { return e.first <= col && col <= e.last; });
    return it == data_.columns.end() ? nullptr : &*it;
}

// Characters from the stored width, through whole pixels at the book's digit width.
double SheetImplT::widthOf(const ColEntry* entry) const {
    if (!entry) return kDefaultColumnWidth;
    double d = host_.maxDigitWidth();
    if (d <= 0) d = kStandardDigitPixels;
    double pixels = std::trunc(entry->width * d / kWidthUnits + 0.5);
    if (pixels > kNarrowColumnPixels) return std::trunc((pixels - kColumnMarginPixels) / d * 100 + 0.5) / 100;
    return std::trunc(pixels / (d + kColumnMarginPixels) * 100 + 0.5) / 100;
}

int SheetImplT::columnPixels(int col) const {
    const ColEntry* e = colEntry(col);
    if (!e) return data_.settings.defColWidth * 8;
    int d = std::max(1, host_.maxDigitWidth());
    return e->width / std::max(1, static_cast<int>(kWidthUnits) / d);
}

void SheetImplT::applyColumns(int colFirst, int colLast, double width, int xf, bool hidden) {
    double pixels = width < 1 ? std::trunc(width * kNarrowColumnPixels + 0.5)
                              : std::trunc(width * kStandardDigitPixels + 0.5) + kColumnMarginPixels;
    double units = std::clamp(std::trunc(pixels * kWidthUnits / kStandardDigitPixels + 0.5), 0.0, kMaxStoredWidth);
    auto stored = static_cast<std::uint16_t>(std::isnan(units) ? 0 : units);
    for (int c = colFirst; c <= colLast; ++c) {
        bool had = false;
        for (ColEntry& e : data_.columns) {
            if (e.first != c) continue;
            had = true;
            e.width = stored;
            if (xf >= 0) e.xf = static_cast<std::uint16_t>(xf);
            setBit(e.options, colflag::kHidden, hidden);
        }
        if (!had && !colEntry(c)) {
            auto col = static_cast<std::uint16_t>(c);
            data_.columns.push_back(ColEntry{col, col, stored, static_cast<std::uint16_t>(xf < 0 ? 0 : xf),
                                             static_cast<std::uint16_t>(hidden ? colflag::kHidden : 0), 0});
        }
    }
}

double SheetImplT::columnWidth(int col) {
    return run(0.0, [&] {
        checkCol(col);
        const ColEntry* e = colEntry(col);
        return e && (e->options & colflag::kHidden) ? 0.0 : widthOf(e);
    });
}

bool SheetImplT::setColumns(int colFirst, int colLast, double width, IFormat* format, bool hidden) {
    return run(false, [&] {
        checkCol(colFirst);
        checkCol(colLast);
        if (colLast < colFirst) throw xlerror("colLast must be greater than or equal to colFirst");
        applyColumns(colFirst, colLast, width, format ? xfOf(format) : -1, hidden);
        return true;
    });
}

bool SheetImplT::columnIsHidden(int col) {
    return run(false, [&] {
        checkCol(col);
        const ColEntry* e = colEntry(col);
        return e && (e->options & colflag::kHidden);
    });
}

bool SheetImplT::setColumnHidden(int col, bool hidden) {
    return run(false, [&] {
        checkCol(col);
        applyColumns(col, col, widthOf(colEntry(col)), -1, hidden);
        return true;
    });
}

// Widths and hidden flags follow their columns left when columns are removed.
void SheetImplT::moveColumnWidthsLeft(int first, int n) {
    auto hidden = [&](int c) {
        const ColEntry* e = colEntry(c);
        return e && (e->options & colflag::kHidden);
    };
    for (int c = first; c < kColCount - n; ++c) {
        double width = widthOf(colEntry(c + n));
        if (width != widthOf(colEntry(c)) || hidden(c + n) != hidden(c)) applyColumns(c, c, width, -1, hidden(c + n));
    }
}

bool SheetImplT::groupColumns(int colFirst, int colLast, bool collapsed) {
    return run(false, [&] {
        if (colFirst > colLast) throw xlerror("must be colFirst <= colLast");
        checkCol(colFirst);
        checkCol(colLast);
        int lastLevel = 0;
        for (int c = colFirst; c <= colLast; ++c) {
            bool had = false;
            for (ColEntry& e : data_.columns) {
                if (e.first != c) continue;
                had = true;
                int level = std::min(((e.options & colflag::kOutlineLevel) >> colflag::kOutlineShift) + 1, kMaxOutlineLevel);
                e.options = static_cast<std::uint16_t>((e.options & ~colflag::kOutlineLevel) | level << colflag::kOutlineShift);
                setBit(e.options, colflag::kHidden, collapsed);
                lastLevel = level;
            }
            if (had) continue;
            auto col = static_cast<std::uint16_t>(c);
            auto width = static_cast<std::uint16_t>((data_.settings.defColWidth + kColumnPadding) * kWidthUnits);
            data_.columns.push_back(ColEntry{col, col, width, 0,
                                             static_cast<std::uint16_t>(kGroupedColumnOptions | (collapsed ? colflag::kHidden : 0)), 0});
            lastLevel = 1;
        }
        data_.settings.guts[3] = static_cast<std::uint16_t>(lastLevel + 1);
        return true;
    });
}

bool SheetImplT::summaryRowsBelow() {
    return run(false, [&] { return (data_.settings.wsBool & kSummaryBelow) != 0; });
}

void SheetImplT::setSummaryRowsBelow(bool below) {
    run([&] { setBit(data_.settings.wsBool, kSummaryBelow, below); });
}

bool SheetImplT::summaryColumnsRight() {
    return run(false, [&] { return (data_.settings.wsBool & kSummaryRight) != 0; });
}

void SheetImplT::setSummaryColumnsRight(bool right) {
    run([&] { setBit(data_.settings.wsBool, kSummaryRight, right); });
}

// ---- page breaks ----

namespace {

int breakAt(const std::vector<PageBreak>& list, int index) {
    if (index < 0 || index >= static_cast<int>(list.size())) throw xlerror("index is out of range");
    return list[static_cast<std::size_t>(index)].at;
}

void toggleBreak(std::vector<PageBreak>& list, int at, bool add, int lastAcross) {
    auto it = std::find_if(list.begin(), list.end(), [&](const PageBreak& b) { return b.at == at; });
    if (!add) {
        if (it == list.end()) throw xlerror("pagebreak not found");
        list.erase(it);
        return;
    }
    if (it != list.end()) throw xlerror("pagebreak already exists");
    if (list.size() >= kMaxPageBreaks) throw xlerror("number of pagebreaks is exceed limit");
    list.push_back(PageBreak{static_cast<std::uint16_t>(at), 0, static_cast<std::uint16_t>(lastAcross)});
}

} // namespace

int SheetImplT::rowBreakAt(int index) {
    return run(0, [&] { return breakAt(data_.horizontalBreaks, index); });
}

int SheetImplT::rowBreakCount() {
    return run(0, [&] { return static_cast<int>(data_.horizontalBreaks.size()); });
}

int SheetImplT::columnBreakAt(int index) {
    return run(0, [&] { return breakAt(data_.verticalBreaks, index); });
}

int SheetImplT::columnBreakCount() {
    return run(0, [&] { return static_cast<int>(data_.verticalBreaks.size()); });
}

bool SheetImplT::setRowBreak(int row, bool pageBreak) {
    return run(false, [&] {
        checkRow(row);
        toggleBreak(data_.horizontalBreaks, row, pageBreak, kMaxCol);
        return true;
    });
}

bool SheetImplT::setColumnBreak(int col, bool pageBreak) {
    return run(false, [&] {
        checkCol(col);
        toggleBreak(data_.verticalBreaks, col, pageBreak, kMaxRow);
        return true;
    });
}

} // namespace karvo
