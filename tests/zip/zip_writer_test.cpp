// zip_writer_test.cpp - the writer's headers, methods and limits, read back by our reader.
#include <gtest/gtest.h>
#include <zlib.h>

#include "core/utf_convert.h"
#include "tests/zip/zip_bytes.h"
#include "zip/dos_time.h"
#include "zip/zip_archive.h"

using namespace karvo;
using namespace karvo::testing;
using zip::CZipException;

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(ZipWriter, EntriesReadBackWithTheirHeaders) {
    const std::pair<std::u16string, std::string> entries[] = {
        {u"empty", ""},
        {u"four", "abcd"},
        {u"five", "abcde"},
        {u"xl/worksheets/\u30B7\u30FC\u30C8.xml", std::string(100000, 'x') + "<row/>"},
    };
    zip::CZipArchiveWriter writer;
    for (const auto& [name, data] : entries) writer.add(name, bytesOf(data));
    std::vector<std::uint8_t> bytes = writer.close();

    ReadResult read = readAll(bytes);
    ASSERT_EQ(read.code, kReadOk);
    zip::CZipArchive archive(bytes);
    ASSERT_EQ(archive.entryCount(), std::size(entries));
    for (std::size_t i = 0; i < std::size(entries); ++i) {
        const auto& [name, data] = entries[i];
        const zip::CZipFileHeader& h = archive.header(i);
        EXPECT_EQ(h.fileName, name);
        EXPECT_EQ(read.entries[i].second, data);
        EXPECT_EQ(h.method, data.size() < 5 ? 0 : 8) << "short data stored, the rest deflated";
        EXPECT_EQ(h.flags, 0x0800) << "UTF-8 names";
        EXPECT_EQ(h.versionNeeded, 20);
        EXPECT_EQ(h.crc32, crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        if (data.empty()) {
            EXPECT_EQ(h.compressedSize, 0u) << "an empty entry has no data";
        }
    }
    EXPECT_EQ(writer.close().size(), 22u) << "close() leaves an empty writer";
}

// Entries handed out as they come make the archive the writer would hold: the
// directory's offsets count what went out before.
TEST(ZipWriter, ASinkReceivesTheArchive) {
    const std::string big = std::string(300000, 'y') + "<c/>";
    std::vector<std::uint8_t> streamed;
    zip::CZipArchiveWriter writer([&](std::span<const std::uint8_t> b) { streamed.insert(streamed.end(), b.begin(), b.end()); });
    zip::CZipArchiveWriter inMemory;
    for (zip::CZipArchiveWriter* w : {&writer, &inMemory}) {
        w->add(u"a.xml", bytesOf(big));
        w->add(u"abc", bytesOf("abc"));
        w->add(u"b.xml", bytesOf(big + big));
    }
    EXPECT_TRUE(writer.close().empty()) << "all bytes went to the sink";
    std::vector<std::uint8_t> held = inMemory.close();
    EXPECT_EQ(streamed.size(), held.size());
    ReadResult read = readAll(streamed);
    ASSERT_EQ(read.code, kReadOk);
    ASSERT_EQ(read.entries.size(), 3u);
    EXPECT_EQ(read.entries[0].second, big);
    EXPECT_EQ(read.entries[1].second, "abc");
    EXPECT_EQ(read.entries[2].second, big + big);
}

// Data in pieces: one piece makes an ordinary entry, more are deflated as they come
// with a data descriptor, none makes no entry.
TEST(ZipWriter, EntriesInPieces) {
    const std::string piece = std::string(200000, 'p') + "<row/>";
    std::vector<std::uint8_t> streamed;
    zip::CZipArchiveWriter writer([&](std::span<const std::uint8_t> b) { streamed.insert(streamed.end(), b.begin(), b.end()); });
    writer.addInPieces(u"one", [&](const zip::CZipArchiveWriter::Sink& sink) { sink(bytesOf(piece)); });
    writer.addInPieces(u"three", [&](const zip::CZipArchiveWriter::Sink& sink) {
        for (int i = 0; i < 3; ++i) sink(bytesOf(piece));
    });
    writer.addInPieces(u"none", [](const zip::CZipArchiveWriter::Sink& sink) { sink({}); });
    writer.add(u"after", bytesOf("after the descriptor"));
    writer.close();

    ReadResult read = readAll(streamed);
    ASSERT_EQ(read.code, kReadOk);
    ASSERT_EQ(read.entries.size(), 3u);
    EXPECT_EQ(read.entries[0].second, piece);
    EXPECT_EQ(read.entries[1].second, piece + piece + piece);
    EXPECT_EQ(read.entries[2].second, "after the descriptor");
    zip::CZipArchive archive(streamed);
    EXPECT_EQ(archive.header(0).flags, 0x0800);
    const zip::CZipFileHeader& h = archive.header(1);
    EXPECT_EQ(h.flags, 0x0808) << "UTF-8 names, data descriptor";
    EXPECT_EQ(h.method, 8);
    EXPECT_EQ(h.uncompressedSize, 3 * piece.size());
    const std::string all = piece + piece + piece;
    EXPECT_EQ(h.crc32, crc32(0, reinterpret_cast<const Bytef*>(all.data()), static_cast<uInt>(all.size())));
    // The local header leaves CRC and sizes to the descriptor that follows the data.
    const std::uint8_t* local = streamed.data() + h.localHeaderOffset;
    EXPECT_EQ(local[14] | local[15] | local[18] | local[22], 0);
    const std::uint8_t* descriptor = local + 30 + 5 + h.compressedSize;
    EXPECT_EQ(descriptor[0] | descriptor[1] << 8 | descriptor[2] << 16 | descriptor[3] << 24, 0x08074B50);
}

TEST(ZipWriter, DosTimeFields) {
    struct Case {
        int year, month, day, hour, minute, second;
        std::uint16_t date, time;
    };
    const Case cases[] = {
        {2024, 3, 5, 13, 47, 59, 0x5865, 0x6DFD}, // odd seconds round down
        {1980, 1, 1, 0, 0, 0, 0x0021, 0x0000},
        {1979, 12, 31, 23, 59, 58, 0x019F, 0xBF7D}, // before 1980: the year clamps, the rest stays
        {2107, 12, 31, 23, 59, 58, 0xFF9F, 0xBF7D},
        {2150, 6, 1, 12, 0, 0, 0xFEC1, 0x6000},
    };
    for (const Case& c : cases) {
        std::tm tm{};
        tm.tm_year = c.year - 1900, tm.tm_mon = c.month - 1, tm.tm_mday = c.day;
        tm.tm_hour = c.hour, tm.tm_min = c.minute, tm.tm_sec = c.second;
        zip::DosDateTime dos = zip::toDosDateTime(tm);
        EXPECT_EQ(dos.date, c.date) << c.year;
        EXPECT_EQ(dos.time, c.time) << c.year;
    }
}

TEST(ZipWriter, LimitsOfNamesAndCounts) {
    zip::CZipArchiveWriter writer;
    try {
        writer.add(std::u16string(0x10000, u'n'), {});
        ADD_FAILURE() << "a name of 65536 bytes was added";
    } catch (const CZipException& e) {
        EXPECT_EQ(e.code(), CZipException::tooLongData);
    }
    writer.add(std::u16string(0xFFFF, u'n'), {});
    // Past 65535 entries the counts go to the Zip64 end record; the cap ends it all.
    for (int i = 1; i < 100000; ++i) writer.add(u"p" + utf8ToUtf16(std::to_string(i)), {});
    try {
        writer.add(u"one too many", {});
        ADD_FAILURE() << "entry 100001 was added";
    } catch (const CZipException& e) {
        EXPECT_STREQ(e.what(), "The limit of the maximum number of files in an archive has been reached.");
    }
    std::vector<std::uint8_t> bytes = writer.close();
    zip::CZipArchive archive(bytes);
    ASSERT_EQ(archive.entryCount(), 100000u);
    EXPECT_EQ(archive.header(0).fileName.size(), 0xFFFFu);
    EXPECT_EQ(archive.header(99999).fileName, u"p99999");

    RawArchive tooMany;
    tooMany.entries.resize(100001, RawEntry{"e"});
    tooMany.zip64End = true;
    EXPECT_EQ(readAll(buildArchive(tooMany)).code, CZipException::tooManyFiles);
}

} // namespace
