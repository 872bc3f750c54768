// xls_test.cpp - Xls end to end: write then read back, and the corpus of real files.
#include "xls/xls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/xlerror.h"
#include "xls/biff_strings.h"

namespace karvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A small workbook stream: BOF, a BoundSheet8 whose position is patched, an SST whose
// strings cross into CONTINUE records, EOF; then a sheet substream.
Bytes writeBook(const std::vector<RichString>& strings, std::size_t& sheetOffset) {
    Xls xls = Xls::openWrite();
    RecordWriter& out = xls.out();
    const Bytes bof = {0x00, 0x06, 0x05, 0x00, 0xD3, 0x18, 0xCD, 0x07, 0x01, 0, 0, 0, 0x06, 0, 0, 0};
    out.record(RecordId::BOF, bof);
    out.header(RecordId::BoundSheet8, 4 + 2 + shortStringSize(u"Sheet1", ShortForm::Count8));
    std::size_t positionField = out.position();
    out.u32(0);
    out.u16(0); // visible worksheet
    writeShortString(out, u"Sheet1", ShortForm::Count8);
    ContinueWriter sst(out, RecordId::SST);
    sst.u32(static_cast<std::uint32_t>(strings.size()));
    sst.u32(static_cast<std::uint32_t>(strings.size()));
    for (const RichString& s : strings) writeRichString(sst, s);
    sst.finish();
    out.record(RecordId::EOF_, {});
    sheetOffset = out.position();
    out.record(RecordId::BOF, bof);
    out.record(RecordId::EOF_, {});
    out.patchU32(positionField, static_cast<std::uint32_t>(sheetOffset));
    return xls.finish();
}

TEST(Xls, WriteThenRead) {
    std::vector<RichString> strings(3);
    strings[0].text = u"abc";
    strings[1].text = std::u16string(9000, u'\u0416'); // crosses two record boundaries
    strings[2].text = u"z";
    std::size_t sheetOffset = 0;
    Bytes file = writeBook(strings, sheetOffset);

    Xls xls = Xls::openRead(file);
    RecordReader& in = xls.in();
    EXPECT_TRUE(in.next().is(RecordId::BOF));
    Record bound = in.next();
    ASSERT_TRUE(bound.is(RecordId::BoundSheet8));
    ByteReader fields = bound.reader();
    EXPECT_EQ(fields.u32(), sheetOffset);
    EXPECT_EQ(fields.u16(), 0);
    EXPECT_EQ(readShortString(fields, ShortForm::Count8), u"Sheet1");
    EXPECT_TRUE(fields.ok() && fields.atEnd());

    Record sst = in.next();
    ASSERT_TRUE(sst.is(RecordId::SST));
    ByteReader counts = sst.reader();
    EXPECT_EQ(counts.u32(), 3u);
    EXPECT_EQ(counts.u32(), 3u);
    ContinueReader strs(in, counts);
    for (const RichString& s : strings) EXPECT_EQ(readRichString(strs), s);
    EXPECT_TRUE(strs.atEnd());
    EXPECT_TRUE(in.next().is(RecordId::EOF_));
    EXPECT_EQ(in.position(), sheetOffset); // the patched position is the sheet's BOF
    EXPECT_TRUE(in.next().is(RecordId::BOF));
    EXPECT_TRUE(in.next().is(RecordId::EOF_));
    // The rest is the padding of the last sector: empty records of id 0.
    while (!in.atEnd()) EXPECT_EQ(in.next().id, 0);
}

TEST(Xls, MoveKeepsTheReadPosition) {
    std::size_t sheetOffset = 0;
    Bytes file = writeBook({}, sheetOffset);
    Xls a = Xls::openRead(file);
    a.in().next();
    Xls b = std::move(a);
    EXPECT_TRUE(b.in().next().is(RecordId::BoundSheet8));
    Xls c = Xls::fromStream({0x0A, 0x00, 0x00, 0x00});
    c = std::move(b);
    EXPECT_TRUE(c.in().next().is(RecordId::SST));
}

TEST(Xls, FinishEmptiesTheWriter) {
    Xls xls = Xls::openWrite();
    xls.out().record(RecordId::EOF_, {});
    Bytes first = xls.finish();
    EXPECT_EQ(xls.out().position(), 0u);
    EXPECT_EQ(Xls::openRead(first).stream().size(), 4096u);
}

// --- the corpus of real files ------------------------------------------------------

#ifdef KARVO_CORPUS_DIR
const std::filesystem::path kCorpus = KARVO_CORPUS_DIR;
#else
const std::filesystem::path kCorpus;
#endif

std::vector<std::filesystem::path> corpusFiles(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> files;
    if (kCorpus.empty() || !std::filesystem::is_directory(dir)) return files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".xls") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct Walk {
    std::size_t records = 0;
    std::size_t eofs = 0;
    std::size_t strings = 0;
};

// Walks every record; the strings of each SST are read as far as the records hold
// them (some producers state more than they write).
Walk walk(Xls& xls) {
    Walk w;
    RecordReader& in = xls.in();
    while (!in.atEnd()) {
        Record r = in.next();
        ++w.records;
        if (r.is(RecordId::EOF_)) ++w.eofs;
        if (!r.is(RecordId::SST)) continue;
        ByteReader body = r.reader();
        body.u32();
        std::uint32_t unique = body.u32();
        if (!body.ok()) continue;
        ContinueReader strings(in, body);
        for (std::uint32_t i = 0; i < unique && !strings.atEnd(); ++i, ++w.strings) readRichString(strings);
    }
    return w;
}

TEST(XlsCorpus, EveryFileWalksFromBofToTheEnd) {
    auto files = corpusFiles(kCorpus / "xls");
    if (files.empty()) GTEST_SKIP() << "no corpus at " << (kCorpus / "xls");
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        Bytes file = readFile(path);
        try {
            Xls xls = Xls::openRead(file);
            ASSERT_EQ(xls.in().peekId(), 0x0809);
            Walk w = walk(xls);
            EXPECT_GE(w.eofs, 2u) << "the globals and at least one sheet";
            EXPECT_GT(w.records, 4u);
        } catch (const xlerror& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST(XlsCorpus, BrokenFilesFailCleanly) {
    auto files = corpusFiles(kCorpus / "broken");
    if (files.empty()) GTEST_SKIP() << "no corpus at " << (kCorpus / "broken");
    std::size_t failed = 0;
    for (const auto& path : files) {
        Bytes file = readFile(path);
        try {
            Xls xls = Xls::openRead(file);
            walk(xls);
        } catch (const xlerror&) {
            ++failed; // anything else escapes and fails the test
        }
    }
    EXPECT_GT(failed, 0u);
}

} // namespace
} // namespace karvo
