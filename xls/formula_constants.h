// formula_constants.h - the text of error constants and of array constants in formulas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/byte_reader.h"

namespace karvo {

/// The text of an error code as cells and formulas show it (0x07 is "#DIV/0!");
/// empty for a code that is no error.
std::optional<std::u16string_view> errorText(std::uint8_t code);
/// The code of an error's text ("#N/A" is 0x2A); empty for any other text.
std::optional<std::uint8_t> errorCode(std::u16string_view text);
/// The length of the error text that `text` begins with ("#DIV/0!" holds a "/"); 0
/// when it begins with none.
std::size_t errorLengthAt(std::u16string_view text);

/// Six significant digits as printf's %g gives them, whatever the C locale's decimal point.
std::u16string generalNumber(double value);

/// A string constant between double quotes, each quote inside doubled.
std::u16string quotedString(std::u16string_view text);

/// The value-type byte of each element of an array constant.
namespace arrayvalue {
inline constexpr std::uint8_t kNil = 0x00;
inline constexpr std::uint8_t kNumber = 0x01;
inline constexpr std::uint8_t kString = 0x02;
inline constexpr std::uint8_t kBool = 0x04;
inline constexpr std::uint8_t kError = 0x10;
/// Every element but a string takes 8 bytes after its type byte.
inline constexpr std::size_t kFixedBody = 8;
} // namespace arrayvalue

/// Reads the data of one array constant (columns - 1 as u8, rows - 1 as u16, then the
/// elements row by row) from the bytes that follow a formula's tokens, and gives its
/// text: {1,2;3,4}, columns separated by "," and rows by ";". Empty when the data is
/// cut short, holds an unknown element type, or its text would pass `maxText` characters.
std::optional<std::u16string> readArrayConstant(ByteReader& extra, std::size_t maxText);

} // namespace karvo
