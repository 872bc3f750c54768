// name_tokens.cpp - renumbering PtgName and PtgNameX after a name is removed.
#include "xls/name_tokens.h"

#include <algorithm>

#include "xls/ptg_walk.h"

namespace karvo {
namespace {

constexpr std::uint8_t kPtgName = 0x23;  // ilbl u32
constexpr std::uint8_t kPtgNameX = 0x39; // xti u16, ilbl u16, reserved u16
constexpr std::uint8_t kPtgErr = 0x1C;
constexpr std::uint8_t kPtgParen = 0x15;
constexpr std::uint8_t kErrorName = 0x1D; // #NAME?

// A removed name's token becomes PtgErr #NAME? and brackets around it, filling the
// token's own size: IF and CHOOSE jumps and the lengths of memory tokens count bytes,
// so no token may change size. The brackets are only shown, and the text they show
// compiles back to the same bytes.
void nameError(std::span<std::uint8_t> token) {
    token[0] = kPtgErr;
    token[1] = kErrorName;
    std::fill(token.begin() + 2, token.end(), kPtgParen);
}

std::uint32_t readLittle(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;) value = value << 8 | bytes[i];
    return value;
}

void writeLittle(std::span<std::uint8_t> bytes, std::uint32_t value) {
    for (std::uint8_t& b : bytes) {
        b = static_cast<std::uint8_t>(value);
        value >>= 8;
    }
}

} // namespace

void renumberNameTokens(std::span<std::uint8_t> tokens, std::uint32_t removed,
                        const std::function<bool(std::uint16_t)>& ownBook) {
    // The walk has read past a token when it is visited, so rewriting it in place is safe.
    ptg::forEach(tokens, [&](std::uint8_t id, std::size_t at) {
        const std::uint8_t base = ptg::baseId(id);
        std::span<std::uint8_t> index;
        if (base == kPtgName) index = tokens.subspan(at + 1, 4);
        else if (base == kPtgNameX && ownBook(static_cast<std::uint16_t>(readLittle(tokens.subspan(at + 1, 2)))))
            index = tokens.subspan(at + 3, 2);
        else return;
        const std::uint32_t number = readLittle(index);
        if (number == removed) nameError(tokens.subspan(at, base == kPtgName ? 5 : 7));
        else if (number > removed) writeLittle(index, number - 1);
    });
}

} // namespace karvo
