// xml_sheet_names.cpp - XMLSheetImplT: named ranges, print area and print titles, the
// workbook's definedName elements whose localSheetId is the sheet's index.
#include <algorithm>

#include "core/cell_address.h"
#include "xlsx/cell_range.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {

using workbook::c_CT_DefinedName;

namespace {

constexpr char16_t kPrintArea[] = u"_xlnm.Print_Area";
constexpr char16_t kPrintTitles[] = u"_xlnm.Print_Titles";

using NameList = std::vector<lmx::owned<c_CT_DefinedName>>;

bool ofSheet(const c_CT_DefinedName& name, int sheet) {
    return name.localSheetId.has() && name.localSheetId.get() == static_cast<std::uint32_t>(sheet);
}

c_CT_DefinedName* findName(workbook::c_workbook& book, int sheet, std::u16string_view text) {
    if (!book.definedNames) return nullptr;
    for (const auto& name : book.definedNames->definedName)
        if (ofSheet(*name, sheet) && name->name == text) return name.get();
    return nullptr;
}

void setName(workbook::c_workbook& book, int sheet, std::u16string_view text, std::u16string value) {
    if (c_CT_DefinedName* name = findName(book, sheet, text)) {
        name->value = std::move(value);
        return;
    }
    auto made = std::make_unique<c_CT_DefinedName>();
    made->name = text;
    made->localSheetId.set(static_cast<std::uint32_t>(sheet));
    made->value = std::move(value);
    book.definedNames.make().definedName.emplace_back(std::move(made));
}

// Removes the sheet's first name of that text; false when there is none. An empty
// definedNames is not allowed, so the last name takes it along.
bool eraseName(workbook::c_workbook& book, int sheet, std::u16string_view text) {
    if (!book.definedNames) return false;
    NameList& names = book.definedNames->definedName;
    auto found = std::find_if(names.begin(), names.end(),
                              [&](const auto& name) { return ofSheet(*name, sheet) && name->name == text; });
    if (found == names.end()) return false;
    names.erase(found);
    if (names.empty()) book.definedNames.reset();
    return true;
}

// Where the reference of "Sheet!ref" or "'It''s'!ref" starts; npos without a sheet prefix.
std::size_t referenceStart(std::u16string_view text) {
    std::size_t i = 0;
    if (text.starts_with(u'\'')) {
        for (i = 1; i < text.size(); ++i)
            if (text[i] == u'\'') {
                if (i + 1 < text.size() && text[i + 1] == u'\'') ++i;
                else break;
            }
        ++i;
    } else {
        i = text.find(u'!');
    }
    return i < text.size() && text[i] == u'!' ? i + 1 : std::u16string_view::npos;
}

bool allOf(std::u16string_view text, bool (*test)(char16_t)) {
    return !text.empty() && std::all_of(text.begin(), text.end(), test);
}
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

std::u16string_view withoutDollar(std::u16string_view part) {
    if (part.starts_with(u'$')) part.remove_prefix(1);
    return part;
}

// The one range a name's text refers to: cells ($A$1, $A$1:$C$4), whole rows ($1:$2)
// or whole columns ($A:$B). Nothing for any other text: a list of areas, a formula,
// a constant, a reference without its sheet.
std::optional<CellRange> nameRange(std::u16string_view text) {
    std::size_t start = referenceStart(text);
    if (start == std::u16string_view::npos) return std::nullopt;
    std::u16string_view ref = text.substr(start);
    std::size_t colon = ref.find(u':');
    std::u16string_view first = withoutDollar(ref.substr(0, colon));
    std::u16string_view last = colon == ref.npos ? first : withoutDollar(ref.substr(colon + 1));
    // Whole rows and columns read as cells of column A and row 1, which checks their bounds.
    std::optional<CellRange> range;
    if (colon != ref.npos && allOf(first, isDigit) && allOf(last, isDigit)) {
        range = parseCellRange(u"A" + std::u16string(first) + u":A" + std::u16string(last));
        if (range) range->lastCol = kMaxAddressCol;
    } else if (colon != ref.npos && allOf(first, isLetter) && allOf(last, isLetter)) {
        range = parseCellRange(std::u16string(first) + u"1:" + std::u16string(last) + u"1");
        if (range) range->lastRow = kMaxAddressRow;
    } else {
        range = parseCellRange(ref);
    }
    return range;
}

std::u16string absolute(int row, int col) { return formatCellAddress({row, col, false, false}); }

std::u16string number(int value) {
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

void checkRows(int first, int last) {
    for (int row : {first, last})
        if (row < 0 || row > kMaxAddressRow) throw xlerror("row must be in range 0-1048575");
}

void checkColumns(int first, int last) {
    for (int col : {first, last})
        if (col < 0 || col > kMaxAddressCol) throw xlerror("col must be in range 0-16383");
}

// The two parts of a print titles text, split at the first "," outside quotes; a
// text of one part is the rows part when its reference starts with a row number.
struct Titles {
    std::u16string rows, columns;
};

// Where the area that starts at `from` ends: the next "," outside quotes, or npos.
std::size_t areaEnd(std::u16string_view text, std::size_t from) {
    bool quoted = false;
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == u'\'') quoted = !quoted;
        else if (text[i] == u',' && !quoted) return i;
    }
    return std::u16string_view::npos;
}

