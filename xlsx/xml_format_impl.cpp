// xml_format_impl.cpp - XMLFormatImplT: the IFormat operations over one `xf` and
// the border and fill records it points at.
#include "xlsx/xml_format_impl.h"

#include <algorithm>

#include "core/operation_frame.h"
#include "xlsx/style_colors.h"
#include "xlsx/style_names.h"
#include "xlsx/styles.h"
#include "xlsx/xml_book_impl.h"
#include "xlsx/xml_font_impl.h"

namespace karvo::xlsx {
namespace {

constexpr std::uint32_t kMaxRotation = 180;
constexpr std::uint32_t kRotationVertical = 255;  // letters stacked top to bottom
// The deepest indent consumers offer.
constexpr int kMaxIndent = 250;

using styles::c_CT_Border;
using styles::c_CT_PatternFill;

} // namespace

template <class Body>
auto XMLFormatImplT::run(std::invoke_result_t<Body> failure, Body&& body) {
    return runOperation(styles_.book().message(), failure, std::forward<Body>(body));
}

template <class Body>
void XMLFormatImplT::change(Body&& body) {
    runOperation(styles_.book().message(), std::forward<Body>(body));
}

styles::c_CT_Xf& XMLFormatImplT::xf() const {
    auto& cellXfs = styles_.root().cellXfs;
    if (!cellXfs || index_ >= cellXfs->xf.size()) throw xlerror("unknown format");
    return *cellXfs->xf[index_];
}

bool XMLFormatImplT::rgbMode() const { return styles_.book().rgbMode(); }

styles::c_CT_Border* XMLFormatImplT::border() const { return styles_.borderAt(xf().borderId); }
styles::c_CT_Fill* XMLFormatImplT::fill() const { return styles_.fillAt(xf().fillId); }

styles::c_CT_Border& XMLFormatImplT::borderToChange() {
    styles::c_CT_Xf& format = xf();
    format.applyBorder.set(true);
    if (c_CT_Border* record = styles_.borderAt(format.borderId)) return *record;
    return styles_.addBorder(format.borderId);
}

styles::c_CT_PatternFill& XMLFormatImplT::patternToChange() {
    styles::c_CT_Xf& format = xf();
    format.applyFill.set(true);
    styles::c_CT_Fill* record = styles_.fillAt(format.fillId);
    if (!record) record = &styles_.addFill(format.fillId);
    // A fill is a pattern or a gradient; setting pattern properties makes it a pattern.
    record->gradientFill.reset();
    return record->patternFill.make();
}

styles::c_CT_CellAlignment& XMLFormatImplT::alignmentToChange() {
    styles::c_CT_Xf& format = xf();
    format.applyAlignment.set(true);
    return format.alignment.make();
}

styles::c_CT_CellProtection& XMLFormatImplT::protectionToChange() {
    styles::c_CT_Xf& format = xf();
    format.applyProtection.set(true);
    return format.protection.make();
}

// ---- font and number format ----

IFont* XMLFormatImplT::font() {
    return run(nullptr, [&]() -> IFont* {
        const styles::c_CT_Xf& format = xf();
        if (!format.fontId.has()) return nullptr;
        XMLFontImplT* found = styles_.fontAt(format.fontId.get());
        if (!found) throw xlerror("unknown font");
        return found;
    });
}

bool XMLFormatImplT::setFont(IFont* font) {
    return run(false, [&] {
        std::uint32_t index = styles_.fontIndexOf(font);
        styles::c_CT_Xf& format = xf();
        format.fontId.set(index);
        format.applyFont.set(true);
        return true;
    });
}

int XMLFormatImplT::numFormat() {
    return run(0, [&] { return static_cast<int>(std::min<std::uint32_t>(xf().numFmtId.get(), INT32_MAX)); });
}

void XMLFormatImplT::setNumFormat(int numFormat) {
    change([&] {
        if (numFormat < 0) throw xlerror("unknown format");
        styles::c_CT_Xf& format = xf();
        format.numFmtId.set(static_cast<std::uint32_t>(numFormat));
        format.applyNumberFormat.set(true);
    });
}

// ---- alignment ----

AlignH XMLFormatImplT::alignH() {
    return run(AlignHGeneral, [&] {
        const auto& alignment = xf().alignment;
        return alignment ? styleValue(kHorizontalNames, alignment->horizontal, AlignHGeneral) : AlignHGeneral;
    });
}

void XMLFormatImplT::setAlignH(AlignH align) {
    change([&] { alignmentToChange().horizontal.set(std::u16string(styleName(kHorizontalNames, align))); });
}

AlignV XMLFormatImplT::alignV() {
    return run(AlignVBottom, [&] {
        const auto& alignment = xf().alignment;
        return alignment ? styleValue(kVerticalNames, alignment->vertical, AlignVBottom) : AlignVBottom;
    });
}

void XMLFormatImplT::setAlignV(AlignV align) {
    change([&] { alignmentToChange().vertical.set(std::u16string(styleName(kVerticalNames, align))); });
}

bool XMLFormatImplT::wrap() {
    return run(false, [&] { return xf().alignment && xf().alignment->wrapText.get(); });
}

void XMLFormatImplT::setWrap(bool wrap) {
    change([&] { alignmentToChange().wrapText.set(wrap); });
}

int XMLFormatImplT::rotation() {
    return run(0, [&] {
        const auto& alignment = xf().alignment;
        return alignment ? static_cast<int>(std::min(alignment->textRotation.get(), kRotationVertical)) : 0;
    });
}

bool XMLFormatImplT::setRotation(int rotation) {
    return run(false, [&] {
        auto value = static_cast<std::uint32_t>(rotation);
        if (rotation < 0 || (value > kMaxRotation && value != kRotationVertical))
            throw xlerror("rotation must be in range 0-180 or 255");
        alignmentToChange().textRotation.set(value);
        return true;
    });
}

int XMLFormatImplT::indent() {
    return run(0, [&] {
        const auto& alignment = xf().alignment;
        return alignment ? static_cast<int>(std::min<std::uint32_t>(alignment->indent.get(), kMaxIndent)) : 0;
    });
}

void XMLFormatImplT::setIndent(int indent) {
    change([&] { alignmentToChange().indent.set(static_cast<std::uint32_t>(std::clamp(indent, 0, kMaxIndent))); });
}

bool XMLFormatImplT::shrinkToFit() {
    return run(false, [&] { return xf().alignment && xf().alignment->shrinkToFit.get(); });
}

void XMLFormatImplT::setShrinkToFit(bool shrinkToFit) {
    change([&] { alignmentToChange().shrinkToFit.set(shrinkToFit); });
}

// ---- borders ----

BorderStyle XMLFormatImplT::sideStyle(Side side) {
    return run(BorderNone, [&] {
        const c_CT_Border* record = border();
        if (!record || !(record->*side)) return BorderNone;
        return static_cast<BorderStyle>(styleValue(kBorderStyleNames, (record->*side)->style.get()));
    });
}

void XMLFormatImplT::setSideStyle(Side side, BorderStyle style) {
    change([&] {
        std::u16string name(styleName(kBorderStyleNames, style));
        (borderToChange().*side).make().style.set(std::move(name));
    });
}

Color XMLFormatImplT::sideColor(Side side) {
    return run(Color{}, [&] {
        bool rgb = rgbMode();
        Color absent = rgb ? Color{} : ColorSystemForeground;
        const c_CT_Border* record = border();
        if (!record || !(record->*side)) return absent;
        return readColor((record->*side)->color, absent, rgb, styles_.root());
    });
}

void XMLFormatImplT::setSideColor(Side side, Color color) {
    change([&] {
        if (color != kNoColor) writeColor((borderToChange().*side).make().color, color, rgbMode());
    });
}

void XMLFormatImplT::setBorder(BorderStyle style) {
    setBorderLeft(style);
    setBorderRight(style);
    setBorderTop(style);
    setBorderBottom(style);
}

void XMLFormatImplT::setBorderColor(Color color) {
    setBorderLeftColor(color);
    setBorderRightColor(color);
    setBorderTopColor(color);
    setBorderBottomColor(color);
}

BorderStyle XMLFormatImplT::borderLeft() { return sideStyle(&c_CT_Border::left); }
void XMLFormatImplT::setBorderLeft(BorderStyle style) { setSideStyle(&c_CT_Border::left, style); }
BorderStyle XMLFormatImplT::borderRight() { return sideStyle(&c_CT_Border::right); }
void XMLFormatImplT::setBorderRight(BorderStyle style) { setSideStyle(&c_CT_Border::right, style); }
BorderStyle XMLFormatImplT::borderTop() { return sideStyle(&c_CT_Border::top); }
void XMLFormatImplT::setBorderTop(BorderStyle style) { setSideStyle(&c_CT_Border::top, style); }
BorderStyle XMLFormatImplT::borderBottom() { return sideStyle(&c_CT_Border::bottom); }
void XMLFormatImplT::setBorderBottom(BorderStyle style) { setSideStyle(&c_CT_Border::bottom, style); }
Color XMLFormatImplT::borderLeftColor() { return sideColor(&c_CT_Border::left); }
void XMLFormatImplT::setBorderLeftColor(Color color) { setSideColor(&c_CT_Border::left, color); }
Color XMLFormatImplT::borderRightColor() { return sideColor(&c_CT_Border::right); }
void XMLFormatImplT::setBorderRightColor(Color color) { setSideColor(&c_CT_Border::right, color); }
Color XMLFormatImplT::borderTopColor() { return sideColor(&c_CT_Border::top); }
void XMLFormatImplT::setBorderTopColor(Color color) { setSideColor(&c_CT_Border::top, color); }
Color XMLFormatImplT::borderBottomColor() { return sideColor(&c_CT_Border::bottom); }
void XMLFormatImplT::setBorderBottomColor(Color color) { setSideColor(&c_CT_Border::bottom, color); }
BorderStyle XMLFormatImplT::borderDiagonalStyle() { return sideStyle(&c_CT_Border::diagonal); }
void XMLFormatImplT::setBorderDiagonalStyle(BorderStyle style) { setSideStyle(&c_CT_Border::diagonal, style); }
Color XMLFormatImplT::borderDiagonalColor() { return sideColor(&c_CT_Border::diagonal); }
void XMLFormatImplT::setBorderDiagonalColor(Color color) { setSideColor(&c_CT_Border::diagonal, color); }

BorderDiagonal XMLFormatImplT::borderDiagonal() {
    return run(BorderDiagonalNone, [&] {
        const c_CT_Border* record = border();
        if (!record) return BorderDiagonalNone;
        return static_cast<BorderDiagonal>((record->diagonalDown.get() ? BorderDiagonalDown : 0) |
                                           (record->diagonalUp.get() ? BorderDiagonalUp : 0));
    });
}

void XMLFormatImplT::setBorderDiagonal(BorderDiagonal diagonal) {
    change([&] {
        if (diagonal < BorderDiagonalNone || diagonal > BorderDiagonalBoth) throw xlerror("invalid border diagonal");
        c_CT_Border& record = borderToChange();
        auto mark = [](lmx::opt<bool>& flag, bool on) { on ? flag.set(true) : flag.reset(); };
        mark(record.diagonalDown, diagonal & BorderDiagonalDown);
        mark(record.diagonalUp, diagonal & BorderDiagonalUp);
    });
}

// ---- fill ----

FillPattern XMLFormatImplT::fillPattern() {
    return run(FillNone, [&] {
        const styles::c_CT_Fill* record = fill();
        if (!record || !record->patternFill) return FillNone;
        return styleValue(kPatternNames, record->patternFill->patternType, FillNone);
    });
}

void XMLFormatImplT::setFillPattern(FillPattern pattern) {
    change([&] {
        std::u16string name(styleName(kPatternNames, pattern));
        patternToChange().patternType.set(std::move(name));
    });
}

Color XMLFormatImplT::patternColor(PatternColor which, Color absentPalette, Color absentRgb) {
    return run(Color{}, [&] {
        bool rgb = rgbMode();
        Color absent = rgb ? absentRgb : absentPalette;
        const styles::c_CT_Fill* record = fill();
        if (!record || !record->patternFill) return absent;
        return readColor(record->patternFill.get()->*which, absent, rgb, styles_.root());
    });
}

void XMLFormatImplT::setPatternColor(PatternColor which, Color color) {
    change([&] {
        if (color != kNoColor) writeColor(patternToChange().*which, color, rgbMode());
    });
}

// Without a colour of their own, patterns are drawn in the window's text and
// background colours; in RGB mode those are black and white.
Color XMLFormatImplT::patternForegroundColor() {
    return patternColor(&c_CT_PatternFill::fgColor, ColorSystemForeground, Color{});
}
void XMLFormatImplT::setPatternForegroundColor(Color color) { setPatternColor(&c_CT_PatternFill::fgColor, color); }
Color XMLFormatImplT::patternBackgroundColor() {
    return patternColor(&c_CT_PatternFill::bgColor, ColorSystemBackground, static_cast<Color>(0xFFFFFF));
}
void XMLFormatImplT::setPatternBackgroundColor(Color color) { setPatternColor(&c_CT_PatternFill::bgColor, color); }

// ---- protection ----

bool XMLFormatImplT::locked() {
    return run(false, [&] {
        const auto& protection = xf().protection;
        return !protection || !protection->locked.has() || protection->locked.get();
    });
}

void XMLFormatImplT::setLocked(bool locked) {
    change([&] { protectionToChange().locked.set(locked); });
}

bool XMLFormatImplT::hidden() {
    return run(false, [&] { return xf().protection && xf().protection->hidden.get(); });
}

void XMLFormatImplT::setHidden(bool hidden) {
    change([&] { protectionToChange().hidden.set(hidden); });
}

} // namespace karvo::xlsx
