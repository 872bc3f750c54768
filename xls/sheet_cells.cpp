// sheet_cells.cpp - reading and writing cells: kinds, RK numbers, shared strings, formats, bounds.
#include <type_traits>

#include "core/dates.h"
#include "core/xlerror.h"
#include "xls/sheet_impl.h"
#include "xls/sst.h"

namespace karvo {
namespace {

// The most characters a cell's text may have.
constexpr std::size_t kMaxTextLength = 32767;

CellPos at(int row, int col, std::uint16_t xf) {
    return CellPos{static_cast<std::uint16_t>(row), static_cast<std::uint16_t>(col), xf};
}

CellType formulaType(FormulaResult result) {
    switch (result) {
    case FormulaResult::Number: return CellNumber;
    case FormulaResult::String: return CellString;
    case FormulaResult::Bool: return CellBoolean;
    case FormulaResult::Error: return CellError;
    case FormulaResult::EmptyString: return CellBlank;
    case FormulaResult::Unknown: break;
    }
    return CellEmpty;
}

} // namespace

// ---- helpers ----

CellHandle SheetImplT::usedHandle(int row, int col) {
    checkCell(row, col);
    return data_.cells.handle(row, col);
}

std::uint16_t SheetImplT::xfOf(IFormat* format) {
    int xf = host_.formatIndex(format);
    if (xf < 0) throw xlerror("specified format not found");
    return static_cast<std::uint16_t>(xf);
}

// Without a format a write keeps the cell's XF, or the default one for a new cell.
std::uint16_t SheetImplT::writeXf(int row, int col, IFormat* format) {
    if (format) return xfOf(format);
    CellHandle h = data_.cells.handle(row, col);
    return h ? data_.cells.position(h).xf : kDefaultCellXf;
}

// The cell's entry when it already holds this kind, else a new entry of the kind.
template <class Entry>
Entry& SheetImplT::writable(int row, int col, std::uint16_t xf) {
    if (Entry* e = data_.cells.find<Entry>(row, col)) {
        e->at.xf = xf;
        return *e;
    }
    handOverShared(row, col);
    Entry fresh{};
    fresh.at = at(row, col, xf);
    return data_.cells.put(std::move(fresh));
}

void SheetImplT::dropCell(int row, int col) {
    handOverShared(row, col);
    data_.cells.clear(row, col);
}

// A cell that carries a shared formula is about to lose it: the first other cell of
// the range that uses the formula takes the ShrFmla record, and the users of the
// range are pointed at that cell.
void SheetImplT::handOverShared(int row, int col) {
    FormulaBlock* owner = data_.cells.find<FormulaBlock>(row, col);
    if (!owner) return;
    auto range = owner->sharedRange();
    if (!range) return;
    const std::pair<std::uint16_t, std::uint16_t> anchor{owner->at.row, owner->at.col};
    FormulaBlock* heir = nullptr;
    for (int r = range->rowFirst; r <= range->rowLast; ++r) {
        for (int c = range->colFirst; c <= range->colLast; ++c) {
            FormulaBlock* user = data_.cells.find<FormulaBlock>(r, c);
            if (!user || user == owner || user->sharedAnchor() != anchor) continue;
            if (!heir) {
                heir = user;
                heir->shrFmla = std::move(owner->shrFmla);
            }
            user->setSharedAnchor(heir->at.row, heir->at.col);
        }
    }
    owner->shrFmla.reset();
}

void SheetImplT::giveFormat(IFormat** format, CellHandle h) {
    if (format) *format = host_.formatAtIndex(data_.cells.position(h).xf);
}

// The formula of a cell when its cached result is of this type.
const FormulaBlock* SheetImplT::formulaResult(CellHandle h, FormulaResult type) {
    if (!h || handleKind(h) != CellKind::Formula) return nullptr;
    const FormulaBlock& f = data_.cells.entry<FormulaBlock>(h);
    return f.resultType() == type ? &f : nullptr;
}

// ---- reading ----

CellType SheetImplT::cellType(int row, int col) {
    return run(CellEmpty, [&] {
        CellHandle h = usedHandle(row, col);
        if (!h) return CellEmpty;
        switch (handleKind(h)) {
        case CellKind::RK: case CellKind::Number: return CellNumber;
        case CellKind::LabelSst: case CellKind::Label: return CellString;
        case CellKind::Blank: return CellBlank;
        case CellKind::BoolErr: return CellBoolean;
        case CellKind::Formula: return formulaType(data_.cells.entry<FormulaBlock>(h).resultType());
        }
        throw xlerror("unknown type of cell");
    });
}

bool SheetImplT::cellIsFormula(int row, int col) {
    return run(false, [&] {
        CellHandle h = usedHandle(row, col);
        return h && handleKind(h) == CellKind::Formula;
    });
}

IFormat* SheetImplT::cellFormat(int row, int col) {
    return run<IFormat*>(nullptr, [&] {
        CellHandle h = usedHandle(row, col);
        if (!h) throw xlerror("empty cell");
        return host_.formatAtIndex(data_.cells.position(h).xf);
    });
}

const char16_t* SheetImplT::readString(int row, int col, IFormat** format) {
    return run<const char16_t*>(nullptr, [&]() -> const char16_t* {
        if (format) *format = nullptr;
        CellHandle h = usedHandle(row, col);
        if (LabelSstCell* s = data_.cells.find<LabelSstCell>(row, col)) {
            giveFormat(format, h);
            return keepText(host_.sharedStrings().text(s->isst));
        }
        std::u16string text;
        if (LabelCell* l = data_.cells.find<LabelCell>(row, col)) {
            text = l->text;
        } else if (const FormulaBlock* f = formulaResult(h, FormulaResult::String)) {
            text = f->cachedText();
            // A cell of a shared formula may leave its text to the formula's own cell.
            if (auto anchor = f->sharedAnchor(); text.empty() && anchor)
                if (FormulaBlock* owner = data_.cells.find<FormulaBlock>(anchor->first, anchor->second))
                    text = owner->cachedText();
        } else {
            throw xlerror("this cell doesn't contain a string");
        }
        giveFormat(format, h);
        return keepText(text);
    });
}

double SheetImplT::readNumber(int row, int col, IFormat** format) {
    return run(0.0, [&] {
        if (format) *format = nullptr;
        CellHandle h = usedHandle(row, col);
        double value;
        if (RkCell* rk = data_.cells.find<RkCell>(row, col))
            value = fromRk(rk->rk);
        else if (NumberCell* n = data_.cells.find<NumberCell>(row, col))
            value = n->value;
        else if (const FormulaBlock* f = formulaResult(h, FormulaResult::Number))
            value = f->number();
        else
            throw xlerror("this cell doesn't contain a number");
        giveFormat(format, h);
        return value;
    });
}

bool SheetImplT::readBool(int row, int col, IFormat** format) {
    return run(false, [&] {
        if (format) *format = nullptr;
        CellHandle h = usedHandle(row, col);
        bool value;
        if (BoolErrCell* b = data_.cells.find<BoolErrCell>(row, col))
            value = b->value == 1;
        else if (const FormulaBlock* f = formulaResult(h, FormulaResult::Bool))
            value = f->resultValue() != 0;
        else
            throw xlerror("this cell doesn't contain a bool");
        giveFormat(format, h);
        return value;
    });
}

bool SheetImplT::readBlank(int row, int col, IFormat** format) {
    return run(false, [&] {
        if (!format) throw xlerror("format mustn't be NULL");
        *format = nullptr;
        CellHandle h = usedHandle(row, col);
        bool blank = (h && handleKind(h) == CellKind::Blank) || formulaResult(h, FormulaResult::EmptyString);
        if (!blank) throw xlerror("this cell doesn't contain a blank");
        giveFormat(format, h);
        return true;
    });
}

ErrorType SheetImplT::readError(int row, int col) {
    return run(ErrorUnknown, [&] {
        const FormulaBlock* f = formulaResult(usedHandle(row, col), FormulaResult::Error);
        return f ? static_cast<ErrorType>(f->resultValue()) : ErrorUnknown;
    });
}

bool SheetImplT::cellIsDate(int row, int col) {
    // Each step reports through the book's message; the last one's message stays.
    return run(false, [&] {
        if (cellType(row, col) != CellNumber) return false;
        IFormat* format = nullptr;
        readNumber(row, col, &format);
        if (!format) return false;
        return numFormatIsDate(format->numFormat(), [&](int id) { return host_.customNumFormat(id); });
    });
}

// ---- writing ----

void SheetImplT::storeString(int row, int col, std::u16string_view text, std::uint16_t xf) {
    SharedStrings& sst = host_.sharedStrings();
    if (LabelSstCell* cell = data_.cells.find<LabelSstCell>(row, col)) {
        cell->at.xf = xf;
        // A string no other cell of the book uses is changed where it is.
        if (sst.uses(cell->isst) <= 1) return sst.replace(cell->isst, text);
        std::uint32_t isst = sst.add(text);
        sst.retain(isst);
        sst.release(cell->isst);
        cell->isst = isst;
        return;
    }
    handOverShared(row, col);
    data_.cells.put(LabelSstCell{at(row, col, xf), sst.add(text)});
}

bool SheetImplT::writeString(int row, int col, const char16_t* value, IFormat* format) {
    return run(false, [&] {
        checkCell(row, col);
        if (!value) throw xlerror("string is null");
        std::u16string_view text(value);
        if (text.size() > kMaxTextLength) throw xlerror("string is too long");
        storeString(row, col, text, writeXf(row, col, format));
        extendBounds(data_.dimensions, row, col);
        return true;
    });
}

bool SheetImplT::writeNumber(int row, int col, double value, IFormat* format) {
    return run(false, [&] {
        checkCell(row, col);
        std::uint16_t xf = writeXf(row, col, format);
        if (auto rk = toRk(value))
            writable<RkCell>(row, col, xf).rk = *rk;
        else
            writable<NumberCell>(row, col, xf).value = value;
        extendBounds(data_.dimensions, row, col);
        return true;
    });
}

bool SheetImplT::writeBool(int row, int col, bool value, IFormat* format) {
    return run(false, [&] {
        checkCell(row, col);
        BoolErrCell& cell = writable<BoolErrCell>(row, col, writeXf(row, col, format));
        cell.value = value ? 1 : 0;
        cell.isError = 0;
        extendBounds(data_.dimensions, row, col);
        return true;
    });
}

bool SheetImplT::writeBlank(int row, int col, IFormat* format) {
    return run(false, [&] {
        checkCell(row, col);
        writable<BlankCell>(row, col, writeXf(row, col, format));
        extendBounds(data_.dimensions, row, col);
        return true;
    });
}

void SheetImplT::setCellFormat(int row, int col, IFormat* format) {
    run([&] {
        checkCell(row, col);
        int xf = format ? host_.formatIndex(format) : -1;
        if (xf < 0) throw xlerror("specified format is not found");
        if (CellHandle h = data_.cells.handle(row, col)) {
            data_.cells.position(h).xf = static_cast<std::uint16_t>(xf);
            return;
        }
        data_.cells.put(BlankCell{at(row, col, static_cast<std::uint16_t>(xf))});
        extendBounds(data_.dimensions, row, col);
    });
}

bool SheetImplT::copyCell(int rowSrc, int colSrc, int rowDst, int colDst) {
    return run(false, [&] {
        checkCell(rowSrc, colSrc);
        checkCell(rowDst, colDst);
        CellHandle h = data_.cells.handle(rowSrc, colSrc);
        if (!h) throw xlerror("empty cell");
        if (rowSrc == rowDst && colSrc == colDst) return true;
        data_.cells.visit(h, [&](const auto& entry) {
            auto copy = entry; // taken before the stores can grow
            copy.at = at(rowDst, colDst, entry.at.xf);
            // The shared formula stays with its cell; the copy uses it from there.
            if constexpr (std::is_same_v<decltype(copy), FormulaBlock>) copy.shrFmla.reset();
            handOverShared(rowDst, colDst);
            data_.cells.put(std::move(copy));
        });
        extendBounds(data_.dimensions, rowDst, colDst);
        return true;
    });
}

// ---- bounds ----

const Dimensions& SheetImplT::bounds() {
    if (data_.boundsDirty) recomputeBounds(data_);
    return data_.dimensions;
}

int SheetImplT::firstRow() {
    return run(0, [&] { return static_cast<int>(bounds().rwMic); });
}

int SheetImplT::lastRow() {
    return run(0, [&] { return static_cast<int>(bounds().rwMac); });
}

int SheetImplT::firstColumn() {
    return run(0, [&] { return static_cast<int>(bounds().colMic); });
}

int SheetImplT::lastColumn() {
    return run(0, [&] { return static_cast<int>(bounds().colMac); });
}

} // namespace karvo

namespace karvo {
// Formula cells are written from sheet_formulas.cpp.
template FormulaBlock& SheetImplT::writable<FormulaBlock>(int row, int col, std::uint16_t xf);
} // namespace karvo
