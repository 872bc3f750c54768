// value_text.h - the text forms of typed values, in both directions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/huge_pages.h"
#include "xlsx/lmx/xml_error.h"

namespace lmx {

/// Binary data of hexBinary values.
using c_binary = std::vector<std::uint8_t>;

// Reading. Numbers, booleans and hexBinary have their leading and trailing white
// space removed first (their schema types collapse white space). A text that is not
// of the form gives ELMX_VALUE_BAD_FORMAT; an integer out of its type's range gives
// ELMX_VALUE_EXCEEDS_MAX or ELMX_VALUE_EXCEEDS_MIN. A refused text leaves the value
// as it was. Integers take an optional sign ("-0" is a valid unsigned zero); doubles
// take ".5" and "5." as the schema's double does, and a decimal beyond the range of
// a double reads as an infinity or a zero of its sign.
elmx_error parse_bool(std::string_view text, bool& value);      ///< "true" "1" "false" "0"
elmx_error parse_uint(std::string_view text, std::uint64_t& value, std::uint64_t max);
elmx_error parse_int(std::string_view text, std::int64_t& value, std::int64_t min, std::int64_t max);
elmx_error parse_double(std::string_view text, double& value);  ///< also "INF" "-INF" "NaN"
elmx_error parse_hex(std::string_view text, c_binary& value);   ///< either letter case
/// UTF-8 to UTF-16; ill-formed UTF-8 gives ELMX_BAD_CHAR_ENCODING.
elmx_error utf8_to_utf16(std::string_view text, std::u16string& value);
/// The same, appended to `out`; after a failure `out` holds part of the text. `Text`
/// is std::u16string or karvo::HugePageU16String.
template <class Text>
elmx_error append_utf8_as_utf16(std::string_view text, Text& out);
/// A list value: its items separated by white space, empty items dropped; appended
/// to `items`. A byte that is not well-formed UTF-8 becomes U+FFFD.
void split_list(std::string_view text, std::vector<std::u16string>& items);

// Writing: appends the text form.
void append_bool(std::string& out, bool value);      ///< "true" / "false"
void append_uint(std::string& out, std::uint64_t value);
void append_int(std::string& out, std::int64_t value);
/// "NaN", "INF", "-INF", "0.0", "-0.0", otherwise general notation with 14 significant digits.
void append_double(std::string& out, double value);
void append_hex(std::string& out, const c_binary& value);  ///< upper-case digits
/// UTF-16 to UTF-8 without escaping; an unpaired surrogate, high or low, ends the text.
void append_utf8(std::string& out, std::u16string_view text);

} // namespace lmx
