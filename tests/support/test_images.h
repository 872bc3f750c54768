// test_images.h - small valid images made in the tests: an RGB PNG and a 24-bit BMP.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

namespace karvo::testing {

inline void putBig32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline void putLittleN(std::vector<std::uint8_t>& out, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void pngChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    putBig32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBig32(out, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

/// A PNG of one colour, width x height, 8-bit RGB.
inline std::vector<std::uint8_t> makePng(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> ihdr;
    putBig32(ihdr, width);
    putBig32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0}); // depth 8, RGB, deflate, no filter, no interlace
    pngChunk(png, "IHDR", ihdr);
    std::vector<std::uint8_t> raw;
    for (std::uint32_t y = 0; y < height; ++y) {
        raw.push_back(0); // no filter
        for (std::uint32_t x = 0; x < width; ++x) raw.insert(raw.end(), {0x20, 0x80, 0xC0});
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> idat(size);
    compress(idat.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    idat.resize(size);
    pngChunk(png, "IDAT", idat);
    pngChunk(png, "IEND", {});
    return png;
}

/// A BMP file (file header, 40-byte information header, bottom-up 24-bit rows).
inline std::vector<std::uint8_t> makeBmp(std::uint32_t width, std::uint32_t height) {
    std::uint32_t stride = (width * 3 + 3) & ~3u;
    std::vector<std::uint8_t> bmp = {'B', 'M'};
    putLittleN(bmp, 54 + stride * height, 4);
    putLittleN(bmp, 0, 4);
    putLittleN(bmp, 54, 4);
    for (std::uint32_t v : {40u, width, height}) putLittleN(bmp, v, 4);
    putLittleN(bmp, 1, 2);  // planes
    putLittleN(bmp, 24, 2); // bits per pixel
    for (int i = 0; i < 6; ++i) putLittleN(bmp, 0, 4);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) bmp.insert(bmp.end(), {0x40, 0x40, 0xE0});
        bmp.resize(bmp.size() + stride - width * 3, 0);
    }
    return bmp;
}

} // namespace karvo::testing
