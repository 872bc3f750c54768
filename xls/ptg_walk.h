// ptg_walk.h - the sizes of the tokens (Ptgs) of a formula's token array, and a walk over them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace karvo::ptg {

// Body sizes by base id (a classed id 0x20-0x7F shares the size of its 0x20-0x3F form).
inline constexpr std::int8_t kUnknown = -1;
inline constexpr std::int8_t kVariable = -2; // 0x17, 0x18 and 0x19 read their own length
inline constexpr auto kBodySize = [] {
    std::array<std::int8_t, 0x40> size{};
    size.fill(kUnknown);
    size[0x01] = size[0x02] = 4;
    for (int id = 0x03; id <= 0x16; ++id) size[id] = 0;
    size[0x17] = size[0x18] = size[0x19] = kVariable;
    size[0x1C] = size[0x1D] = 1;
    size[0x1E] = size[0x21] = size[0x29] = 2;
    size[0x22] = 3;
    size[0x23] = size[0x24] = size[0x2A] = size[0x2C] = 4;
    size[0x26] = size[0x27] = size[0x28] = size[0x39] = size[0x3A] = size[0x3C] = 6;
    size[0x20] = 7;
    size[0x1F] = size[0x25] = size[0x2B] = size[0x2D] = 8;
    size[0x3B] = size[0x3D] = 10;
    return size;
}();

/// The id with its class folded away: 0x20-0x7F map to 0x20-0x3F; 0 (unknown) for
/// ids with the high bit, which no Ptg has.
inline std::uint8_t baseId(std::uint8_t id) {
    if (id >= 0x80) return 0;
    return id < 0x20 ? id : static_cast<std::uint8_t>((id & 0x1F) | 0x20);
}

// Sub-types of 0x18 (labels of natural-language formulas) with their body sizes after
// the sub-type: the spelled-out radicals keep 9 more bytes after their cell. Files
// agree: the one such token of the corpus sits in a PtgMemFunc whose length counts 13.
struct ElfType {
    std::uint8_t type;
    std::uint8_t size;
    bool holdsCell; ///< a row, column or cell used as a label, stored as in PtgRef
};
inline constexpr std::array<ElfType, 11> kElfTypes = {{
    {0x01, 4, false}, {0x02, 4, true}, {0x03, 4, true}, {0x06, 4, true}, {0x07, 4, true}, {0x0A, 13, true},
    {0x0B, 13, false}, {0x0D, 4, false}, {0x0F, 4, false}, {0x10, 4, false}, {0x1D, 4, false},
}};
/// The sub-type of a PtgElf; null for one the format does not have.
const ElfType* findElf(std::uint8_t type);

/// The sub-types of 0x19 with a two-byte body; PtgAttrChoose carries a jump table.
inline constexpr std::array<std::uint8_t, 8> kAttributes = {0x01, 0x02, 0x08, 0x10, 0x20, 0x21, 0x40, 0x41};
inline constexpr std::uint8_t kAttrChoose = 0x04;

/// Calls visit(id, offset) for each Ptg of a token array in order, tokens inside the
/// sub-expression of a memory token included. Returns false, after visiting the
/// tokens before it, at a token the format does not have or one that runs past the end.
bool forEach(std::span<const std::uint8_t> tokens, const std::function<void(std::uint8_t, std::size_t)>& visit);

} // namespace karvo::ptg
