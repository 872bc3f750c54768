// name_tokens.cpp - renumbering PtgName and PtgNameX after a name is removed.
#include "xls/name_tokens.h"

#include <algorithm>

#include "core/byte_reader.h"
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

} // namespace

void renumberNameTokens(std::span<std::uint8_t> tokens, std::uint32_t removed,
                        const std::function<bool(std::uint16_t)>& ownBook) {
    // The walk has read past a token when it is visited, so rewriting it in place is safe.
    ptg::forEach(tokens, [&](std::uint8_t id, std::size_t at) {
        const std::uint8_t base = ptg::baseId(id);
        std::span<std::uint8_t> index;
        if (base == kPtgName) index = tokens.subspan(at + 1, 4);
        else if (base == kPtgNameX && ownBook(ByteReader(tokens.subspan(at + 1, 2)).u16()))
            index = tokens.subspan(at + 3, 2);
        else return;
        const std::uint32_t number = base == kPtgName ? ByteReader(index).u32() : ByteReader(index).u16();
        if (number == removed) nameError(tokens.subspan(at, base == kPtgName ? 5 : 7));
        else if (number > removed) storeLittle(index, number - 1);
    });
}

} // namespace karvo