Titles splitTitles(std::u16string_view text) {
    if (std::size_t comma = areaEnd(text, 0); comma != text.npos)
        return {std::u16string(text.substr(0, comma)), std::u16string(text.substr(comma + 1))};
    std::size_t start = referenceStart(text);
    std::u16string_view ref = start == text.npos ? text : withoutDollar(text.substr(start));
    if (!ref.empty() && isDigit(ref.front())) return {std::u16string(text), {}};
    return {{}, std::u16string(text)};
}

} // namespace

// ---- the sheet's side ----

// Local names are stored by sheet position; a sheet the book no longer lists has none.
workbook::c_workbook& XMLSheetImplT::namesBook() const {
    if (!book_.sheetElement(index_)) throw xlerror("sheet doen't have relationship with book");
    return book_.workbookTree();
}

// The sheet name as the prefix of a name's reference; quoted as formulas quote it, so
// that consumers read names of sheets such as "My Data" as one reference.
std::u16string XMLSheetImplT::namePrefix() const {
    namesBook();
    return quoteSheetName(book_.sheetElement(index_)->name) + u"!";
}

std::u16string XMLSheetImplT::rangeText(int rowFirst, int rowLast, int colFirst, int colLast) const {
    checkRows(rowFirst, rowLast);
    checkColumns(colFirst, colLast);
    CellRange range{std::min(rowFirst, rowLast), std::max(rowFirst, rowLast), std::min(colFirst, colLast),
                    std::max(colFirst, colLast)};
    std::u16string text = namePrefix() + absolute(range.firstRow, range.firstCol);
    if (range.lastRow != range.firstRow || range.lastCol != range.firstCol)
        text += u":" + absolute(range.lastRow, range.lastCol);
    return text;
}

void XMLSheetImplT::setPrintTitles(bool rows, std::u16string part) {
    workbook::c_workbook& book = namesBook();
    Titles titles;
    if (const c_CT_DefinedName* name = findName(book, index_, kPrintTitles)) titles = splitTitles(name->value);
    (rows ? titles.rows : titles.columns) = std::move(part);
    std::u16string text = titles.rows;
    if (!titles.rows.empty() && !titles.columns.empty()) text += u",";
    setName(book, index_, kPrintTitles, text + titles.columns);
}

// The sheet's names refer to it by name: the new name goes into every area of
// them (areas are joined by ",") that begins with the old one.
void XMLSheetImplT::renameInNames(const std::u16string& oldName) {
    workbook::c_workbook& book = namesBook();
    if (!book.definedNames) return;
    std::u16string oldPrefix = quoteSheetName(oldName) + u"!", newPrefix = namePrefix();
    for (const auto& name : book.definedNames->definedName) {
        if (!ofSheet(*name, index_)) continue;
        std::u16string& text = name->value;
        for (std::size_t at = 0; at < text.size();) {
            if (text.compare(at, oldPrefix.size(), oldPrefix) == 0) text.replace(at, oldPrefix.size(), newPrefix);
            std::size_t end = areaEnd(text, at);
            at = end == text.npos ? text.size() : end + 1;
        }
    }
}

