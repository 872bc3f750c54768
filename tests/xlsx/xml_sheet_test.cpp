// Worksheets of Open XML books: cells as the part stores them, formulas, rows and columns.
#include <functional>

#include <gtest/gtest.h>

#include "support/xlsx_package.h"

namespace karvo::testing {
namespace {

struct SheetBook {
    BookPtr book{createXmlBook()};
    ISheet* sheet = book->addSheet(u"S");

    PackageEntries saved() { return savedEntries(*book); }
    std::string sheetXml() { return entry(saved(), "xl/worksheets/sheet1.xml"); }
    // The book written and read back, with its first sheet.
    std::pair<BookPtr, ISheet*> reloaded() {
        const char* data;
        std::size_t size;
        EXPECT_TRUE(book->saveToMemory(&data, &size)) << book->errorMessage();
        BookPtr again = loadedXml(std::string(data, size));
        ISheet* first = again->getSheet(0);
        return {std::move(again), first};
    }
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(XmlSheetCells, ValuesAreStoredAsTheFileHoldsThem) {
    SheetBook b;
    ASSERT_TRUE(b.sheet->writeNumber(0, 0, 0.1));
    ASSERT_TRUE(b.sheet->writeNumber(0, 1, 1.0 / 3));
    ASSERT_TRUE(b.sheet->writeString(1, 0, u" padded"));
    ASSERT_TRUE(b.sheet->writeString(1, 1, u" padded"));
    ASSERT_TRUE(b.sheet->writeBool(2, 0, true));
    std::string xml = b.sheetXml();
    EXPECT_TRUE(contains(xml, "<c r=\"A1\"><v>0.1</v></c>")) << xml;
    EXPECT_TRUE(contains(xml, "<v>0.333333333333333</v>")) << xml;
    EXPECT_TRUE(contains(xml, "<c r=\"A2\" t=\"s\"><v>0</v></c>")) << xml;
    EXPECT_TRUE(contains(xml, "<c r=\"B2\" t=\"s\"><v>0</v></c>")) << xml;
    EXPECT_TRUE(contains(xml, "<c r=\"A3\" t=\"b\"><v>1</v></c>")) << xml;
    std::string strings = entry(b.saved(), "xl/sharedStrings.xml");
    EXPECT_TRUE(contains(strings, "<t xml:space=\"preserve\"> padded</t>")) << strings;
    EXPECT_FALSE(b.sheet->writeNumber(0, 2, 1.0 / 0.0));
    EXPECT_STREQ("number is not finite", b.book->errorMessage());
}

// Strings written into a loaded table find its entries, runs joined: the first of
// equal entries, as readers resolve them; a new text gets a new entry.
TEST(XmlSheetCells, WrittenStringsFindTheEntriesOfALoadedTable) {
    const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    PackageEntries entries = minimalPackage(
        "<sheetData/>", "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/"
                        "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>");
    for (auto& [name, bytes] : entries)
        if (name == "xl/_rels/workbook.xml.rels")
            bytes.insert(bytes.find("</Relationships>"),
                         "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                         "relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>");
    entries.push_back({"xl/sharedStrings.xml", "<sst xmlns=\"" + main + "\"><si><t>b</t></si><si><t>a</t></si>"
                                               "<si><r><t>x</t></r><r><t>y</t></r></si><si><t>a</t></si></sst>"});
    BookPtr book = loadedXml(packageBytes(entries));
    ISheet* sheet = book->getSheet(0);
    for (const char16_t* text : {u"a", u"xy", u"new", u"b", u"new"}) ASSERT_TRUE(sheet->writeString(0, 0, text));
    const std::pair<int, const char16_t*> cells[] = {{0, u"a"}, {1, u"xy"}, {2, u"new"}, {3, u"b"}, {4, u"new"}};
    for (auto [col, text] : cells) ASSERT_TRUE(sheet->writeString(1, col, text));
    std::string xml = entry(savedEntries(*book), "xl/worksheets/sheet1.xml");
    const int expected[] = {1, 2, 4, 0, 4};
    for (int col = 0; col < 5; ++col)
        EXPECT_TRUE(contains(xml, "<c r=\"" + std::string(1, char('A' + col)) + "2\" t=\"s\"><v>" +
                                      std::to_string(expected[col]) + "</v></c>"))
            << col << "\n" << xml;
}

// Numbers are written as "%.15g" writes them, whole numbers included: up to 15
// digits without a point, beyond that with an exponent, and the sign of zero kept.
TEST(XmlSheetCells, NumbersAreWrittenWithFifteenSignificantDigits) {
    SheetBook b;
    const std::pair<double, const char*> numbers[] = {
        {0.0, "0"},        {-0.0, "-0"}, {42.0, "42"}, {-7.0, "-7"}, {123456789012345.0, "123456789012345"},
        {-123456789012345.0, "-123456789012345"}, {1e15, "1e+15"}, {1234567890123456.0, "1.23456789012346e+15"},
        {2.5, "2.5"},      {1e-7, "1e-07"}};
    for (std::size_t i = 0; i < std::size(numbers); ++i) ASSERT_TRUE(b.sheet->writeNumber(int(i), 0, numbers[i].first));
    std::string xml = b.sheetXml();
    for (const auto& [value, text] : numbers)
        EXPECT_TRUE(contains(xml, std::string("<v>") + text + "</v>")) << text << "\n" << xml;
}

TEST(XmlSheetCells, ReadersAnswerEveryKindAndRefuseTheWrongOne) {
    std::string sheetData =
        "<sheetData><row r=\"2\">"
        "<c r=\"A2\" t=\"str\"><v>text</v></c>"
        "<c r=\"B2\" t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c>"
        "<c r=\"C2\" t=\"e\"><v>#DIV/0!</v></c>"
        "<c r=\"D2\" t=\"e\"><v>#BAD</v></c>"
        "<c r=\"E2\" s=\"0\"/>"
        "<c r=\"F2\" t=\"n\"><v>-2.5E3</v></c>"
        "<c r=\"G2\" t=\"s\"><v>0</v></c>"
        "<c r=\"H2\" t=\"d\"><v>2000-01-01T12:00:00Z</v></c>"
        "</row></sheetData>";
    BookPtr book = loadedXml(packageBytes(minimalPackage(sheetData)));
    ISheet* sheet = book->getSheet(0);
    EXPECT_EQ(std::u16string(u"text"), sheet->readString(1, 0));
    EXPECT_EQ(std::u16string(u"inline"), sheet->readString(1, 1));
    EXPECT_EQ(ErrorDiv0, sheet->readError(1, 2));
    EXPECT_EQ(ErrorUnknown, sheet->readError(1, 3));
    EXPECT_STREQ("unknown error value", book->errorMessage());
    EXPECT_EQ(CellBlank, sheet->cellType(1, 4));
    IFormat* format = nullptr;
    EXPECT_TRUE(sheet->readBlank(1, 4, &format));
    EXPECT_EQ(nullptr, format);  // the package has no stylesheet, so no formats
    EXPECT_EQ(-2500.0, sheet->readNumber(1, 5));
    EXPECT_EQ(nullptr, sheet->readString(1, 6));
    EXPECT_STREQ("sharedStrings not found", book->errorMessage());
    EXPECT_EQ(36526.5, sheet->readNumber(1, 7));  // an ISO date cell reads as its serial number
    EXPECT_TRUE(sheet->cellIsDate(1, 7));
}

TEST(XmlSheetCells, AnEmptyNumberTextIsNoValue) {
    // openpyxl saves every formula this way, with no result.
    BookPtr book = loadedXml(packageBytes(minimalPackage(
        "<sheetData><row r=\"1\">"
        "<c r=\"A1\"><f>1+1</f><v></v></c>"
        "<c r=\"B1\" t=\"n\"><v/></c>"
        "<c r=\"C1\" t=\"str\"><f>\"\"</f><v></v></c>"
        "<c r=\"D1\"><v>0</v></c>"
        "</row></sheetData>")));
    ISheet* sheet = book->getSheet(0);
    IFormat* format = nullptr;
    const std::pair<int, CellType> cells[] = {{0, CellBlank}, {1, CellBlank}, {2, CellString}, {3, CellNumber}};
    for (const auto& [col, type] : cells) {
        EXPECT_EQ(type, sheet->cellType(0, col)) << "column " << col;
        EXPECT_EQ(type == CellBlank, sheet->readBlank(0, col, &format)) << "column " << col;
    }
    EXPECT_EQ(0.0, sheet->readNumber(0, 0));
    EXPECT_STREQ("this cell doesn't contain a number", book->errorMessage());
    EXPECT_EQ(std::u16string(u""), sheet->readString(0, 2));
    EXPECT_EQ(std::u16string(u"1+1"), sheet->readFormula(0, 0));
}

// Lookups try the place a row or cell has when none is missing before it, and the
// last row; rows and cells with gaps, and the repeated ones some producers write,
// must still be found where a search finds them: the first of equals.
TEST(XmlSheetCells, LookupsFindRowsAndCellsAfterGapsAndRepeats) {
    BookPtr book = loadedXml(packageBytes(minimalPackage(
        "<sheetData>"
        "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>2</v></c><c r=\"C1\"><v>3</v></c></row>"
        "<row r=\"2\"><c r=\"B2\"><v>4</v></c><c r=\"C2\"><v>5</v></c></row>"
        "<row r=\"4\"><c r=\"A4\"><v>6</v></c><c r=\"D4\"><v>7</v></c></row>"
        "<row r=\"4\"><c r=\"A4\"><v>8</v></c></row>"
        "<row r=\"5\"><c r=\"A5\"><v>9</v></c><c r=\"A5\"><v>10</v></c></row>"
        "</sheetData>")));
    ISheet* sheet = book->getSheet(0);
    const struct {
        int row, col;
        double value;
    } found[] = {{0, 0, 1}, {0, 2, 3}, {1, 1, 4}, {1, 2, 5}, {3, 0, 6}, {3, 3, 7}, {4, 0, 9}};
    for (const auto& cell : found)
        EXPECT_EQ(cell.value, sheet->readNumber(cell.row, cell.col)) << cell.row << "," << cell.col;
    for (auto [row, col] : {std::pair{1, 0}, {2, 0}, {3, 1}, {3, 2}, {5, 0}, {0, 3}})
        EXPECT_EQ(CellEmpty, sheet->cellType(row, col)) << row << "," << col;
    // Writing after the lookups lands in the same places.
    ASSERT_TRUE(sheet->writeNumber(3, 0, 60));
    ASSERT_TRUE(sheet->writeNumber(1, 0, 40));
    EXPECT_EQ(60.0, sheet->readNumber(3, 0));
    EXPECT_EQ(40.0, sheet->readNumber(1, 0));
    EXPECT_EQ(4.0, sheet->readNumber(1, 1));
}

TEST(XmlSheetCells, FailedReadsSetTheirMessage) {
    BookPtr book = loadedXml(packageBytes(minimalPackage(
        "<sheetData><row r=\"1\"><c r=\"A1\" t=\"str\"><v>t</v></c><c r=\"B1\"><v>1</v></c></row></sheetData>")));
    ISheet* sheet = book->getSheet(0);
    IFormat* format = nullptr;
    const std::pair<std::function<void()>, const char*> calls[] = {
        {[&] { sheet->readNumber(0, 0); }, "this cell doesn't contain a number"},
        {[&] { sheet->readBool(0, 0); }, "this cell doesn't contain a bool"},
        {[&] { sheet->readString(0, 1); }, "this cell doesn't contain a string"},
        {[&] { sheet->readFormula(0, 1); }, "this cell doesn't contain a formula"},
        {[&] { sheet->readBlank(0, 1, &format); }, "cell is not blank"},
        {[&] { sheet->readError(0, 1); }, "this cell doesn't contain an error"},
        {[&] { sheet->readNumber(5, 5); }, "cell is not found"},
        {[&] { sheet->cellFormat(5, 5); }, "empty cell"},
        {[&] { sheet->writeNumber(1048576, 0, 1); }, "row must be in range 0-1048575"},
        {[&] { sheet->writeString(0, 16384, u"x"); }, "col must be in range 0-16383"},
        {[&] { sheet->writeBlank(0, 0, nullptr); }, "format is null"},
        {[&] { sheet->readComment(0, 0); }, "not supported"},
    };
    for (const auto& [call, message] : calls) {
        call();
        EXPECT_STREQ(message, book->errorMessage());
    }
}

TEST(XmlSheetFormulas, SeparatorsAndSharedGroups) {
    std::string sheetData =
        "<sheetData>"
        "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><f t=\"shared\" ref=\"B1:B3\" si=\"0\">A1*2</f><v>2</v></c></row>"
        "<row r=\"2\"><c r=\"A2\"><v>2</v></c><c r=\"B2\"><f t=\"shared\" si=\"0\"/><v>4</v></c></row>"
        "<row r=\"3\"><c r=\"A3\"><v>3</v></c><c r=\"B3\"><f t=\"shared\" si=\"0\"/><v>6</v></c></row>"
        "</sheetData>";
    BookPtr book = loadedXml(packageBytes(minimalPackage(sheetData)));
    ISheet* sheet = book->getSheet(0);
    EXPECT_EQ(std::u16string(u"A3*2"), sheet->readFormula(2, 1));
    EXPECT_EQ(CellNumber, sheet->cellType(2, 1));
    // Overwriting the group's first cell writes the others out first.
    ASSERT_TRUE(sheet->writeNumber(0, 1, 5));
    EXPECT_EQ(std::u16string(u"A2*2"), sheet->readFormula(1, 1));
    EXPECT_EQ(std::u16string(u"A3*2"), sheet->readFormula(2, 1));
    EXPECT_FALSE(sheet->cellIsFormula(0, 1));

    ASSERT_TRUE(sheet->writeFormula(4, 0, u"=IF(A1;\"a;b\";'x;y'!B2)"));
    EXPECT_EQ(std::u16string(u"IF(A1;\"a;b\";'x;y'!B2)"), sheet->readFormula(4, 0));
    EXPECT_EQ(CellBlank, sheet->cellType(4, 0));
    std::string xml = entry(savedEntries(*book), "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(contains(xml, "<f>IF(A1,&quot;a;b&quot;,&apos;x;y&apos;!B2)</f>")) << xml;
    EXPECT_TRUE(contains(xml, "<f>A3*2</f>")) << xml;
}

TEST(XmlSheetRows, InsertAndRemoveMoveCellsMergesAndColumns) {
    std::string sheetData =
        "<cols><col min=\"2\" max=\"4\" width=\"20\" customWidth=\"1\"/></cols>"
        "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"3\"><c r=\"C3\"><v>3</v></c></row>"
        "<row r=\"5\"><c r=\"E5\"><v>5</v></c></row></sheetData>"
        "<mergeCells count=\"2\"><mergeCell ref=\"A2:B4\"/><mergeCell ref=\"D5:E6\"/></mergeCells>";
    BookPtr book = loadedXml(packageBytes(minimalPackage(sheetData)));
    ISheet* sheet = book->getSheet(0);
    ASSERT_TRUE(sheet->insertRows(2, 3));
    EXPECT_EQ(3.0, sheet->readNumber(4, 2));
    EXPECT_EQ(5.0, sheet->readNumber(6, 4));
    ASSERT_TRUE(sheet->insertColumns(2, 2));
    EXPECT_EQ(3.0, sheet->readNumber(4, 3));
    EXPECT_EQ(5.0, sheet->readNumber(6, 5));
    EXPECT_EQ(1.0, sheet->readNumber(0, 0));
    std::string xml = entry(savedEntries(*book), "xl/worksheets/sheet1.xml");
    for (const char* part : {"<mergeCell ref=\"A2:B2\"/>", "<mergeCell ref=\"E7:F8\"/>", "<mergeCell ref=\"A5:B6\"/>",
                             "<col min=\"2\" max=\"2\"", "<col min=\"4\" max=\"5\""})
        EXPECT_TRUE(contains(xml, part)) << part << "\n" << xml;

    ASSERT_TRUE(sheet->removeRows(0, 3));
    EXPECT_EQ(CellEmpty, sheet->cellType(0, 0));
    EXPECT_EQ(3.0, sheet->readNumber(0, 3));
    EXPECT_EQ(5.0, sheet->readNumber(2, 5));
    ASSERT_TRUE(sheet->removeColumns(0, 2));
    EXPECT_EQ(3.0, sheet->readNumber(0, 0));
    EXPECT_EQ(5.0, sheet->readNumber(2, 2));
    EXPECT_FALSE(sheet->insertRows(3, 2));
    EXPECT_STREQ("rowLast must be greater than or equal to rowFirst", book->errorMessage());
}

TEST(XmlSheetRows, ClearCellsDropsEmptyRowsAndMergesInside) {
    SheetBook b;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 3; ++col) b.sheet->writeNumber(row, col, row * 10 + col);
    ASSERT_TRUE(b.sheet->clearCells(1, 2, 0, 2));
    ASSERT_TRUE(b.sheet->clearCells(3, 3, 1, 1));
    EXPECT_EQ(CellEmpty, b.sheet->cellType(1, 1));
    EXPECT_EQ(32.0, b.sheet->readNumber(3, 2));
    EXPECT_EQ(CellEmpty, b.sheet->cellType(3, 1));
    EXPECT_FALSE(contains(b.sheetXml(), "r=\"2\""));
    EXPECT_EQ(0, b.sheet->firstRow());
    EXPECT_EQ(4, b.sheet->lastRow());
    ASSERT_TRUE(b.sheet->clearCells(0, 1048575, 0, 16383));
    EXPECT_EQ(0, b.sheet->lastRow());
}

TEST(XmlSheetRows, HeightsWidthsAndHiddenSurviveSaving) {
    SheetBook b;
    EXPECT_EQ(15.0, b.sheet->rowHeight(7));
    EXPECT_EQ(8.43, b.sheet->columnWidth(3));
    ASSERT_TRUE(b.sheet->setRow(2, 30.5, nullptr, true));
    ASSERT_TRUE(b.sheet->setColumns(1, 3, 12.5, nullptr, false));
    ASSERT_TRUE(b.sheet->setColumnHidden(2, true));
    EXPECT_FALSE(b.sheet->setColumns(3, 1, 5));
    EXPECT_STREQ("colLast must be greater than or equal to colFirst", b.book->errorMessage());
    auto [book, sheet] = b.reloaded();
    EXPECT_EQ(30.5, sheet->rowHeight(2));
    EXPECT_TRUE(sheet->rowIsHidden(2));
    EXPECT_FALSE(sheet->rowIsHidden(3));
    EXPECT_EQ(12.5, sheet->columnWidth(1));
    EXPECT_EQ(12.5, sheet->columnWidth(3));
    EXPECT_TRUE(sheet->columnIsHidden(2));
    EXPECT_FALSE(sheet->columnIsHidden(1));
    EXPECT_FALSE(sheet->columnIsHidden(4));
}

TEST(XmlSheetCells, CopyCellCopiesContentAndStyle) {
    SheetBook b;
    IFormat* format = b.book->addFormat();
    format->setNumFormat(14);
    b.sheet->writeNumber(0, 0, 36526, format);
    ASSERT_TRUE(b.sheet->copyCell(0, 0, 5, 5));
    EXPECT_EQ(36526.0, b.sheet->readNumber(5, 5));
    EXPECT_EQ(format, b.sheet->cellFormat(5, 5));
    EXPECT_TRUE(b.sheet->cellIsDate(5, 5));
    EXPECT_FALSE(b.sheet->copyCell(9, 9, 0, 0));
    EXPECT_EQ(36526.0, b.sheet->readNumber(0, 0));
}

} // namespace
} // namespace karvo::testing
