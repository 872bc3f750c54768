// xml_font_impl.cpp - XMLFontImplT: the IFont operations over a `font` element.
#include "xlsx/xml_font_impl.h"

#include <algorithm>
#include <cmath>

#include "core/operation_frame.h"
#include "xlsx/style_colors.h"
#include "xlsx/style_names.h"
#include "xlsx/styles.h"
#include "xlsx/xml_book_impl.h"

namespace karvo::xlsx {
namespace {

// Sizes consumers accept, in points.
constexpr int kMinSize = 1;
constexpr int kMaxSize = 409;
// What a font without `sz` is shown at: the size of a new book's font.
constexpr int kAbsentSize = 11;
// Names are kept to what a binary book can hold, so fonts copy between families.
constexpr std::size_t kMaxNameLength = 255;

bool isOn(const lmx::owned<styles::c_CT_BooleanProperty>& property) { return property && property->val.get(); }

void turn(lmx::owned<styles::c_CT_BooleanProperty>& property, bool on) {
    if (on) property.make().val.reset();  // present without a value means true
    else property.reset();
}

} // namespace

styles::c_CT_Font& XMLFontImplT::font() const {
    auto& fonts = styles_.root().fonts;
    if (!fonts || index_ >= fonts->font.size()) throw xlerror("unknown font");
    return *fonts->font[index_];
}

template <class Body>
auto XMLFontImplT::run(std::invoke_result_t<Body, styles::c_CT_Font&> failure, Body&& body) {
    return runOperation(styles_.book().message(), failure, [&] { return body(font()); });
}

template <class Body>
void XMLFontImplT::change(Body&& body) {
    runOperation(styles_.book().message(), [&] { body(font()); });
}

int XMLFontImplT::size() {
    return run(0, [](styles::c_CT_Font& f) {
        if (!f.sz) return kAbsentSize;
        double points = f.sz->val;
        return std::isfinite(points) ? static_cast<int>(std::clamp(points, 0.0, double(kMaxSize))) : 0;
    });
}

void XMLFontImplT::setSize(int size) {
    change([&](styles::c_CT_Font& f) { f.sz.make().val = std::clamp(size, kMinSize, kMaxSize); });
}

bool XMLFontImplT::italic() { return run(false, [](styles::c_CT_Font& f) { return isOn(f.i); }); }
void XMLFontImplT::setItalic(bool italic) { change([&](styles::c_CT_Font& f) { turn(f.i, italic); }); }
bool XMLFontImplT::strikeOut() { return run(false, [](styles::c_CT_Font& f) { return isOn(f.strike); }); }
void XMLFontImplT::setStrikeOut(bool strikeOut) { change([&](styles::c_CT_Font& f) { turn(f.strike, strikeOut); }); }
bool XMLFontImplT::bold() { return run(false, [](styles::c_CT_Font& f) { return isOn(f.b); }); }
void XMLFontImplT::setBold(bool bold) { change([&](styles::c_CT_Font& f) { turn(f.b, bold); }); }

Color XMLFontImplT::color() {
    return run(Color{}, [&](styles::c_CT_Font& f) {
        bool rgbMode = styles_.book().rgbMode();
        return readColor(f.color, rgbMode ? Color{} : ColorPaletteFirst, rgbMode, styles_.root());
    });
}

void XMLFontImplT::setColor(Color color) {
    change([&](styles::c_CT_Font& f) { writeColor(f.color, color, styles_.book().rgbMode()); });
}

Script XMLFontImplT::script() {
    return run(ScriptNormal, [](styles::c_CT_Font& f) {
        return f.vertAlign ? static_cast<Script>(styleValue(kScriptNames, f.vertAlign->val)) : ScriptNormal;
    });
}

void XMLFontImplT::setScript(Script script) {
    change([&](styles::c_CT_Font& f) {
        if (script == ScriptNormal) f.vertAlign.reset();
        else f.vertAlign.make().val = styleName(kScriptNames, script);
    });
}

Underline XMLFontImplT::underline() {
    return run(UnderlineNone, [](styles::c_CT_Font& f) {
        return f.u ? static_cast<Underline>(styleValue(kUnderlineNames, f.u->val.get())) : UnderlineNone;
    });
}

void XMLFontImplT::setUnderline(Underline underline) {
    change([&](styles::c_CT_Font& f) {
        if (underline == UnderlineNone) f.u.reset();
        else f.u.make().val.set(std::u16string(styleName(kUnderlineNames, underline)));
    });
}

const char16_t* XMLFontImplT::name() {
    return run(nullptr, [](styles::c_CT_Font& f) -> const char16_t* { return f.name ? f.name->val.c_str() : u""; });
}

bool XMLFontImplT::setName(const char16_t* name) {
    return run(false, [&](styles::c_CT_Font& f) {
        std::u16string text = name ? name : u"";
        if (text.size() > kMaxNameLength) throw xlerror("string is too long");
        f.name.make().val = std::move(text);
        return true;
    });
}

} // namespace karvo::xlsx
