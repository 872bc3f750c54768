// style_colors.h - colours of the stylesheet as the interfaces give them: palette
// indices, or packed RGB values when the book is in RGB colour mode.
#pragma once

#include "core/enums.h"
#include "xlsx/ooxml/sml-styles.h"

namespace karvo::xlsx {

/// What a colour reads as when it has none the interface can express; also the
/// value that leaves a colour unchanged when it is set.
constexpr Color kNoColor = static_cast<Color>(0xFFFFFFFF);

/// The colour a `color` element stands for; "rgb color is invalid" when its rgb
/// is not four bytes. `stylesheet` supplies the book's own indexed colours.
Color readColor(const styles::c_CT_Color& color, bool rgbMode, const styles::c_CT_Stylesheet& stylesheet);

/// The colour of an optional element, `absent` when there is none.
Color readColor(const lmx::owned<styles::c_CT_Color>& color, Color absent, bool rgbMode,
                const styles::c_CT_Stylesheet& stylesheet);

/// Makes the element hold the colour, replacing whatever it held; kNoColor leaves
/// it as it is.
void writeColor(lmx::owned<styles::c_CT_Color>& color, Color value, bool rgbMode);

} // namespace karvo::xlsx
