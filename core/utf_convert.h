// utf_convert.h - UTF-8 (script text) to UTF-16 (library text) and back.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace karvo {

/// Ill-formed input never fails: it converts with substitution characters.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

/// The same into a caller's buffer, whose capacity is reused: the script boundary
/// converts the text of every cell it reads or writes.
void utf8ToUtf16(std::string_view utf8, std::u16string& out);
void utf16ToUtf8(std::u16string_view utf16, std::string& out);

/// The longest start of `text` that holds at most `maxUnits` UTF-16 units and does
/// not end in the first half of a surrogate pair whose second half was cut off: a
/// cut there would leave a character that reads back as U+FFFD.
std::u16string_view utf16Prefix(std::u16string_view text, std::size_t maxUnits);

} // namespace karvo
