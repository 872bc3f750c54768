// Pictures of a binary book: the blip store, placing pictures on sheets, anchors, ids and counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/book_factory.h"
#include "core/utf_convert.h"
#include "support/book_bytes.h"
#include "support/placed_pictures.h"
#include "support/test_images.h"
#include "xls/book_impl.h"
#include "xls/xls.h"

using namespace karvo;

namespace {

using Bytes = std::vector<std::uint8_t>;

using karvo::testing::BookPtr;
using karvo::testing::loaded;
using karvo::testing::saved;

using karvo::testing::Placed;
using karvo::testing::placed;

int add(IBook& book, const Bytes& data) { return karvo::testing::addPicture(book, data); }

const OfficeArtClientAnchorSheet& anchorOf(ISheet* sheet, std::size_t index) {
    static std::vector<SheetDrawing::Picture> pictures;
    pictures = dynamic_cast<SheetImplT&>(*sheet).data().drawing.pictures();
    return pictures.at(index).anchor;
}

class Pictures : public ::testing::Test {
protected:
    BookPtr book{createBinaryBook()};
    ISheet* sheet = book->addSheet(u"Sheet1", nullptr);
    Bytes png = karvo::testing::makePng(100, 50);
    Bytes bmp = karvo::testing::makeBmp(40, 30);
    DrawingGroup& group() { return dynamic_cast<BookImplT&>(*book).drawingGroup(); }
};

TEST_F(Pictures, TheStoreHoldsEachKindOfImage) {
    const Bytes wmf = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0xA0, 0x05, 0xD0, 0x02, 0xA0, 0x05,
                       0, 0, 0, 0, 0, 0, 1, 0, 9, 0};
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02, 0xFF, 0xC0, 0x00, 0x11, 8, 0, 3, 0, 4};
    EXPECT_EQ(add(*book, png), 0);
    EXPECT_EQ(add(*book, jpeg), 1);
    EXPECT_EQ(add(*book, wmf), 2);
    EXPECT_EQ(add(*book, bmp), 3);
    EXPECT_EQ(book->pictureCount(), 4);
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_EQ(book->pictureAt(0, &data, &size), PictureTypePng);
    EXPECT_EQ(Bytes(data, data + size), png);
    EXPECT_EQ(book->pictureAt(1, &data, &size), PictureTypeJpeg);
    EXPECT_EQ(Bytes(data, data + size), jpeg);
    EXPECT_EQ(book->pictureAt(2, &data, &size), PictureTypeWmf);
    EXPECT_EQ(Bytes(data, data + size), Bytes({1, 0, 9, 0}));  // the metafile without its placeable header
    EXPECT_EQ(book->pictureAt(3, &data, &size), PictureTypeDib);
    EXPECT_EQ(Bytes(data, data + size), Bytes(bmp.begin() + 14, bmp.end()));  // without the file header
    EXPECT_EQ(group().pictureSize(2), (PixelSize{96, 48}));
}

TEST_F(Pictures, TheStoreRejectsWhatItCannotTell) {
    Bytes exif = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10};
    EXPECT_EQ(add(*book, exif), -1);
    EXPECT_STREQ(book->errorMessage(), "unknown picture format");
    EXPECT_EQ(add(*book, Bytes{0x89, 'P', 'N', 'G'}), -1);
    EXPECT_STREQ(book->errorMessage(), "unknown picture format");
    EXPECT_EQ(book->pictureAt(0, nullptr, nullptr), PictureTypeError);
    EXPECT_STREQ(book->errorMessage(), "index is out of range");
    EXPECT_EQ(book->addPictureFile(u"/nonexistent/picture.png"), -1);
    EXPECT_STREQ(book->errorMessage(), "can't open file");
    EXPECT_EQ(book->pictureCount(), 0);
}

TEST_F(Pictures, AFileIsReadWhole) {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "karvo_picture_test.png";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size());
    EXPECT_EQ(book->addPictureFile(utf8ToUtf16(path.string()).c_str()), 0);
    std::filesystem::remove(path);
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_EQ(book->pictureAt(0, &data, &size), PictureTypePng);
    EXPECT_EQ(size, png.size());
}

