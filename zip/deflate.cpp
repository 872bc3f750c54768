// deflate.cpp - libdeflate behind the archive layer's compression calls.
#include "zip/deflate.h"

#include <algorithm>
#include <memory>

#include <libdeflate.h>
#include <zlib.h>

#include "core/huge_pages.h"
#include "zip/zip_archive.h"

namespace karvo::zip {

CDeflateCompressor::CDeflateCompressor(int level) : compressor_(libdeflate_alloc_compressor(level)) {
    if (!compressor_) throw CZipException(CZipException::memoryAllocation);
}

CDeflateCompressor::~CDeflateCompressor() { libdeflate_free_compressor(compressor_); }

std::vector<std::uint8_t> CDeflateCompressor::compress(std::span<const std::uint8_t> data) {
    // The bound is a little more than the input, and a sheet deflates to a tenth of
    // it. Room left uninitialised is never touched past what the stream fills, where a
    // vector of the bound would zero every page of it: for a 229 MB sheet part that
    // was 200 of the save's 650 MiB.
    std::size_t bound = libdeflate_deflate_compress_bound(compressor_, data.size());
    auto room = std::make_unique_for_overwrite<std::uint8_t[]>(bound);
    adviseHugePages(room.get(), bound);
    std::size_t size = libdeflate_deflate_compress(compressor_, data.data(), data.size(), room.get(), bound);
    // The bound always suffices; 0 would mean the library broke its own promise.
    if (size == 0) throw CZipException(CZipException::internalError);
    std::vector<std::uint8_t> compressed;
    reserveAdvised(compressed, size);
    compressed.assign(room.get(), room.get() + size);
    return compressed;
}

namespace {

/// What the stream gathers before it hands compressed bytes over.
constexpr std::size_t kStreamOutputBytes = 256 * 1024;

} // namespace

CDeflateStream::CDeflateStream(Output output, int level)
    : output_(std::move(output)), stream_(std::make_unique<z_stream>()), buffer_(kStreamOutputBytes) {
    if (deflateInit2(stream_.get(), level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        stream_.reset();
        throw CZipException(CZipException::memoryAllocation);
    }
}

CDeflateStream::~CDeflateStream() {
    if (stream_) deflateEnd(stream_.get());
}

void CDeflateStream::write(std::span<const std::uint8_t> data) { run(data, Z_NO_FLUSH); }

void CDeflateStream::finish() { run({}, Z_FINISH); }

void CDeflateStream::run(std::span<const std::uint8_t> data, int flush) {
    z_stream& z = *stream_;
    z.next_in = const_cast<Bytef*>(data.data());
    for (std::size_t left = data.size(); left > 0 || flush == Z_FINISH;) {
        // zlib counts input in 32 bits.
        const uInt piece = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
        z.avail_in = piece;
        z.next_out = buffer_.data();
        z.avail_out = static_cast<uInt>(buffer_.size());
        int result = deflate(&z, left > piece ? Z_NO_FLUSH : flush);
        if (result == Z_STREAM_ERROR) throw CZipException(CZipException::internalError);
        left -= piece - z.avail_in;
        if (z.avail_out < buffer_.size()) output_(std::span(buffer_).first(buffer_.size() - z.avail_out));
        if (result == Z_STREAM_END) break;
        // Without a full output buffer, zlib took all input it was given and, short of
        // Z_FINISH, has nothing more to say until more comes.
        if (z.avail_out > 0 && flush != Z_FINISH && left == 0) break;
    }
}

bool inflateWhole(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
    std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> decompressor(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    // Without a place for the actual size, anything but filling `out` exactly fails.
    return decompressor && libdeflate_deflate_decompress(decompressor.get(), in.data(), in.size(), out.data(),
                                                         out.size(), nullptr) == LIBDEFLATE_SUCCESS;
}

std::uint32_t crc32(std::uint32_t crc, std::span<const std::uint8_t> data) {
    return libdeflate_crc32(crc, data.data(), data.size());
}

} // namespace karvo::zip
