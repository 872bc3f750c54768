// biff_strings.cpp - short strings and rich extended strings, read and written.
#include "xls/biff_strings.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/xlerror.h"
#include "xls/code_page.h"

namespace karvo {

namespace {

constexpr const char* kRichMissing = "readRichString: CONTINUE record not found";

// The largest count each count field can hold.
constexpr std::size_t kMaxCount8 = 0xFF;
constexpr std::size_t kMaxCount16 = 0xFFFF;

bool count8(ShortForm form) { return form == ShortForm::Count8 || form == ShortForm::Count8NoFlags; }
bool hasFlags(ShortForm form) { return form == ShortForm::Count16 || form == ShortForm::Count8; }

bool needsWide(std::u16string_view text) {
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
}

// Whether a short string is written with 16-bit characters; the forms without a flags
// byte cannot say so, and cannot hold characters above 0xFF at all.
bool shortWide(std::u16string_view text, ShortForm form, CharWidth width) {
    if (!hasFlags(form)) {
        if (needsWide(text)) throw xlerror("string has characters that need 16 bits");
        return false;
    }
    return width == CharWidth::wide || needsWide(text);
}

void appendChars(std::u16string& out, std::span<const std::uint8_t> raw, bool wide) {
    // Widened in place, without a call per character: a string table is mostly
    // characters. 16-bit ones are the host's own on a little-endian machine.
    const std::size_t at = out.size(), count = wide ? raw.size() / 2 : raw.size();
    out.resize(at + count);
    char16_t* to = out.data() + at;
    const std::uint8_t* from = raw.data();
    if (!wide) {
        for (std::size_t i = 0; i < count; ++i) to[i] = from[i];
    } else if constexpr (std::endian::native == std::endian::little) {
        if (count) std::memcpy(to, from, count * 2);
    } else {
        for (std::size_t i = 0; i < count; ++i) to[i] = static_cast<char16_t>(from[2 * i] | from[2 * i + 1] << 8);
    }
}

} // namespace

std::u16string readShortString(ByteReader& in, ShortForm form) {
    std::size_t cch = count8(form) ? in.u8() : in.u16();
    bool wide = hasFlags(form) && (in.u8() & richflag::kHighByte);
    auto raw = in.bytes(cch * (wide ? 2 : 1));
    std::u16string text;
    if (!in.ok()) return text;
    if (!hasFlags(form)) return NarrowCodePage::decode(raw);
    appendChars(text, raw, wide);
    return text;
}

std::size_t shortStringSize(std::u16string_view text, ShortForm form, CharWidth width) {
    return (count8(form) ? 1 : 2) + (hasFlags(form) ? 1 : 0) + text.size() * (shortWide(text, form, width) ? 2 : 1);
}

void writeShortString(std::vector<std::uint8_t>& out, std::u16string_view text, ShortForm form, CharWidth width) {
    if (text.size() > (count8(form) ? kMaxCount8 : kMaxCount16)) throw xlerror("string is too long");
    bool wide = shortWide(text, form, width);
    putLittle(out, text.size(), count8(form) ? 1 : 2);
    if (hasFlags(form)) out.push_back(wide ? richflag::kHighByte : 0);
    putChars(out, text, wide);
}

void writeShortString(RecordWriter& out, std::u16string_view text, ShortForm form, CharWidth width) {
    std::vector<std::uint8_t> bytes;
    writeShortString(bytes, text, form, width);
    out.bytes(bytes);
}

std::uint8_t readRichString(ContinueReader& in, std::u16string& text, std::vector<FormatRun>& runs,
                            std::vector<std::uint8_t>& extRst) {
    const std::uint16_t cch = in.u16();
    std::uint8_t flags = in.u8(kRichMissing);
    const std::uint16_t cRun = (flags & richflag::kRichSt) ? in.u16() : 0;
    const std::uint32_t cbExtRst = (flags & richflag::kExtRst) ? in.u32() : 0;

    const std::size_t end = text.size() + cch;
    bool wide = flags & richflag::kHighByte;
    while (text.size() < end) {
        if (in.left() == 0) {
            // Characters carried on into a CONTINUE record: its first byte restates the
            // width, which may differ from the part before.
            in.continueIfExhausted(kRichMissing);
            wide = in.u8(kRichMissing) & richflag::kHighByte;
            if (wide) flags |= richflag::kHighByte;
            continue;
        }
        const std::size_t width = wide ? 2 : 1;
        const std::size_t n = std::min<std::size_t>(end - text.size(), in.left() / width);
        if (n == 0) {
            // No writer splits a 16-bit character, but one producer leaves a stray
            // byte after the last whole character of a CONTINUE record (next to an
            // empty CONTINUE record); the characters go on in the record after it.
            in.take(in.left());
            continue;
        }
        appendChars(text, in.take(n * width), wide);
    }

    runs.reserve(std::min<std::size_t>(cRun, in.available() / 4));
    for (std::size_t i = 0; i < cRun; ++i) {
        FormatRun run;
        run.ich = in.u16();
        run.ifnt = in.u16();
        runs.push_back(run);
    }

    if (cbExtRst > in.available()) throw xlerror("readRichString: extended data runs past the end of the stream");
    extRst.reserve(cbExtRst);
    while (extRst.size() < cbExtRst) {
        in.continueIfExhausted(kRichMissing);
        auto piece = in.take(cbExtRst - extRst.size());
        extRst.insert(extRst.end(), piece.begin(), piece.end());
    }
    return flags;
}

RichString readRichString(ContinueReader& in) {
    RichString s;
    s.flags = readRichString(in, s.text, s.runs, s.extRst);
    return s;
}

void writeRichString(ContinueWriter& out, const RichString& s) {
    writeRichString(out, s.text, s.flags, s.runs, s.extRst);
}

void writeRichString(ContinueWriter& out, std::u16string_view text, std::uint8_t flagsRead,
                     std::span<const FormatRun> runs, std::span<const std::uint8_t> extRst) {
    if (text.size() > kMaxCount16 || runs.size() > kMaxCount16) throw xlerror("string is too long");
    const bool wide = (flagsRead & richflag::kHighByte) || needsWide(text);
    std::uint8_t flags = static_cast<std::uint8_t>((flagsRead & ~richflag::kHighByte) | (wide ? richflag::kHighByte : 0));
    if (!runs.empty()) flags |= richflag::kRichSt;
    if (!extRst.empty()) flags |= richflag::kExtRst;

    // The header (at most 9 bytes) always goes into one record.
    out.reserve(10);
    out.u16(static_cast<std::uint16_t>(text.size()));
    out.u8(flags);
    if (flags & richflag::kRichSt) out.u16(static_cast<std::uint16_t>(runs.size()));
    if (flags & richflag::kExtRst) out.u32(static_cast<std::uint32_t>(extRst.size()));

    const std::size_t width = wide ? 2 : 1;
    while (text.size() * width > out.left()) {
        // Split at an even byte count whatever the width, and restate the width in
        // the CONTINUE record that takes the rest.
        auto part = text.substr(0, (out.left() & ~std::size_t(1)) / width);
        out.fittedChars(part, wide);
        text.remove_prefix(part.size());
        out.openContinue(flags & richflag::kHighByte);
    }
    out.fittedChars(text, wide);

    for (const FormatRun& run : runs) {
        out.reserve(4);
        out.u16(run.ich);
        out.u16(run.ifnt);
    }
    out.bytes(extRst);
}

} // namespace karvo
