// deflate.cpp - libdeflate behind the archive layer's compression calls.
#include "zip/deflate.h"

#include <libdeflate.h>

#include "zip/zip_archive.h"

namespace karvo::zip {

CDeflateCompressor::CDeflateCompressor(int level) : compressor_(libdeflate_alloc_compressor(level)) {
    if (!compressor_) throw CZipException(CZipException::memoryAllocation);
}

CDeflateCompressor::~CDeflateCompressor() { libdeflate_free_compressor(compressor_); }

std::vector<std::uint8_t> CDeflateCompressor::compress(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out(libdeflate_deflate_compress_bound(compressor_, data.size()));
    std::size_t size = libdeflate_deflate_compress(compressor_, data.data(), data.size(), out.data(), out.size());
    // The bound always suffices; 0 would mean the library broke its own promise.
    if (size == 0) throw CZipException(CZipException::internalError);
    out.resize(size);
    return out;
}

std::uint32_t crc32(std::uint32_t crc, std::span<const std::uint8_t> data) {
    return libdeflate_crc32(crc, data.data(), data.size());
}

} // namespace karvo::zip
