// zip_safety_test.cpp - hostile and broken archives: bombs, shared bytes, lying
// headers, truncation and corruption must end in a CZipException, never worse.
#include <gtest/gtest.h>

#include "tests/zip/zip_bytes.h"
#include "zip/zip_archive.h"

using namespace karvo;
using namespace karvo::testing;
using zip::CZipException;

namespace {

std::vector<std::uint8_t> written(const std::vector<std::pair<std::u16string, std::string>>& entries) {
    zip::CZipArchiveWriter writer;
    for (const auto& [name, data] : entries)
        writer.add(name, {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
    return writer.close();
}

const std::vector<std::pair<std::u16string, std::string>> kParts = {
    {u"[Content_Types].xml", "<Types><Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"},
    {u"xl/sharedStrings.xml", "<sst count=\"2\"><si><t>one</t></si><si><t>two</t></si></sst>"},
    {u"tiny", "abc"},
    {u"empty", ""},
};

// Deflate of this many zeros reaches a ratio near 1000, what a flat bomb relies on.
RawEntry zeroBomb(std::string name, std::size_t size) {
    return deflatedEntry(std::move(name), std::string(size, '\0'));
}

TEST(ZipSafety, BombsFailBeforeInflating) {
    RawEntry flat = zeroBomb("sheet.xml", 64 << 20);
    RawEntry claimed = deflatedEntry("sheet.xml", "<row/>");
    claimed.zip64 = true, claimed.declaredSize = std::int64_t(1) << 50;
    RawEntry overCap = zeroBomb("sheet.xml", 1 << 20);
    overCap.data.append(4 << 20, '\0'); // enough bytes that no ratio check applies, size 3 GiB
    overCap.declaredSize = std::int64_t(3) << 30;
    RawArchive overTotal;
    for (int i = 0; i < 5; ++i) overTotal.entries.push_back(deflatedEntry("part" + std::to_string(i), "<row/>"));
    for (RawEntry& e : overTotal.entries) e.declaredSize = std::int64_t(2) << 30;
    const std::pair<const char*, RawArchive> cases[] = {
        {"64 MiB of zeros at a ratio near 1000", {{flat}}},
        {"2^50 bytes declared in a Zip64 field", {{claimed}, "", true}},
        {"an entry over the size cap", {{overCap}}},
        {"entries summing past the archive cap", overTotal},
    };
    for (const auto& [what, archive] : cases) {
        EXPECT_EQ(readAll(buildArchive(archive)).code, CZipException::tooBigSize) << what;
    }
    // The same zeros, fewer of them, are a part like any other.
    RawEntry small = zeroBomb("sheet.xml", 8 << 20);
    EXPECT_EQ(readAll(buildArchive({{small}})).code, kReadOk);
}

// Entries whose bytes overlap let a small archive inflate to a huge total; none passes.
TEST(ZipSafety, OverlappingEntriesAreDamage) {
    RawEntry kernel = zeroBomb("kernel", 1 << 20);
    RawEntry alias = kernel;
    alias.name = "alias", alias.localOffset = 0;
    RawEntry covering = deflatedEntry("covering", "<sheetData/>");
    covering.compressedSize = covering.data.size() + 30;
    RawEntry longExtra = {"a", "ab", "ab"};
    longExtra.localExtra = std::string(100, 'x');
    RawEntry inExtra = {"b", "cd", "cd"};
    inExtra.localOffset = 30 + 1 + 10; // inside the first entry's extra field
    RawEntry intoDirectory = {"last", "data", "data"};
    intoDirectory.compressedSize = 10;
    const std::pair<const char*, RawArchive> cases[] = {
        {"two entries at one local header", {{kernel, alias}}},
        {"data over the next local header", {{covering, kernel}}},
        {"next entry inside the local extra field", {{longExtra, inExtra}}},
        {"data into the central directory", {{kernel, intoDirectory}}},
    };
    for (const auto& [what, archive] : cases) {
        EXPECT_EQ(readAll(buildArchive(archive)).code, CZipException::badZipFile) << what;
    }
    // Entries at one offset fail the archive as a whole, before any entry is opened.
    std::vector<std::uint8_t> shared = buildArchive(cases[0].second);
    EXPECT_THROW(zip::CZipArchive{shared}, CZipException);
}

// A header declaring 1000 bytes over a stream of a megabyte: the reader hands out at
// most the declared bytes and fails there.
TEST(ZipSafety, LyingHeaderStopsAtTheDeclaredSize) {
    RawEntry lying = zeroBomb("sheet.xml", 1 << 20);
    lying.declaredSize = 1000;
    lying.inflated.resize(1000);
    std::vector<std::uint8_t> bytes = buildArchive({{lying}});
    zip::CZipArchive archive(bytes);
    std::unique_ptr<zip::CZipEntryReader> in = archive.open(0);
    std::vector<char> buffer(100);
    std::size_t delivered = 0;
    try {
        while (std::size_t n = in->read(buffer.data(), buffer.size())) delivered += n;
        ADD_FAILURE() << "the stream read to its end";
    } catch (const CZipException& e) {
        EXPECT_EQ(e.code(), CZipException::badZipFile);
    }
    EXPECT_LE(delivered, 1000u);
    EXPECT_EQ(readAll(bytes).code, CZipException::badZipFile);
}

TEST(ZipSafety, TruncatedArchivesFail) {
    std::vector<std::uint8_t> bytes = written(kParts);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        std::span<const std::uint8_t> whole(bytes);
        EXPECT_EQ(readAll(whole.first(cut)).code, CZipException::cdirNotFound) << "end cut at " << cut;
        // Without its first bytes, the directory is no longer where the end record says.
        EXPECT_EQ(readAll(whole.subspan(cut + 1)).code,
                  cut + 1 <= bytes.size() - 22 ? CZipException::badZipFile : CZipException::cdirNotFound)
            << "start cut at " << cut + 1;
    }
}

// Every byte changed in three ways. A changed archive may still read, since some bytes
// (the local copies of the sizes, the times) are not used, but then every entry must
// read as written: CRC-32 catches any change of one byte in the data.
TEST(ZipSafety, CorruptedBytesFailOrReadTheSame) {
    std::vector<std::uint8_t> bytes = written(kParts);
    std::size_t read = 0;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::vector<std::uint8_t> changed = bytes;
            changed[at] ^= flip;
            ReadResult result = readAll(changed, 1 + at % 13);
            if (result.code != kReadOk) continue;
            ++read;
            ASSERT_EQ(result.entries.size(), kParts.size()) << at;
            for (std::size_t i = 0; i < kParts.size(); ++i)
                EXPECT_EQ(result.entries[i].second, kParts[i].second) << "byte " << at << " ^ " << int(flip);
        }
    }
    EXPECT_GT(read, 0u); // the unused bytes exist, so some changes must read
}

} // namespace
