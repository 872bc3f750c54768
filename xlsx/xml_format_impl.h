// xml_format_impl.h - XMLFormatImplT, one cell format (an `xf` of `cellXfs`).
#pragma once

#include <cstdint>
#include <type_traits>

#include "core/interfaces.h"
#include "xlsx/ooxml/sml-styles.h"

namespace karvo::xlsx {

class Styles;

class XMLFormatImplT final : public IFormat {
public:
    XMLFormatImplT(Styles& styles, std::uint32_t index) : styles_(styles), index_(index) {}
    std::uint32_t index() const { return index_; }
    Styles& stylesheet() const { return styles_; }

    // ---- IFormat, in slot order ----
    IFont* font() override;
    bool setFont(IFont* font) override;
    int numFormat() override;
    void setNumFormat(int numFormat) override;
    AlignH alignH() override;
    void setAlignH(AlignH align) override;
    AlignV alignV() override;
    void setAlignV(AlignV align) override;
    bool wrap() override;
    void setWrap(bool wrap) override;
    int rotation() override;
    bool setRotation(int rotation) override;
    int indent() override;
    void setIndent(int indent) override;
    bool shrinkToFit() override;
    void setShrinkToFit(bool shrinkToFit) override;
    void setBorder(BorderStyle style) override;
    void setBorderColor(Color color) override;
    BorderStyle borderLeft() override;
    void setBorderLeft(BorderStyle style) override;
    BorderStyle borderRight() override;
    void setBorderRight(BorderStyle style) override;
    BorderStyle borderTop() override;
    void setBorderTop(BorderStyle style) override;
    BorderStyle borderBottom() override;
    void setBorderBottom(BorderStyle style) override;
    Color borderLeftColor() override;
    void setBorderLeftColor(Color color) override;
    Color borderRightColor() override;
    void setBorderRightColor(Color color) override;
    Color borderTopColor() override;
    void setBorderTopColor(Color color) override;
    Color borderBottomColor() override;
    void setBorderBottomColor(Color color) override;
    BorderDiagonal borderDiagonal() override;
    void setBorderDiagonal(BorderDiagonal border) override;
    BorderStyle borderDiagonalStyle() override;
    void setBorderDiagonalStyle(BorderStyle style) override;
    Color borderDiagonalColor() override;
    void setBorderDiagonalColor(Color color) override;
    FillPattern fillPattern() override;
    void setFillPattern(FillPattern pattern) override;
    Color patternForegroundColor() override;
    void setPatternForegroundColor(Color color) override;
    Color patternBackgroundColor() override;
    void setPatternBackgroundColor(Color color) override;
    bool locked() override;
    void setLocked(bool locked) override;
    bool hidden() override;
    void setHidden(bool hidden) override;

private:
    styles::c_CT_Xf& xf() const;
    bool rgbMode() const;
    // The border and fill records the format shows (null: none, read as defaults),
    // and the ones it changes, made for it when it has none.
    styles::c_CT_Border* border() const;
    styles::c_CT_Border& borderToChange();
    styles::c_CT_Fill* fill() const;
    styles::c_CT_PatternFill& patternToChange();
    styles::c_CT_CellAlignment& alignmentToChange();
    styles::c_CT_CellProtection& protectionToChange();

    using Side = lmx::owned<styles::c_CT_BorderPr> styles::c_CT_Border::*;
    BorderStyle sideStyle(Side side);
    void setSideStyle(Side side, BorderStyle style);
    Color sideColor(Side side);
    void setSideColor(Side side, Color color);
    using PatternColor = lmx::owned<styles::c_CT_Color> styles::c_CT_PatternFill::*;
    Color patternColor(PatternColor which, Color absentPalette, Color absentRgb);
    void setPatternColor(PatternColor which, Color color);

    template <class Body>
    auto run(std::invoke_result_t<Body> failure, Body&& body);
    template <class Body>
    void change(Body&& body);

    Styles& styles_;
    std::uint32_t index_;
};

} // namespace karvo::xlsx
