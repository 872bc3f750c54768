// drawing_objects.cpp - reading and building the Obj, TxO and Note records of shapes.
#include "xls/drawing_objects.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "core/utf_convert.h"
#include "core/xlerror.h"
#include "xls/biff_strings.h"
#include "xls/record_writer.h"

namespace karvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Sub-record ids (ft) of an Obj record.
constexpr std::uint16_t kFtEnd = 0x00;
constexpr std::uint16_t kFtCf = 0x07;
constexpr std::uint16_t kFtPioGrbit = 0x08;
constexpr std::uint16_t kFtNts = 0x0D;
constexpr std::uint16_t kFtCmo = 0x15;
constexpr std::uint16_t kCmoSize = 0x12;
constexpr std::uint16_t kNtsSize = 0x16;
// ftCmo flags: locked, print, autofill (pictures) or autoline (notes).
constexpr std::uint16_t kPictureFlags = 0x6011;
constexpr std::uint16_t kNoteFlags = 0x4011;

// TxO: left-aligned, top-aligned, locked text; the fixed body is 18 bytes with an empty
// formula; runs are 8 bytes each.
constexpr std::uint16_t kTxoFlags = 0x0212;
constexpr std::size_t kTxoSize = 18;
constexpr std::size_t kTxoCchAt = 10;
constexpr std::size_t kRunSize = 8;
// A CONTINUE body holds its width byte and then this many bytes of characters.
constexpr std::size_t kTextBytesPerRecord = kMaxRecordBody - 1;

// A BIFF5 text too long for one Note record goes on in records with this row, which no
// BIFF5 sheet has (they stop at row 16383).
constexpr std::uint16_t kOldNoteMoreRow = 0xFFFF;

void subRecord(Bytes& b, std::uint16_t ft, std::uint16_t cb) {
    putLittle(b, ft, 2);
    putLittle(b, cb, 2);
}

Bytes commonPart(std::uint16_t ot, std::uint16_t id, std::uint16_t flags) {
    Bytes b;
    subRecord(b, kFtCmo, kCmoSize);
    putLittle(b, ot, 2);
    putLittle(b, id, 2);
    putLittle(b, flags, 2);
    b.resize(b.size() + 12, 0);  // reserved
    return b;
}

bool fitsNarrow(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF; });
}

} // namespace

std::optional<ObjCommon> readObjCommon(const RawRecord& obj) {
    ByteReader in(obj.body);
    if (in.u16() != kFtCmo || in.u16() < 4) return std::nullopt;
    ObjCommon common{in.u16(), in.u16()};
    if (!in.ok()) return std::nullopt;
    return common;
}

RawRecord pictureObj(std::uint16_t id) {
    Bytes b = commonPart(objtype::kPicture, id, kPictureFlags);
    subRecord(b, kFtCf, 2);
    putLittle(b, 0xFFFF, 2);
    subRecord(b, kFtPioGrbit, 2);
    putLittle(b, 1, 2);
    subRecord(b, kFtEnd, 0);
    return RawRecord{raw(RecordId::Obj), std::move(b), {}};
}

RawRecord noteObj(std::uint16_t id, const std::array<std::uint8_t, 16>& guid) {
    Bytes b = commonPart(objtype::kNote, id, kNoteFlags);
    subRecord(b, kFtNts, kNtsSize);
    b.insert(b.end(), guid.begin(), guid.end());
    b.resize(b.size() + 6, 0);  // fSharedNote, unused
    subRecord(b, kFtEnd, 0);
    return RawRecord{raw(RecordId::Obj), std::move(b), {}};
}

RawRecord textObject(std::u16string_view text) {
    Bytes body;
    putLittle(body, kTxoFlags, 2);
    body.resize(kTxoCchAt, 0);  // rotation, reserved
    putLittle(body, text.size(), 2);
    putLittle(body, text.empty() ? 0 : 2 * kRunSize, 2);
    body.resize(kTxoSize, 0);  // ifntEmpty, empty formula
    RawRecord txo{raw(RecordId::TxO), std::move(body), {}};
    if (text.empty()) return txo;
    bool narrow = fitsNarrow(text);
    std::size_t perRecord = narrow ? kTextBytesPerRecord : kTextBytesPerRecord / 2;
    for (std::size_t at = 0; at < text.size(); at += perRecord) {
        Bytes part{static_cast<std::uint8_t>(narrow ? 0 : 1)};
        for (char16_t c : text.substr(at, perRecord)) putLittle(part, c, narrow ? 1 : 2);
        txo.continues.push_back(std::move(part));
    }
    Bytes runs(kRunSize, 0);  // from character 0 on, font 0
    putLittle(runs, text.size(), 2);
    runs.resize(2 * kRunSize, 0);
    txo.continues.push_back(std::move(runs));
    return txo;
}

std::u16string textObjectText(const RawRecord& txo) {
    ByteReader head(txo.body);
    head.skip(kTxoCchAt);
    std::size_t cch = head.u16();
    std::u16string text;
    for (const Bytes& part : txo.continues) {
        if (text.size() >= cch || part.empty()) break;
        ByteReader in(part);
        bool wide = in.u8() & 0x01;
        while (text.size() < cch && in.remaining() >= (wide ? 2u : 1u)) text.push_back(wide ? in.u16() : in.u8());
    }
    return text;
}

NoteEntry readNote(const RawRecord& note) {
    ByteReader in(note.body);
    NoteEntry e;
    e.row = in.u16();
    e.col = in.u16();
    e.grbit = in.u16();
    e.idObj = in.u16();
    e.author = readShortString(in, ShortForm::Count16);
    if (!in.ok()) throw xlerror("Note size is incorrect");
    std::span<const std::uint8_t> tail = in.bytes(in.remaining());
    e.tail.assign(tail.begin(), tail.end());
    return e;
}

RawRecord noteRecord(const NoteEntry& note) {
    Bytes b;
    for (std::uint16_t v : {note.row, note.col, note.grbit, note.idObj}) putLittle(b, v, 2);
    writeShortString(b, note.author, ShortForm::Count16, CharWidth::narrow);
    b.insert(b.end(), note.tail.begin(), note.tail.end());
    // A Note has no CONTINUE records; a file's note too long for one record keeps the
    // format's longest author and its padding byte.
    if (b.size() > kMaxRecordBody) return noteRecord(NoteEntry{note.row, note.col, note.grbit, note.idObj,
                                                                std::u16string(utf16Prefix(note.author, kMaxNoteAuthor)), {0}});
    return RawRecord{raw(RecordId::Note), std::move(b), {}};
}

std::vector<OldNote> readOldNotes(const std::vector<RawRecord>& notes) {
    std::vector<OldNote> out;
    for (const RawRecord& r : notes) {
        ByteReader in(r.body);
        std::uint16_t row = in.u16();
        std::uint16_t col = in.u16();
        std::size_t cch = in.u16();
        if (!in.ok()) throw xlerror("Note size is incorrect");
        std::span<const std::uint8_t> chars = in.bytes(std::min(cch, in.remaining()));
        if (row != kOldNoteMoreRow) out.push_back(OldNote{row, col, {}});
        else if (out.empty()) continue;  // a continuation of nothing
        out.back().text.append(chars.begin(), chars.end());
    }
    return out;
}

} // namespace karvo