// Columns are 64 pixels wide and rows 17 pixels high unless set otherwise.
TEST_F(Pictures, TheAnchorWalksAcrossColumnsAndRows) {
    int id = add(*book, png);
    sheet->placePictureSized(0, 1, id, 100, 20, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "ok");
    // 100 pixels from the start of B: all of B (64), then 36 of C's 64 = 576/1024.
    const OfficeArtClientAnchorSheet& a = anchorOf(sheet, 0);
    EXPECT_EQ(a.colL, 1);
    EXPECT_EQ(a.dxL, 0);
    EXPECT_EQ(a.colR, 2);
    EXPECT_EQ(a.dxR, 576);
    EXPECT_EQ(a.rwB, 1);
    EXPECT_EQ(a.dyB, 45);  // 3 of row 2's 17 pixels: 3 * 256 / 17
    EXPECT_EQ(placed(*sheet, 0), (Placed{0, 0, 1, 1, 2, 100, 19, 0, 0}));

    ASSERT_TRUE(sheet->setColumns(0, 0, 10.0, nullptr, false));  // width 2743: 2743 / (256 / 7) = 76 pixels
    ASSERT_TRUE(sheet->setRow(0, 30, nullptr, false));             // 40 pixels
    sheet->placePictureSized(0, 0, id, 200, 50, 10, 0);
    // Right edge at 210: 76 (A) + 64 (B) + 64 (C) and 6 into D; bottom edge at 50: 40 and 10 into row 2.
    const OfficeArtClientAnchorSheet& b = anchorOf(sheet, 1);
    EXPECT_EQ(b.dxL, 134);  // 10 * 1024 / 76
    EXPECT_EQ(b.colR, 3);
    EXPECT_EQ(b.dxR, 96);   // 6 * 1024 / 64
    EXPECT_EQ(b.rwB, 1);
    EXPECT_EQ(b.dyB, 150);  // 10 * 256 / 17
    EXPECT_EQ(placed(*sheet, 1), (Placed{0, 0, 0, 1, 3, 201, 49, 9, 0}));  // offsets read back truncated
}

TEST_F(Pictures, OffsetsBeyondTheCellAreCut) {
    int id = add(*book, png);
    sheet->placePictureSized(0, 0, id, 10, 10, 100, 0);
    EXPECT_STREQ(book->errorMessage(), "warning: offset_x exceed cell's width");
    EXPECT_EQ(anchorOf(sheet, 0).dxL, 1024);
    sheet->placePictureSized(0, 0, id, 10, 10, 0, 30);
    EXPECT_STREQ(book->errorMessage(), "warning: offset_y exceed cell's height");
    EXPECT_EQ(anchorOf(sheet, 1).dyT, 256);
    sheet->placePictureSized(0, 0, id, 10, 10, 65, 18);
    EXPECT_STREQ(book->errorMessage(), "warning: offset_x and offset_y exceed cell's size");
    sheet->placePictureSized(0, 0, id, 10, 10, 64, 17);
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(sheet->pictureCount(), 4);
}

TEST_F(Pictures, MinusOneTakesTheMergedRange) {
    int id = add(*book, png);
    ASSERT_TRUE(sheet->addMerge(2, 3, 1, 2));
    sheet->placePictureSized(2, 1, id, -1, -1, 0, 0);
    EXPECT_EQ(placed(*sheet, 0), (Placed{0, 2, 1, 4, 3, 128, 34, 0, 0}));
    sheet->placePictureSized(5, 5, id, -1, 10, 0, 0);  // no merge: the cell itself
    EXPECT_EQ(placed(*sheet, 1), (Placed{0, 5, 5, 5, 6, 64, 9, 0, 0}));
}

TEST_F(Pictures, ScaledPicturesTakeTheImageSize) {
    int id = add(*book, png);  // 100 x 50
    sheet->placePictureScaled(0, 0, id, 0.5, 0, 0);
    EXPECT_EQ(anchorOf(sheet, 0).dxR, 800);  // 50 of 64 pixels
    EXPECT_EQ(anchorOf(sheet, 0).rwB, 1);
    EXPECT_EQ(anchorOf(sheet, 0).dyB, 120);  // 25 - 17 = 8 of 17 pixels
    sheet->placePictureScaled(0, 0, id + 1, 1.0, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "pictureId is out of range");
    sheet->placePictureSized(0, 0, -1, 10, 10, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "pictureId is out of range");
    EXPECT_EQ(sheet->pictureAt(1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), -1);
    EXPECT_STREQ(book->errorMessage(), "picture not found");
    EXPECT_EQ(sheet->pictureCount(), 1);
}

TEST_F(Pictures, EachPlacementCountsAReference) {
    int first = add(*book, png);
    int second = add(*book, bmp);
    sheet->placePictureScaled(0, 0, first, 1.0, 0, 0);
    sheet->placePictureScaled(5, 0, first, 1.0, 0, 0);
    EXPECT_EQ(group().referenceCount(first), 2u);
    EXPECT_EQ(group().referenceCount(second), 0u);
}

// The Office Art data of the MsoDrawingGroup record and its CONTINUE records in a saved book.
Bytes drawingGroupOf(IBook& book) {
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_TRUE(book.saveToMemory(&data, &size));
    Xls xls = Xls::openRead({reinterpret_cast<const std::uint8_t*>(data), size});
    Bytes art;
    std::uint16_t last = 0;
    while (!xls.in().atEnd()) {
        Record r = xls.in().next();
        if (r.id == 0x00EB || (r.id == 0x003C && last == 0x00EB)) art.insert(art.end(), r.body.begin(), r.body.end());
        if (r.id != 0x003C) last = r.id;
    }
    return art;
}

