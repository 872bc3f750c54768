// central_dir.cpp - the end records, the Zip64 records and the central directory headers.
#include "zip/central_dir.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/byte_reader.h"
#include "core/utf_convert.h"
#include "zip/zip_format.h"

namespace karvo::zip {
namespace {

// Where the directory is and how many entries it holds, from the end record or,
// when the archive has them, the Zip64 records.
struct DirLocation {
    std::uint64_t entries = 0;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
    std::uint64_t end = 0; // where the records after the directory start
};

[[noreturn]] void fail(CZipException::Code code) { throw CZipException(code); }

void require(bool ok) {
    if (!ok) fail(CZipException::badZipFile);
}

// The last end record whose comment fits in the bytes after it. The comment may hold
// anything, so the search starts at the end and allows the longest comment.
std::optional<std::size_t> findEndRecord(std::span<const std::uint8_t> archive) {
    if (archive.size() < kEndRecordSize) return std::nullopt;
    std::size_t last = archive.size() - kEndRecordSize;
    std::size_t first = last > kMaxCommentSize ? last - kMaxCommentSize : 0;
    for (std::size_t at = last + 1; at-- > first;) {
        ByteReader in(archive.subspan(at));
        if (in.u32() != signature::kEndRecord) continue;
        in.skip(16);
        if (in.u16() <= in.remaining()) return at;
    }
    return std::nullopt;
}

// The Zip64 end record that the locator just before the end record points to.
DirLocation readZip64Records(std::span<const std::uint8_t> archive, std::size_t locatorAt) {
    ByteReader locator(archive.subspan(locatorAt, kZip64LocatorSize));
    locator.skip(4);
    std::uint32_t recordDisk = locator.u32();
    std::uint64_t recordAt = locator.u64();
    std::uint32_t disks = locator.u32();
    if (recordDisk != 0 || disks > 1) fail(CZipException::cdirNotFound);
    require(recordAt <= locatorAt && locatorAt - recordAt >= kZip64EndRecordSize);

    ByteReader record(archive.subspan(recordAt, locatorAt - recordAt));
    require(record.u32() == signature::kZip64EndRecord);
    record.skip(12); // record size, versions
    std::uint32_t disk = record.u32();
    std::uint32_t dirDisk = record.u32();
    if (disk != 0 || dirDisk != 0) fail(CZipException::cdirNotFound);
    DirLocation dir;
    std::uint64_t entriesHere = record.u64();
    dir.entries = record.u64();
    dir.size = record.u64();
    dir.offset = record.u64();
    dir.end = recordAt;
    require(record.ok() && entriesHere == dir.entries);
    return dir;
}

DirLocation locateDirectory(std::span<const std::uint8_t> archive) {
    std::optional<std::size_t> endAt = findEndRecord(archive);
    if (!endAt) fail(CZipException::cdirNotFound);
    ByteReader end(archive.subspan(*endAt, kEndRecordSize));
    end.skip(4);
    std::uint16_t disk = end.u16();
    std::uint16_t dirDisk = end.u16();
    std::uint16_t entriesHere = end.u16();
    DirLocation dir{end.u16(), end.u32(), end.u32(), *endAt};
    if (disk != 0 || dirDisk != 0) fail(CZipException::cdirNotFound);
    require(entriesHere == dir.entries);

    if (*endAt >= kZip64LocatorSize) {
        std::size_t locatorAt = *endAt - kZip64LocatorSize;
        if (ByteReader(archive.subspan(locatorAt)).u32() == signature::kZip64Locator)
            dir = readZip64Records(archive, locatorAt);
    }
    require(dir.offset <= dir.end && dir.size <= dir.end - dir.offset);
    if (dir.entries > kMaxEntries) fail(CZipException::tooManyFiles);
    require(dir.entries <= dir.size / kCentralHeaderSize);
    return dir;
}

// Replaces the saturated 32-bit fields by their values in the Zip64 extra field, in
// the field's fixed order; a saturated field without its value is damage.
void applyZip64Extra(std::span<const std::uint8_t> extra, CZipFileHeader& h) {
    ByteReader fields(extra);
    while (fields.remaining() >= 4) {
        std::uint16_t id = fields.u16();
        ByteReader data(fields.bytes(fields.u16()));
        require(fields.ok());
        if (id != kZip64ExtraId) continue;
        for (std::uint64_t* value : {&h.uncompressedSize, &h.compressedSize, &h.localHeaderOffset})
            if (*value == kSaturated32) *value = data.u64();
        require(data.ok());
        return;
    }
    require(h.uncompressedSize != kSaturated32 && h.compressedSize != kSaturated32 &&
            h.localHeaderOffset != kSaturated32);
}

CZipFileHeader readCentralHeader(ByteReader& in) {
    require(in.u32() == signature::kCentralHeader);
    CZipFileHeader h;
    h.versionMadeBy = in.u16();
    h.versionNeeded = in.u16();
    h.flags = in.u16();
    h.method = in.u16();
    h.dosTime = in.u16();
    h.dosDate = in.u16();
    h.crc32 = in.u32();
    h.compressedSize = in.u32();
    h.uncompressedSize = in.u32();
    std::uint16_t nameSize = in.u16();
    std::uint16_t extraSize = in.u16();
    std::uint16_t commentSize = in.u16();
    in.skip(4); // disk number start, internal attributes
    h.externalAttributes = in.u32();
    h.localHeaderOffset = in.u32();
    std::span<const std::uint8_t> name = in.bytes(nameSize);
    std::span<const std::uint8_t> extra = in.bytes(extraSize);
    in.skip(commentSize);
    require(in.ok());
    h.fileName = utf8ToUtf16({reinterpret_cast<const char*>(name.data()), name.size()});
    applyZip64Extra(extra, h);
    return h;
}

// Sorted by offset, each entry's bytes end where the next entry's local header (or the
// directory) starts. Entries sharing bytes are how a small archive inflates to an
// enormous total, and no producer writes them. Here each range must at least hold a
// local header; that the header, name, extra field and data fit is checked when the
// entry is opened, where the local header is read.
std::vector<std::uint64_t> findEntryEnds(const std::vector<CZipFileHeader>& headers, std::uint64_t dirOffset) {
    std::vector<std::size_t> order(headers.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return headers[a].localHeaderOffset < headers[b].localHeaderOffset;
    });
    std::vector<std::uint64_t> ends(headers.size());
    std::uint64_t next = dirOffset;
    for (std::size_t k = order.size(); k-- > 0;) {
        const CZipFileHeader& h = headers[order[k]];
        require(h.localHeaderOffset <= next && next - h.localHeaderOffset >= kLocalHeaderSize);
        ends[order[k]] = next;
        next = h.localHeaderOffset;
    }
    return ends;
}

} // namespace

CZipCentralDir CZipCentralDir::read(std::span<const std::uint8_t> archive) {
    DirLocation location = locateDirectory(archive);
    ByteReader in(archive.subspan(location.offset, location.size));
    CZipCentralDir dir;
    dir.headers.reserve(location.entries);
    std::uint64_t total = 0;
    for (std::uint64_t i = 0; i < location.entries; ++i) {
        dir.headers.push_back(readCentralHeader(in));
        std::uint64_t size = dir.headers.back().uncompressedSize;
        if (size > kMaxTotalSize - total) fail(CZipException::tooBigSize);
        total += size;
    }
    dir.entryEnds = findEntryEnds(dir.headers, location.offset);
    return dir;
}

} // namespace karvo::zip
