// Pictures of Open XML books: image parts, drawing parts and anchors, hostile drawings;
// and what both book families answer alike.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "core/xlerror.h"
#include "support/error_of.h"
#include "support/placed_pictures.h"
#include "support/python_script.h"
#include "support/test_images.h"
#include "support/xlsx_package.h"
#include "xlsx/image_types.h"

namespace karvo::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kDrawingNs = "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing";
const std::string kMainNs = "http://schemas.openxmlformats.org/drawingml/2006/main";
const std::string kRelsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
const std::string kOfficeRels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// SOI, APP0 JFIF (16 bytes), then SOF0: length 17, precision 8, height 30, width 40.
const Bytes kJpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0,
                     0xFF, 0xC0, 0x00, 0x11, 8, 0x00, 0x1E, 0x00, 0x28, 3};
// A placeable WMF header: box 0,0 to 1440,720 in units of 1440 per inch.
const Bytes kWmf = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0xA0, 0x05, 0xD0, 0x02, 0xA0, 0x05, 0, 0, 0, 0, 0, 0};

int add(IBook& book, const Bytes& data) { return addPicture(book, data); }

std::string saveToString(IBook& book) {
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_TRUE(book.saveToMemory(&data, &size)) << book.errorMessage();
    return data ? std::string(data, size) : std::string();
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// ---- image kinds and sizes ----

TEST(XmlImageTypes, PartsAreTypedByExtensionAndSizedByHeader) {
    EXPECT_EQ(xlsx::imagePartType(u"/xl/media/image1.PNG"), PictureTypePng);
    EXPECT_EQ(xlsx::imagePartType(u"/xl/media/image1.jpeg"), PictureTypeJpeg);
    EXPECT_EQ(xlsx::imagePartType(u"/xl/media/image1.Jpg"), PictureTypeJpeg);
    EXPECT_EQ(xlsx::imagePartType(u"/xl/media/image1.bin"), PictureTypeError);
    EXPECT_EQ(xlsx::imagePartType(u"/xl/media.png/image"), PictureTypeError);

    Bytes png = makePng(40, 30), bmp = makeBmp(7, 5);
    const struct {
        const char16_t* name;
        Bytes bytes;
        PixelSize size;
    } cases[] = {
        {u"a.png", png, {40, 30}},
        {u"a.png", Bytes(png.begin(), png.begin() + 24), {40, 30}},
        {u"a.png", Bytes(png.begin(), png.begin() + 23), {}},  // the height would be read past the end
        {u"a.bmp", bmp, {7, 5}},
        {u"a.bmp", Bytes(bmp.begin(), bmp.begin() + 26), {7, 5}},
        {u"a.bmp", Bytes(bmp.begin(), bmp.begin() + 25), {}},
        {u"a.jpg", kJpeg, {40, 30}},
        {u"a.jpg", Bytes(kJpeg.begin(), kJpeg.end() - 2), {}},  // frame cut off: the walk stops at the end
        {u"a.wmf", kWmf, {200, 200}},
        {u"a.wmf", Bytes{0xD7}, {200, 200}},
        {u"a.bin", png, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(xlsx::imagePartSize(c.name, c.bytes), c.size) << utf16ToUtf8(c.name) << " " << c.bytes.size();

    // A segment length that points past the data ends the walk too.
    Bytes longSegment = {0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xF0, 0, 0};
    EXPECT_EQ(xlsx::imagePartSize(u"a.jpg", longSegment), PixelSize{});
    EXPECT_EQ(errorOf([&] { xlsx::imagePartSize(u"a.jpeg", png); }), "invalid jpg file");
}

// ---- the book's picture list ----

TEST(XmlPictures, TheBookListsAddedPicturesWithTheirTypes) {
    BookPtr book(createXmlBook());
    const struct {
        Bytes data;
        PictureType type;
    } added[] = {{makePng(4, 4), PictureTypePng}, {kJpeg, PictureTypeJpeg}, {makeBmp(2, 2), PictureTypeDib}};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(add(*book, added[i].data), i);
    EXPECT_STREQ("ok", book->errorMessage());
    EXPECT_EQ(book->pictureCount(), 3);
    const char* data = nullptr;
    std::size_t size = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(book->pictureAt(i, &data, &size), added[i].type);
        EXPECT_EQ(Bytes(data, data + size), added[i].data);
        EXPECT_STREQ("ok", book->errorMessage());
    }

    const struct {
        std::function<int()> call;
        int result;
        const char* message;
    } failures[] = {
        {[&] { return int(book->pictureAt(3, &data, &size)); }, PictureTypeError, "index is out of range"},
        {[&] { return int(book->pictureAt(-1, &data, &size)); }, PictureTypeError, "index is out of range"},
        {[&] { return book->addPictureData(nullptr, 4); }, -1, "data is null"},
        {[&] { return book->addPictureData("", 0); }, -1, "data is empty"},
        // A part of no known type would have no content type, which consumers reject.
        {[&] { return add(*book, {'G', 'I', 'F', '8', '9', 'a', 1, 0}); }, -1, "unknown picture format"},
        {[&] { return add(*book, {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10}); }, -1, "unknown picture format"},
    };
    for (const auto& f : failures) {
        EXPECT_EQ(f.call(), f.result);
        EXPECT_STREQ(f.message, book->errorMessage());
    }
    EXPECT_EQ(book->pictureCount(), 3);
}

// Each family stores the bytes its own way, but types, file errors and placement
// answers are the same.
class BothBooks : public ::testing::TestWithParam<bool> {
protected:
    BookPtr book{GetParam() ? createXmlBook() : createBinaryBook()};
    ISheet* sheet = book->addSheet(u"Sheet1", nullptr);
};

TEST_P(BothBooks, PicturesFromFilesAndTheirTypes) {
    auto path = std::filesystem::temp_directory_path() / ("karvo_picture_" + std::to_string(GetParam()) + ".png");
    Bytes png = makePng(3, 3);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    EXPECT_EQ(book->addPictureFile(path.u16string().c_str()), 0);
    std::filesystem::remove(path);
    EXPECT_EQ(book->addPictureFile(path.u16string().c_str()), -1);
    EXPECT_STREQ("can't open file", book->errorMessage());
    EXPECT_EQ(add(*book, kJpeg), 1);
    EXPECT_EQ(add(*book, makeBmp(2, 2)), 2);
    const PictureType expected[] = {PictureTypePng, PictureTypeJpeg, PictureTypeDib};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(book->pictureAt(i, nullptr, nullptr), expected[i]) << i;
    EXPECT_EQ(book->pictureAt(3, nullptr, nullptr), PictureTypeError);
    EXPECT_STREQ("index is out of range", book->errorMessage());
}

TEST_P(BothBooks, PlacingWarnsOfOffsetsBeyondTheCellAndChecksTheId) {
    ASSERT_EQ(add(*book, makePng(40, 30)), 0);
    // A column is 64 pixels wide in both books, a row at most 20 high.
    const struct {
        int offsetX, offsetY;
        const char* message;
    } cases[] = {
        {0, 0, "ok"},
        {70, 0, "warning: offset_x exceed cell's width"},
        {0, 30, "warning: offset_y exceed cell's height"},
        {70, 30, "warning: offset_x and offset_y exceed cell's size"},
    };
    int placedCount = 0;
    for (const auto& c : cases) {
        sheet->placePictureSized(1, 1, 0, 100, 10, c.offsetX, c.offsetY);
        EXPECT_STREQ(c.message, book->errorMessage()) << c.offsetX << "," << c.offsetY;
        EXPECT_EQ(sheet->pictureCount(), ++placedCount);
    }
    Placed first = placed(*sheet, 0);
    EXPECT_EQ(first.id, 0);
    EXPECT_EQ((std::vector<int>{first.rowTop, first.colLeft, first.rowBottom, first.colRight, first.width}),
              (std::vector<int>{1, 1, 1, 2, 100}));
    sheet->placePictureSized(0, 0, 1, 10, 10, 0, 0);
    EXPECT_STREQ("pictureId is out of range", book->errorMessage());
    sheet->placePictureScaled(0, 0, -1, 1.0, 0, 0);
    EXPECT_STREQ("pictureId is out of range", book->errorMessage());
    EXPECT_EQ(sheet->pictureCount(), placedCount);
}

TEST_P(BothBooks, PicturesFollowInsertedAndRemovedRowsAndColumns) {
    ASSERT_EQ(add(*book, makePng(40, 30)), 0);
    sheet->placePictureSized(5, 2, 0, 100, 20, 0, 0);
    sheet->placePictureSized(10, 0, 0, 10, 10, 0, 0);
    sheet->placePictureSized(0, 6, 0, 10, 10, 0, 0);
    const Placed first = placed(*sheet, 0);
    ASSERT_TRUE(sheet->insertRows(0, 1));
    ASSERT_TRUE(sheet->insertColumns(1, 1));
    // Our pictures move with their first cell and keep their size.
    EXPECT_EQ(placed(*sheet, 0), (Placed{0, first.rowTop + 2, first.colLeft + 1, first.rowBottom + 2,
                                         first.colRight + 1, first.width, first.height, 0, 0}));
    EXPECT_EQ(placed(*sheet, 1).rowTop, 12);
    EXPECT_EQ(placed(*sheet, 1).colLeft, 0); // left of the inserted column
    ASSERT_TRUE(sheet->removeRows(12, 12));  // the second picture's first row
    ASSERT_TRUE(sheet->removeColumns(7, 7)); // the third's first column
    ASSERT_TRUE(sheet->removeColumns(0, 0));
    ASSERT_EQ(sheet->pictureCount(), 1);
    const Placed moved = placed(*sheet, 0);
    EXPECT_EQ(moved, (Placed{0, first.rowTop + 2, first.colLeft, first.rowBottom + 2, first.colRight, first.width,
                             first.height, 0, 0}));
    const char* data = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(book->saveToMemory(&data, &size));
    BookPtr again{GetParam() ? createXmlBook() : createBinaryBook()};
    ASSERT_TRUE(again->loadFromMemory(data, size)) << again->errorMessage();
    EXPECT_EQ(placed(*again->getSheet(0), 0), moved);
    // Pushed off the sheet's end, a picture is lost.
    ASSERT_TRUE(sheet->insertRows(0, GetParam() ? 1048570 : 65530));
    EXPECT_EQ(sheet->pictureCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Families, BothBooks, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Xml" : "Binary"; });

// ---- placing on Open XML sheets ----

class XmlPlacing : public ::testing::Test {
protected:
    BookPtr book{createXmlBook()};
    ISheet* sheet = book->addSheet(u"Sheet1", nullptr);
    Bytes png = makePng(40, 30);
    int id = add(*book, png);
};

TEST_F(XmlPlacing, TheEdgesWalkAcrossColumnWidthsAndRowHeights) {
    // Columns are 64 pixels and rows 20 unless set: column C is hidden, D is 75
    // pixels (10 digits of 7 plus padding), row 3 is 30 points (40 pixels).
    sheet->setColumnHidden(2, true);
    sheet->setColumns(3, 3, 10.0, nullptr, false);
    sheet->setRow(2, 30.0, nullptr, false);
    const struct {
        int row, col, width, height, offsetX, offsetY;
        Placed expected;
    } cases[] = {
        {0, 0, 30, 10, 5, 5, {0, 0, 0, 0, 0, 30, 10, 5, 5}},
        {0, 0, 59, 15, 5, 5, {0, 0, 0, 1, 1, 59, 15, 5, 5}},    // both edges exactly at the cells' end
        {0, 0, 200, 55, 10, 5, {0, 0, 0, 2, 4, 200, 55, 10, 5}}, // through the hidden column into D
        {1, 3, 80, 45, 0, 0, {0, 1, 3, 2, 4, 80, 45, 0, 0}},    // 75 of D, then 5 of E; 20 of row 2, 25 of row 3
    };
    int index = 0;
    for (const auto& c : cases) {
        sheet->placePictureSized(c.row, c.col, id, c.width, c.height, c.offsetX, c.offsetY);
        EXPECT_STREQ("ok", book->errorMessage());
        EXPECT_EQ(placed(*sheet, index++), c.expected) << c.width << "x" << c.height;
    }
    sheet->placePictureScaled(4, 4, id, 1.5, 0, 0);
    Placed scaled = placed(*sheet, index);
    EXPECT_EQ(scaled.width, 60);
    EXPECT_EQ(scaled.height, 45);
}

TEST_F(XmlPlacing, BadPlacementsAndReadsFail) {
    sheet->placePictureSized(1048576, 0, id, 10, 10, 0, 0);
    EXPECT_STREQ("row must be in range 0-1048575", book->errorMessage());
    sheet->placePictureSized(0, 16384, id, 10, 10, 0, 0);
    EXPECT_STREQ("col must be in range 0-16383", book->errorMessage());
    EXPECT_EQ(sheet->pictureCount(), 0);
    EXPECT_STREQ("can't find drawing object", book->errorMessage());
    EXPECT_EQ(placed(*sheet, 0).id, -1);
    EXPECT_STREQ("can't find drawing object", book->errorMessage());
    sheet->placePictureSized(0, 0, id, 10, 10, 0, 0);
    EXPECT_EQ(placed(*sheet, 1).id, -1);
    EXPECT_STREQ("picture index is out of range", book->errorMessage());
}

TEST_F(XmlPlacing, TheSavedPackageLinksSheetDrawingAndImages) {
    int jpeg = add(*book, kJpeg);
    sheet->placePictureSized(2, 1, id, 40, 30, 10, 5);
    sheet->placePictureSized(0, 0, jpeg, 10, 10, 0, 0);
    PackageEntries saved = savedEntries(*book);
    EXPECT_EQ(rawEntry(saved, "xl/media/image1.png"), std::string(png.begin(), png.end()));
    // Numbers are counted per name, extension included.
    EXPECT_EQ(rawEntry(saved, "xl/media/image1.jpg"), std::string(kJpeg.begin(), kJpeg.end()));
    std::string types = entry(saved, "[Content_Types].xml");
    for (const char* type :
         {"<Default Extension=\"png\" ContentType=\"image/png\"/>", "<Default Extension=\"jpg\" ContentType=\"image/jpeg\"/>",
          "<Override ContentType=\"application/vnd.openxmlformats-officedocument.drawing+xml\" "
          "PartName=\"/xl/drawings/drawing1.xml\"/>"})
        EXPECT_NE(types.find(type), std::string::npos) << type << "\n" << types;
    EXPECT_NE(entry(saved, "xl/worksheets/sheet1.xml").find("<drawing r:id=\"rId1\"/>"), std::string::npos);
    auto relationship = [](const std::string& target, const std::string& type, const std::string& id) {
        return "<Relationship Target=\"" + target + "\" Type=\"" + kOfficeRels + "/" + type + "\" Id=\"" + id + "\">";
    };
    EXPECT_NE(entry(saved, "xl/worksheets/_rels/sheet1.xml.rels").find(relationship("../drawings/drawing1.xml", "drawing", "rId1")),
              std::string::npos);
    std::string drawingRels = entry(saved, "xl/drawings/_rels/drawing1.xml.rels");
    EXPECT_NE(drawingRels.find(relationship("../media/image1.png", "image", "rId1")), std::string::npos) << drawingRels;
    EXPECT_NE(drawingRels.find(relationship("../media/image1.jpg", "image", "rId2")), std::string::npos) << drawingRels;
    // 40 x 30 pixels from 10,5 inside B3 end 50 pixels into B and, rows being 20
    // pixels, 15 pixels into row 4.
    std::string drawing = entry(saved, "xl/drawings/drawing1.xml");
    EXPECT_NE(drawing.find(
                  "<xdr:twoCellAnchor editAs=\"oneCell\"><xdr:from><xdr:col>1</xdr:col><xdr:colOff>95250</xdr:colOff>"
                  "<xdr:row>2</xdr:row><xdr:rowOff>47625</xdr:rowOff></xdr:from><xdr:to><xdr:col>1</xdr:col>"
                  "<xdr:colOff>476250</xdr:colOff><xdr:row>3</xdr:row><xdr:rowOff>142875</xdr:rowOff></xdr:to>"
                  "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"1\" name=\"Picture 1\"/><xdr:cNvPicPr>"
                  "<a:picLocks noChangeAspect=\"true\"/></xdr:cNvPicPr></xdr:nvPicPr><xdr:blipFill>"
                  "<a:blip r:embed=\"rId1\"/><a:stretch><a:fillRect/></a:stretch></xdr:blipFill><xdr:spPr>"
                  "<a:xfrm><a:off x=\"685800\" y=\"904875\"/><a:ext cx=\"1219370\" cy=\"1219370\"/></a:xfrm>"
                  "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></xdr:spPr></xdr:pic><xdr:clientData/>"
                  "</xdr:twoCellAnchor>"),
              std::string::npos)
        << drawing;
    EXPECT_NE(drawing.find("<xdr:cNvPr id=\"2\" name=\"Picture 2\"/>"), std::string::npos);
    EXPECT_EQ(count(drawing, "<xdr:twoCellAnchor"), 2u);
}

TEST_F(XmlPlacing, AReloadedBookKeepsImagesAnchorsAndItsDrawing) {
    sheet->placePictureSized(2, 1, id, 100, 45, 10, 5);
    book->addSheet(u"Second", nullptr)->placePictureScaled(0, 0, id, 1.0, 0, 0);
    Placed before = placed(*sheet, 0);
    std::string bytes = saveToString(*book);
    BookPtr again = loadedXml(bytes);
    ASSERT_EQ(again->pictureCount(), 1);
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_EQ(again->pictureAt(0, &data, &size), PictureTypePng);
    EXPECT_EQ(Bytes(data, data + size), png);
    ISheet* first = again->getSheet(0);
    ASSERT_EQ(first->pictureCount(), 1);
    EXPECT_EQ(placed(*first, 0), before);
    EXPECT_EQ(placed(*again->getSheet(1), 0), (Placed{0, 0, 0, 1, 0, 40, 30, 0, 0}));
    // A loaded drawing that nothing changed goes back out byte for byte; a new
    // picture joins the sheet's drawing instead of making another.
    PackageEntries original = packageEntries(bytes.data(), bytes.size());
    EXPECT_EQ(rawEntry(savedEntries(*again), "xl/drawings/drawing1.xml"), rawEntry(original, "xl/drawings/drawing1.xml"));
    first->placePictureSized(0, 0, 0, 5, 5, 0, 0);
    PackageEntries resaved = savedEntries(*again);
    EXPECT_EQ(count(entry(resaved, "xl/drawings/drawing1.xml"), "<xdr:twoCellAnchor"), 2u);
    EXPECT_EQ(rawEntry(resaved, "xl/drawings/drawing3.xml"), "");
    EXPECT_EQ(first->pictureCount(), 2);
}

TEST_F(XmlPlacing, OpenpyxlFindsThePlacedPictures) {
    int bmp = add(*book, makeBmp(7, 5));
    sheet->placePictureSized(2, 1, id, 100, 45, 10, 5);
    book->addSheet(u"Second", nullptr)->placePictureScaled(3, 0, bmp, 2.0, 0, 0);
    auto path = std::filesystem::temp_directory_path() / "karvo_xml_pictures.xlsx";
    ASSERT_TRUE(book->save(path.u16string().c_str())) << book->errorMessage();
    int status = 0;
    std::string seen = runCommand("/usr/bin/python3 " KARVO_TESTS_DIR "/xlsx/openpyxl_pictures.py '" + path.string() + "'",
                                  status);
    std::filesystem::remove(path);
    if (status == kScriptModuleMissing) GTEST_SKIP() << "openpyxl or python3-pil is not installed";
    ASSERT_EQ(status, 0) << seen;
    EXPECT_EQ(seen, "picture Sheet1 TwoCellAnchor 1,2 2,4 png 40x30\n"
                    "picture Second TwoCellAnchor 0,3 0,3 bmp 7x5\n");
}

// ---- loaded drawings ----

// A package whose sheet links to `drawingXml` through `drawingRels` (none when empty),
// with one PNG image.
std::string packageWithDrawing(const std::string& drawingXml, const std::string& drawingRels,
                               const std::string& sheetTarget = "../drawings/drawing1.xml") {
    PackageEntries entries = minimalPackage("<sheetData/>", "<Default Extension=\"png\" ContentType=\"image/png\"/>");
    entries[0].second.insert(entries[0].second.find("</Types>"),
                             "<Override PartName=\"/xl/drawings/drawing1.xml\" "
                             "ContentType=\"application/vnd.openxmlformats-officedocument.drawing+xml\"/>");
    entries.push_back({"xl/worksheets/_rels/sheet1.xml.rels",
                       "<Relationships xmlns=\"" + kRelsNs + "\"><Relationship Id=\"rId1\" Type=\"" + kOfficeRels +
                           "/drawing\" Target=\"" + sheetTarget + "\"/></Relationships>"});
    entries.push_back({"xl/drawings/drawing1.xml", drawingXml});
    if (!drawingRels.empty()) entries.push_back({"xl/drawings/_rels/drawing1.xml.rels", drawingRels});
    Bytes png = makePng(4, 4);
    entries.push_back({"xl/media/image1.png", std::string(png.begin(), png.end())});
    return packageBytes(entries);
}

std::string imageRels(const std::string& target = "../media/image1.png") {
    return "<Relationships xmlns=\"" + kRelsNs + "\"><Relationship Id=\"rId5\" Type=\"" + kOfficeRels +
           "/image\" Target=\"" + target + "\"/></Relationships>";
}

std::string picAnchor(const std::string& from, const std::string& to, const std::string& embed = "rId5") {
    auto marker = [](const std::string& tag, const std::string& colRow) {
        std::size_t comma = colRow.find(',');
        return "<xdr:" + tag + "><xdr:col>" + colRow.substr(0, comma) + "</xdr:col><xdr:colOff>9525</xdr:colOff><xdr:row>" +
               colRow.substr(comma + 1) + "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:" + tag + ">";
    };
    return "<xdr:twoCellAnchor>" + marker("from", from) + marker("to", to) +
           "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"7\" name=\"P\"/><xdr:cNvPicPr/></xdr:nvPicPr><xdr:blipFill>"
           "<a:blip r:embed=\"" + embed + "\"/></xdr:blipFill><xdr:spPr/></xdr:pic><xdr:clientData/></xdr:twoCellAnchor>";
}

std::string drawingOf(const std::string& anchors) {
    return "<xdr:wsDr xmlns:xdr=\"" + kDrawingNs + "\" xmlns:a=\"" + kMainNs + "\" xmlns:r=\"" + kOfficeRels + "\">" +
           anchors + "</xdr:wsDr>";
}

TEST(XmlLoadedDrawings, PicturesOfOneAndTwoCellAnchorsCountAndTheRestIsKept) {
    const std::string shape = "<xdr:twoCellAnchor><xdr:from><xdr:col>0</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>0"
                              "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>1</xdr:col><xdr:colOff>0"
                              "</xdr:colOff><xdr:row>1</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:sp><xdr:nvSpPr>"
                              "<xdr:cNvPr id=\"40\" name=\"Box\"/><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/></xdr:sp>"
                              "<xdr:clientData/></xdr:twoCellAnchor>";
    const std::string oneCell = "<xdr:oneCellAnchor><xdr:from><xdr:col>5</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>5"
                                "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:ext cx=\"95250\" cy=\"95250\"/>"
                                "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"3\" name=\"Q\"/><xdr:cNvPicPr/></xdr:nvPicPr>"
                                "<xdr:blipFill><a:blip r:embed=\"rId5\"/></xdr:blipFill><xdr:spPr/></xdr:pic>"
                                "<xdr:clientData/></xdr:oneCellAnchor>";
    std::string xml = drawingOf(shape + oneCell + picAnchor("2,3", "4,6"));
    BookPtr book = loadedXml(packageWithDrawing(xml, imageRels()));
    ISheet* sheet = book->getSheet(0);
    ASSERT_EQ(book->pictureCount(), 1);
    ASSERT_EQ(sheet->pictureCount(), 2);
    // The one-cell anchor reaches as far as its extent: 10 pixels into F6 both ways.
    EXPECT_EQ(placed(*sheet, 0), (Placed{0, 5, 5, 5, 5, 10, 10, 0, 0}));
    EXPECT_EQ(placed(*sheet, 1), (Placed{0, 3, 2, 6, 4, 128, 60, 1, 0}));
    EXPECT_EQ(rawEntry(savedEntries(*book), "xl/drawings/drawing1.xml"), xml);

    sheet->placePictureSized(0, 0, 0, 10, 10, 0, 0);
    std::string saved = entry(savedEntries(*book), "xl/drawings/drawing1.xml");
    EXPECT_NE(saved.find("<xdr:cNvPr id=\"40\" name=\"Box\"/>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<xdr:oneCellAnchor>"), std::string::npos) << saved;
    // The new picture's id follows the largest id in the drawing.
    EXPECT_NE(saved.find("<xdr:cNvPr id=\"41\" name=\"Picture 41\"/>"), std::string::npos) << saved;
    EXPECT_EQ(sheet->pictureCount(), 3);
    EXPECT_EQ(placed(*sheet, 2).id, 0);
}

TEST(XmlLoadedDrawings, AnchorsFollowTheirCellsAsTheySay) {
    const std::string absolute = "<xdr:absoluteAnchor><xdr:pos x=\"0\" y=\"0\"/><xdr:ext cx=\"9525\" cy=\"9525\"/>"
                                 "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"9\" name=\"Fixed\"/><xdr:cNvSpPr/></xdr:nvSpPr>"
                                 "<xdr:spPr/></xdr:sp><xdr:clientData/></xdr:absoluteAnchor>";
    BookPtr book = loadedXml(packageWithDrawing(drawingOf(picAnchor("2,3", "4,6") + absolute), imageRels()));
    ISheet* sheet = book->getSheet(0);
    // A two-cell anchor that says nothing else sizes with its cells.
    ASSERT_TRUE(sheet->insertRows(4, 5));
    Placed p = placed(*sheet, 0);
    EXPECT_EQ((std::vector<int>{p.rowTop, p.rowBottom}), (std::vector<int>{3, 8}));
    ASSERT_TRUE(sheet->removeRows(5, 20)); // the far corner's rows: it ends where they were
    p = placed(*sheet, 0);
    EXPECT_EQ((std::vector<int>{p.rowTop, p.rowBottom, p.height}), (std::vector<int>{3, 5, 2 * 20}));
    std::string saved = entry(savedEntries(*book), "xl/drawings/drawing1.xml");
    EXPECT_NE(saved.find("<xdr:row>5</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("name=\"Fixed\""), std::string::npos) << saved;
    ASSERT_TRUE(sheet->removeColumns(2, 2)); // its first cell's column: it goes, the fixed shape stays
    EXPECT_EQ(sheet->pictureCount(), 0);
    saved = entry(savedEntries(*book), "xl/drawings/drawing1.xml");
    EXPECT_NE(saved.find("name=\"Fixed\""), std::string::npos) << saved;
}

TEST(XmlLoadedDrawings, HostileDrawingsFailTheReadNotTheLoad) {
    const std::string good = picAnchor("1,1", "2,2");
    const struct {
        const char* what;
        std::string package;
        int count;            // pictureCount
        const char* message;  // of pictureAt(0), or of pictureCount when it finds nothing
    } cases[] = {
        {"sheet links to a missing part", packageWithDrawing(drawingOf(good), imageRels(), "../drawings/none.xml"), 0,
         "can't find drawing object"},
        {"drawing without relationships", packageWithDrawing(drawingOf(good), ""), 1,
         "can't find drawing relationships"},
        {"image relationship to a missing part", packageWithDrawing(drawingOf(good), imageRels("../media/no.png")), 1,
         "picture not found"},
        {"embed naming no relationship", packageWithDrawing(drawingOf(picAnchor("1,1", "2,2", "rId9")), imageRels()), 1,
         "picture not found"},
        {"marker beyond the last column", packageWithDrawing(drawingOf(picAnchor("1,1", "99999999,2")), imageRels()), 1,
         "picture anchor is out of range"},
        {"corners out of order", packageWithDrawing(drawingOf(picAnchor("3,1", "2,2")), imageRels()), 1,
         "picture anchor is out of range"},
        {"drawing that is not XML", packageWithDrawing("not xml", imageRels()), 0, nullptr},
        {"negative marker", packageWithDrawing(drawingOf(picAnchor("-1,1", "2,2")), imageRels()), 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BookPtr book = loadedXml(c.package);
        ISheet* sheet = book->getSheet(0);
        EXPECT_EQ(sheet->pictureCount(), c.count);
        if (c.count == 0) {
            std::string message = book->errorMessage();
            if (c.message) {
                EXPECT_EQ(message, c.message);
            } else {
                EXPECT_NE(message, "ok");
            }
        }
        EXPECT_EQ(placed(*sheet, 0).id, -1);
        if (c.message) {
            EXPECT_STREQ(c.message, book->errorMessage());
        }
        // What could not be read is written back as it came.
        PackageEntries original = packageEntries(c.package.data(), c.package.size());
        EXPECT_EQ(rawEntry(savedEntries(*book), "xl/drawings/drawing1.xml"), rawEntry(original, "xl/drawings/drawing1.xml"));
    }
    // Moving rows moves the drawing too: one that does not parse fails it before a
    // cell has moved.
    BookPtr book = loadedXml(packageWithDrawing("not xml", imageRels()));
    ISheet* sheet = book->getSheet(0);
    ASSERT_TRUE(sheet->writeNumber(5, 0, 1.0));
    EXPECT_FALSE(sheet->insertRows(0, 0));
    EXPECT_STRNE(book->errorMessage(), "ok");
    EXPECT_FALSE(sheet->removeColumns(0, 0));
    EXPECT_EQ(sheet->readNumber(5, 0), 1.0);
}

TEST(XmlLoadedDrawings, HugeRowHeightsAndColumnWidthsCountAsTheLargestConsumersShow) {
    // 255 digits of 7 pixels, and 409.5 points of 4/3 pixels.
    BookPtr book = loadedXml(packageBytes(minimalPackage(
        "<sheetFormatPr defaultRowHeight=\"1e300\"/><cols><col min=\"1\" max=\"1\" width=\"1e300\"/></cols><sheetData/>")));
    ISheet* sheet = book->getSheet(0);
    ASSERT_EQ(add(*book, makePng(2, 2)), 0);
    sheet->placePictureSized(0, 0, 0, 1785, 1000, 0, 0);
    EXPECT_EQ(placed(*sheet, 0), (Placed{0, 0, 0, 1, 1, 1785, 1000, 0, 0}));
}

TEST(XmlLoadedDrawings, AnImagePartThatLiesAboutItsTypeFailsOnlyWhereItsSizeIsNeeded) {
    PackageEntries entries = minimalPackage("<sheetData/>", "<Default Extension=\"jpg\" ContentType=\"image/jpeg\"/>");
    Bytes png = makePng(4, 4);
    entries.push_back({"xl/media/image1.jpg", std::string(png.begin(), png.end())});
    BookPtr book = loadedXml(packageBytes(entries));
    ASSERT_EQ(book->pictureCount(), 1);
    EXPECT_EQ(book->pictureAt(0, nullptr, nullptr), PictureTypeJpeg);
    ISheet* sheet = book->getSheet(0);
    sheet->placePictureScaled(0, 0, 0, 1.0, 0, 0);
    EXPECT_STREQ("invalid jpg file", book->errorMessage());
    sheet->placePictureSized(0, 0, 0, 10, 10, 0, 0);
    EXPECT_STREQ("ok", book->errorMessage());
}

} // namespace
} // namespace karvo::testing
