// xml_format_impl.cpp - XMLFormatImplT. The number format is read and written
// here; fonts, alignment, borders, fills and protection of Open XML formats are
// not available yet and answer "not supported".
#include "xlsx/not_supported.h"

#include "core/operation_frame.h"
#include "xlsx/styles.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_format_impl.h"

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

IFont* XMLFormatImplT::font() { return notSupported<IFont*>(styles_.book().message(), nullptr); }
bool XMLFormatImplT::setFont(IFont*) { return notSupported(styles_.book().message(), false); }
AlignH XMLFormatImplT::alignH() { return notSupported(styles_.book().message(), static_cast<AlignH>(0)); }
void XMLFormatImplT::setAlignH(AlignH) { notSupported(styles_.book().message(), 0); }
AlignV XMLFormatImplT::alignV() { return notSupported(styles_.book().message(), static_cast<AlignV>(0)); }
void XMLFormatImplT::setAlignV(AlignV) { notSupported(styles_.book().message(), 0); }
bool XMLFormatImplT::wrap() { return notSupported(styles_.book().message(), false); }
void XMLFormatImplT::setWrap(bool) { notSupported(styles_.book().message(), 0); }
int XMLFormatImplT::rotation() { return notSupported(styles_.book().message(), 0); }
bool XMLFormatImplT::setRotation(int) { return notSupported(styles_.book().message(), false); }
int XMLFormatImplT::indent() { return notSupported(styles_.book().message(), 0); }
void XMLFormatImplT::setIndent(int) { notSupported(styles_.book().message(), 0); }
bool XMLFormatImplT::shrinkToFit() { return notSupported(styles_.book().message(), false); }
void XMLFormatImplT::setShrinkToFit(bool) { notSupported(styles_.book().message(), 0); }
void XMLFormatImplT::setBorder(BorderStyle) { notSupported(styles_.book().message(), 0); }
void XMLFormatImplT::setBorderColor(Color) { notSupported(styles_.book().message(), 0); }
BorderStyle XMLFormatImplT::borderLeft() { return notSupported(styles_.book().message(), static_cast<BorderStyle>(0)); }
void XMLFormatImplT::setBorderLeft(BorderStyle) { notSupported(styles_.book().message(), 0); }
BorderStyle XMLFormatImplT::borderRight() { return notSupported(styles_.book().message(), static_cast<BorderStyle>(0)); }
void XMLFormatImplT::setBorderRight(BorderStyle) { notSupported(styles_.book().message(), 0); }
BorderStyle XMLFormatImplT::borderTop() { return notSupported(styles_.book().message(), static_cast<BorderStyle>(0)); }
void XMLFormatImplT::setBorderTop(BorderStyle) { notSupported(styles_.book().message(), 0); }
BorderStyle XMLFormatImplT::borderBottom() { return notSupported(styles_.book().message(), static_cast<BorderStyle>(0)); }
void XMLFormatImplT::setBorderBottom(BorderStyle) { notSupported(styles_.book().message(), 0); }
Color XMLFormatImplT::borderLeftColor() { return notSupported(styles_.book().message(), ColorAutomaticFont); }
void XMLFormatImplT::setBorderLeftColor(Color) { notSupported(styles_.book().message(), 0); }
Color XMLFormatImplT::borderRightColor() { return notSupported(styles_.book().message(), ColorAutomaticFont); }
void XMLFormatImplT::setBorderRightColor(Color) { notSupported(styles_.book().message(), 0); }
Color XMLFormatImplT::borderTopColor() { return notSupported(styles_.book().message(), ColorAutomaticFont); }
void XMLFormatImplT::setBorderTopColor(Color) { notSupported(styles_.book().message(), 0); }
Color XMLFormatImplT::borderBottomColor() { return notSupported(styles_.book().message(), ColorAutomaticFont); }
void XMLFormatImplT::setBorderBottomColor(Color) { notSupported(styles_.book().message(), 0); }
BorderDiagonal XMLFormatImplT::borderDiagonal() { return notSupported(styles_.book().message(), static_cast<BorderDiagonal>(0)); }
void XMLFormatImplT::setBorderDiagonal(BorderDiagonal) { notSupported(styles_.book().message(), 0); }
BorderStyle XMLFormatImplT::borderDiagonalStyle() { return notSupported(styles_.book().message(), static_cast<BorderStyle>(0)); }
void XMLFormatImplT::setBorderDiagonalStyle(BorderStyle) { notSupported(styles_.book().message(), 0); }
Color XMLFormatImplT::borderDiagonalColor() { return notSupported(styles_.book().message(), ColorAutomaticFont); }
void XMLFormatImplT::setBorderDiagonalColor(Color) { notSupported(styles_.book().message(), 0); }
FillPattern XMLFormatImplT::fillPattern() { return notSupported(styles_.book().message(), static_cast<FillPattern>(0)); }
void XMLFormatImplT::setFillPattern(FillPattern) { notSupported(styles_.book().message(), 0); }
Color XMLFormatImplT::patternForegroundColor() { return notSupported(styles_.book().message(), ColorAutomaticFont); }
void XMLFormatImplT::setPatternForegroundColor(Color) { notSupported(styles_.book().message(), 0); }
Color XMLFormatImplT::patternBackgroundColor() { return notSupported(styles_.book().message(), ColorAutomaticFont); }
void XMLFormatImplT::setPatternBackgroundColor(Color) { notSupported(styles_.book().message(), 0); }
bool XMLFormatImplT::locked() { return notSupported(styles_.book().message(), false); }
void XMLFormatImplT::setLocked(bool) { notSupported(styles_.book().message(), 0); }
bool XMLFormatImplT::hidden() { return notSupported(styles_.book().message(), false); }
void XMLFormatImplT::setHidden(bool) { notSupported(styles_.book().message(), 0); }

} // namespace karvo::xlsx
