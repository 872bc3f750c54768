// zip_bytes.h - archives built field by field, for the shapes our writer never makes:
// Zip64 fields, data descriptors, encryption flags, other methods, damage.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "core/byte_reader.h"
#include "zip/zip_archive.h"

namespace karvo::testing {

/// One entry as it is to be laid out. The declared fields default to the truth about
/// `data`; a test overrides them to lie.
struct RawEntry {
    std::string name{};
    std::string data{};     ///< the bytes after the local header, stored or raw deflate
    std::string inflated{}; ///< what `data` stands for; declared size and CRC follow it
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
    bool descriptor = false;          ///< zeros in the local header, a data descriptor after the data
    bool zip64 = false;               ///< saturated central fields, the values in a Zip64 extra field
    std::int64_t declaredSize = -1;   ///< overrides inflated.size() in the central header
    std::string localExtra{};         ///< extra field of the local header only
    std::int64_t localOffset = -1;    ///< overrides where the central header says the entry is
    std::int64_t compressedSize = -1; ///< overrides data.size() in the central header
};

struct RawArchive {
    std::vector<RawEntry> entries{};
    std::string comment{};
    bool zip64End = false;  ///< Zip64 end record and locator before the end record
    std::string trailing{}; ///< bytes after the end record and its comment
};

inline std::vector<std::uint8_t> rawDeflate(const std::string& text) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<std::uint8_t> out(deflateBound(&z, text.size()));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

/// A deflated entry of `text`.
inline RawEntry deflatedEntry(std::string name, const std::string& text) {
    std::vector<std::uint8_t> packed = rawDeflate(text);
    return {std::move(name), std::string(packed.begin(), packed.end()), text, 8};
}

inline std::vector<std::uint8_t> buildArchive(const RawArchive& archive) {
    using Out = std::vector<std::uint8_t>;
    Out out, dir;
    auto bytes = [](Out& o, const std::string& s) { o.insert(o.end(), s.begin(), s.end()); };
    for (const RawEntry& e : archive.entries) {
        std::uint64_t offset = out.size();
        std::uint64_t size = e.declaredSize >= 0 ? std::uint64_t(e.declaredSize) : e.inflated.size();
        std::uint64_t packed = e.compressedSize >= 0 ? std::uint64_t(e.compressedSize) : e.data.size();
        std::uint64_t at = e.localOffset >= 0 ? std::uint64_t(e.localOffset) : offset;
        std::uint32_t crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(e.inflated.data()), static_cast<uInt>(e.inflated.size())));
        // version needed, flags, method, time, date; then CRC and sizes (or zeros).
        auto common = [&](Out& o, bool local) {
            for (std::uint16_t v : {20, e.flags | (e.descriptor ? 8 : 0), int(e.method), 0, 0x21}) putLittle(o, v, 2);
            bool hide = local && e.descriptor;
            putLittle(o, hide ? 0 : crc, 4);
            putLittle(o, hide ? 0 : !local && e.zip64 ? 0xFFFFFFFF : local ? e.data.size() : packed, 4);
            putLittle(o, hide ? 0 : !local && e.zip64 ? 0xFFFFFFFF : size, 4);
            putLittle(o, e.name.size(), 2);
        };
        putLittle(out, 0x04034B50, 4);
        common(out, true);
        putLittle(out, e.localExtra.size(), 2);
        bytes(out, e.name);
        bytes(out, e.localExtra);
        bytes(out, e.data);
        if (e.descriptor) {
            for (std::uint64_t v : {std::uint64_t(0x08074B50), std::uint64_t(crc), packed, size}) putLittle(out, v, 4);
        }
        putLittle(dir, 0x02014B50, 4);
        putLittle(dir, 20, 2); // version made by
        common(dir, false);
        putLittle(dir, e.zip64 ? 28 : 0, 2); // extra field size
        putLittle(dir, 0, 6);                // comment size, disk, internal attributes
        putLittle(dir, 0, 4);                // external attributes
        putLittle(dir, e.zip64 ? 0xFFFFFFFF : at, 4);
        bytes(dir, e.name);
        if (e.zip64) {
            for (std::uint64_t v : {std::uint64_t(1), std::uint64_t(24)}) putLittle(dir, v, 2);
            for (std::uint64_t v : {size, packed, at}) putLittle(dir, v, 8);
        }
    }
    std::uint64_t dirOffset = out.size(), count = archive.entries.size();
    out.insert(out.end(), dir.begin(), dir.end());
    if (archive.zip64End) {
        std::uint64_t recordAt = out.size();
        putLittle(out, 0x06064B50, 4);
        putLittle(out, 44, 8);
        putLittle(out, 45 | 45 << 16, 4);
        putLittle(out, 0, 8); // disks
        for (std::uint64_t v : {count, count, std::uint64_t(dir.size()), dirOffset}) putLittle(out, v, 8);
        putLittle(out, 0x07064B50, 4);
        putLittle(out, 0, 4);
        putLittle(out, recordAt, 8);
        putLittle(out, 1, 4);
    }
    std::uint64_t count16 = archive.zip64End ? 0xFFFF : count;
    putLittle(out, 0x06054B50, 4);
    putLittle(out, 0, 4); // disks
    putLittle(out, count16, 2);
    putLittle(out, count16, 2);
    putLittle(out, archive.zip64End ? 0xFFFFFFFF : dir.size(), 4);
    putLittle(out, archive.zip64End ? 0xFFFFFFFF : dirOffset, 4);
    putLittle(out, archive.comment.size(), 2);
    bytes(out, archive.comment);
    bytes(out, archive.trailing);
    return out;
}

/// No failure: the code readAll reports when every entry read.
inline constexpr int kReadOk = -1;

/// Every entry of an archive as both readers delivered it, or the code of the first
/// failure (kReadOk when none). extract() and open() must agree on each entry.
struct ReadResult {
    int code = kReadOk;
    std::vector<std::pair<std::u16string, std::string>> entries;
};

inline std::string readStreaming(const zip::CZipArchive& archive, std::size_t index, std::size_t chunk) {
    std::unique_ptr<zip::CZipEntryReader> in = archive.open(index);
    std::string out, buffer(chunk, '\0');
    while (std::size_t n = in->read(buffer.data(), buffer.size())) out.append(buffer, 0, n);
    return out;
}

inline ReadResult readAll(std::span<const std::uint8_t> bytes, std::size_t chunk = 7) {
    ReadResult result;
    try {
        zip::CZipArchive archive(bytes);
        for (std::size_t i = 0; i < archive.entryCount(); ++i) {
            std::pair<int, std::string> whole{kReadOk, {}}, streamed{kReadOk, {}};
            try {
                whole.second = archive.extract(i);
            } catch (const zip::CZipException& e) {
                whole.first = e.code();
            }
            try {
                streamed.second = readStreaming(archive, i, chunk);
            } catch (const zip::CZipException& e) {
                streamed.first = e.code();
            }
            EXPECT_EQ(whole.first, streamed.first) << "entry " << i;
            if (whole.first != kReadOk) return {whole.first, {}};
            EXPECT_EQ(whole.second, streamed.second) << "entry " << i;
            result.entries.emplace_back(archive.header(i).fileName, std::move(whole.second));
        }
    } catch (const zip::CZipException& e) {
        result.code = e.code();
    }
    return result;
}

} // namespace karvo::testing
