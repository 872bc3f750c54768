// office_art_blip.h - blip store entries: an OfficeArtFBSE with its embedded OfficeArtBlip.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/enums.h"
#include "xls/office_art.h"
#include "core/picture_info.h"

namespace karvo {

/// The fixed part of an OfficeArtFBSE before its embedded blip.
inline constexpr std::size_t kFBSEFixedSize = 36;
/// Where the reference count (cRef) sits in an OfficeArtFBSE.
inline constexpr std::size_t kFBSERefCountAt = 24;

/// A blip store entry for an image of a recognised type: a bitmap loses its file
/// header, a placeable WMF its placeable header (the store keeps the metafile itself,
/// with the extent in the blip's metafile header). The reference count is 0.
OfficeArtRecord makeFBSE(PictureType type, std::span<const std::uint8_t> image);

/// Checks that the entry is at least its fixed part and that an embedded blip fills the
/// rest exactly with room for its own header: "error in record OfficeArtFBSE", "error
/// in record OfficeArtBlipPNG" and the like.
void checkFBSE(const OfficeArtRecord& fbse);

/// The image an entry holds; PictureTypeError for an entry without a blip or with a
/// blip of a class the library does not know.
PictureType blipImage(const OfficeArtRecord& fbse, std::vector<std::uint8_t>& bytes);

/// The size in pixels of the entry's image: from the image header of a bitmap, from
/// the metafile header of a metafile.
PixelSize blipSize(const OfficeArtRecord& fbse);

} // namespace karvo
