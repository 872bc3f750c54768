// sheet_formulas.cpp - formula text in and out of a sheet's formula cells.
#include <set>
#include <utility>

#include "core/cell_address.h"
#include "core/xlerror.h"
#include "xls/formula_biff5.h"
#include "xls/formula_book.h"
#include "xls/formula_compiler.h"
#include "xls/formula_renderer.h"
#include "xls/name_tokens.h"
#include "xls/sheet_impl.h"

namespace karvo {
namespace {

// Where the tokens start: a Formula expression is cce (u16) and the tokens; a
// ShrFmla body puts the range (6 bytes), a reserved byte and the use count first;
// an Array body the range, its flags (2) and a reserved u32.
constexpr std::size_t kShrFmlaTokens = 8;
constexpr std::size_t kArrayTokens = 12;

// The tokens of an expression that begins with its u16 length, and the data after
// them; the length is cut to what the record holds.
FormulaBytes tokensAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    ByteReader in(bytes);
    in.skip(offset);
    std::uint16_t cce = in.u16();
    if (!in.ok()) return {};
    auto tokens = in.bytes(std::min<std::size_t>(cce, in.remaining()));
    return FormulaBytes{tokens, in.bytes(in.remaining())};
}

// A data table's cells hold only a PtgTbl naming the table's first cell, whose Table
// record gives the input cells: after the range (6 bytes), flags, then the row input
// cell and the column input cell. Spreadsheet programs show such a cell as
// TABLE(row input, column input), leaving out the input a one-way table lacks; the
// flags say which one it has and whether an input cell was deleted.
std::u16string tableText(const FormulaBlock* first) {
    if (!first || !first->arrayOrTable || first->arrayOrTable->id != raw(RecordId::Table))
        throw xlerror("data table's Table record is not found");
    constexpr std::size_t kRangeSize = 6;
    constexpr std::uint16_t kRowInput = 0x0004, kTwoInputs = 0x0008, kFirstDeleted = 0x0010, kSecondDeleted = 0x0020;
    ByteReader in(first->arrayOrTable->body);
    in.skip(kRangeSize);
    const std::uint16_t flags = in.u16();
    const std::uint16_t row1 = in.u16(), col1 = in.u16(), row2 = in.u16(), col2 = in.u16();
    if (!in.ok()) throw xlerror("Table size is incorrect");
    const auto cell = [](std::uint16_t row, std::uint16_t col, bool deleted) -> std::u16string {
        return deleted ? u"#REF!" : formatCellAddress({row, col, true, true});
    };
    const std::u16string firstInput = cell(row1, col1, flags & kFirstDeleted);
    if (flags & kTwoInputs) return u"TABLE(" + firstInput + u";" + cell(row2, col2, flags & kSecondDeleted) + u")";
    return flags & kRowInput ? u"TABLE(" + firstInput + u";)" : u"TABLE(;" + firstInput + u")";
}

// The same tokens, to be rewritten in place.
std::span<std::uint8_t> writableTokens(std::vector<std::uint8_t>& bytes, std::size_t offset) {
    const FormulaBytes found = tokensAt(bytes, offset);
    if (found.tokens.empty()) return {};
    return std::span(bytes).subspan(static_cast<std::size_t>(found.tokens.data() - bytes.data()), found.tokens.size());
}

} // namespace

// A cell of a shared formula or of an array formula holds only a pointer (PtgExp) to
// the cell that carries the formula; the text comes from that cell's ShrFmla or Array
// record, shared formulas being relative to the cell that asks.
const char16_t* SheetImplT::readFormula(int row, int col, IFormat** format) {
    return run<const char16_t*>(nullptr, [&]() -> const char16_t* {
        if (format) *format = nullptr;
        CellHandle h = usedHandle(row, col);
        if (!h || handleKind(h) != CellKind::Formula) throw xlerror("cell doesn't contain a formula");
        const FormulaBlock& cell = data_.cells.entry<FormulaBlock>(h);
        if (cell.untranslated) throw xlerror(kBiff5Untranslated);
        const FormulaBook& book = host_.formulaBook();
        std::u16string text;
        const FormulaBlock* carrier = nullptr;
        if (auto anchor = cell.sharedAnchor()) carrier = data_.cells.find<FormulaBlock>(anchor->first, anchor->second);
        if (carrier && carrier->shrFmla)
            text = renderFormula(tokensAt(carrier->shrFmla->body, kShrFmlaTokens), book, true, row, col);
        else if (carrier && carrier->arrayOrTable && carrier->arrayOrTable->id == raw(RecordId::Array))
            text = renderFormula(tokensAt(carrier->arrayOrTable->body, kArrayTokens), book, false, row, col);
        else if (auto table = cell.tableAnchor())
            text = tableText(data_.cells.find<FormulaBlock>(table->first, table->second));
        else
            text = renderFormula(tokensAt(cell.expression, 0), book, false, row, col);
        giveFormat(format, h);
        return keepText(text);
    });
}

