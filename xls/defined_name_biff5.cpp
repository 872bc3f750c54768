// defined_name_biff5.cpp - the BIFF5 NAME layout read and rewritten as a BIFF8 Lbl.
#include "xls/defined_name_biff5.h"

#include <iterator>

#include "core/byte_reader.h"
#include "core/xlerror.h"
#include "xls/code_page.h"
#include "xls/formula_biff5.h"
#include "xls/record_writer.h"

namespace karvo {
namespace {

// BIFF5 NAME: flags (u16), shortcut (u8), name length (u8), formula size (u16), the
// ExternSheet index of a sheet's name (u16, which BIFF8 leaves reserved), itab (u16,
// the sheet number), then the lengths of the menu, description, help and status texts
// (u8 each); then the name's 8-bit characters, the formula tokens, whatever data the
// tokens carry (array constants) and last the four texts.
constexpr std::size_t kTextCount = 4;

// What a formula that has no BIFF8 form is replaced by: PtgErr #REF!. The name stays,
// so the 1-based name indices that formulas use keep pointing at the same names.
constexpr std::uint8_t kRefError[] = {0x1C, 0x17};

// The BIFF5 fields, taken apart before the formula is rewritten.
struct Biff5Name {
    Lbl name;
    std::span<const std::uint8_t> tokens;
    std::span<const std::uint8_t> tokenData; ///< the bytes between the tokens and the texts
};

std::optional<Biff5Name> parse(std::span<const std::uint8_t> body) {
    ByteReader in(body);
    Biff5Name read;
    read.name.flags = in.u16();
    read.name.shortcut = in.u8();
    const std::uint8_t length = in.u8();
    const std::uint16_t formulaSize = in.u16();
    in.skip(2); // the ExternSheet index
    read.name.sheet = in.u16();
    std::size_t textsSize = 0;
    for (std::size_t i = 0; i < kTextCount; ++i) textsSize += in.u8();
    auto chars = in.bytes(length);
    read.tokens = in.bytes(formulaSize);
    if (!in.ok() || length == 0 || in.remaining() < textsSize) return std::nullopt;
    read.tokenData = in.bytes(in.remaining() - textsSize);
    read.name.text = NarrowCodePage::decode(chars);
    return read;
}

// The tokens and their data rewritten, split as Lbl keeps them. Fails with an xlerror
// when they have no BIFF8 form or the name would not fit one record (a Lbl has no
// continuation of its own).
void translateFormula(const Biff5Name& read, FormulaBook& book, Lbl& name) {
    std::vector<std::uint8_t> expression;
    putLittle(expression, read.tokens.size(), 2);
    expression.insert(expression.end(), read.tokens.begin(), read.tokens.end());
    expression.insert(expression.end(), read.tokenData.begin(), read.tokenData.end());
    const std::vector<std::uint8_t> out = translateBiff5Expression(expression, book, false);
    const auto tokensEnd = out.begin() + 2 + (out[0] | out[1] << 8);
    name.formula.assign(out.begin() + 2, tokensEnd);
    name.extra.assign(tokensEnd, out.end());
    if (name.body().size() > kMaxRecordBody) throw xlerror(kBiff5Untranslated);
}

std::vector<std::uint8_t> wholeRecord(const Lbl& raw) {
    std::vector<std::uint8_t> body = raw.rawBody;
    for (const auto& part : raw.continues) body.insert(body.end(), part.begin(), part.end());
    return body;
}

} // namespace

std::optional<Lbl> translateBiff5Name(std::span<const std::uint8_t> body, FormulaBook& book) {
    std::optional<Biff5Name> read = parse(body);
    if (!read) return std::nullopt;
    Lbl& name = read->name;
    try {
        translateFormula(*read, book, name);
    } catch (const xlerror&) {
        name.setFormula({std::begin(kRefError), std::end(kRefError)});
    }
    return std::move(name);
}

void translateBiff5Names(std::vector<Lbl>& names, FormulaBook& book) {
    std::vector<Lbl> translated;
    translated.reserve(names.size());
    for (const Lbl& raw : names)
        if (std::optional<Lbl> name = translateBiff5Name(wholeRecord(raw), book)) translated.push_back(std::move(*name));
    names = std::move(translated);
}

} // namespace karvo
