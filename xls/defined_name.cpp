// defined_name.cpp - reading and writing Lbl records.
#include "xls/defined_name.h"

#include <algorithm>

#include "core/byte_reader.h"

namespace karvo {
namespace {

// Lbl: flags (u16), shortcut (u8), text length in characters (u8), formula length
// (u16), reserved (u16), sheet (u16), four reserved bytes; then the text's flags byte
// and characters (no count), then the formula.
constexpr std::size_t kFixedSize = 14;
constexpr std::size_t kSheetField = 8;
constexpr std::uint8_t kWideChars = 0x01;

// Reads text and formula after the fixed fields; false when they do not fit the body
// or the text's flags byte has bits a name's text cannot have.
bool readVariable(ByteReader& in, std::uint8_t length, std::uint16_t formulaLength, Lbl& name) {
    if (length == 0) return false;
    std::uint8_t textFlags = in.u8();
    if (!in.ok() || (textFlags & ~kWideChars) != 0) return false;
    name.wideText = textFlags & kWideChars;
    if (!in.canRead(length, name.wideText ? 2 : 1)) return false;
    for (std::uint8_t i = 0; i < length; ++i) name.text.push_back(name.wideText ? in.u16() : in.u8());
    auto formula = in.bytes(formulaLength);
    if (!in.ok()) return false;
    name.formula.assign(formula.begin(), formula.end());
    auto rest = in.bytes(in.remaining());
    name.extra.assign(rest.begin(), rest.end());
    return true;
}

bool parse(std::span<const std::uint8_t> body, Lbl& name) {
    ByteReader in(body);
    name.flags = in.u16();
    name.shortcut = in.u8();
    std::uint8_t length = in.u8();
    std::uint16_t formulaLength = in.u16();
    name.reserved = in.u16();
    name.sheet = in.u16();
    for (std::uint8_t& byte : name.reserved2) byte = in.u8();
    return in.ok() && readVariable(in, length, formulaLength, name);
}

bool fitsEightBits(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF; });
}

} // namespace

Lbl Lbl::read(const Record& record, RecordReader& records, bool biff8) {
    RawRecord taken = RawRecord::take(record, records);
    Lbl name;
    name.continues = std::move(taken.continues);
    if (biff8 && parse(taken.body, name)) return name;

    Lbl kept;
    kept.parsed = false;
    kept.continues = std::move(name.continues);
    // The sheet field sits at the same place in the older layout; keeping it lets the
    // name follow sheet inserts and deletes even though the rest is not understood.
    if (taken.body.size() >= kSheetField + 2)
        kept.sheet = static_cast<std::uint16_t>(taken.body[kSheetField] | taken.body[kSheetField + 1] << 8);
    kept.rawBody = std::move(taken.body);
    return kept;
}

Lbl Lbl::make(std::u16string text, std::uint16_t sheet, std::vector<std::uint8_t> formula, bool builtIn) {
    Lbl name;
    name.flags = builtIn ? kBuiltIn : 0;
    name.sheet = sheet;
    name.wideText = !fitsEightBits(text);
    name.text = std::move(text);
    name.formula = std::move(formula);
    return name;
}

bool Lbl::isBuiltIn(char16_t code) const {
    return parsed && (flags & kBuiltIn) && text.size() == 1 && text[0] == code;
}

void Lbl::setFormula(std::vector<std::uint8_t> bytes) {
    formula = std::move(bytes);
    extra.clear();
    continues.clear();
}

std::vector<std::uint8_t> Lbl::body() const {
    if (!parsed) {
        std::vector<std::uint8_t> bytes = rawBody;
        if (bytes.size() >= kSheetField + 2) {
            bytes[kSheetField] = static_cast<std::uint8_t>(sheet);
            bytes[kSheetField + 1] = static_cast<std::uint8_t>(sheet >> 8);
        }
        return bytes;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kFixedSize + 1 + text.size() * 2 + formula.size() + extra.size());
    putLittle(bytes, flags, 2);
    putLittle(bytes, shortcut, 1);
    putLittle(bytes, text.size(), 1);
    putLittle(bytes, formula.size(), 2);
    putLittle(bytes, reserved, 2);
    putLittle(bytes, sheet, 2);
    bytes.insert(bytes.end(), reserved2.begin(), reserved2.end());
    bytes.push_back(wideText ? kWideChars : 0);
    for (char16_t c : text) putLittle(bytes, c, wideText ? 2 : 1);
    bytes.insert(bytes.end(), formula.begin(), formula.end());
    bytes.insert(bytes.end(), extra.begin(), extra.end());
    return bytes;
}

void Lbl::write(RecordWriter& out) const {
    out.record(RecordId::Lbl, body());
    for (const auto& part : continues) out.record(RecordId::Continue, part);
}

} // namespace karvo
