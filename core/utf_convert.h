// utf_convert.h - UTF-8 (script text) to UTF-16 (library text) and back.
#pragma once

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

} // namespace karvo
