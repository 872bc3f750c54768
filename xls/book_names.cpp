// book_names.cpp - the formula shapes of named ranges and print names, and the walks over the names.
#include "xls/book_names.h"

#include <algorithm>

#include "core/text_compare.h"
#include "core/xlerror.h"

namespace karvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The three shapes, all with plain (absolute) rows and columns:
//   area       3B xti r1 r2 c1 c2                    (11 bytes)
//   cell       3A xti r c                            (7 bytes)
//   two areas  29 17 00, area, area, 10              (26 bytes: the areas' union)
constexpr std::uint8_t kPtgArea3d = 0x3B;
constexpr std::uint8_t kPtgRef3d = 0x3A;
constexpr std::uint8_t kPtgMemFunc = 0x29;
constexpr std::uint8_t kPtgUnion = 0x10;
constexpr std::size_t kAreaSize = 11;
constexpr std::size_t kCellSize = 7;
constexpr std::size_t kTwoAreasSize = 26;
constexpr std::size_t kAreaFields = 3;        // after the token and the XTI index
constexpr std::size_t kFirstAreaRows = 6;     // two areas: rows of the first (row titles)
constexpr std::size_t kSecondAreaColumns = 21; // two areas: columns of the second (column titles)
constexpr int kLastRow = 65535;
constexpr int kLastColumn = 255;
// A name's text length is one byte in the record.
constexpr std::size_t kMaxNameLength = 255;

std::uint16_t u16At(const Bytes& f, std::size_t at) { return static_cast<std::uint16_t>(f[at] | f[at + 1] << 8); }

