// xml_sheet_cells.cpp - XMLSheetImplT: finding rows and cells, reading and writing values.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "core/cell_address.h"
#include "core/dates.h"
#include "xlsx/cell_range.h"
#include "xlsx/shared_strings.h"
#include "xlsx/styles.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_format_impl.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {

using sheet::c_CT_Cell;
using sheet::c_CT_Row;
using Type = lmx::compact_cell::type_code;

namespace {

struct ErrorText {
    const char16_t* text;
    ErrorType code;
};
constexpr ErrorText kErrors[] = {{u"#NULL!", ErrorNull},   {u"#DIV/0!", ErrorDiv0}, {u"#VALUE!", ErrorValue},
                                 {u"#REF!", ErrorRef},     {u"#NAME?", ErrorName},  {u"#NUM!", ErrorNum},
                                 {u"#N/A", ErrorNA}};

// The value text as UTF-8, in a buffer reused across calls: numbers are read often.
std::string_view valueText(const c_CT_Cell& cell) {
    thread_local std::string text;
    text.clear();
    cell.append_value(text);
    return text;
}

// Producers that compute nothing write a formula cell with an empty value element,
// <f>SUM(A1:A2)</f><v></v>: an empty number text is no value at all, where an
// empty "str" value is the empty string a formula gave.
bool holdsValue(const c_CT_Cell& cell) {
    if (!cell.has_value()) return false;
    Type type = cell.type();
    return (type != Type::t_none && type != Type::t_n && type != Type::t_d) || !cell.value_empty();
}

// A string index written as a number text longer than a cell packs ("00000000000000012").
std::optional<std::uint64_t> stringIndex(std::string_view digits) {
    std::uint64_t index = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return index;
}

double parseNumber(std::string_view text) {
    double value = 0;
    const char* begin = text.data();
    if (!text.empty() && text.front() == '+') ++begin;
    std::from_chars(begin, text.data() + text.size(), value);
    return value;
}

std::u16string inlineText(const sheet::c_CT_Rst& text) {
    if (text.t.has()) return text.t.get();
    std::u16string joined;
    for (const auto& run : text.r) joined += run->t;
    return joined;
}

void checkCellAddress(int row, int col) {
    if (col < 0 || col > kMaxAddressCol) throw xlerror("col must be in range 0-16383");
    if (row < 0 || row > kMaxAddressRow) throw xlerror("row must be in range 0-1048575");
}

} // namespace

// ---- rows and cells ----

std::size_t XMLSheetImplT::rowPosition(std::uint32_t r) const {
    const auto& rows = root_.sheetData->row;
    // Rows are mostly written in order: the end is the common answer.
    if (rows.empty() || rows.back()->r.get() < r) return rows.size();
    // Every cell read or written looks its row up, and the search below costs a dozen
    // scattered reads in a large sheet. Two places are tried first: r - 1, where row r
    // is when the sheet has every row from the first, and the last row, which the cells
    // of a row written in order go to. A place holding r after a row below r is the
    // one the search finds.
    auto firstWith = [&](std::size_t i) {
        return i < rows.size() && rows[i]->r.get() == r && (i == 0 || rows[i - 1]->r.get() < r);
    };
    if (r > 0 && firstWith(r - 1)) return r - 1;
    if (firstWith(rows.size() - 1)) return rows.size() - 1;
    auto found = std::lower_bound(rows.begin(), rows.end(), r,
                                  [](const auto& row, std::uint32_t number) { return row->r.get() < number; });
    return static_cast<std::size_t>(found - rows.begin());
}

c_CT_Row* XMLSheetImplT::findRow(int row) const {
    if (row < 0 || !root_.sheetData) return nullptr;
    auto r = static_cast<std::uint32_t>(row) + 1;
    std::size_t position = rowPosition(r);
    const auto& rows = root_.sheetData->row;
    return position < rows.size() && rows[position]->r.get() == r ? rows[position].get() : nullptr;
}

