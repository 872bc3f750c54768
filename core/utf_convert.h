// utf_convert.h - UTF-8 (script text) to UTF-16 (library text) and back.
#pragma once

#include <string>
#include <string_view>

namespace karvo {

/// Ill-formed input never fails: it converts with substitution characters.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

} // namespace karvo
