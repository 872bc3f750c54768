// xml_format_impl.cpp - XMLFormatImplT. The number format is read and written
// here; fonts, alignment, borders, fills and protection of Open XML formats are
// not available yet and answer "not supported".
#include "xlsx/xml_format_impl.h"

#include "core/operation_frame.h"
#include "xlsx/styles.h"
#include "xlsx/xml_book_impl.h"

namespace karvo::xlsx {

styles::c_CT_Xf& XMLFormatImplT::xf() const {
    auto& cellXfs = styles_.root().cellXfs;
    if (!cellXfs || index_ >= cellXfs->xf.size()) throw xlerror("unknown format");
    return *cellXfs->xf[index_];
}

int XMLFormatImplT::numFormat() {
    return runOperation(styles_.book().message(), 0, [&] { return static_cast<int>(xf().numFmtId.get()); });
}

void XMLFormatImplT::setNumFormat(int numFormat) {
    runOperation(styles_.book().message(), [&] {
        if (numFormat < 0) throw xlerror("unknown format");
        styles::c_CT_Xf& format = xf();
        format.numFmtId.set(static_cast<std::uint32_t>(numFormat));
        format.applyNumberFormat.set(true);
    });
}

namespace {

template <class T>
T unsupported(Styles& styles, T result) {
    styles.book().message().set("not supported");
    return result;
}

} // namespace

IFont* XMLFormatImplT::font() { return unsupported<IFont*>(styles_, nullptr); }
bool XMLFormatImplT::setFont(IFont*) { return unsupported(styles_, false); }
AlignH XMLFormatImplT::alignH() { return unsupported(styles_, static_cast<AlignH>(0)); }
void XMLFormatImplT::setAlignH(AlignH) { unsupported(styles_, 0); }
AlignV XMLFormatImplT::alignV() { return unsupported(styles_, static_cast<AlignV>(0)); }
void XMLFormatImplT::setAlignV(AlignV) { unsupported(styles_, 0); }
bool XMLFormatImplT::wrap() { return unsupported(styles_, false); }
void XMLFormatImplT::setWrap(bool) { unsupported(styles_, 0); }
int XMLFormatImplT::rotation() { return unsupported(styles_, 0); }
bool XMLFormatImplT::setRotation(int) { return unsupported(styles_, false); }
int XMLFormatImplT::indent() { return unsupported(styles_, 0); }
void XMLFormatImplT::setIndent(int) { unsupported(styles_, 0); }
bool XMLFormatImplT::shrinkToFit() { return unsupported(styles_, false); }
void XMLFormatImplT::setShrinkToFit(bool) { unsupported(styles_, 0); }
void XMLFormatImplT::setBorder(BorderStyle) { unsupported(styles_, 0); }
void XMLFormatImplT::setBorderColor(Color) { unsupported(styles_, 0); }
BorderStyle XMLFormatImplT::borderLeft() { return unsupported(styles_, static_cast<BorderStyle>(0)); }
void XMLFormatImplT::setBorderLeft(BorderStyle) { unsupported(styles_, 0); }
BorderStyle XMLFormatImplT::borderRight() { return unsupported(styles_, static_cast<BorderStyle>(0)); }
void XMLFormatImplT::setBorderRight(BorderStyle) { unsupported(styles_, 0); }
BorderStyle XMLFormatImplT::borderTop() { return unsupported(styles_, static_cast<BorderStyle>(0)); }
void XMLFormatImplT::setBorderTop(BorderStyle) { unsupported(styles_, 0); }
BorderStyle XMLFormatImplT::borderBottom() { return unsupported(styles_, static_cast<BorderStyle>(0)); }
void XMLFormatImplT::setBorderBottom(BorderStyle) { unsupported(styles_, 0); }
Color XMLFormatImplT::borderLeftColor() { return unsupported(styles_, ColorAutomaticFont); }
void XMLFormatImplT::setBorderLeftColor(Color) { unsupported(styles_, 0); }
Color XMLFormatImplT::borderRightColor() { return unsupported(styles_, ColorAutomaticFont); }
void XMLFormatImplT::setBorderRightColor(Color) { unsupported(styles_, 0); }
Color XMLFormatImplT::borderTopColor() { return unsupported(styles_, ColorAutomaticFont); }
void XMLFormatImplT::setBorderTopColor(Color) { unsupported(styles_, 0); }
Color XMLFormatImplT::borderBottomColor() { return unsupported(styles_, ColorAutomaticFont); }
void XMLFormatImplT::setBorderBottomColor(Color) { unsupported(styles_, 0); }
BorderDiagonal XMLFormatImplT::borderDiagonal() { return unsupported(styles_, static_cast<BorderDiagonal>(0)); }
void XMLFormatImplT::setBorderDiagonal(BorderDiagonal) { unsupported(styles_, 0); }
BorderStyle XMLFormatImplT::borderDiagonalStyle() { return unsupported(styles_, static_cast<BorderStyle>(0)); }
void XMLFormatImplT::setBorderDiagonalStyle(BorderStyle) { unsupported(styles_, 0); }
Color XMLFormatImplT::borderDiagonalColor() { return unsupported(styles_, ColorAutomaticFont); }
void XMLFormatImplT::setBorderDiagonalColor(Color) { unsupported(styles_, 0); }
FillPattern XMLFormatImplT::fillPattern() { return unsupported(styles_, static_cast<FillPattern>(0)); }
void XMLFormatImplT::setFillPattern(FillPattern) { unsupported(styles_, 0); }
Color XMLFormatImplT::patternForegroundColor() { return unsupported(styles_, ColorAutomaticFont); }
void XMLFormatImplT::setPatternForegroundColor(Color) { unsupported(styles_, 0); }
Color XMLFormatImplT::patternBackgroundColor() { return unsupported(styles_, ColorAutomaticFont); }
void XMLFormatImplT::setPatternBackgroundColor(Color) { unsupported(styles_, 0); }
bool XMLFormatImplT::locked() { return unsupported(styles_, false); }
void XMLFormatImplT::setLocked(bool) { unsupported(styles_, 0); }
bool XMLFormatImplT::hidden() { return unsupported(styles_, false); }
void XMLFormatImplT::setHidden(bool) { unsupported(styles_, 0); }

} // namespace karvo::xlsx
