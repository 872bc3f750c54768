// formula_book.h - what the formula compiler and renderer need from a binary book.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "xls/external_refs.h"

namespace karvo {

class FunctionTable;

/// The book side of formulas: its function table, its sheets by name and number,
/// the XTI list that 3-D references go through, and the defined names that name
/// tokens refer to. BookImplT implements it; tests stand in a small fake.
class FormulaBook {
public:
    virtual const FunctionTable& functions() const = 0;

    virtual int sheetCount() const = 0;
    /// The index of the sheet with exactly this name, or -1.
    virtual int sheetIndex(std::u16string_view name) const = 0;
    virtual std::u16string sheetNameAt(int index) const = 0;

    /// The XTI index for references to sheets first to last of this book: the entry
    /// of the own-sheets SupBook group with exactly these sheets, appended (and the
    /// group created) when there is none.
    virtual int xtiForSheets(int first, int last) = 0;
    int xtiForSheet(int sheet) { return xtiForSheets(sheet, sheet); }
    /// An entry of the XTI list that 3-D references of a file use; empty when out of range.
    virtual std::optional<Xti> xtiAt(int index) const = 0;

    /// The text of a defined name for a name token (1-based, as tokens store it); empty when unknown.
    virtual std::optional<std::u16string> definedName(int index) const = 0;

    /// The text of a name that a PtgNameX refers to through an XTI entry: an add-in
    /// function, a name of another book (1-based among the ExternName records of the
    /// entry's SupBook), or a defined name of this book. Empty when unknown.
    virtual std::optional<std::u16string> externalName(int xti, int index) const = 0;

protected:
    ~FormulaBook() = default;
};

} // namespace karvo
