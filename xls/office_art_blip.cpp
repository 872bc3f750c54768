// office_art_blip.cpp - building, checking and reading blip store entries.
#include "xls/office_art_blip.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include <zlib.h>

#include "core/byte_reader.h"
#include "core/xlerror.h"

namespace karvo {
namespace {

/// One blip class: its picture type, its type in the store entry (msoblip), its record
/// type and base instance (odd instances carry a second identifier), and whether it is
/// a metafile with a metafile header rather than a bitmap with a tag byte.
struct BlipKind {
    PictureType type;
    std::uint8_t msoBlip;
    std::uint16_t recType;
    std::uint16_t instance;
    bool metafile;
};

constexpr BlipKind kKinds[] = {
    {PictureTypePng, 6, 0xF01E, 0x6E0, false},
    {PictureTypeJpeg, 5, 0xF01D, 0x46A, false},
    {PictureTypeWmf, 3, 0xF01B, 0x216, true},
    {PictureTypeDib, 7, 0xF01F, 0x7A8, false},
    {PictureTypeEmf, 2, 0xF01A, 0x3D4, true},
    {PictureTypePict, 4, 0xF01C, 0x542, true},
    {PictureTypeTiff, 0x11, 0xF029, 0x6E4, false},
    {PictureTypeJpeg, 0x12, 0xF02A, 0x6E2, false}, // CMYK JPEG
};

constexpr std::size_t kUidSize = 16;
constexpr std::size_t kTagSize = 1;
// cbSize, rcBounds (4 x i32), ptSize (2 x i32), cbSave, compression, filter.
constexpr std::size_t kMetafileHeaderSize = 34;
constexpr std::uint8_t kNoCompression = 0xFE;
constexpr std::uint8_t kDeflate = 0x00;
constexpr std::uint8_t kTagDefault = 0xFF;
// Office sizes metafiles in EMUs; a pixel at 96 per inch is 9525 of them.
constexpr std::int64_t kEmuPerInch = 914400;
constexpr std::int64_t kEmuPerPixel = 9525;
// Deflate expands at most about 1032 to 1, and no metafile the library hands out is
// allowed beyond this; a stated size past either bound is not believed.
constexpr std::size_t kMaxDeflateRatio = 1032;
constexpr std::size_t kMaxMetafileBytes = 64u << 20;

const BlipKind* kindOfType(PictureType type) {
    for (const BlipKind& k : kKinds)
        if (k.type == type) return &k;
    return nullptr;
}

const BlipKind* kindOfRecord(std::uint16_t recType) {
    for (const BlipKind& k : kKinds)
        if (k.recType == recType) return &k;
    return nullptr;
}

// FNV-1a over 128 bits: the identifier only has to tell different images apart.
std::vector<std::uint8_t> blipUid(std::span<const std::uint8_t> image) {
    __extension__ using u128 = unsigned __int128;
    const u128 prime = (u128(1) << 88) | 0x13B;
    u128 hash = (u128(0x6C62272E07BB0142ULL) << 64) | 0x62B821756295C58DULL;
    for (std::uint8_t b : image) hash = (hash ^ b) * prime;
    std::vector<std::uint8_t> uid;
    for (std::size_t i = 0; i < kUidSize; ++i) uid.push_back(static_cast<std::uint8_t>(hash >> (8 * i)));
    return uid;
}

// A placeable WMF: key, handle, bounding box (i16 x 4), units per inch, then the metafile.
std::vector<std::uint8_t> metafileBlipData(std::span<const std::uint8_t> placeable) {
    ByteReader in(placeable);
    in.skip(6);
    std::int32_t left = in.i16(), top = in.i16(), right = in.i16(), bottom = in.i16();
    std::int64_t inch = in.u16();
    std::span<const std::uint8_t> metafile = placeable.subspan(std::min(placeable.size(), kPlaceableWmfHeaderSize));
    std::vector<std::uint8_t> data;
    putLittle(data, metafile.size(), 4);
    for (std::int32_t v : {left, top, right, bottom}) putLittle(data, static_cast<std::uint32_t>(v), 4);
    for (std::int64_t extent : {std::int64_t(right) - left, std::int64_t(bottom) - top})
        putLittle(data, static_cast<std::uint32_t>(inch ? extent * kEmuPerInch / inch : 0), 4);
    putLittle(data, metafile.size(), 4);
    data.push_back(kNoCompression);
    data.push_back(kNoCompression);
    data.insert(data.end(), metafile.begin(), metafile.end());
    return data;
}

std::size_t blipHeaderSize(const BlipKind& kind, std::uint16_t instance) {
    std::size_t uids = (instance & 1) ? 2 * kUidSize : kUidSize;
    return uids + (kind.metafile ? kMetafileHeaderSize : kTagSize);
}

// The embedded blip: its record header and body, within the entry's data.
struct EmbeddedBlip {
    const BlipKind* kind = nullptr;
    std::uint16_t instance = 0;
    std::span<const std::uint8_t> body;
};

std::optional<EmbeddedBlip> embeddedBlip(const OfficeArtRecord& fbse) {
    if (fbse.data.size() < kFBSEFixedSize + oart::kHeaderSize) return std::nullopt;
    ByteReader in(std::span(fbse.data).subspan(kFBSEFixedSize));
    std::uint16_t verInst = in.u16();
    std::uint16_t recType = in.u16();
    std::size_t length = in.u32();
    if (length != in.remaining()) return std::nullopt;
    return EmbeddedBlip{kindOfRecord(recType), static_cast<std::uint16_t>(verInst >> 4), in.bytes(length)};
}

bool inflateMetafile(std::span<const std::uint8_t> compressed, std::size_t size, std::vector<std::uint8_t>& out) {
    if (size > kMaxMetafileBytes || size / kMaxDeflateRatio > compressed.size()) return false;
    out.resize(size);
    uLongf outSize = static_cast<uLongf>(size);
    if (uncompress(out.data(), &outSize, compressed.data(), static_cast<uLong>(compressed.size())) != Z_OK) return false;
    out.resize(outSize);
    return true;
}

} // namespace

OfficeArtRecord makeFBSE(PictureType type, std::span<const std::uint8_t> image) {
    const BlipKind* kind = kindOfType(type);
    if (!kind) throw xlerror("unknown picture format");
    if (type == PictureTypeDib && image.size() > kBitmapFileHeaderSize && image[0] == 'B' && image[1] == 'M')
        image = image.subspan(kBitmapFileHeaderSize);
    std::vector<std::uint8_t> uid = blipUid(image);
    std::vector<std::uint8_t> blip = uid;
    if (kind->metafile) {
        std::vector<std::uint8_t> meta = metafileBlipData(image);
        blip.insert(blip.end(), meta.begin(), meta.end());
    } else {
        blip.push_back(kTagDefault);
        blip.insert(blip.end(), image.begin(), image.end());
    }
    std::vector<std::uint8_t> data{kind->msoBlip, kind->msoBlip};
    data.insert(data.end(), uid.begin(), uid.end());
    putLittle(data, kTagDefault, 2);
    putLittle(data, oart::kHeaderSize + blip.size(), 4);
    putLittle(data, 0, 4);  // cRef: no placements yet
    putLittle(data, 0, 4);  // foDelay
    putLittle(data, 0, 4);  // unused1, cbName, unused2, unused3
    writeOfficeArt(OfficeArtRecord::atom(kind->recType, 0, kind->instance, std::move(blip)), data);
    return OfficeArtRecord::atom(oart::kFBSE, 2, kind->msoBlip, std::move(data));
}

void checkFBSE(const OfficeArtRecord& fbse) {
    if (fbse.data.size() < kFBSEFixedSize) throw xlerror("error in record OfficeArtFBSE");
    if (fbse.data.size() == kFBSEFixedSize) return;  // an entry whose blip is gone
    std::optional<EmbeddedBlip> blip = embeddedBlip(fbse);
    if (!blip) throw xlerror("error in record OfficeArtFBSE");
    if (blip->kind && blip->body.size() < blipHeaderSize(*blip->kind, blip->instance))
        throw xlerror(std::string("error in record ") + officeArtClassName(blip->kind->recType));
}

PictureType blipImage(const OfficeArtRecord& fbse, std::vector<std::uint8_t>& bytes) {
    std::optional<EmbeddedBlip> blip = embeddedBlip(fbse);
    if (!blip || !blip->kind || blip->body.size() < blipHeaderSize(*blip->kind, blip->instance))
        return PictureTypeError;
    std::size_t header = blipHeaderSize(*blip->kind, blip->instance);
    std::span<const std::uint8_t> image = blip->body.subspan(header);
    if (blip->kind->metafile) {
        ByteReader meta(blip->body.subspan(header - kMetafileHeaderSize));
        std::size_t size = meta.u32();
        meta.skip(24 + 4);
        if (meta.u8() == kDeflate) return inflateMetafile(image, size, bytes) ? blip->kind->type : PictureTypeError;
    }
    bytes.assign(image.begin(), image.end());
    return blip->kind->type;
}

PixelSize blipSize(const OfficeArtRecord& fbse) {
    std::optional<EmbeddedBlip> blip = embeddedBlip(fbse);
    if (!blip || !blip->kind || blip->body.size() < blipHeaderSize(*blip->kind, blip->instance)) return {};
    std::size_t header = blipHeaderSize(*blip->kind, blip->instance);
    if (!blip->kind->metafile) return pictureSize(blip->kind->type, blip->body.subspan(header));
    ByteReader meta(blip->body.subspan(header - kMetafileHeaderSize));
    meta.skip(4 + 16);
    std::int64_t cx = meta.i32(), cy = meta.i32();
    return {static_cast<int>(std::clamp<std::int64_t>(cx / kEmuPerPixel, 0, INT32_MAX)),
            static_cast<int>(std::clamp<std::int64_t>(cy / kEmuPerPixel, 0, INT32_MAX))};
}

} // namespace karvo
