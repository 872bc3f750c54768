// picture_info.h - what kind of image a picture is, and its size in pixels, from its first bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/enums.h"

namespace karvo {

/// Width and height in pixels; 0 when the header does not tell.
struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

/// The image type from the first bytes: PNG, a JFIF JPEG, a placeable WMF, or a bitmap
/// (with its file header or starting at its information header). Anything else,
/// including an EXIF JPEG and data of 4 bytes or fewer, is PictureTypeError.
PictureType recognisePicture(std::span<const std::uint8_t> data);

/// The size an image's header states. A JPEG is measured at its first start-of-frame
/// marker and fails with "invalid jpg file" when it does not start FF D8; a WMF is
/// measured at 96 pixels per inch. A header cut short gives 0 x 0.
PixelSize pictureSize(PictureType type, std::span<const std::uint8_t> data);

/// The bytes of a bitmap file before its information header ("BM", sizes, offset).
inline constexpr std::size_t kBitmapFileHeaderSize = 14;
/// The header that makes a WMF placeable; the blip store holds the metafile without it.
inline constexpr std::size_t kPlaceableWmfHeaderSize = 22;

} // namespace karvo
