// image_types.h - the image parts of an Open XML book: extension, media type, picture
// type and size in pixels.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/enums.h"
#include "core/picture_info.h"

namespace karvo::xlsx {

/// What an added image is stored as.
struct ImageType {
    PictureType type;
    std::u16string_view extension;
    std::u16string_view contentType;
};

/// The kind of image data by its first bytes (as the binary book tells them apart);
/// null for anything else.
const ImageType* recogniseImage(std::span<const std::uint8_t> data);

/// The picture type an image part's extension names, without regard to case;
/// PictureTypeError for an extension of no known type.
PictureType imagePartType(std::u16string_view partName);

/// The size in pixels of an image part, by the type its extension names. A WMF
/// counts as 200 by 200 pixels; a part named ".jpg" or ".jpeg" that does not start
/// like a JPEG fails with "invalid jpg file"; a header cut short gives 0 by 0.
PixelSize imagePartSize(std::u16string_view partName, std::span<const std::uint8_t> bytes);

} // namespace karvo::xlsx
