// name_tokens.cpp - renumbering PtgName and PtgNameX after a name is removed.
#include "xls/name_tokens.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "xls/ptg_walk.h"
#include "xls/record_id.h"

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

// A CF record ends with its two formulas: type, operator, both lengths, the
// formatting block (whose size depends on its flags) and then the tokens.
std::vector<std::span<std::uint8_t>> conditionFormulas(std::span<std::uint8_t> body) {
    ByteReader in(body);
    in.skip(2);
    const std::size_t first = in.u16(), second = in.u16();
    if (!in.ok() || first + second > in.remaining()) return {};
    const std::size_t start = body.size() - first - second;
    return {body.subspan(start, first), body.subspan(start + first, second)};
}

// A DV record: flags, four texts (length, a byte whose bit 0 says two bytes a
// character, the characters), then each formula as length, two unused bytes, tokens.
std::vector<std::span<std::uint8_t>> validationFormulas(std::span<std::uint8_t> body) {
    ByteReader in(body);
    in.skip(4);
    for (int text = 0; text < 4; ++text) {
        const std::size_t length = in.u16();
        in.skip(length * ((in.u8() & 1) ? 2 : 1));
    }
    std::vector<std::span<std::uint8_t>> formulas;
    for (int formula = 0; formula < 2; ++formula) {
        const std::size_t length = in.u16();
        in.skip(2);
        const std::size_t start = in.position();
        if (!in.skip(length)) return {};
        formulas.push_back(body.subspan(start, length));
    }
    return formulas;
}

// A CF12 record (a conditional format of the later versions): its future-record
// header, type, operator, the lengths of its two formulas, a formatting block counted
// by its own length, both formulas, and then a third one (the condition under which
// the format applies) with its own length. An empty formatting block may be followed
// by a reserved field in its place, which leaves the formulas' start uncertain: such a
// record is left as it is, as one whose lengths do not add up.
std::vector<std::span<std::uint8_t>> laterConditionFormulas(std::span<std::uint8_t> body) {
    ByteReader in(body);
    in.skip(14);
    const std::size_t first = in.u16(), second = in.u16();
    const std::size_t formatting = in.u32();
    if (formatting == 0) return {};
    in.skip(formatting);
    const std::size_t start = in.position();
    if (!in.skip(first) || !in.skip(second)) return {};
    const std::size_t active = in.u16();
    const std::size_t activeStart = in.position();
    if (!in.skip(active)) return {};
    return {body.subspan(start, first), body.subspan(start + first, second), body.subspan(activeStart, active)};
}

} // namespace

std::vector<std::span<std::uint8_t>> carriedFormulas(RawRecord& record) {
    if (!record.continues.empty()) return {};
    if (record.id == raw(RecordId::CF)) return conditionFormulas(record.body);
    if (record.id == raw(RecordId::DV)) return validationFormulas(record.body);
    if (record.id == raw(RecordId::CF12)) return laterConditionFormulas(record.body);
    return {};
}

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
