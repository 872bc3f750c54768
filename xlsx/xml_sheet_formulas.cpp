// xml_sheet_formulas.cpp - XMLSheetImplT: formula texts and shared formulas.
#include "xlsx/cell_range.h"
#include "xlsx/formula_text.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {

using sheet::c_CT_Cell;
using sheet::c_CT_CellFormula;

namespace {

bool isShared(const c_CT_CellFormula* formula) { return formula && formula->t.get() == u"shared"; }

// The rows a shared formula's "ref" covers, or every row when it has none that reads.
std::pair<std::uint32_t, std::uint32_t> sharedGroupRows(const c_CT_CellFormula& head) {
    std::optional<CellRange> range = head.ref.has() ? parseCellRange(head.ref.get()) : std::nullopt;
    if (!range) return {0, UINT32_MAX};
    return {static_cast<std::uint32_t>(range->firstRow) + 1, static_cast<std::uint32_t>(range->lastRow) + 1};
}

} // namespace

// The group's first cell holds the text, and the other cells name the group by its
// "si"; the index of first cells is built when a dependent is first read.
const XMLSheetImplT::CellPosition* XMLSheetImplT::sharedHead(std::uint32_t si) {
    if (sharedHeadsStale_) {
        sharedHeads_.clear();
        for (const auto& row : root_.sheetData->row)
            for (const c_CT_Cell& cell : row->c) {
                const c_CT_CellFormula* formula = sheet::cell_f(cell);
                if (isShared(formula) && formula->si.has() && !formula->value.empty())
                    sharedHeads_.try_emplace(formula->si.get(), CellPosition{static_cast<int>(row->r.get()) - 1,
                                                                             cell.column()});
            }
        sharedHeadsStale_ = false;
    }
    auto found = sharedHeads_.find(si);
    return found == sharedHeads_.end() ? nullptr : &found->second;
}

std::u16string XMLSheetImplT::storedFormula(int row, const c_CT_Cell& cell) {
    const c_CT_CellFormula* formula = sheet::cell_f(cell);
    if (!isShared(formula) || !formula->value.empty() || !formula->si.has()) return formula->value;
    const CellPosition* head = sharedHead(formula->si.get());
    const c_CT_Cell* headCell = head ? findCell(head->row, head->col) : nullptr;
    if (!headCell) return {};
    return shiftFormulaReferences(sheet::cell_f(*headCell)->value, row - head->row, cell.column() - head->col);
}

// Before the first cell of a group changes, every other cell of the group gets the
// formula it meant written out, so that none of them loses its text.
void XMLSheetImplT::expandSharedGroup(int row, c_CT_Cell& head) {
    c_CT_CellFormula& headFormula = *sheet::cell_f(head);
    std::uint32_t si = headFormula.si.get();
    auto [firstRow, lastRow] = sharedGroupRows(headFormula);
    const std::u16string& text = headFormula.value;
    for (const auto& other : root_.sheetData->row) {
        std::uint32_t r = other->r.get();
        if (r < firstRow || r > lastRow) continue;
        for (c_CT_Cell& cell : other->c) {
            c_CT_CellFormula* formula = sheet::cell_f(cell);
            if (&cell == &head || !isShared(formula) || !formula->si.has() || formula->si.get() != si ||
                !formula->value.empty())
                continue;
            formula->value = shiftFormulaReferences(text, static_cast<int>(r) - 1 - row, cell.column() - head.column());
            formula->t.reset();
            formula->si.reset();
            formula->ref.reset();
        }
    }
    headFormula.t.reset();
    headFormula.si.reset();
    headFormula.ref.reset();
    sharedHeadsStale_ = true;
}

const char16_t* XMLSheetImplT::readFormula(int row, int col, IFormat** format) {
    return run<const char16_t*>(nullptr, [&] {
        const c_CT_Cell& cell = requireCell(row, col);
        if (!sheet::cell_f(cell)) throw xlerror("this cell doesn't contain a formula");
        text_ = formulaTextFromStored(storedFormula(row, cell));
        handOutFormat(cell, format);
        return text_.c_str();
    });
}

bool XMLSheetImplT::writeFormula(int row, int col, const char16_t* expr, IFormat* format) {
    return run<bool>(false, [&] {
        std::u16string stored = formulaTextToStored(expr ? expr : u"");
        c_CT_Cell& cell = prepareCell(row, col, format, true);
        sheet::cell_make_f(cell).value = std::move(stored);
        return true;
    });
}

} // namespace karvo::xlsx
