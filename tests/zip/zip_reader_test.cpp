// zip_reader_test.cpp - reading archives of every shape the writers out there make, and
// the failures of entries this layer cannot or must not read.
#include <gtest/gtest.h>

#include "tests/zip/zip_bytes.h"
#include "zip/zip_archive.h"

using namespace karvo;
using namespace karvo::testing;
using zip::CZipException;

namespace {

std::string text(std::size_t size) {
    std::string s;
    for (std::size_t i = 0; s.size() < size; ++i)
        s += "<c r=\"A" + std::to_string(i) + "\"><v>" + std::to_string(i * 7 % 1000) + "</v></c>";
    s.resize(size);
    return s;
}

RawEntry stored(std::string name, std::string data) { return {std::move(name), data, data}; }

struct ShapeCase {
    const char* what;
    RawArchive archive;
};

// Each archive must read back as exactly its entries' names and inflated texts.
TEST(ZipReader, ReadsEveryShape) {
    RawEntry descriptor = deflatedEntry("xl/workbook.xml", text(3000));
    descriptor.descriptor = true;
    RawEntry zip64 = deflatedEntry("xl/worksheets/sheet1.xml", text(70000));
    zip64.zip64 = true;
    RawEntry longLocalExtra = stored("docProps/app.xml", "<Properties/>");
    longLocalExtra.localExtra = std::string(300, 'x');
    const ShapeCase cases[] = {
        {"stored and deflated", {{stored("[Content_Types].xml", "<Types/>"), deflatedEntry("a.xml", text(5000))}}},
        {"no entries", {}},
        {"empty entries", {{stored("empty", ""), deflatedEntry("empty.deflated", "")}}},
        {"archive comment", {{stored("a", "b")}, "written by a test"}},
        {"longest archive comment", {{stored("a", "b")}, std::string(0xFFFF, 'c')}},
        {"bytes after the comment", {{stored("a", "b")}, "comment", false, "padding"}},
        {"data descriptor", {{descriptor, stored("after", "descriptor")}}},
        {"zip64 fields and end records", {{zip64, stored("b", "c")}, "", true}},
        {"local extra field", {{longLocalExtra, stored("next", "entry")}}},
    };
    for (const ShapeCase& c : cases) {
        std::vector<std::uint8_t> bytes = buildArchive(c.archive);
        ReadResult read = readAll(bytes);
        ASSERT_EQ(read.code, kReadOk) << c.what;
        ASSERT_EQ(read.entries.size(), c.archive.entries.size()) << c.what;
        for (std::size_t i = 0; i < read.entries.size(); ++i) {
            const RawEntry& e = c.archive.entries[i];
            EXPECT_EQ(read.entries[i].first, std::u16string(e.name.begin(), e.name.end())) << c.what;
            EXPECT_EQ(read.entries[i].second, e.inflated) << c.what << ": " << e.name;
        }
    }
}

TEST(ZipReader, NamesAreUtf8WithInvalidBytesReplaced) {
    std::vector<std::uint8_t> bytes = buildArchive({{stored("xl/\xD0\x9B\xD0\xB8\xD1\x81\xD1\x82.xml", "a"),
                                                     stored("bad\xFF\xC3", "b"), stored("\xE6\x95\xB0", "c")}});
    zip::CZipArchive archive(bytes);
    EXPECT_EQ(archive.header(0).fileName, u"xl/\u041B\u0438\u0441\u0442.xml");
    EXPECT_EQ(archive.header(1).fileName.substr(0, 4), u"bad\uFFFD");
    EXPECT_EQ(archive.header(2).fileName, u"\u6570");
}

struct FailureCase {
    const char* what;
    RawArchive archive;
    CZipException::Code code;
};

// Whether at opening or at reading an entry, each archive fails with its code; the
// whole and the streaming reader fail alike (readAll checks that).
TEST(ZipReader, FailsWithTheFittingCode) {
    auto with = [](RawEntry e, auto change) {
        change(e);
        return RawArchive{{std::move(e)}};
    };
    RawEntry sheet = deflatedEntry("sheet.xml", text(20000));
    const FailureCase cases[] = {
        {"encrypted", with(sheet, [](RawEntry& e) { e.flags = 1; }), CZipException::badPassword},
        {"AES encrypted", with(sheet, [](RawEntry& e) { e.flags = 1, e.method = 99; }), CZipException::noAes},
        {"another method", with(sheet, [](RawEntry& e) { e.method = 12; }), CZipException::badZipFile},
        {"stored with two sizes", with(stored("a", "abcdef"), [](RawEntry& e) { e.declaredSize = 5; }),
         CZipException::badZipFile},
        {"stored, wrong CRC", with(stored("a", "abcdef"), [](RawEntry& e) { e.inflated = "abcdeF"; }),
         CZipException::badCrc},
        {"deflated, wrong CRC", with(sheet, [](RawEntry& e) { e.inflated.back() ^= 1; }), CZipException::badCrc},
        {"not deflate data", with(sheet, [](RawEntry& e) { e.data.assign(e.data.size(), '\xFF'); }),
         CZipException::zlibDataError},
        {"deflate stream cut short", with(sheet, [](RawEntry& e) { e.data.resize(e.data.size() / 2); }),
         CZipException::zlibDataError},
        {"declared longer than the stream", with(sheet, [](RawEntry& e) { e.declaredSize = 20001; }),
         CZipException::badZipFile},
        {"declared shorter than the stream", with(sheet, [](RawEntry& e) { e.declaredSize = 19999; }),
         CZipException::badZipFile},
        {"more than deflate can hold",
         with(stored("a", "ab"), [](RawEntry& e) { e.method = 8, e.declaredSize = 5000; }), CZipException::badZipFile},
        {"local header signature", with(sheet, [](RawEntry& e) { e.localOffset = 1; }), CZipException::badZipFile},
        {"local header past the directory", with(sheet, [](RawEntry& e) { e.localOffset = 1 << 20; }),
         CZipException::badZipFile},
        {"data beyond its range", with(sheet, [](RawEntry& e) { e.compressedSize = e.data.size() + 100; }),
         CZipException::badZipFile},
    };
    for (const FailureCase& c : cases) {
        std::vector<std::uint8_t> bytes = buildArchive(c.archive);
        EXPECT_EQ(readAll(bytes).code, c.code) << c.what;
    }
}

TEST(ZipReader, FailsOnDamagedDirectories) {
    std::vector<std::uint8_t> good = buildArchive({{stored("a", "one"), stored("b", "two")}});
    std::size_t endAt = good.size() - 22;
    auto patched = [&](std::size_t at, std::uint64_t value, std::size_t width) {
        std::vector<std::uint8_t> bytes = good;
        for (std::size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return bytes;
    };
    std::vector<std::uint8_t> saturated = good;
    std::size_t dirAt = good[endAt + 16] | good[endAt + 17] << 8;
    saturated[dirAt + 20] = saturated[dirAt + 21] = saturated[dirAt + 22] = saturated[dirAt + 23] = 0xFF;
    std::string notZip = "<?xml version=\"1.0\"?><worksheet/>";
    const std::pair<std::vector<std::uint8_t>, CZipException::Code> cases[] = {
        {std::vector<std::uint8_t>(notZip.begin(), notZip.end()), CZipException::cdirNotFound},
        {{}, CZipException::cdirNotFound},
        {patched(endAt + 4, 1, 2), CZipException::cdirNotFound},         // another disk: a segmented archive
        {patched(endAt + 8, 3, 2), CZipException::badZipFile},           // the two entry counts differ
        {patched(endAt + 8, 3 | 3 << 16, 4), CZipException::badZipFile}, // more entries than the directory holds
        {patched(endAt + 16, 1, 4), CZipException::badZipFile},          // directory offset
        {patched(endAt + 12, 0x7FFFFFFF, 4), CZipException::badZipFile}, // directory size
        {patched(dirAt, 0, 1), CZipException::badZipFile},               // central header signature
        {saturated, CZipException::badZipFile},                          // 0xFFFFFFFF without a Zip64 field
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(readAll(cases[i].first).code, cases[i].second) << "case " << i;
    }
}

} // namespace
