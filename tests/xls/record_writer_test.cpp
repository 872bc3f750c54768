// record_writer_test.cpp - record headers, CONTINUE splitting, patching and record groups.
#include "xls/record_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/xlerror.h"
#include "support/error_of.h"

namespace karvo {
namespace {

using testing::errorOf;

using Bytes = std::vector<std::uint8_t>;

std::uint16_t get16(const Bytes& b, std::size_t at) { return b[at] | b[at + 1] << 8; }

Bytes filled(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i % 253);
    return b;
}

TEST(RecordWriter, Primitives) {
    RecordWriter out;
    out.u8(0x01);
    out.u16(0x0302);
    out.u32(0x07060504);
    out.f64(1.0);
    out.header(RecordId::BOF, 65536 + 16); // the size field holds it modulo 65536
    EXPECT_EQ(out.stream(), (Bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                   0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F, // 1.0
                                   0x09, 0x08, 0x10, 0x00}));
    EXPECT_EQ(out.position(), 19u);
}

TEST(RecordWriter, RecordSplitting) {
    RecordWriter out;
    out.record(RecordId::Country, Bytes{0x01, 0x00, 0x01, 0x00});
    out.record(RecordId::InterfaceEnd, {});
    EXPECT_EQ(out.stream(), (Bytes{0x8C, 0x00, 0x04, 0x00, 0x01, 0x00, 0x01, 0x00, 0xE2, 0x00, 0x00, 0x00}));

    // Exactly 8224 bytes fit in one record.
    RecordWriter exact;
    exact.record(0x00EB, filled(8224));
    ASSERT_EQ(exact.stream().size(), 4u + 8224);
    EXPECT_EQ(get16(exact.stream(), 2), 8224);

    // One byte more goes into a CONTINUE record.
    RecordWriter over;
    over.record(0x00EB, filled(8225));
    const Bytes& b = over.stream();
    ASSERT_EQ(b.size(), 4u + 8224 + 4 + 1);
    EXPECT_EQ(get16(b, 0), 0x00EB);
    EXPECT_EQ(get16(b, 2), 8224);
    EXPECT_EQ(get16(b, 8228), 0x003C);
    EXPECT_EQ(get16(b, 8230), 1);
    EXPECT_EQ(b[8232], 8224 % 253);

    // 20000 bytes: 8224 + 8224 + 3552.
    RecordWriter big;
    big.record(0x00EB, filled(20000));
    const Bytes& g = big.stream();
    ASSERT_EQ(g.size(), 20000u + 3 * 4);
    EXPECT_EQ(get16(g, 2), 8224);
    EXPECT_EQ(get16(g, 8228), 0x003C);
    EXPECT_EQ(get16(g, 8230), 8224);
    EXPECT_EQ(get16(g, 16456), 0x003C);
    EXPECT_EQ(get16(g, 16458), 3552);
    EXPECT_EQ(g.back(), 19999 % 253);
}

TEST(RecordWriter, PatchingEarlierFields) {
    RecordWriter out;
    out.header(RecordId::BoundSheet8, 4);
    std::size_t field = out.position();
    out.u32(0);
    out.record(RecordId::EOF_, {});
    std::size_t sheet = out.position();
    out.patchU32(field, static_cast<std::uint32_t>(sheet));
    out.patchU16(2, 0xBEEF);
    EXPECT_EQ(out.stream(), (Bytes{0x85, 0x00, 0xEF, 0xBE, 0x0C, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00}));
    EXPECT_EQ(errorOf([&] { out.patchU32(10, 1); }), "stream error, perhaps it's too small writing buffer");
}

TEST(ContinueWriter, ValuesCarryOnByteByByte) {
    RecordWriter out;
    ContinueWriter group(out, RecordId::ExternSheet);
    group.fitted(filled(8223));
    EXPECT_EQ(group.left(), 1u);
    group.u16(0xA1B2);  // one byte here, one in a CONTINUE record
    EXPECT_EQ(group.left(), 8223u);
    group.u32(0xC1D2E3F4);
    group.finish();
    const Bytes& b = out.stream();
    ASSERT_EQ(b.size(), 4u + 8224 + 4 + 5);
    EXPECT_EQ(get16(b, 0), 0x0017);
    EXPECT_EQ(get16(b, 2), 8224);
    EXPECT_EQ(b[4 + 8223], 0xB2);
    EXPECT_EQ(get16(b, 8228), 0x003C);
    EXPECT_EQ(get16(b, 8230), 5);
    EXPECT_EQ(Bytes(b.begin() + 8232, b.end()), (Bytes{0xA1, 0xF4, 0xE3, 0xD2, 0xC1}));
}

TEST(ContinueWriter, ReserveKeepsItemsWhole) {
    RecordWriter out;
    ContinueWriter group(out, 0x0017);
    group.u16(2);
    group.fitted(filled(8218)); // 4 bytes left
    group.reserve(6);            // an XTI of 6 bytes does not fit: a CONTINUE record opens
    EXPECT_EQ(group.left(), 8224u);
    group.reserve(6);            // fits now: nothing happens
    group.bytes(filled(6));
    group.finish();
    const Bytes& b = out.stream();
    EXPECT_EQ(get16(b, 2), 8220); // closed at what was written
    EXPECT_EQ(get16(b, 8224), 0x003C);
    EXPECT_EQ(get16(b, 8226), 6);
    EXPECT_EQ(b.size(), 8224u + 4 + 6);
}

TEST(ContinueWriter, BytesInPiecesAndFlagsByteRoom) {
    RecordWriter out;
    ContinueWriter group(out, 0x00FC);
    group.bytes(filled(9000));
    EXPECT_EQ(group.left(), 8224u * 2 - 9000);
    group.openContinue(0x01); // a split string's CONTINUE: the flags byte, then 8222 bytes of room
    EXPECT_EQ(group.left(), 8222u);
    group.finish();
    const Bytes& b = out.stream();
    EXPECT_EQ(get16(b, 2), 8224);
    EXPECT_EQ(get16(b, 8230), 9000 - 8224);
    std::size_t last = 8228 + 4 + 776;
    EXPECT_EQ(get16(b, last), 0x003C);
    EXPECT_EQ(get16(b, last + 2), 1);
    EXPECT_EQ(b[last + 4], 0x01);
    EXPECT_EQ(errorOf([&] { group.fitted(filled(8223)); }), "record data does not fit in the current record");
}

} // namespace
} // namespace karvo