c_CT_Row& XMLSheetImplT::makeRow(int row) {
    auto r = static_cast<std::uint32_t>(row) + 1;
    auto& rows = root_.sheetData.make().row;
    std::size_t position = rowPosition(r);
    if (position < rows.size() && rows[position]->r.get() == r) return *rows[position];
    auto made = std::make_unique<c_CT_Row>();
    made->r.set(r);
    // A row filled cell by cell is usually as wide as the one above it: room for as
    // many cells spares regrowing it, up to a bound that keeps sparse rows small.
    constexpr std::size_t kMaxCellsReserved = 64;
    if (position > 0) made->c.reserve(std::min(rows[position - 1]->c.size(), kMaxCellsReserved));
    return **rows.emplace(rows.begin() + static_cast<std::ptrdiff_t>(position), std::move(made));
}

namespace {

std::size_t cellPosition(const lmx::cell_vector& cells, int col) {
    if (cells.empty() || cells.back().column() < col) return cells.size();
    // As for rows: in a row with every cell from column A, column col is at col.
    auto u = static_cast<std::size_t>(col);
    if (col >= 0 && u < cells.size() && cells[u].column() == col && (u == 0 || cells[u - 1].column() < col))
        return u;
    auto found = std::lower_bound(cells.begin(), cells.end(), col,
                                  [](const c_CT_Cell& cell, int column) { return cell.column() < column; });
    return static_cast<std::size_t>(found - cells.begin());
}

} // namespace

c_CT_Cell* XMLSheetImplT::findCell(int row, int col) const {
    c_CT_Row* found = findRow(row);
    if (!found || col < 0) return nullptr;
    std::size_t position = cellPosition(found->c, col);
    return position < found->c.size() && found->c[position].column() == col ? &found->c[position] : nullptr;
}

c_CT_Cell& XMLSheetImplT::requireCell(int row, int col) const {
    c_CT_Cell* cell = findCell(row, col);
    if (!cell) throw xlerror("cell is not found");
    return *cell;
}

c_CT_Cell& XMLSheetImplT::prepareCell(int row, int col, IFormat* format, bool clear) {
    checkCellAddress(row, col);
    // Everything that can fail comes before the first change.
    std::uint32_t style = format ? book_.styles().indexOf(format) : 0;
    c_CT_Row& found = makeRow(row);
    std::size_t position = cellPosition(found.c, col);
    c_CT_Cell* cell;
    if (position < found.c.size() && found.c[position].column() == col) {
        cell = &found.c[position];
        const sheet::c_CT_CellFormula* formula = sheet::cell_f(*cell);
        if (formula && formula->t.get() == u"shared" && !formula->value.empty()) expandSharedGroup(row, *cell);
        if (clear) cell->clear_content();
    } else {
        lmx::compact_cell made;
        made.set_column(static_cast<std::uint16_t>(col));
        cell = &found.c.insert(position, std::move(made));
    }
    if (format) cell->set_style(style);
    widen(row, col);
    return *cell;
}

// ---- the used range ----

void XMLSheetImplT::widen(int row, int col) {
    if (used_.stale) return;
    if (used_.lastRow == 0) {
        used_ = {row, row + 1, col, col + 1, false};
        return;
    }
    used_.firstRow = std::min(used_.firstRow, row);
    used_.lastRow = std::max(used_.lastRow, row + 1);
    used_.firstCol = std::min(used_.firstCol, col);
    used_.lastCol = std::max(used_.lastCol, col + 1);
}

void XMLSheetImplT::recomputeUsedRange() {
    used_ = {0, 0, 0, 0, false};
    if (root_.sheetData)
        for (const auto& row : root_.sheetData->row) {
            std::uint32_t r = row->r.get();
            if (row->c.empty() || r == 0 || r > kMaxAddressRow + 1) continue;
            widen(static_cast<int>(r - 1), row->c[0].column());
            widen(static_cast<int>(r - 1), row->c.back().column());
        }
    if (root_.mergeCells)
        for (const auto& merge : root_.mergeCells->mergeCell)
            if (std::optional<CellRange> range = parseCellRange(merge->ref)) {
                widen(range->firstRow, range->firstCol);
                widen(range->lastRow, range->lastCol);
            }
}

