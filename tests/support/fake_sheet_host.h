// fake_sheet_host.h - a stand-in for the binary book in sheet tests: formats by index, a real string table.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "xls/book_formulas.h"
#include "xls/book_names.h"
#include "xls/drawing_group.h"
#include "xls/sheet_host.h"
#include "xls/sst.h"

namespace karvo::testing {

/// A format with only a number-format id; the other properties are inert.
class FakeFormat final : public IFormat {
public:
    explicit FakeFormat(int numFormat) : numFormat_(numFormat) {}
    IFont* font() override { return nullptr; }
    bool setFont(IFont*) override { return false; }
    int numFormat() override { return numFormat_; }
    void setNumFormat(int id) override { numFormat_ = id; }
    AlignH alignH() override { return AlignHGeneral; }
    void setAlignH(AlignH) override {}
    AlignV alignV() override { return AlignVBottom; }
    void setAlignV(AlignV) override {}
    bool wrap() override { return false; }
    void setWrap(bool) override {}
    int rotation() override { return 0; }
    bool setRotation(int) override { return false; }
    int indent() override { return 0; }
    void setIndent(int) override {}
    bool shrinkToFit() override { return false; }
    void setShrinkToFit(bool) override {}
    void setBorder(BorderStyle) override {}
    void setBorderColor(Color) override {}
    BorderStyle borderLeft() override { return BorderNone; }
    void setBorderLeft(BorderStyle) override {}
    BorderStyle borderRight() override { return BorderNone; }
    void setBorderRight(BorderStyle) override {}
    BorderStyle borderTop() override { return BorderNone; }
    void setBorderTop(BorderStyle) override {}
    BorderStyle borderBottom() override { return BorderNone; }
    void setBorderBottom(BorderStyle) override {}
    Color borderLeftColor() override { return ColorAutomaticFont; }
    void setBorderLeftColor(Color) override {}
    Color borderRightColor() override { return ColorAutomaticFont; }
    void setBorderRightColor(Color) override {}
    Color borderTopColor() override { return ColorAutomaticFont; }
    void setBorderTopColor(Color) override {}
    Color borderBottomColor() override { return ColorAutomaticFont; }
    void setBorderBottomColor(Color) override {}
    BorderDiagonal borderDiagonal() override { return BorderDiagonalNone; }
    void setBorderDiagonal(BorderDiagonal) override {}
    BorderStyle borderDiagonalStyle() override { return BorderNone; }
    void setBorderDiagonalStyle(BorderStyle) override {}
    Color borderDiagonalColor() override { return ColorAutomaticFont; }
    void setBorderDiagonalColor(Color) override {}
    FillPattern fillPattern() override { return FillNone; }
    void setFillPattern(FillPattern) override {}
    Color patternForegroundColor() override { return ColorAutomaticFont; }
    void setPatternForegroundColor(Color) override {}
    Color patternBackgroundColor() override { return ColorAutomaticFont; }
    void setPatternBackgroundColor(Color) override {}
    bool locked() override { return true; }
    void setLocked(bool) override {}
    bool hidden() override { return false; }
    void setHidden(bool) override {}

private:
    int numFormat_;
};

/// The book side of a sheet: 30 formats (XF i has number format 0 unless set),
/// custom number formats by id, a digit width of 7 and one visible sheet.
class FakeSheetHost final : public SheetHost {
public:
    FakeSheetHost() {
        for (int i = 0; i < 30; ++i) formats.push_back(std::make_unique<FakeFormat>(0));
    }

    BookMessage& message() override { return msg; }
    int formatIndex(IFormat* format) override {
        for (std::size_t i = 0; i < formats.size(); ++i)
            if (formats[i].get() == format) return static_cast<int>(i);
        return -1;
    }
    IFormat* formatAtIndex(int xf) override {
        return xf >= 0 && xf < static_cast<int>(formats.size()) ? formats[static_cast<std::size_t>(xf)].get() : nullptr;
    }
    const char16_t* customNumFormat(int id) override {
        auto it = custom.find(id);
        if (it == custom.end()) {
            msg.set("custom number format not found");
            return nullptr;
        }
        return it->second.c_str();
    }
    SharedStrings& sharedStrings() override { return sst; }
    FormulaBook& formulaBook() override { return formulas; }
    DateSystem dateSystem() override { return DateSystem::From1900; }
    bool usesR1C1() override { return false; }
    int maxDigitWidth() override { return digitWidth; }
    SheetState sheetState(const SheetImplT*) override { return state; }
    bool setSheetState(const SheetImplT*, SheetState s) override {
        state = s;
        return true;
    }
    int sheetPosition(const SheetImplT*) override { return position; }
    BookNames& bookNames() override { return definedNames; }
    DrawingGroup& drawingGroup() override { return drawings; }

    IFormat* format(int xf) { return formats[static_cast<std::size_t>(xf)].get(); }
    const char* text() const { return msg.text(); }

    BookMessage msg;
    SharedStrings sst;
    std::vector<std::unique_ptr<FakeFormat>> formats;
    std::map<int, std::u16string> custom;
    int digitWidth = 7;
    SheetState state = SheetVisible;
    // No other sheets and no names to begin with: formulas here refer to cells of this
    // sheet only; names a test adds go through the book's own XTI list as in a book.
    std::vector<std::unique_ptr<SheetImplT>> otherSheets;
    std::vector<ExternalGroup> externals;
    std::vector<Lbl> names;
    BookFormulas formulas{otherSheets, externals, names};
    // With no other formulas, nothing follows a removed name.
    BookNames definedNames{names, formulas, [](std::uint32_t) {}};
    int position = 0;
    DrawingGroup drawings;
};

} // namespace karvo::testing
