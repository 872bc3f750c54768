// xls_test.cpp - Xls end to end: a stream written, wrapped in a file and read back.
#include "xls/xls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    EXPECT_EQ(Xls::openRead(first).in().size(), 4096u);
}

} // namespace
} // namespace karvo
