// utf16_units.h - UTF-16 read by code points and written as UTF-8; shared by the
// writer's escaping and the plain conversion of value_text.
#pragma once

#include <cstddef>
#include <string_view>

namespace lmx::detail {

/// What next_code_point gives for a surrogate without its partner.
inline constexpr char32_t kUnpairedSurrogate = 0xFFFFFFFF;

/// The code point that starts at text[i]; i moves past it (one or two units).
inline char32_t next_code_point(std::u16string_view text, std::size_t& i) {
    char32_t unit = text[i++];
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    if (unit >= 0xDC00 || i == text.size()) return kUnpairedSurrogate;
    char32_t low = text[i];
    if (low < 0xDC00 || low > 0xDFFF) return kUnpairedSurrogate;
    ++i;
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
}

/// Writes a code point (at most U+10FFFF, not a surrogate) as UTF-8; returns the
/// number of bytes, 1 to 4.
inline int put_utf8(char32_t cp, char* p) {
    if (cp < 0x80) {
        p[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        p[0] = static_cast<char>(0xC0 | (cp >> 6));
        p[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        p[0] = static_cast<char>(0xE0 | (cp >> 12));
        p[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        p[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    p[0] = static_cast<char>(0xF0 | (cp >> 18));
    p[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    p[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    p[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

} // namespace lmx::detail
