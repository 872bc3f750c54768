// xml_reader_chars.h - the pull reader's character classes: one flag byte per byte value.
#pragma once

#include <array>
#include <cstdint>

namespace lmx::detail {

/// Testing a class costs one load and one AND, so the scanning loops stay short.
enum char_class : std::uint8_t {
    ct_space = 1,       // \t \n \r and blank
    ct_name_start = 2,  // A-Z a-z _ : and every byte >= 0x80 (the input is valid UTF-8 by now)
    ct_name = 4,        // the name starts, plus 0-9 - .
    ct_text_stop = 8,   // < & \r: a run of character data must stop there
    ct_attr_dq = 16,    // " & < : a run inside a double-quoted value must stop there
    ct_attr_sq = 32,    // ' & <
};

constexpr std::array<std::uint8_t, 256> make_char_table() {
    std::array<std::uint8_t, 256> t{};
    for (int c : {'\t', '\n', '\r', ' '}) t[c] |= ct_space;
    for (int c = 0; c < 256; ++c) {
        bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
        bool digit = (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (letter) t[c] |= ct_name_start | ct_name;
        if (digit) t[c] |= ct_name;
    }
    for (int c : {'<', '&', '\r'}) t[c] |= ct_text_stop;
    for (int c : {'"', '&', '<'}) t[c] |= ct_attr_dq;
    for (int c : {'\'', '&', '<'}) t[c] |= ct_attr_sq;
    return t;
}

inline constexpr std::array<std::uint8_t, 256> kCharTable = make_char_table();

inline bool is(char c, std::uint8_t flags) { return (kCharTable[static_cast<unsigned char>(c)] & flags) != 0; }

/// Advances `p` over bytes of class `flags`, stopping at `end`. Four bytes per step:
/// the runs it serves (names, blanks) are short, but attribute values and text are not.
inline const char* scan_while(const char* p, const char* end, std::uint8_t flags) {
    while (end - p >= 4) {
        if (!is(p[0], flags)) return p;
        if (!is(p[1], flags)) return p + 1;
        if (!is(p[2], flags)) return p + 2;
        if (!is(p[3], flags)) return p + 3;
        p += 4;
    }
    while (p < end && is(*p, flags)) ++p;
    return p;
}

/// Advances `p` to the first byte of class `flags`, or to `end`.
inline const char* scan_until(const char* p, const char* end, std::uint8_t flags) {
    while (end - p >= 4) {
        if (is(p[0], flags)) return p;
        if (is(p[1], flags)) return p + 1;
        if (is(p[2], flags)) return p + 2;
        if (is(p[3], flags)) return p + 3;
        p += 4;
    }
    while (p < end && !is(*p, flags)) ++p;
    return p;
}

} // namespace lmx::detail
