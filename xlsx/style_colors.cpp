// style_colors.cpp - reading and writing `color` elements.
#include "xlsx/style_colors.h"

#include <algorithm>
#include <array>

#include "core/default_palette.h"
#include "core/xlerror.h"

namespace karvo::xlsx {
namespace {

constexpr std::size_t kArgbBytes = 4;
constexpr std::uint8_t kOpaque = 0xFF;
// Indices below the palette are the eight colours every palette starts with.
constexpr std::array<std::uint32_t, ColorPaletteFirst> kFixedColors = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};

// The packed RGB of an ARGB value; an xlerror when it is not four bytes.
std::uint32_t packedRgb(const lmx::c_binary& argb) {
    if (argb.size() != kArgbBytes) throw xlerror("rgb color is invalid");
    return (std::uint32_t(argb[1]) << 16) | (std::uint32_t(argb[2]) << 8) | argb[3];
}

Color paletteIndexOf(const lmx::c_binary& argb) {
    std::uint32_t rgb = packedRgb(argb);
    if (argb[0] != kOpaque) return kNoColor;
    auto found = std::find(kDefaultPalette.begin(), kDefaultPalette.end(), rgb);
    if (found == kDefaultPalette.end()) return kNoColor;
    return static_cast<Color>(ColorPaletteFirst + (found - kDefaultPalette.begin()));
}

Color rgbOfIndex(std::uint32_t index, const styles::c_CT_Stylesheet& stylesheet) {
    if (stylesheet.colors && stylesheet.colors->indexedColors) {
        const auto& own = stylesheet.colors->indexedColors->rgbColor;
        if (index < own.size()) return own[index]->rgb.has() ? static_cast<Color>(packedRgb(own[index]->rgb.get())) : kNoColor;
    }
    if (index < kFixedColors.size()) return static_cast<Color>(kFixedColors[index]);
    if (index - ColorPaletteFirst < kDefaultPalette.size())
        return static_cast<Color>(kDefaultPalette[index - ColorPaletteFirst]);
    return kNoColor;
}

} // namespace

Color readColor(const styles::c_CT_Color& color, bool rgbMode, const styles::c_CT_Stylesheet& stylesheet) {
    if (color.rgb.has()) return rgbMode ? static_cast<Color>(packedRgb(color.rgb.get())) : paletteIndexOf(color.rgb.get());
    if (color.indexed.has()) return rgbMode ? rgbOfIndex(color.indexed.get(), stylesheet) : static_cast<Color>(color.indexed.get());
    return kNoColor;
}

Color readColor(const lmx::owned<styles::c_CT_Color>& color, Color absent, bool rgbMode,
                const styles::c_CT_Stylesheet& stylesheet) {
    return color ? readColor(*color, rgbMode, stylesheet) : absent;
}

void writeColor(lmx::owned<styles::c_CT_Color>& color, Color value, bool rgbMode) {
    if (value == kNoColor) return;
    styles::c_CT_Color written;
    if (rgbMode) {
        auto rgb = static_cast<std::uint32_t>(value);
        written.rgb.set({kOpaque, std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)});
    } else {
        // The automatic font colour of binary books is the system foreground here.
        written.indexed.set(value == ColorAutomaticFont ? ColorSystemForeground : static_cast<std::uint32_t>(value));
    }
    color.make() = std::move(written);
}

} // namespace karvo::xlsx
