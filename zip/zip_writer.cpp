// zip_writer.cpp - CZipArchiveWriter: local headers and data as entries come, the
// directory and end records at the close.
#include "zip/zip_archive.h"

#include <string>
#include <optional>
#include <utility>

#include "core/byte_reader.h"
#include "core/huge_pages.h"
#include "core/utf_convert.h"
#include "zip/deflate.h"
#include "zip/dos_time.h"
#include "zip/zip_format.h"

namespace karvo::zip {
namespace {

// Shorter data is stored: a deflate stream costs at least a few bytes of its own.
constexpr std::size_t kMinDeflateSize = 5;
// Version 2.0 is enough for deflate.
constexpr std::uint16_t kVersionNeeded = 20;
// Made by version 2.0 on a Unix host, with the mode of a plain file (rw-r--r--) in the
// external attributes. unzip translates the names of archives made on MS-DOS from an
// OEM code page even when flag bit 11 says UTF-8, which garbles any non-ASCII name.
constexpr std::uint16_t kVersionMadeBy = 3 << 8 | 20;
constexpr std::uint32_t kPlainFileAttributes = 0100644u << 16;

void put16(std::vector<std::uint8_t>& out, std::uint64_t v) { putLittle(out, v, 2); }
void put32(std::vector<std::uint8_t>& out, std::uint64_t v) { putLittle(out, v, 4); }
void put64(std::vector<std::uint8_t>& out, std::uint64_t v) { putLittle(out, v, 8); }

void putBytes(std::vector<std::uint8_t>& out, std::string_view bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// The fields from the version needed to the name length, which the local and central
// headers share.
void putCommonFields(std::vector<std::uint8_t>& out, const CZipFileHeader& h, std::size_t nameSize) {
    put16(out, h.versionNeeded);
    put16(out, h.flags);
    put16(out, h.method);
    put16(out, h.dosTime);
    put16(out, h.dosDate);
    put32(out, h.crc32);
    put32(out, h.compressedSize);
    put32(out, h.uncompressedSize);
    put16(out, nameSize);
}

void putCentralHeader(std::vector<std::uint8_t>& out, const CZipFileHeader& h) {
    std::string name = utf16ToUtf8(h.fileName);
    put32(out, signature::kCentralHeader);
    put16(out, h.versionMadeBy);
    putCommonFields(out, h, name.size());
    put16(out, 0); // extra field size
    put16(out, 0); // comment size
    put16(out, 0); // disk number start
    put16(out, 0); // internal attributes
    put32(out, h.externalAttributes);
    put32(out, h.localHeaderOffset);
    putBytes(out, name);
}

// Zip64 records are written only when the entry count overflows 16 bits; sizes and
// offsets past 32 bits are refused when entries are added or the directory is placed.
void putEndRecords(std::vector<std::uint8_t>& out, std::uint64_t entries, std::uint64_t dirOffset,
                   std::uint64_t dirSize) {
    bool zip64 = entries >= kSaturated16;
    if (zip64) {
        std::uint64_t recordAt = out.size();
        put32(out, signature::kZip64EndRecord);
        put64(out, kZip64EndRecordSize - 12); // the record's size after this field
        put16(out, 45);                       // version made by: 4.5, the first with Zip64
        put16(out, 45);                       // version needed
        put32(out, 0);                        // this disk
        put32(out, 0);                        // the directory's disk
        put64(out, entries);
        put64(out, entries);
        put64(out, dirSize);
        put64(out, dirOffset);
        put32(out, signature::kZip64Locator);
        put32(out, 0); // the record's disk
        put64(out, recordAt);
        put32(out, 1); // disks in all
    }
    std::uint64_t count16 = zip64 ? kSaturated16 : entries;
    put32(out, signature::kEndRecord);
    put16(out, 0); // this disk
    put16(out, 0); // the directory's disk
    put16(out, count16);
    put16(out, count16);
    put32(out, dirSize);
    put32(out, dirOffset);
    put16(out, 0); // comment size
}

void requireFits32(std::uint64_t value) {
    if (value >= kSaturated32) throw CZipException(CZipException::tooBigSize);
}

} // namespace

CZipArchiveWriter::CZipArchiveWriter() = default;
CZipArchiveWriter::CZipArchiveWriter(Sink sink) : sink_(std::move(sink)) {}
CZipArchiveWriter::~CZipArchiveWriter() = default;

CZipFileHeader CZipArchiveWriter::startHeader(const std::string& utf8Name, std::uint16_t method,
                                              std::uint16_t flags) {
    if (headers_.size() >= kMaxEntries) throw CZipException(CZipException::tooManyFiles);
    if (utf8Name.size() > 0xFFFF) throw CZipException(CZipException::tooLongData);
    requireFits32(position());
    CZipFileHeader h;
    h.versionMadeBy = kVersionMadeBy;
    h.versionNeeded = kVersionNeeded;
    h.externalAttributes = kPlainFileAttributes;
    h.flags = flags;
    h.method = method;
    DosDateTime stamp = dosNow();
    h.dosTime = stamp.time;
    h.dosDate = stamp.date;
    h.localHeaderOffset = position();
    h.fileName = utf8ToUtf16(utf8Name);
    return h;
}

void CZipArchiveWriter::putLocalHeader(const CZipFileHeader& h, const std::string& utf8Name) {
    put32(out_, signature::kLocalHeader);
    putCommonFields(out_, h, utf8Name.size());
    put16(out_, 0); // extra field size
    putBytes(out_, utf8Name);
}

void CZipArchiveWriter::emit(std::span<const std::uint8_t> data) {
    if (!sink_) {
        out_.insert(out_.end(), data.begin(), data.end());
        return;
    }
    // What out_ holds goes first; the data goes out from where it lies, without a copy.
    if (!out_.empty()) {
        sink_(out_);
        handedOut_ += out_.size();
        out_.clear();
    }
    sink_(data);
    handedOut_ += data.size();
}

void CZipArchiveWriter::add(std::u16string_view name, std::span<const std::uint8_t> data) {
    std::string utf8 = utf16ToUtf8(name);
    requireFits32(data.size());
    CZipFileHeader h = startHeader(utf8, data.size() < kMinDeflateSize ? method::kStored : method::kDeflated,
                                   flag::kUtf8Name);
    h.crc32 = crc32(0, data);
    h.uncompressedSize = data.size();

    std::vector<std::uint8_t> compressed;
    if (h.method == method::kDeflated) {
        if (!compressor_) compressor_ = std::make_unique<CDeflateCompressor>();
        compressed = compressor_->compress(data);
        data = compressed;
    }
    h.compressedSize = data.size();
    requireFits32(h.compressedSize);

    if (!sink_) reserveAdvised(out_, out_.size() + kLocalHeaderSize + utf8.size() + data.size());
    putLocalHeader(h, utf8);
    emit(data);
    headers_.push_back(std::move(h));
}

void CZipArchiveWriter::addInPieces(std::u16string_view name, const std::function<void(const Sink&)>& produce) {
    std::vector<std::uint8_t> first;
    std::optional<CZipFileHeader> h;
    std::unique_ptr<CDeflateStream> deflater;
    std::string utf8 = utf16ToUtf8(name);
    auto deflate = [&](std::span<const std::uint8_t> piece) {
        h->crc32 = crc32(h->crc32, piece);
        h->uncompressedSize += piece.size();
        requireFits32(h->uncompressedSize);
        deflater->write(piece);
    };
    produce([&](std::span<const std::uint8_t> piece) {
        if (piece.empty()) return;
        // The first piece waits: if it is the only one, the entry is an ordinary one.
        if (!h && first.empty()) {
            first.assign(piece.begin(), piece.end());
            return;
        }
        if (!h) {
            h = startHeader(utf8, method::kDeflated, flag::kUtf8Name | flag::kDataDescriptor);
            putLocalHeader(*h, utf8);
            deflater = std::make_unique<CDeflateStream>([&](std::span<const std::uint8_t> compressed) {
                h->compressedSize += compressed.size();
                requireFits32(h->compressedSize);
                emit(compressed);
            });
            deflate(first);
            first = {};
        }
        deflate(piece);
    });
    if (!h) {
        if (!first.empty()) add(name, first);
        return;
    }
    deflater->finish();
    put32(out_, signature::kDataDescriptor);
    put32(out_, h->crc32);
    put32(out_, static_cast<std::uint32_t>(h->compressedSize));
    put32(out_, static_cast<std::uint32_t>(h->uncompressedSize));
    headers_.push_back(std::move(*h));
}

std::vector<std::uint8_t> CZipArchiveWriter::close() {
    // Room for the directory in one step: appended to a large archive one header at a
    // time, it would copy the whole archive into a fresh buffer.
    std::size_t dirBytes = kZip64EndRecordSize + kZip64LocatorSize + kEndRecordSize;
    for (const CZipFileHeader& h : headers_) dirBytes += kCentralHeaderSize + utf16ToUtf8(h.fileName).size();
    reserveAdvised(out_, out_.size() + dirBytes);
    std::uint64_t dirOffset = position();
    requireFits32(dirOffset);
    for (const CZipFileHeader& h : headers_) putCentralHeader(out_, h);
    std::uint64_t dirSize = position() - dirOffset;
    requireFits32(dirSize);
    putEndRecords(out_, headers_.size(), dirOffset, dirSize);
    headers_.clear();
    if (sink_) {
        sink_(out_);
        handedOut_ = 0;
        out_.clear();
    }
    return std::exchange(out_, {});
}

} // namespace karvo::zip
