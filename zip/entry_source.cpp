// entry_source.cpp - the local header, the method and the size caps of one entry.
#include "zip/entry_source.h"

#include "core/byte_reader.h"
#include "zip/zip_format.h"

namespace karvo::zip {
namespace {

[[noreturn]] void fail(CZipException::Code code) { throw CZipException(code); }

void checkMethodAndSize(const CZipFileHeader& h) {
    if (h.flags & flag::kEncrypted) fail(h.method == method::kAes ? CZipException::noAes : CZipException::badPassword);
    if (h.uncompressedSize > kMaxEntrySize) fail(CZipException::tooBigSize);
    if (h.method == method::kStored) {
        if (h.compressedSize != h.uncompressedSize) fail(CZipException::badZipFile);
    } else if (h.method == method::kDeflated) {
        if (h.uncompressedSize > kRatioFreeSize && h.uncompressedSize / kMaxRatio > h.compressedSize)
            fail(CZipException::tooBigSize);
        if (h.uncompressedSize / kDeflateMaxExpansion > h.compressedSize) fail(CZipException::badZipFile);
    } else {
        fail(CZipException::badZipFile);
    }
}

} // namespace

CZipEntrySource CZipEntrySource::locate(std::span<const std::uint8_t> archive, const CZipFileHeader& header,
                                        std::uint64_t end) {
    checkMethodAndSize(header);
    // The central directory's sizes and CRC are the ones used: with a data descriptor
    // (flag bit 3) the local header holds zeros, and Zip64 writers may put 0xFFFFFFFF there.
    ByteReader local(archive.first(end).subspan(header.localHeaderOffset));
    if (local.u32() != signature::kLocalHeader) fail(CZipException::badZipFile);
    local.skip(22);
    std::uint16_t nameSize = local.u16();
    std::uint16_t extraSize = local.u16();
    local.skip(nameSize + std::size_t(extraSize));
    std::span<const std::uint8_t> data = local.bytes(header.compressedSize);
    if (!local.ok()) fail(CZipException::badZipFile);
    return {data, header.method, header.uncompressedSize, header.crc32};
}

} // namespace karvo::zip