// Runs once the whole book is read, when every sheet that a 3-D reference may name
// exists. A cell whose formula, or the shared or array formula it uses, has no BIFF8
// form keeps its cached result.
void SheetImplT::translateBiff5Formulas() {
    FormulaBook& book = host_.formulaBook();
    std::vector<CellHandle> formulas;
    data_.cells.forEach([&](int, int, CellHandle h) {
        if (handleKind(h) == CellKind::Formula) formulas.push_back(h);
    });
    std::set<std::pair<std::uint16_t, std::uint16_t>> failed;
    for (CellHandle h : formulas) {
        FormulaBlock& cell = data_.cells.entry<FormulaBlock>(h);
        if (!translateBiff5Block(cell, book)) failed.insert({cell.at.row, cell.at.col});
    }
    if (failed.empty()) return;
    for (CellHandle h : formulas) {
        FormulaBlock& cell = data_.cells.entry<FormulaBlock>(h);
        const auto anchor = cell.sharedAnchor();
        if (failed.contains({cell.at.row, cell.at.col}) || (anchor && failed.contains(*anchor))) keepCachedResult(cell);
    }
}

// The text is compiled before the cell is touched, so a formula that does not compile
// leaves the cell as it was. The cached result becomes 0, which consumers replace by
// recalculating: formula records are always written with the always-calculate flag.
bool SheetImplT::writeFormula(int row, int col, const char16_t* expr, IFormat* format) {
    return run(false, [&] {
        checkCell(row, col);
        if (!expr) throw xlerror("formula is null");
        std::u16string text = host_.usesR1C1() ? r1c1ToA1(expr, row, col) : std::u16string(expr);
        std::vector<std::uint8_t> tokens = compileFormula(text, host_.formulaBook());
        std::uint16_t xf = writeXf(row, col, format);
        handOverShared(row, col);
        FormulaBlock& cell = writable<FormulaBlock>(row, col, xf);
        cell = FormulaBlock{};
        cell.at = CellPos{static_cast<std::uint16_t>(row), static_cast<std::uint16_t>(col), xf};
        putLittle(cell.expression, tokens.size(), 2);
        cell.expression.insert(cell.expression.end(), tokens.begin(), tokens.end());
        extendBounds(data_.dimensions, row, col);
        return true;
    });
}

// Shared and array formulas live on the cell that carries them; the cells that use
// them hold only a PtgExp, which names nothing.
void SheetImplT::renumberNameTokens(std::uint32_t removed, const std::function<bool(std::uint16_t)>& ownBook) {
    data_.cells.forEach([&](int, int, CellHandle h) {
        if (handleKind(h) != CellKind::Formula) return;
        FormulaBlock& cell = data_.cells.entry<FormulaBlock>(h);
        karvo::renumberNameTokens(writableTokens(cell.expression, 0), removed, ownBook);
        if (cell.shrFmla) karvo::renumberNameTokens(writableTokens(cell.shrFmla->body, kShrFmlaTokens), removed, ownBook);
        if (cell.arrayOrTable && cell.arrayOrTable->id == raw(RecordId::Array))
            karvo::renumberNameTokens(writableTokens(cell.arrayOrTable->body, kArrayTokens), removed, ownBook);
    });
    // Older versions had neither conditional formats nor validations.
    if (data_.bof.vers < kBiff8) return;
    for (RawRecord& record : data_.raw)
        for (std::span<std::uint8_t> tokens : carriedFormulas(record)) karvo::renumberNameTokens(tokens, removed, ownBook);
}

} // namespace karvo