int XMLSheetImplT::firstRow() {
    message_.ok();
    if (used_.stale) recomputeUsedRange();
    return used_.firstRow;
}

int XMLSheetImplT::lastRow() {
    message_.ok();
    if (used_.stale) recomputeUsedRange();
    return used_.lastRow;
}

int XMLSheetImplT::firstColumn() {
    message_.ok();
    if (used_.stale) recomputeUsedRange();
    return used_.firstCol;
}

int XMLSheetImplT::lastColumn() {
    message_.ok();
    if (used_.stale) recomputeUsedRange();
    return used_.lastCol;
}

// ---- formats ----

IFormat* XMLSheetImplT::formatOf(const c_CT_Cell& cell) const {
    Styles* styles = book_.stylesIfAny();
    return styles ? styles->formatAt(cell.style()) : nullptr;
}

void XMLSheetImplT::handOutFormat(const c_CT_Cell& cell, IFormat** format) const {
    if (format) *format = formatOf(cell);
}

IFormat* XMLSheetImplT::cellFormat(int row, int col) {
    return run<IFormat*>(nullptr, [&] {
        c_CT_Cell* cell = findCell(row, col);
        if (!cell) throw xlerror("empty cell");
        IFormat* format = formatOf(*cell);
        if (!format) throw xlerror("unknown format");
        return format;
    });
}

void XMLSheetImplT::setCellFormat(int row, int col, IFormat* format) {
    run([&] {
        if (format) prepareCell(row, col, format, false);
        else if (c_CT_Cell* cell = findCell(row, col)) cell->reset_style();
    });
}

bool XMLSheetImplT::cellIsDate(int row, int col) {
    return run<bool>(false, [&] {
        c_CT_Cell* cell = findCell(row, col);
        if (!cell || cellType(row, col) != CellNumber) return false;
        if (cell->type() == Type::t_d) return true;
        Styles* styles = book_.stylesIfAny();
        if (!styles) return false;
        auto id = static_cast<int>(std::min<std::uint32_t>(styles->numFormatId(cell->style()), INT32_MAX));
        return numFormatIsDate(id, [&](int custom) -> const char16_t* {
            const std::u16string* text = styles->numFormatText(static_cast<std::uint32_t>(custom));
            return text ? text->c_str() : nullptr;
        });
    });
}

// ---- values ----

CellType XMLSheetImplT::cellType(int row, int col) {
    message_.ok();
    c_CT_Cell* cell = findCell(row, col);
    if (!cell) return CellEmpty;
    if (!holdsValue(*cell) && !sheet::cell_is(*cell)) return CellBlank;
    switch (cell->type()) {
    case Type::t_s:
    case Type::t_str:
    case Type::t_inlineStr: return CellString;
    case Type::t_b: return CellBoolean;
    case Type::t_e: return CellError;
    default: return CellNumber;
    }
}

bool XMLSheetImplT::cellIsFormula(int row, int col) {
    message_.ok();
    c_CT_Cell* cell = findCell(row, col);
    return cell && sheet::cell_f(*cell);
}

const char16_t* XMLSheetImplT::readString(int row, int col, IFormat** format) {
    return run<const char16_t*>(nullptr, [&] {
        const c_CT_Cell& cell = requireCell(row, col);
        const char16_t* result = nullptr;
        switch (cell.type()) {
        case Type::t_s: {
            SharedStrings* strings = book_.sharedStringsIfAny();
            if (!strings) throw xlerror("sharedStrings not found");
            std::optional<std::uint64_t> index = cell.held_digits();
            if (!index) index = stringIndex(valueText(cell));
            if (!index || *index > std::numeric_limits<std::uint32_t>::max())
                throw xlerror("index is out of range or no value");
            result = strings->text(static_cast<std::uint32_t>(*index), text_);
            break;
        }
        case Type::t_str: text_ = cell.value(); break;
        case Type::t_inlineStr: {
            const sheet::c_CT_Rst* inlineString = sheet::cell_is(cell);
            text_ = inlineString ? inlineText(*inlineString) : cell.value();
            break;
        }
        default: throw xlerror("this cell doesn't contain a string");
        }
        handOutFormat(cell, format);
        return result ? result : text_.c_str();
    });
}

