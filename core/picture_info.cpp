// picture_info.cpp - recognising PNG, JPEG, WMF and bitmap data and reading their sizes.
#include "core/picture_info.h"

#include <cstdlib>
#include <limits>

#include "core/byte_reader.h"
#include "core/xlerror.h"

namespace karvo {
namespace {

// Data this short cannot be told apart from noise.
constexpr std::size_t kMinPictureBytes = 5;

// The first byte of a bitmap without its file header is its information header's size:
// core (12), OS/2 2 (64), version 3 (40), 4 (108) and 5 (124).
constexpr std::uint8_t kDibHeaderSizes[] = {12, 0x40, 0x28, 0x6C, 0x7C};

// WMF extents are in logical units of this many per inch; screens show 96 pixels per inch.
constexpr int kScreenDpi = 96;

bool startsWith(std::span<const std::uint8_t> data, std::initializer_list<std::uint8_t> prefix) {
    if (data.size() < prefix.size()) return false;
    std::size_t i = 0;
    for (std::uint8_t b : prefix)
        if (data[i++] != b) return false;
    return true;
}

std::uint32_t bigEndian(std::span<const std::uint8_t> data, std::size_t at, std::size_t n) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = v << 8 | data[at + i];
    return v;
}

int clampPixels(std::int64_t v) {
    v = std::llabs(v);
    return static_cast<int>(std::min<std::int64_t>(v, std::numeric_limits<int>::max()));
}

// IHDR is the first chunk: signature (8), length (4), "IHDR" (4), width, height.
PixelSize pngSize(std::span<const std::uint8_t> data) {
    constexpr std::size_t kWidthAt = 16;
    if (data.size() < kWidthAt + 8) return {};
    return {clampPixels(bigEndian(data, kWidthAt, 4)), clampPixels(bigEndian(data, kWidthAt + 4, 4))};
}

// Segments after SOI: FF, marker, big-endian length counting itself. The first
// start-of-frame (C0 to C3) holds precision, height, width.
PixelSize jpegSize(std::span<const std::uint8_t> data) {
    if (!startsWith(data, {0xFF, 0xD8})) throw xlerror("invalid jpg file");
    std::size_t at = 2;
    while (at + 4 <= data.size() && data[at] == 0xFF) {
        std::uint8_t marker = data[at + 1];
        std::size_t length = bigEndian(data, at + 2, 2);
        if (marker >= 0xC0 && marker <= 0xC3) {
            if (at + 9 > data.size()) return {};
            return {clampPixels(bigEndian(data, at + 7, 2)), clampPixels(bigEndian(data, at + 5, 2))};
        }
        if (length < 2) return {};
        at += 2 + length;
    }
    return {};
}

// The core header has 16-bit extents; the others signed 32-bit, negative for top-down rows.
PixelSize dibSize(std::span<const std::uint8_t> data) {
    if (startsWith(data, {'B', 'M'})) data = data.subspan(std::min(data.size(), kBitmapFileHeaderSize));
    ByteReader in(data);
    std::uint32_t headerSize = in.u32();
    PixelSize size;
    if (headerSize == 12) {
        size.width = in.u16();
        size.height = in.u16();
    } else {
        size.width = clampPixels(in.i32());
        size.height = clampPixels(in.i32());
    }
    return in.ok() ? size : PixelSize{};
}

// The placeable header: key, handle, bounding box (left, top, right, bottom as i16),
// logical units per inch.
PixelSize wmfSize(std::span<const std::uint8_t> data) {
    ByteReader in(data);
    in.skip(6);
    int left = in.i16(), top = in.i16(), right = in.i16(), bottom = in.i16();
    int unitsPerInch = in.u16();
    if (!in.ok() || unitsPerInch == 0) return {};
    return {clampPixels(std::int64_t(right - left) * kScreenDpi / unitsPerInch),
            clampPixels(std::int64_t(bottom - top) * kScreenDpi / unitsPerInch)};
}

} // namespace

PictureType recognisePicture(std::span<const std::uint8_t> data) {
    if (data.size() < kMinPictureBytes) return PictureTypeError;
    if (startsWith(data, {0x89, 'P', 'N', 'G'})) return PictureTypePng;
    if (startsWith(data, {0xFF, 0xD8, 0xFF, 0xE0})) return PictureTypeJpeg;
    if (startsWith(data, {0xD7, 0xCD, 0xC6, 0x9A})) return PictureTypeWmf;
    if (startsWith(data, {'B', 'M'})) return PictureTypeDib;
    for (std::uint8_t size : kDibHeaderSizes)
        if (data[0] == size) return PictureTypeDib;
    return PictureTypeError;
}

PixelSize pictureSize(PictureType type, std::span<const std::uint8_t> data) {
    switch (type) {
    case PictureTypePng: return pngSize(data);
    case PictureTypeJpeg: return jpegSize(data);
    case PictureTypeDib: return dibSize(data);
    case PictureTypeWmf: return wmfSize(data);
    default: return {};
    }
}

} // namespace karvo