void putU16(Bytes& f, std::size_t at, int value) {
    f[at] = static_cast<std::uint8_t>(value);
    f[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

NameArea areaAt(const Bytes& f, std::size_t at) {
    return {u16At(f, at), u16At(f, at + 2), u16At(f, at + 4), u16At(f, at + 6)};
}

void putArea(Bytes& f, std::size_t at, const NameArea& area) {
    putU16(f, at, area.rowFirst);
    putU16(f, at + 2, area.rowLast);
    putU16(f, at + 4, area.colFirst);
    putU16(f, at + 6, area.colLast);
}

bool isSingleArea(const Bytes& f) { return f.size() == kAreaSize && f[0] == kPtgArea3d; }
bool isSingleCell(const Bytes& f) { return f.size() == kCellSize && f[0] == kPtgRef3d; }
bool isTwoAreas(const Bytes& f) { return f.size() == kTwoAreasSize && f[0] == kPtgMemFunc && f.back() == kPtgUnion; }

Bytes singleArea(std::uint16_t xti, const NameArea& area) {
    Bytes f(kAreaSize);
    f[0] = kPtgArea3d;
    putU16(f, 1, xti);
    putArea(f, kAreaFields, area);
    return f;
}

Bytes twoAreas(std::uint16_t xti, const NameArea& first, const NameArea& second) {
    Bytes f{kPtgMemFunc, 0, 0};
    putU16(f, 1, 2 * kAreaSize + 1);
    for (const NameArea& area : {first, second}) {
        Bytes part = singleArea(xti, area);
        f.insert(f.end(), part.begin(), part.end());
    }
    f.push_back(kPtgUnion);
    return f;
}

// The XTI index of a formula that begins with a 3-D reference; other formulas refer
// to no sheet through the XTI list as far as these operations are concerned.
std::optional<std::uint16_t> xtiIndexOf(const Bytes& f) {
    if (f.size() >= kAreaFields && (f[0] == kPtgArea3d || f[0] == kPtgRef3d)) return u16At(f, 1);
    if (isTwoAreas(f) && f[kAreaFields] == kPtgArea3d) return u16At(f, kAreaFields + 1);
    return std::nullopt;
}

std::optional<NameArea> areaOf(const Bytes& f) {
    if (isSingleArea(f)) return areaAt(f, kAreaFields);
    if (isSingleCell(f)) {
        int row = u16At(f, 3), col = u16At(f, 5);
        return NameArea{row, row, col, col};
    }
    return std::nullopt;
}

bool isRowTitles(const NameArea& a) { return a.colFirst == 0 && a.colLast == kLastColumn; }
bool isColumnTitles(const NameArea& a) { return a.rowFirst == 0 && a.rowLast == kLastRow; }

NameArea titles(bool rows, int first, int last) {
    return rows ? NameArea{first, last, 0, kLastColumn} : NameArea{0, kLastRow, first, last};
}

// Changes the rows (or columns) part of a print-titles formula in one of its known
// shapes: an area of the other part gains this part as a second area, an area of
// this part is rewritten, and two areas get this part's area rewritten.
bool retitle(Lbl& name, bool rows, int first, int last) {
    Bytes& f = name.formula;
    if (isSingleArea(f)) {
        NameArea old = areaAt(f, kAreaFields);
        NameArea mine = titles(rows, first, last);
        if (rows ? isColumnTitles(old) : isRowTitles(old)) {
            name.setFormula(twoAreas(u16At(f, 1), rows ? mine : old, rows ? old : mine));
            return true;
        }
        if (rows ? isRowTitles(old) : isColumnTitles(old)) {
            putArea(f, kAreaFields, mine);
            return true;
        }
        return false;
    }
    if (!isTwoAreas(f)) return false;
    std::size_t at = rows ? kFirstAreaRows : kSecondAreaColumns;
    putU16(f, at, first);
    putU16(f, at + 2, last);
    return true;
}


std::uint16_t sheetNumber(int sheet) { return static_cast<std::uint16_t>(sheet + 1); }

} // namespace

// ---- print area and print titles ----

Lbl* BookNames::builtIn(int sheet, char16_t code) {
    for (Lbl& name : names_)
        if (name.sheet == sheetNumber(sheet) && name.isBuiltIn(code)) return &name;
    return nullptr;
}

void BookNames::setPrintArea(int sheet, const NameArea& area) {
    if (Lbl* name = builtIn(sheet, Lbl::kPrintArea)) return setArea(*name, sheet, area);
    addName(std::u16string(1, Lbl::kPrintArea), true, sheet, area);
}

void BookNames::setPrintRepeatRows(int sheet, int rowFirst, int rowLast) { setTitles(sheet, true, rowFirst, rowLast); }

void BookNames::setPrintRepeatColumns(int sheet, int colFirst, int colLast) {
    setTitles(sheet, false, colFirst, colLast);
}

// A titles name in a shape none of the known ones is replaced rather than joined by a
// second titles name for the same sheet, which readers reject.
void BookNames::setTitles(int sheet, bool rows, int first, int last) {
    Lbl* unknownShape = nullptr;
    for (Lbl& name : names_) {
        if (name.sheet != sheetNumber(sheet) || !name.isBuiltIn(Lbl::kPrintTitles)) continue;
        if (retitle(name, rows, first, last)) return;
        if (!unknownShape) unknownShape = &name;
    }
    NameArea area = titles(rows, first, last);
    if (unknownShape) return unknownShape->setFormula(singleArea(xtiFor(*unknownShape, sheet), area));
    addName(std::u16string(1, Lbl::kPrintTitles), true, sheet, area);
}

void BookNames::clearBuiltIn(int sheet, char16_t code) {
    removeNames([&](const Lbl& name) { return name.sheet == sheetNumber(sheet) && name.isBuiltIn(code); });
}

// ---- named ranges ----

void BookNames::setNamedRange(int sheet, std::u16string_view text, const NameArea& area) {
    if (text.find(u' ') != text.npos) throw xlerror("space symbol isn't allowed");
    if (text.empty()) throw xlerror("name is empty");
    if (text.size() > kMaxNameLength) throw xlerror("string is too long");
    for (Lbl& name : names_)
        if (name.parsed && name.sheet == sheetNumber(sheet) && name.text == text) return setArea(name, sheet, area);
    addName(std::u16string(text), false, sheet, area);
}

std::optional<NameArea> BookNames::namedRange(int sheet, std::u16string_view text) const {
    for (const Lbl& name : names_)
        if (name.parsed && sameTextIgnoringCase(name.text, text) && refersTo(name, sheet)) return areaOf(name.formula);
    throw xlerror("named range is not found");
}

void BookNames::deleteNamedRange(int sheet, std::u16string_view text) {
    auto removed = removeNames([&](const Lbl& name) {
        return name.parsed && name.sheet == sheetNumber(sheet) && name.text == text;
    });
    if (removed == 0) throw xlerror("name not found");
}

int BookNames::namedRangeCount(int sheet) const {
    int count = 0;
    for (const Lbl& name : names_)
        if (areaOf(name.formula) && refersTo(name, sheet)) ++count;
    return count;
}

const Lbl& BookNames::namedRangeAt(int sheet, int index, NameArea& area) const {
    int position = 0;
    for (const Lbl& name : names_) {
        auto found = areaOf(name.formula);
        if (!found || !refersTo(name, sheet)) continue;
        if (position++ != index) continue;
        area = *found;
        return name;
    }
    throw xlerror("index is out of range");
}

// ---- shared steps ----

// A name that is rewritten keeps the sheet its formula went through; one whose
// formula is not an area is given one, as writing an area into a shorter formula
// would run past its end.
void BookNames::setArea(Lbl& name, int sheet, const NameArea& area) {
    if (isSingleArea(name.formula)) return putArea(name.formula, kAreaFields, area);
    name.setFormula(singleArea(xtiFor(name, sheet), area));
}

void BookNames::addName(std::u16string text, bool isBuiltIn, int sheet, const NameArea& area) {
    auto xti = static_cast<std::uint16_t>(formulas_.appendXti(sheet));
    names_.push_back(Lbl::make(std::move(text), sheetNumber(sheet), singleArea(xti, area), isBuiltIn));
}

std::uint16_t BookNames::xtiFor(const Lbl& name, int sheet) {
    if (auto xti = xtiIndexOf(name.formula)) return *xti;
    return static_cast<std::uint16_t>(formulas_.appendXti(sheet));
}

// Whether the name's formula goes through an XTI entry of the book's own sheets that
// covers the sheet. Without an own-sheets SupBook no name refers to a sheet of the
// book; an XTI index beyond the list is a broken name and fails the operation.
bool BookNames::refersTo(const Lbl& name, int sheet) const {
    if (!name.parsed) return false;
    auto index = xtiIndexOf(name.formula);
    if (!index) return false;
    auto own = formulas_.findOwnSupBook();
    if (!own) return false;
    auto xti = formulas_.xtiAt(*index);
    if (!xti) throw xlerror("name's XTI index is out of range");
    return xti->supBook == *own && xti->firstSheet <= sheet && sheet <= xti->lastSheet;
}

// Names go from the last to the first, so that each number told is the one that the
// formulas, renumbered after every earlier removal, know the name by.
std::size_t BookNames::removeNames(const std::function<bool(const Lbl&)>& doomed) {
    std::size_t removed = 0;
    for (std::size_t i = names_.size(); i-- > 0;) {
        if (!doomed(names_[i])) continue;
        names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(i));
        nameRemoved_(static_cast<std::uint32_t>(i + 1));
        ++removed;
    }
    return removed;
}

void BookNames::shiftSheets(int index, int delta) {
    int deleted = delta < 0 ? index + 1 : -1;
    removeNames([&](const Lbl& name) { return name.sheet == deleted; });
    for (Lbl& name : names_) {
        // Inserting at index moves the sheet numbered index + 1 on; deleting lowers the ones above it.
        bool moves = delta > 0 ? name.sheet >= index + 1 : name.sheet > index + 1;
        if (name.sheet != 0 && moves) name.sheet = static_cast<std::uint16_t>(name.sheet + delta);
    }
}

} // namespace karvo
