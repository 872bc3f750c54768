// drawing_objects.h - the BIFF records around drawing shapes: Obj, TxO and Note.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xls/raw_record.h"

namespace karvo {

/// Object types of an Obj record's common part (ftCmo) that the library writes.
namespace objtype {
inline constexpr std::uint16_t kPicture = 0x0008;
inline constexpr std::uint16_t kNote = 0x0019;
} // namespace objtype

/// The common part (ftCmo) that every Obj record of a BIFF8 file begins with.
struct ObjCommon {
    std::uint16_t ot = 0;
    std::uint16_t id = 0;
};

/// The ftCmo of an Obj record; null when the body does not begin with one.
std::optional<ObjCommon> readObjCommon(const RawRecord& obj);

/// The Obj of a picture: ftCmo (picture, flags 0x6011), ftCf 0xFFFF, ftPioGrbit 1, ftEnd.
RawRecord pictureObj(std::uint16_t id);
/// The Obj of a comment: ftCmo (note, flags 0x4011), ftNts with `guid`, ftEnd.
RawRecord noteObj(std::uint16_t id, const std::array<std::uint8_t, 16>& guid);

/// A comment's text as a TxO record: the text in CONTINUE records, each opened by a
/// byte telling the character width, then the formatting runs (one run in font 0 and
/// the closing run) in a CONTINUE record of their own.
RawRecord textObject(std::u16string_view text);
/// The text of a TxO record; characters its CONTINUE records do not hold are left out.
std::u16string textObjectText(const RawRecord& txo);

/// A Note record of a BIFF8 sheet: the cell, the flags (0x0002: always shown), the id
/// of the Obj that draws it, the author, and the bytes after the author as read.
struct NoteEntry {
    std::uint16_t row = 0;
    std::uint16_t col = 0;
    std::uint16_t grbit = 0;
    std::uint16_t idObj = 0;
    std::u16string author;
    std::vector<std::uint8_t> tail{0};
};

/// The longest author the format allows.
inline constexpr std::size_t kMaxNoteAuthor = 54;
/// The longest comment text: comments share the limit of cell texts.
inline constexpr std::size_t kMaxCommentLength = 32767;

/// "Note size is incorrect" when the body does not hold the fields.
NoteEntry readNote(const RawRecord& note);
RawRecord noteRecord(const NoteEntry& note);

/// A comment of a BIFF5 sheet: the cell and its text, without drawing objects.
struct OldNote {
    std::uint16_t row = 0;
    std::uint16_t col = 0;
    std::u16string text;
};

/// The comments that BIFF5 Note records hold: each begins with its cell and the total
/// length of its text; a text too long for one record goes on in records whose row is
/// 0xFFFF. "Note size is incorrect" for a record shorter than its fields.
std::vector<OldNote> readOldNotes(const std::vector<RawRecord>& notes);

} // namespace karvo