// ---- print area and titles ----

void XMLSheetImplT::setPrintRepeatRows(int rowFirst, int rowLast) {
    run([&] {
        checkRows(rowFirst, rowLast);
        setPrintTitles(true, namePrefix() + u"$" + number(rowFirst + 1) + u":$" + number(rowLast + 1));
    });
}

void XMLSheetImplT::setPrintRepeatColumns(int colFirst, int colLast) {
    run([&] {
        checkColumns(colFirst, colLast);
        setPrintTitles(false, namePrefix() + u"$" + columnLetters(colFirst) + u":$" + columnLetters(colLast));
    });
}

void XMLSheetImplT::setPrintArea(int rowFirst, int rowLast, int colFirst, int colLast) {
    run([&] { setName(namesBook(), index_, kPrintArea, rangeText(rowFirst, rowLast, colFirst, colLast)); });
}

void XMLSheetImplT::clearPrintRepeats() {
    run([&] { eraseName(namesBook(), index_, kPrintTitles); });
}

void XMLSheetImplT::clearPrintArea() {
    run([&] { eraseName(namesBook(), index_, kPrintArea); });
}

// ---- named ranges ----

namespace {

std::u16string_view nameText(const char16_t* name) {
    if (!name) throw xlerror("name is null");
    return name;
}

} // namespace

bool XMLSheetImplT::namedRange(const char16_t* name, int* rowFirst, int* rowLast, int* colFirst, int* colLast) {
    return run<bool>(false, [&] {
        const c_CT_DefinedName* found = findName(namesBook(), index_, nameText(name));
        if (!found) throw xlerror("named range is not found");
        std::optional<CellRange> range = nameRange(found->value);
        if (!range) throw xlerror("named range is not a range of cells");
        giveCellRange(*range, rowFirst, rowLast, colFirst, colLast);
        return true;
    });
}

bool XMLSheetImplT::setNamedRange(const char16_t* name, int rowFirst, int rowLast, int colFirst, int colLast) {
    return run<bool>(false, [&] {
        std::u16string_view text = nameText(name);
        if (text.empty()) throw xlerror("name is empty");
        if (text.find(u' ') != text.npos) throw xlerror("space symbol isn't allowed");
        setName(namesBook(), index_, text, rangeText(rowFirst, rowLast, colFirst, colLast));
        return true;
    });
}

bool XMLSheetImplT::deleteNamedRange(const char16_t* name) {
    return run<bool>(false, [&] {
        if (!eraseName(namesBook(), index_, nameText(name))) throw xlerror("named range not found");
        return true;
    });
}

// Counted and listed are the sheet's names that refer to one range, as in binary
// books; lists of areas (print titles of rows and columns) and formulas are not.
int XMLSheetImplT::namedRangeCount() {
    return run<int>(0, [&] {
        const workbook::c_workbook& book = namesBook();
        int count = 0;
        if (book.definedNames)
            for (const auto& name : book.definedNames->definedName)
                count += ofSheet(*name, index_) && nameRange(name->value).has_value();
        return count;
    });
}

const char16_t* XMLSheetImplT::namedRangeAt(int index, int* rowFirst, int* rowLast, int* colFirst, int* colLast) {
    return run<const char16_t*>(nullptr, [&]() -> const char16_t* {
        const workbook::c_workbook& book = namesBook();
        if (index >= 0 && book.definedNames)
            for (const auto& name : book.definedNames->definedName) {
                if (!ofSheet(*name, index_)) continue;
                std::optional<CellRange> range = nameRange(name->value);
                if (!range || index-- != 0) continue;
                giveCellRange(*range, rowFirst, rowLast, colFirst, colLast);
                text_ = name->name;
                return text_.c_str();
            }
        throw xlerror("index is out of range");
    });
}

} // namespace karvo::xlsx
