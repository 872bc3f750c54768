// text_metrics.h - the digit width that turns column widths into pixels.
#pragma once

#include <string_view>

namespace karvo {

/// The largest advance in pixels, at 96 DPI, of the digits 0 to 9 in the face at
/// the size in points: what the display would measure for the font. Faces are
/// matched without regard to letter case; an unknown face or a size below 1
/// gives 7, the width of the default fonts.
int maxDigitWidth(std::u16string_view face, int points);

} // namespace karvo
