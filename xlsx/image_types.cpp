// image_types.cpp - image parts of an Open XML book.
#include "xlsx/image_types.h"

#include "core/text_compare.h"

namespace karvo::xlsx {
namespace {

constexpr ImageType kImageTypes[] = {
    {PictureTypePng, u"png", u"image/png"},
    {PictureTypeJpeg, u"jpg", u"image/jpeg"},
    {PictureTypeWmf, u"wmf", u"image/x-wmf"},
    {PictureTypeDib, u"bmp", u"image/bmp"},
};

// Consumers of Open XML books size a metafile picture by its frame, not its header.
constexpr PixelSize kMetafileSize = {200, 200};

std::u16string_view extensionOf(std::u16string_view partName) {
    std::size_t dot = partName.rfind(u'.');
    std::size_t slash = partName.rfind(u'/');
    if (dot == std::u16string_view::npos || (slash != std::u16string_view::npos && dot < slash)) return {};
    return partName.substr(dot + 1);
}

} // namespace

const ImageType* recogniseImage(std::span<const std::uint8_t> data) {
    PictureType type = recognisePicture(data);
    for (const ImageType& known : kImageTypes)
        if (known.type == type) return &known;
    return nullptr;
}

PictureType imagePartType(std::u16string_view partName) {
    std::u16string_view extension = extensionOf(partName);
    if (sameTextIgnoringCase(extension, u"jpeg")) return PictureTypeJpeg;
    for (const ImageType& known : kImageTypes)
        if (sameTextIgnoringCase(extension, known.extension)) return known.type;
    return PictureTypeError;
}

PixelSize imagePartSize(std::u16string_view partName, std::span<const std::uint8_t> bytes) {
    PictureType type = imagePartType(partName);
    return type == PictureTypeWmf ? kMetafileSize : pictureSize(type, bytes);
}

} // namespace karvo::xlsx
