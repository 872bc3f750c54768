// format_copy.cpp - copying formats and fonts through the interfaces.
#include "core/format_copy.h"

namespace karvo {

void copyFormatLook(IFormat& from, IFormat& to) {
    to.setAlignH(from.alignH());
    to.setAlignV(from.alignV());
    to.setWrap(from.wrap());
    to.setRotation(from.rotation());
    to.setIndent(from.indent());
    to.setShrinkToFit(from.shrinkToFit());
    to.setBorderLeft(from.borderLeft());
    to.setBorderRight(from.borderRight());
    to.setBorderTop(from.borderTop());
    to.setBorderBottom(from.borderBottom());
    to.setBorderLeftColor(from.borderLeftColor());
    to.setBorderRightColor(from.borderRightColor());
    to.setBorderTopColor(from.borderTopColor());
    to.setBorderBottomColor(from.borderBottomColor());
    to.setBorderDiagonal(from.borderDiagonal());
    to.setBorderDiagonalStyle(from.borderDiagonalStyle());
    to.setBorderDiagonalColor(from.borderDiagonalColor());
    to.setFillPattern(from.fillPattern());
    to.setPatternForegroundColor(from.patternForegroundColor());
    to.setPatternBackgroundColor(from.patternBackgroundColor());
    to.setLocked(from.locked());
    to.setHidden(from.hidden());
}

void copyFontProperties(IFont& from, IFont& to) {
    to.setSize(from.size());
    to.setItalic(from.italic());
    to.setStrikeOut(from.strikeOut());
    to.setColor(from.color());
    to.setBold(from.bold());
    to.setScript(from.script());
    to.setUnderline(from.underline());
    if (const char16_t* name = from.name()) to.setName(name);
}

} // namespace karvo
