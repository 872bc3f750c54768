// byte_scan.h - byte-class tests over text eight bytes at a time, for the loops that
// every byte of a part passes through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace lmx::detail {

inline constexpr std::uint64_t kEveryByte = 0x0101010101010101ull;
inline constexpr std::uint64_t kTopBits = 0x8080808080808080ull;

/// The length of the run of ASCII bytes (below 0x80) that `text` starts with.
inline std::size_t ascii_prefix(std::string_view text) {
    std::size_t i = 0;
    for (std::uint64_t word; text.size() - i >= 8; i += 8) {
        std::memcpy(&word, text.data() + i, 8);
        if (word & kTopBits) break;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i;
}

/// Whether `text` holds a byte below 0x20 (a control character, or a tab or line
/// end). For a word of bytes below 0x80, subtracting 0x20 from each borrows, and sets
/// the top bit, exactly in the bytes below 0x20; bytes from 0x80 up are tested alone.
inline bool has_byte_below_blank(std::string_view text) {
    std::size_t i = 0;
    for (std::uint64_t word; text.size() - i >= 8; i += 8) {
        std::memcpy(&word, text.data() + i, 8);
        if (word & kTopBits) break;
        if ((word - kEveryByte * 0x20) & kTopBits) return true;
    }
    for (; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) < 0x20) return true;
    return false;
}

} // namespace lmx::detail
