// sheet_host.h - what a binary sheet needs from the book that owns it.
#pragma once

#include <cstdint>
#include <string>

#include "core/dates.h"
#include "core/interfaces.h"
#include "core/operation_frame.h"

namespace karvo {

class BookNames;
class DrawingGroup;
class FormulaBook;
class SharedStrings;
class SheetImplT;

/// The book side of a sheet: the shared message, the format list, the shared
/// string table and the sheet list's per-sheet state. BookImplT implements it;
/// tests of the sheet can stand in a small fake.
class SheetHost {
public:
    virtual BookMessage& message() = 0;

    /// XF index of a format of this book; -1 when the format is not one of its own.
    virtual int formatIndex(IFormat* format) = 0;
    /// The format at an XF index, null when there is none.
    virtual IFormat* formatAtIndex(int xf) = 0;
    /// Format text of a custom number-format id, null when unknown (sets the message).
    virtual const char16_t* customNumFormat(int id) = 0;

    /// The book's shared strings; LabelSst cells retain and release their index.
    virtual SharedStrings& sharedStrings() = 0;

    /// Sheet names, references to other sheets and the function table, for formulas.
    virtual FormulaBook& formulaBook() = 0;

    virtual DateSystem dateSystem() = 0;
    virtual bool usesR1C1() = 0;
    /// Largest width in pixels of the digits in the book's first font (7 without fonts).
    virtual int maxDigitWidth() = 0;

    /// The visibility of a sheet in the book's sheet list; "book not found" when the
    /// sheet is not in it.
    virtual SheetState sheetState(const SheetImplT* sheet) = 0;
    virtual bool setSheetState(const SheetImplT* sheet, SheetState state) = 0;

    /// The sheet's position in the book's sheet list; 0 when it is not in it.
    virtual int sheetPosition(const SheetImplT* sheet) = 0;
    /// The book's defined names: print areas, print titles and named ranges live there.
    virtual BookNames& bookNames() = 0;
    /// The book's pictures and the drawing and shape ids its sheets use.
    virtual DrawingGroup& drawingGroup() = 0;

protected:
    ~SheetHost() = default;
};

} // namespace karvo
