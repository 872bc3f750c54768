// biff_strings.h - the two string layouts that many records share: short strings and rich extended strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_reader.h"
#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

/// The layouts of a short string: the width of its character count, and whether a
/// flags byte (bit 0: 16-bit characters) follows the count. The forms without flags
/// hold 8-bit characters and appear only in files of version 0x0500 or older.
enum class ShortForm : std::uint8_t {
    Count16,        ///< u16 count, flags (Label, String, Note, Header, Footer)
    Count8,         ///< u8 count, flags (BoundSheet8, Font, Format names)
    Count16NoFlags, ///< u16 count, 8-bit characters
    Count8NoFlags,  ///< u8 count, 8-bit characters
};

/// The character width to write where the layout has a flags byte. Text the program
/// creates is written wide; narrow is kept for the few fixed 8-bit texts, and falls
/// back to wide for a character above 0xFF.
enum class CharWidth : std::uint8_t { narrow, wide };

/// Reads a short string. 8-bit characters are widened by zero extension in the forms
/// with flags and decoded through the book's code page in those without (see
/// NarrowCodePage). A string longer than the reader holds reads as empty and leaves
/// the reader failed.
std::u16string readShortString(ByteReader& in, ShortForm form);

/// The bytes writeShortString() produces for `text`.
std::size_t shortStringSize(std::u16string_view text, ShortForm form, CharWidth width = CharWidth::wide);

/// Appends a short string. More characters than the count can hold fail with
/// "string is too long" (so 256 in the 8-bit-count forms).
void writeShortString(std::vector<std::uint8_t>& out, std::u16string_view text, ShortForm form,
                      CharWidth width = CharWidth::wide);
void writeShortString(RecordWriter& out, std::u16string_view text, ShortForm form,
                      CharWidth width = CharWidth::wide);

/// Flag bits of a rich extended string.
namespace richflag {
inline constexpr std::uint8_t kHighByte = 0x01; ///< 16-bit characters
inline constexpr std::uint8_t kExtRst = 0x04;   ///< extended (phonetic) data follows the runs
inline constexpr std::uint8_t kRichSt = 0x08;   ///< formatting runs follow the characters
} // namespace richflag

/// A formatting run: from character ich on, the text uses font ifnt.
struct FormatRun {
    std::uint16_t ich = 0;
    std::uint16_t ifnt = 0;
    bool operator==(const FormatRun&) const = default;
};

/// A string of the shared string table, with its runs and extended data kept so that
/// it is written back as it was read.
struct RichString {
    std::u16string text;
    /// The flags as read, except that bit 0 is set when any part of the text was
    /// stored with 16-bit characters. A string made from text has 0x01.
    std::uint8_t flags = richflag::kHighByte;
    std::vector<FormatRun> runs;
    std::vector<std::uint8_t> extRst;
    bool operator==(const RichString&) const = default;
};

/// Reads a rich extended string that may cross into CONTINUE records. Where its
/// characters cross a record boundary, the CONTINUE record begins with a flags byte
/// that sets the width of the characters from there on.
RichString readRichString(ContinueReader& in);
/// The same, appending the characters to `text` and the runs and extended data to
/// the other two, so that a table of strings reuses their memory from one string
/// to the next. Returns the flags (see RichString::flags).
std::uint8_t readRichString(ContinueReader& in, std::u16string& text, std::vector<FormatRun>& runs,
                            std::vector<std::uint8_t>& extRst);

/// Writes a rich extended string into a record group: its header is never split, its
/// characters are split at an even byte count with a flags byte opening the next
/// CONTINUE record, and runs are never split.
void writeRichString(ContinueWriter& out, const RichString& s);
void writeRichString(ContinueWriter& out, std::u16string_view text, std::uint8_t flags,
                     std::span<const FormatRun> runs, std::span<const std::uint8_t> extRst);

} // namespace karvo