TEST_F(Pictures, ShapeIdsAreCountedAcrossSheets) {
    int id = add(*book, png);
    ISheet* second = book->addSheet(u"Sheet2", nullptr);
    sheet->placePictureScaled(0, 0, id, 1.0, 0, 0);
    sheet->placePictureScaled(3, 0, id, 1.0, 0, 0);
    second->placePictureScaled(0, 0, id, 1.0, 0, 0);
    // The first drawing: group shape 0x400, pictures 0x401 and 0x402; the second
    // drawing has the next cluster.
    std::vector<DrawingIds> ids = dynamic_cast<SheetImplT&>(*sheet).drawingIds();
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ids[0].drawingId, 1);
    EXPECT_EQ(ids[0].shapeIds, (std::vector<std::uint32_t>{0x400, 0x401, 0x402}));
    ids = dynamic_cast<SheetImplT&>(*second).drawingIds();
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ids[0].drawingId, 2);
    EXPECT_EQ(ids[0].shapeIds, (std::vector<std::uint32_t>{0x800, 0x801}));

    Bytes art = drawingGroupOf(*book);
    ASSERT_GE(art.size(), 48u);
    const Bytes fdgg = {0x00, 0x00, 0x06, 0xF0, 32, 0, 0, 0,  // OfficeArtFDGGBlock of 32 bytes
                        0x02, 0x08, 0, 0,                     // spidMax: 0x801 + 1
                        3, 0, 0, 0,                           // cidcl: two clusters
                        5, 0, 0, 0,                           // cspSaved: 3 + 2 shapes
                        2, 0, 0, 0,                           // cdgSaved: two drawings
                        1, 0, 0, 0, 3, 0, 0, 0,               // cluster 1: drawing 1, ids 0x400-0x402
                        2, 0, 0, 0, 2, 0, 0, 0};              // cluster 2: drawing 2, ids 0x800-0x801
    EXPECT_EQ(Bytes(art.begin() + 8, art.begin() + 48), fdgg);
}

TEST_F(Pictures, PicturesSurviveSavingAndLoading) {
    int id = add(*book, png);
    int other = add(*book, bmp);
    sheet->placePictureSized(1, 1, id, 100, 50, 0, 0);
    sheet->placePictureSized(5, 3, other, 80, 40, 10, 5);
    const char* data = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(book->saveToMemory(&data, &size));
    BookPtr again(createBinaryBook());
    ASSERT_TRUE(again->loadFromMemory(data, size)) << again->errorMessage();
    ASSERT_EQ(again->pictureCount(), 2);
    EXPECT_EQ(again->pictureAt(0, &data, &size), PictureTypePng);
    EXPECT_EQ(Bytes(data, data + size), png);
    ISheet* loaded = again->getSheet(0);
    ASSERT_EQ(loaded->pictureCount(), 2);
    EXPECT_EQ(placed(*loaded, 0), placed(*sheet, 0));
    EXPECT_EQ(placed(*loaded, 1), (Placed{1, 5, 3, 7, 4, 80, 40, 10, 4}));
    // Placing more on a loaded drawing continues its ids.
    loaded->placePictureScaled(9, 0, 1, 1.0, 0, 0);
    std::vector<DrawingIds> ids = dynamic_cast<SheetImplT&>(*loaded).drawingIds();
    EXPECT_EQ(ids.at(0).shapeIds.back(), 0x403u);
}

TEST_F(Pictures, AnchorsThatSizeWithCellsStretchAndShrink) {
    int id = add(*book, png);
    sheet->placePictureSized(2, 1, id, 10, 17 * 4 + 5, 0, 0);  // rows 3 to 7, 5 pixels into row 7
    Bytes file = saved(*book);
    // A shape written by another program may move and size with its cells: flags 0.
    const Bytes anchorHeader = {0x00, 0x00, 0x10, 0xF0, 18, 0, 0, 0, 2, 0};
    auto at = std::search(file.begin(), file.end(), anchorHeader.begin(), anchorHeader.end());
    ASSERT_NE(at, file.end());
    at[8] = 0;
    BookPtr other = loaded(file);
    ISheet* s = other->getSheet(0);
    const int height = placed(*s, 0).height;
    ASSERT_TRUE(s->insertRows(4, 5));
    EXPECT_EQ(placed(*s, 0).rowTop, 2);
    EXPECT_EQ(placed(*s, 0).rowBottom, 8);
    EXPECT_EQ(placed(*s, 0).height, height + 2 * 17);
    ASSERT_TRUE(s->removeRows(5, 20));  // the far corner's row goes: the picture ends where the rows were
    EXPECT_EQ(placed(*s, 0), (Placed{id, 2, 1, 5, 1, 10, 17 * 3, 0, 0}));
}

} // namespace

