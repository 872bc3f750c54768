// format_description.h - everything the interfaces report of a format and its
// font, as one line, for comparing books before and after a round trip.
#pragma once

#include <string>

#include "core/interfaces.h"
#include "core/utf_convert.h"

namespace karvo::testing {

inline std::string fontDescription(IFont& font) {
    const char16_t* name = font.name();
    return "font " + std::to_string(font.size()) + " " + std::to_string(font.bold()) + std::to_string(font.italic()) +
           std::to_string(font.strikeOut()) + " color " + std::to_string(font.color()) + " script " +
           std::to_string(font.script()) + " underline " + std::to_string(font.underline()) + " " +
           (name ? utf16ToUtf8(name) : "(none)");
}

inline std::string formatDescription(IFormat& f) {
    auto number = [](auto value) { return std::to_string(static_cast<long long>(value)) + " "; };
    IFont* font = f.font();
    return "numFormat " + number(f.numFormat()) + "align " + number(f.alignH()) + number(f.alignV()) +
           number(f.wrap()) + number(f.rotation()) + number(f.indent()) + number(f.shrinkToFit()) + "borders " +
           number(f.borderLeft()) + number(f.borderRight()) + number(f.borderTop()) + number(f.borderBottom()) +
           number(f.borderLeftColor()) + number(f.borderRightColor()) + number(f.borderTopColor()) +
           number(f.borderBottomColor()) + number(f.borderDiagonal()) + number(f.borderDiagonalStyle()) +
           number(f.borderDiagonalColor()) + "fill " + number(f.fillPattern()) + number(f.patternForegroundColor()) +
           number(f.patternBackgroundColor()) + "protection " + number(f.locked()) + number(f.hidden()) +
           (font ? fontDescription(*font) : "no font");
}

} // namespace karvo::testing
