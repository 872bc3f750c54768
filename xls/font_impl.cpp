// font_impl.cpp - FontImplT: the IFont operations and the Font record.
#include "xls/font_impl.h"

#include "core/xlerror.h"

namespace karvo {

namespace {

// The height field is 16 bits, but the format allows at most 409.55 points.
constexpr int kMaxHeight = 8191;
constexpr int kTwipsPerPoint = 20;
constexpr std::uint16_t kWeightNormal = 400;
constexpr std::uint16_t kWeightBold = 700;
constexpr std::uint16_t kFlagItalic = 0x0002;
constexpr std::uint16_t kFlagStrikeOut = 0x0008;
// Height, flags, colour, weight, script and four bytes come before the name.
constexpr std::size_t kFixedBytes = 14;

void setBit(std::uint16_t& word, std::uint16_t bit, bool on) {
    word = static_cast<std::uint16_t>(on ? word | bit : word & ~bit);
}

} // namespace

int FontImplT::size() { return rec_.height / kTwipsPerPoint; }

void FontImplT::setSize(int size) {
    // Computed wide so that a huge or negative size cannot overflow on its way to the clamp.
    const long long twips = static_cast<long long>(size) * kTwipsPerPoint;
    rec_.height = static_cast<std::uint16_t>(twips > kMaxHeight || twips < 0 ? kMaxHeight : twips);
}

bool FontImplT::italic() { return rec_.flags & kFlagItalic; }
void FontImplT::setItalic(bool italic) { setBit(rec_.flags, kFlagItalic, italic); }
bool FontImplT::strikeOut() { return rec_.flags & kFlagStrikeOut; }
void FontImplT::setStrikeOut(bool strikeOut) { setBit(rec_.flags, kFlagStrikeOut, strikeOut); }
Color FontImplT::color() { return static_cast<Color>(rec_.color); }
void FontImplT::setColor(Color color) { rec_.color = static_cast<std::uint16_t>(color); }
bool FontImplT::bold() { return rec_.weight >= kWeightBold; }
void FontImplT::setBold(bool bold) { rec_.weight = bold ? kWeightBold : kWeightNormal; }
Script FontImplT::script() { return static_cast<Script>(rec_.script); }
void FontImplT::setScript(Script script) { rec_.script = static_cast<std::uint16_t>(script); }
Underline FontImplT::underline() { return static_cast<Underline>(rec_.underline); }
void FontImplT::setUnderline(Underline underline) { rec_.underline = static_cast<std::uint8_t>(underline); }

const char16_t* FontImplT::name() {
    return runOperation(*message_, nullptr, [&] { return rec_.name.c_str(); });
}

bool FontImplT::setName(const char16_t* name) {
    return runOperation(*message_, false, [&] {
        std::u16string text = name ? name : u"";
        // The record's character count is one byte.
        if (text.size() > 255) throw xlerror("string is too long");
        rec_.name = std::move(text);
        rec_.nameWidth = CharWidth::wide;
        return true;
    });
}

void FontImplT::read(const Record& rec, bool biff5) {
    ByteReader in = rec.reader();
    if (in.size() < kFixedBytes) throw xlerror("Font size is incorrect");
    FontRecord r;
    r.height = in.u16();
    r.flags = in.u16();
    r.color = in.u16();
    r.weight = in.u16();
    r.script = in.u16();
    r.underline = in.u8();
    r.family = in.u8();
    r.charset = in.u8();
    r.reserved = in.u8();
    r.name.clear();
    r.nameWidth = CharWidth::narrow;
    // A record that ends with the fixed fields has an empty name; one that begins a
    // name must hold all of it.
    if (!in.atEnd()) {
        // The width bit of the flags byte after the count is kept for writing back.
        ByteReader flags = in;
        flags.skip(1);
        if (!biff5 && (flags.u8() & richflag::kHighByte)) r.nameWidth = CharWidth::wide;
        r.name = readShortString(in, biff5 ? ShortForm::Count8NoFlags : ShortForm::Count8);
    }
    if (!in.ok()) throw xlerror("Font size is incorrect");
    rec_ = std::move(r);
}

void FontImplT::write(RecordWriter& out) const {
    std::vector<std::uint8_t> body;
    putLittle(body, rec_.height, 2);
    putLittle(body, rec_.flags, 2);
    putLittle(body, rec_.color, 2);
    putLittle(body, rec_.weight, 2);
    putLittle(body, rec_.script, 2);
    body.push_back(rec_.underline);
    body.push_back(rec_.family);
    body.push_back(rec_.charset);
    body.push_back(rec_.reserved);
    writeShortString(body, rec_.name, ShortForm::Count8, rec_.nameWidth);
    out.record(RecordId::Font, body);
}

} // namespace karvo
