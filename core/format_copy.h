// format_copy.h - copying a format or a font through the interfaces, so that the
// source may belong to another book of either family.
#pragma once

#include "core/interfaces.h"

namespace karvo {

/// Everything a format shows but its font and number format, which each family
/// carries over its own way: alignment, borders, fill and protection.
void copyFormatLook(IFormat& from, IFormat& to);

/// Size, styles, colour and name, in the order a binary font needs them (size
/// before bold, so the copy has whole points and the plain weights).
void copyFontProperties(IFont& from, IFont& to);

} // namespace karvo
