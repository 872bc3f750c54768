// format_impl.cpp - FormatImplT: font references, rotation, borders and the XF record.
#include "xls/format_impl.h"

#include <algorithm>
#include <iterator>

#include "core/xlerror.h"
#include "xls/format_tables.h"

namespace karvo {

namespace {

// BIFF font index 4 was never assigned by the format, so the list position p of
// a font is index p below 4 and p + 1 from there on.
constexpr int kMissingFontIndex = 4;

constexpr int kMaxRotation = 180;
constexpr int kRotationVertical = 255; // letters stacked top to bottom

constexpr const char* kXfSize = "XF size is incorrect";
constexpr std::size_t kXfSize8 = 20;
constexpr std::size_t kXfSize5 = 16;

// BIFF5 keeps the text orientation in two bits; BIFF8 as a rotation angle.
constexpr int kBiff5Rotation[4] = {0, kRotationVertical, 90, 180};

// A run of bits of a BIFF5 word.
unsigned bits(std::uint32_t word, unsigned shift, unsigned width) { return (word >> shift) & ((1u << width) - 1); }

} // namespace

IFont* FormatImplT::font() {
    return runOperation(tables_->message(), nullptr, [&]() -> IFont* {
        const auto& fonts = tables_->fonts();
        const int index = xf_.ifnt;
        const std::size_t position = index < kMissingFontIndex ? index : index - 1;
        if (index == kMissingFontIndex || position >= fonts.size()) throw xlerror("incorrect font");
        return fonts[position].get();
    });
}

bool FormatImplT::setFont(IFont* font) {
    return runOperation(tables_->message(), false, [&] {
        const int position = tables_->fontPosition(font);
        if (position < 0) throw xlerror("specified font not found");
        xf_.ifnt = static_cast<std::uint16_t>(position < kMissingFontIndex ? position : position + 1);
        return true;
    });
}

bool FormatImplT::setRotation(int rotation) {
    return runOperation(tables_->message(), false, [&] {
        if ((rotation < 0 || rotation > kMaxRotation) && rotation != kRotationVertical)
            throw xlerror("rotation must be in range 0-180 or 255");
        set<xf::Rotation>(rotation);
        return true;
    });
}

// Both go through the single-side setters so that every family shares one rule
// for what a side's setter does.
void FormatImplT::setBorder(BorderStyle style) {
    setBorderLeft(style);
    setBorderRight(style);
    setBorderTop(style);
    setBorderBottom(style);
}

void FormatImplT::setBorderColor(Color color) {
    setBorderLeftColor(color);
    setBorderRightColor(color);
    setBorderTopColor(color);
    setBorderBottomColor(color);
}

void FormatImplT::read(const Record& rec, bool biff5) {
    ByteReader in = rec.reader();
    if (biff5)
        readBiff5(in);
    else
        readBiff8(in);
}

void FormatImplT::readBiff8(ByteReader& in) {
    // Short records from old writers end after any whole field; the fields after
    // that keep their construction values. A record ending inside a field is corrupt.
    constexpr std::size_t kFieldEnds[] = {2, 4, 6, 10, 14, 18, kXfSize8};
    if (std::find(std::begin(kFieldEnds), std::end(kFieldEnds), in.size()) == std::end(kFieldEnds))
        throw xlerror(kXfSize);
    xf_.ifnt = in.u16();
    if (!in.atEnd()) xf_.ifmt = in.u16();
    if (!in.atEnd()) xf_.typeProt = in.u16();
    if (!in.atEnd()) xf_.alignment = in.u32();
    if (!in.atEnd()) xf_.border1 = in.u32();
    if (!in.atEnd()) xf_.border2 = in.u32();
    if (!in.atEnd()) xf_.fill = in.u16();
}

void FormatImplT::readBiff5(ByteReader& in) {
    if (in.size() != kXfSize5) throw xlerror(kXfSize);
    xf_.ifnt = in.u16();
    xf_.ifmt = in.u16();
    xf_.typeProt = in.u16();
    const std::uint8_t align = in.u8();
    const std::uint8_t orientation = in.u8();
    const std::uint32_t fillAndBottom = in.u32();
    const std::uint32_t otherSides = in.u32();

    set<xf::AlignH>(bits(align, 0, 3));
    set<xf::Wrap>(bits(align, 3, 1));
    set<xf::AlignV>(bits(align, 4, 3));
    set<xf::Rotation>(kBiff5Rotation[bits(orientation, 0, 2)]);
    set<xf::PatternFg>(bits(fillAndBottom, 0, 7));
    set<xf::PatternBg>(bits(fillAndBottom, 7, 7));
    set<xf::Pattern>(bits(fillAndBottom, 16, 6));
    set<xf::BottomStyle>(bits(fillAndBottom, 22, 3));
    set<xf::BottomColor>(bits(fillAndBottom, 25, 7));
    set<xf::TopStyle>(bits(otherSides, 0, 3));
    set<xf::LeftStyle>(bits(otherSides, 3, 3));
    set<xf::RightStyle>(bits(otherSides, 6, 3));
    set<xf::TopColor>(bits(otherSides, 9, 7));
    set<xf::LeftColor>(bits(otherSides, 16, 7));
    set<xf::RightColor>(bits(otherSides, 23, 7));
}

void FormatImplT::write(RecordWriter& out) const {
    out.header(RecordId::XF, kXfSize8);
    out.u16(xf_.ifnt);
    out.u16(xf_.ifmt);
    out.u16(xf_.typeProt);
    out.u32(xf_.alignment);
    out.u32(xf_.border1);
    out.u32(xf_.border2);
    out.u16(xf_.fill);
}

} // namespace karvo
