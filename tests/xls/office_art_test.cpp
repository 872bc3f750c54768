// Office Art records: the record tree, its length checks, property tables, anchors and blip store entries.
#include <gtest/gtest.h>

#include "core/xlerror.h"
#include "support/error_of.h"
#include "support/test_images.h"
#include "xls/office_art.h"
#include "xls/office_art_blip.h"

using namespace karvo;
using karvo::testing::errorOf;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A drawing with one shape that has only its client data.
const Bytes kDrawing = {
    0x0F, 0x00, 0x02, 0xF0, 40, 0, 0, 0,                         // OfficeArtDgContainer, 40 bytes
    0x10, 0x00, 0x08, 0xF0, 8, 0, 0, 0, 1, 0, 0, 0, 0, 4, 0, 0,  // OfficeArtFDG, drawing 1: 1 shape, last 0x400
    0x0F, 0x00, 0x03, 0xF0, 16, 0, 0, 0,                         // OfficeArtSpgrContainer, 16 bytes
    0x0F, 0x00, 0x04, 0xF0, 8, 0, 0, 0,                          // OfficeArtSpContainer, 8 bytes
    0x00, 0x00, 0x11, 0xF0, 0, 0, 0, 0,                          // OfficeArtClientData, empty
};
constexpr std::size_t kSpLengthAt = 36;

std::string parseError(const Bytes& bytes) { return errorOf([&] { parseOfficeArt(bytes, "MsoDrawing"); }); }

TEST(OfficeArt, ReadsATreeAndWritesTheSameBytes) {
    std::vector<OfficeArtRecord> records = parseOfficeArt(kDrawing, "MsoDrawing");
    ASSERT_EQ(records.size(), 1u);
    const OfficeArtRecord& dg = records[0];
    EXPECT_EQ(dg.type, oart::kDgContainer);
    EXPECT_TRUE(dg.isContainer());
    ASSERT_EQ(dg.children.size(), 2u);
    EXPECT_EQ(dg.children[0].instance(), 1);
    EXPECT_EQ(dg.children[0].data, Bytes({1, 0, 0, 0, 0, 4, 0, 0}));
    const OfficeArtRecord* sp = &dg.children[1].children.at(0);
    EXPECT_EQ(sp->type, oart::kSpContainer);
    ASSERT_NE(sp->child(oart::kClientData), nullptr);
    EXPECT_EQ(sp->child(oart::kFSP), nullptr);
    Bytes written;
    writeOfficeArt(dg, written);
    EXPECT_EQ(written, kDrawing);
}

TEST(OfficeArt, LengthsThatDoNotFitNameTheRecord) {
    Bytes spTooLong = kDrawing;
    spTooLong[kSpLengthAt] = 9;  // one byte more than its group holds
    EXPECT_EQ(parseError(spTooLong), "error in record OfficeArtSpContainer");
    Bytes cutShort(kDrawing.begin(), kDrawing.end() - 4);  // the drawing claims 4 bytes more than there are
    EXPECT_EQ(parseError(cutShort), "error in record OfficeArtDgContainer");
    Bytes trailing = kDrawing;
    trailing.insert(trailing.end(), {0x00, 0x00, 0x0B});  // not even a header after the drawing
    EXPECT_EQ(parseError(trailing), "error in record MsoDrawing");
    Bytes unknown = {0x00, 0x00, 0x34, 0x12, 5, 0, 0, 0, 1, 2};  // an atom of a type we do not name
    EXPECT_EQ(parseError(unknown), "error in record OfficeArtRecord");
}

// Containers nested n deep, each holding the next.
Bytes nested(int depth) {
    OfficeArtRecord inner = OfficeArtRecord::container(oart::kSpgrContainer, 0, {});
    for (int i = 1; i < depth; ++i) inner = OfficeArtRecord::container(oart::kSpgrContainer, 0, {inner});
    Bytes out;
    writeOfficeArt(inner, out);
    return out;
}

TEST(OfficeArt, NestingIsBounded) {
    EXPECT_EQ(parseError(nested(kMaxOfficeArtDepth)), "no error");
    EXPECT_EQ(parseError(nested(kMaxOfficeArtDepth + 1)), "error in record OfficeArtSpgrContainer");
}

OfficeArtRecord fopt(std::uint16_t count, Bytes data) { return OfficeArtRecord::atom(oart::kFOPT, 3, count, data); }

std::string propertyError(const OfficeArtRecord& table) { return errorOf([&] { readProperties(table); }); }

TEST(OfficeArt, PropertyTablesKeepComplexData) {
    const Bytes table = {
        0x04, 0x41, 2, 0, 0, 0,  // pib (blip id): picture 2
        0x05, 0xC1, 4, 0, 0, 0,  // pibName (blip id, complex): 4 bytes
        '3', 0, 0, 0,            // the name: "3" and its terminator
    };
    std::vector<OfficeArtFOPTE> entries = readProperties(fopt(2, table));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].id(), prop::kPib);
    EXPECT_EQ(entries[0].op, 2u);
    EXPECT_EQ(entries[1].id(), prop::kPibName);
    EXPECT_EQ(entries[1].complex, Bytes({'3', 0, 0, 0}));
    EXPECT_EQ(propertyTable(entries).data, table);
    EXPECT_EQ(propertyTable(entries).verInst, 0x0023);  // version 3, instance 2

    Bytes complexTooLong = table;
    complexTooLong[8] = 5;
    EXPECT_EQ(propertyError(fopt(2, complexTooLong)), "error in record OfficeArtFOPTE");
    EXPECT_EQ(propertyError(fopt(3, table)), "error in record OfficeArtFOPTE");  // 18 bytes hold no third entry
}

