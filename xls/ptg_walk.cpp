// ptg_walk.cpp - walking a token array one Ptg at a time.
#include "xls/ptg_walk.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "xls/biff_strings.h"

namespace karvo::ptg {
namespace {

// Moves `in` past the body of a token of variable length; false for a sub-type the
// format does not have.
bool skipVariable(ByteReader& in, std::uint8_t base) {
    if (base == 0x17) {
        readShortString(in, ShortForm::Count8);
        return true;
    }
    const std::uint8_t type = in.u8();
    if (base == 0x18) {
        const ElfType* elf = findElf(type);
        return elf && in.skip(elf->size);
    }
    if (type == kAttrChoose) {
        const std::size_t choices = in.u16();
        return in.skip((choices + 1) * 2);
    }
    return std::find(kAttributes.begin(), kAttributes.end(), type) != kAttributes.end() && in.skip(2);
}

} // namespace

const ElfType* findElf(std::uint8_t type) {
    auto found = std::find_if(kElfTypes.begin(), kElfTypes.end(), [&](const ElfType& e) { return e.type == type; });
    return found == kElfTypes.end() ? nullptr : &*found;
}

bool forEach(std::span<const std::uint8_t> tokens, const std::function<void(std::uint8_t, std::size_t)>& visit) {
    ByteReader in(tokens);
    while (!in.atEnd()) {
        const std::size_t at = in.position();
        const std::uint8_t id = in.u8();
        const std::uint8_t base = baseId(id);
        const std::int8_t size = kBodySize[base];
        if (size == kUnknown) return false;
        const bool known = size == kVariable ? skipVariable(in, base) : in.skip(static_cast<std::size_t>(size));
        if (!known || !in.ok()) return false;
        visit(id, at);
    }
    return true;
}

} // namespace karvo::ptg