bool XMLSheetImplT::writeString(int row, int col, const char16_t* value, IFormat* format) {
    return run<bool>(false, [&] {
        checkCellAddress(row, col);
        std::uint32_t index = book_.sharedStrings().add(value ? value : u"");
        c_CT_Cell& cell = prepareCell(row, col, format, true);
        char digits[16];
        auto end = std::to_chars(digits, digits + sizeof digits, index).ptr;
        cell.set_type(Type::t_s);
        cell.set_value_utf8({digits, static_cast<std::size_t>(end - digits)});
        return true;
    });
}

double XMLSheetImplT::readNumber(int row, int col, IFormat** format) {
    return run<double>(0.0, [&] {
        const c_CT_Cell& cell = requireCell(row, col);
        Type type = cell.type();
        if ((type != Type::t_none && type != Type::t_n && type != Type::t_d) || !holdsValue(cell))
            throw xlerror("this cell doesn't contain a number");
        std::optional<double> held = cell.held_number();
        double value = held ? *held : parseNumber(valueText(cell));
        if (type == Type::t_d) {
            std::optional<double> serial = isoDateSerial(book_.dateSystem(), valueText(cell));
            if (!serial) throw xlerror("this cell doesn't contain a number");
            value = *serial;
        }
        handOutFormat(cell, format);
        return value;
    });
}

bool XMLSheetImplT::writeNumber(int row, int col, double value, IFormat* format) {
    return run<bool>(false, [&] {
        // A worksheet has no text for infinities and NaN that consumers read back.
        if (!std::isfinite(value)) throw xlerror("number is not finite");
        prepareCell(row, col, format, true).set_number(value);
        return true;
    });
}

bool XMLSheetImplT::readBool(int row, int col, IFormat** format) {
    return run<bool>(false, [&] {
        const c_CT_Cell& cell = requireCell(row, col);
        if (cell.type() != Type::t_b) throw xlerror("this cell doesn't contain a bool");
        handOutFormat(cell, format);
        std::string_view text = valueText(cell);
        return text == "true" || parseNumber(text) != 0;
    });
}

bool XMLSheetImplT::writeBool(int row, int col, bool value, IFormat* format) {
    return run<bool>(false, [&] {
        c_CT_Cell& cell = prepareCell(row, col, format, true);
        cell.set_type(Type::t_b);
        cell.set_value_utf8(value ? "1" : "0");
        return true;
    });
}

bool XMLSheetImplT::readBlank(int row, int col, IFormat** format) {
    return run<bool>(false, [&] {
        const c_CT_Cell& cell = requireCell(row, col);
        if (holdsValue(cell)) throw xlerror("cell is not blank");
        handOutFormat(cell, format);
        return true;
    });
}

bool XMLSheetImplT::writeBlank(int row, int col, IFormat* format) {
    return run<bool>(false, [&] {
        if (!format) throw xlerror("format is null");
        prepareCell(row, col, format, true);
        return true;
    });
}

ErrorType XMLSheetImplT::readError(int row, int col) {
    return run<ErrorType>(ErrorUnknown, [&] {
        const c_CT_Cell& cell = requireCell(row, col);
        if (cell.type() != Type::t_e) throw xlerror("this cell doesn't contain an error");
        std::u16string text = cell.value();
        for (const ErrorText& error : kErrors)
            if (text == error.text) return error.code;
        throw xlerror("unknown error value");
    });
}

const char16_t* XMLSheetImplT::readComment(int, int) {
    message_.set("not supported");
    return nullptr;
}

void XMLSheetImplT::writeComment(int, int, const char16_t*, const char16_t*, int, int) {
    message_.set("not supported");
}

} // namespace karvo::xlsx