TEST(OfficeArt, ClientAnchorsHoldEighteenBytes) {
    const Bytes anchor = {2, 0, 1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0x40, 0x02, 3, 0, 0xF0, 0};
    OfficeArtRecord record = OfficeArtRecord::atom(oart::kClientAnchor, 0, 0, anchor);
    std::optional<OfficeArtClientAnchorSheet> a = OfficeArtClientAnchorSheet::read(record);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->colL, 1);
    EXPECT_EQ(a->rwT, 1);
    EXPECT_EQ(a->colR, 2);
    EXPECT_EQ(a->dxR, 576);
    EXPECT_EQ(a->rwB, 3);
    EXPECT_EQ(a->dyB, 240);
    EXPECT_EQ(a->record().data, anchor);
    record.data.pop_back();
    EXPECT_FALSE(OfficeArtClientAnchorSheet::read(record));
}

// ---- blip store entries ----

std::string fbseError(const Bytes& data) { return errorOf([&] { checkFBSE(OfficeArtRecord::atom(oart::kFBSE, 2, 6, data)); }); }

TEST(OfficeArtBlip, AnEntryHoldsItsBlipAfterThirtySixBytes) {
    Bytes png = karvo::testing::makePng(3, 2);
    OfficeArtRecord entry = makeFBSE(PictureTypePng, png);
    EXPECT_EQ(entry.verInst, 0x0062);  // version 2, instance 6 (PNG)
    const Bytes& d = entry.data;
    ASSERT_EQ(d.size(), kFBSEFixedSize + 8 + 17 + png.size());
    EXPECT_EQ(d[0], 6);                                         // btWin32 PNG
    EXPECT_EQ(d[1], 6);                                         // btMacOS PNG
    EXPECT_EQ(Bytes(d.begin() + 18, d.begin() + 20), Bytes({0xFF, 0x00}));  // tag
    std::uint32_t blipBytes = 8 + 17 + static_cast<std::uint32_t>(png.size());
    EXPECT_EQ(Bytes(d.begin() + 20, d.begin() + 24), Bytes({static_cast<std::uint8_t>(blipBytes), 0, 0, 0}));
    EXPECT_EQ(Bytes(d.begin() + 24, d.begin() + 36), Bytes(12, 0));  // cRef, foDelay, name
    EXPECT_EQ(Bytes(d.begin() + 36, d.begin() + 40), Bytes({0x00, 0x6E, 0x1E, 0xF0}));  // OfficeArtBlipPNG, 0x6E0
    EXPECT_EQ(Bytes(d.begin() + 2, d.begin() + 18), Bytes(d.begin() + 44, d.begin() + 60));  // the same identifier
    EXPECT_EQ(d[60], 0xFF);  // the blip's tag
    EXPECT_EQ(fbseError(d), "no error");
    Bytes bytes;
    EXPECT_EQ(blipImage(entry, bytes), PictureTypePng);
    EXPECT_EQ(bytes, png);
    EXPECT_EQ(blipSize(entry), (PixelSize{3, 2}));
}

TEST(OfficeArtBlip, BitmapsAndMetafilesLoseTheirFileHeaders) {
    Bytes bmp = karvo::testing::makeBmp(4, 2);
    Bytes bytes;
    EXPECT_EQ(blipImage(makeFBSE(PictureTypeDib, bmp), bytes), PictureTypeDib);
    EXPECT_EQ(bytes, Bytes(bmp.begin() + 14, bmp.end()));
    EXPECT_EQ(blipSize(makeFBSE(PictureTypeDib, bmp)), (PixelSize{4, 2}));

    Bytes wmf = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0,        // key, handle
                 0, 0, 0, 0, 0xA0, 0x05, 0xD0, 0x02,  // box 0,0 to 1440,720
                 0xA0, 0x05, 0, 0, 0, 0, 0, 0,        // 1440 per inch, reserved, checksum
                 1, 0, 9, 0, 0, 3};                    // the metafile itself
    OfficeArtRecord entry = makeFBSE(PictureTypeWmf, wmf);
    EXPECT_EQ(entry.instance(), 3);  // msoblipWMF
    EXPECT_EQ(blipImage(entry, bytes), PictureTypeWmf);
    EXPECT_EQ(bytes, Bytes({1, 0, 9, 0, 0, 3}));
    EXPECT_EQ(blipSize(entry), (PixelSize{96, 48}));  // an inch by half an inch
}

TEST(OfficeArtBlip, EntriesThatDoNotAddUpFail) {
    Bytes entry(kFBSEFixedSize, 0);
    EXPECT_EQ(fbseError(entry), "no error");  // an entry whose blip is gone
    EXPECT_EQ(fbseError(Bytes(35, 0)), "error in record OfficeArtFBSE");
    Bytes blip = entry;
    blip.insert(blip.end(), {0x00, 0x6E, 0x1E, 0xF0, 10, 0, 0, 0});  // OfficeArtBlipPNG of 10 bytes
    Bytes withBody = blip;
    withBody.resize(withBody.size() + 10, 0);
    EXPECT_EQ(fbseError(withBody), "error in record OfficeArtBlipPNG");  // no room for identifier and tag
    Bytes missing = blip;
    missing.resize(missing.size() + 9, 0);
    EXPECT_EQ(fbseError(missing), "error in record OfficeArtFBSE");  // the blip claims a byte more
    Bytes bytes;
    EXPECT_EQ(blipImage(OfficeArtRecord::atom(oart::kFBSE, 2, 6, entry), bytes), PictureTypeError);
}

} // namespace
