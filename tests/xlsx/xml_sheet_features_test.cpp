// Sheet features of Open XML books as the parts hold them: merged ranges, defined
// names, page breaks, panes, outlines and page setup, written, read back and loaded
// from files that lack or garble them.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/xlsx_package.h"

namespace karvo::testing {
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct FeatureBook {
    BookPtr book{createXmlBook()};
    ISheet* sheet = book->addSheet(u"Data");

    std::string part(const std::string& name) { return entry(savedEntries(*book), name); }
    std::string sheetXml() { return part("xl/worksheets/sheet1.xml"); }
    std::string workbookXml() { return part("xl/workbook.xml"); }
    void expectMessage(const char* text) { EXPECT_STREQ(text, book->errorMessage()); }
};

// A book loaded from one worksheet's XML (the sheet is named Data).
struct LoadedBook {
    explicit LoadedBook(const std::string& sheetXml) : book(loadedXml(packageBytes(minimalPackage(sheetXml)))) {}
    BookPtr book;
    ISheet* sheet = book->getSheet(0);
};

std::array<int, 4> mergeOf(ISheet* sheet, int row, int col) {
    std::array<int, 4> range{-1, -1, -1, -1};
    sheet->mergeAt(row, col, &range[0], &range[1], &range[2], &range[3]);
    return range;
}

TEST(XmlSheetMerges, ACoveringRangeReplacesWhatItCoversAndRefusesOverlaps) {
    FeatureBook b;
    ASSERT_TRUE(b.sheet->addMerge(2, 2, 2, 2));
    ASSERT_TRUE(b.sheet->addMerge(10, 11, 0, 0));
    ASSERT_TRUE(b.sheet->addMerge(1, 3, 1, 3)) << b.book->errorMessage();
    EXPECT_EQ((std::array{1, 3, 1, 3}), mergeOf(b.sheet, 2, 2));
    EXPECT_TRUE(contains(b.sheetXml(), "<mergeCells count=\"2\"><mergeCell ref=\"A11:A12\"/><mergeCell ref=\"B2:D4\"/>"))
        << b.sheetXml();

    struct Overlap {
        int rowFirst, rowLast, colFirst, colLast;
    };
    for (Overlap o : {Overlap{2, 2, 0, 2}, Overlap{0, 4, 1, 1}, Overlap{3, 10, 3, 3}}) {
        EXPECT_FALSE(b.sheet->addMerge(o.rowFirst, o.rowLast, o.colFirst, o.colLast)) << o.rowFirst << "," << o.colFirst;
        b.expectMessage("detect overlap");
    }
    EXPECT_EQ((std::array{1, 3, 1, 3}), mergeOf(b.sheet, 1, 1));
    EXPECT_FALSE(b.sheet->addMerge(0, 0, 0, 16384));
    b.expectMessage("col must be less than 16384");
    EXPECT_FALSE(b.sheet->addMerge(0, 1048576, 0, 0));
    b.expectMessage("row must be in range 0-1048575");

    ASSERT_TRUE(b.sheet->removeMerge(1, 1));
    ASSERT_TRUE(b.sheet->removeMerge(11, 0));
    EXPECT_FALSE(contains(b.sheetXml(), "mergeCell")) << "an empty mergeCells is not allowed";
}

TEST(XmlSheetMerges, LoadedRefsThatAreNoRangeStopTheLookup) {
    for (const char* ref : {"B2", "B2:", "ZZZZ1:A1", ":"}) {
        LoadedBook b("<sheetData/><mergeCells count=\"1\"><mergeCell ref=\"" + std::string(ref) + "\"/></mergeCells>");
        EXPECT_FALSE(b.sheet->mergeAt(1, 1, nullptr, nullptr, nullptr, nullptr)) << ref;
        EXPECT_STREQ("mergeCell ref is invalid", b.book->errorMessage()) << ref;
        EXPECT_FALSE(b.sheet->addMerge(5, 5, 5, 6)) << ref;
        EXPECT_STREQ("mergeCell ref is invalid", b.book->errorMessage()) << ref;
    }
}

TEST(XmlSheetNames, NamesAreAbsoluteReferencesOfTheSheet) {
    FeatureBook b;
    ASSERT_TRUE(b.sheet->setNamedRange(u"Prices", 1, 9, 0, 2));
    ASSERT_TRUE(b.sheet->setNamedRange(u"Rate", 0, 0, 4, 4));
    b.sheet->setPrintArea(0, 19, 0, 5);
    std::string xml = b.workbookXml();
    for (const char* name : {"<definedName name=\"Prices\" localSheetId=\"0\">Data!$A$2:$C$10</definedName>",
                             "<definedName name=\"Rate\" localSheetId=\"0\">Data!$E$1</definedName>",
                             "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">Data!$A$1:$F$20</definedName>"})
        EXPECT_TRUE(contains(xml, name)) << name << "\n" << xml;
    b.sheet->clearPrintArea();
    EXPECT_FALSE(contains(b.workbookXml(), "Print_Area"));

    // Quoted where a formula would quote the sheet name; renaming the sheet renames
    // it in every area of its names.
    b.sheet->setPrintRepeatRows(0, 0);
    b.sheet->setPrintRepeatColumns(0, 0);
    b.sheet->setSheetName(u"My Data");
    xml = b.workbookXml();
    for (const char* text : {">&apos;My Data&apos;!$E$1<", ">&apos;My Data&apos;!$A$2:$C$10<",
                             ">&apos;My Data&apos;!$1:$1,&apos;My Data&apos;!$A:$A<"})
        EXPECT_TRUE(contains(xml, text)) << text << "\n" << xml;
    int r1 = -1, r2 = -1, c1 = -1, c2 = -1;
    ASSERT_TRUE(b.sheet->namedRange(u"Rate", &r1, &r2, &c1, &c2));
    EXPECT_EQ((std::array{r1, r2, c1, c2}), (std::array{0, 0, 4, 4}));
    EXPECT_FALSE(b.sheet->setNamedRange(u"Far", 0, 1048576, 0, 0));
    b.expectMessage("row must be in range 0-1048575");
}

TEST(XmlSheetNames, PrintTitlesKeepTheirRowsAndColumnsParts) {
    FeatureBook b;
    auto titles = [&] {
        std::string xml = b.workbookXml();
        std::string open = "<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">";
        std::size_t at = xml.find(open);
        return at == std::string::npos ? std::string() : xml.substr(at + open.size(), xml.find('<', at + 1) - at - open.size());
    };
    b.sheet->setPrintRepeatRows(0, 1);
    EXPECT_EQ("Data!$1:$2", titles());
    b.sheet->setPrintRepeatColumns(0, 1);
    EXPECT_EQ("Data!$1:$2,Data!$A:$B", titles());
    b.sheet->setPrintRepeatRows(4, 4);
    EXPECT_EQ("Data!$5:$5,Data!$A:$B", titles());
    b.sheet->clearPrintRepeats();
    b.sheet->setPrintRepeatColumns(2, 27);
    EXPECT_EQ("Data!$C:$AB", titles());
    b.sheet->setPrintRepeatRows(0, 0);
    EXPECT_EQ("Data!$1:$1,Data!$C:$AB", titles());
    // A list of areas is no named range; the titles alone are not counted.
    EXPECT_EQ(0, b.sheet->namedRangeCount());
    b.sheet->clearPrintRepeats();
    EXPECT_EQ("", titles());
    b.sheet->setPrintRepeatRows(0, 1048576);
    b.expectMessage("row must be in range 0-1048575");
}

TEST(XmlSheetNames, NamesFollowTheirSheetWhenSheetsBeforeItComeAndGo) {
    FeatureBook b;
    ISheet* second = b.book->addSheet(u"Second");
    ASSERT_TRUE(second->setNamedRange(u"Here", 2, 2, 2, 2));
    ASSERT_TRUE(b.sheet->setNamedRange(u"Here", 1, 1, 1, 1));
    ASSERT_NE(nullptr, b.book->insertSheet(0, u"First", nullptr));
    int row = -1;
    ASSERT_TRUE(b.sheet->namedRange(u"Here", &row, nullptr, nullptr, nullptr)) << b.book->errorMessage();
    EXPECT_EQ(1, row);
    ASSERT_TRUE(b.book->deleteSheet(1));
    ASSERT_TRUE(second->namedRange(u"Here", &row, nullptr, nullptr, nullptr)) << b.book->errorMessage();
    EXPECT_EQ(2, row);
    EXPECT_EQ(1, second->namedRangeCount());
}

TEST(XmlSheetNames, LoadedNamesOfOtherShapesAreSkippedOrRefused) {
    std::string package = packageBytes(minimalPackage("<sheetData/>"));
    PackageEntries entries = packageEntries(package.data(), package.size());
    for (auto& [name, bytes] : entries)
        if (name == "xl/workbook.xml")
            bytes.insert(bytes.find("</workbook>"),
                         "<definedNames>"
                         "<definedName name=\"Broken\" localSheetId=\"0\">#REF!</definedName>"
                         "<definedName name=\"Sum\" localSheetId=\"0\">SUM(Data!$A$1:$A$2)</definedName>"
                         "<definedName name=\"Global\">Data!$A$1</definedName>"
                         "<definedName name=\"Far\" localSheetId=\"4294967295\">Data!$A$1</definedName>"
                         "<definedName name=\"Rows\" localSheetId=\"0\">'Data'!$3:$4</definedName>"
                         "<definedName name=\"Huge\" localSheetId=\"0\">Data!$A$1:$A$99999999999</definedName>"
                         "</definedNames>");
    BookPtr book = loadedXml(packageBytes(entries));
    ISheet* sheet = book->getSheet(0);
    ASSERT_EQ(1, sheet->namedRangeCount());
    std::array<int, 4> range{};
    const char16_t* name = sheet->namedRangeAt(0, &range[0], &range[1], &range[2], &range[3]);
    ASSERT_NE(nullptr, name);
    EXPECT_EQ(std::u16string(u"Rows"), name);
    EXPECT_EQ((std::array{2, 3, 0, 16383}), range);
    EXPECT_FALSE(sheet->namedRange(u"Broken", nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ("named range is not a range of cells", book->errorMessage());
    EXPECT_FALSE(sheet->namedRange(u"Global", nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ("named range is not found", book->errorMessage());
    EXPECT_EQ(nullptr, sheet->namedRangeAt(INT32_MIN, nullptr, nullptr, nullptr, nullptr));
}

TEST(XmlSheetBreaks, BreaksAreManualAndInOrder) {
    FeatureBook b;
    ASSERT_TRUE(b.sheet->setRowBreak(9, true));
    ASSERT_TRUE(b.sheet->setRowBreak(4, true));
    ASSERT_TRUE(b.sheet->setColumnBreak(2, true));
    EXPECT_EQ((std::array{4, 9}), (std::array{b.sheet->rowBreakAt(0), b.sheet->rowBreakAt(1)}));
    std::string xml = b.sheetXml();
    EXPECT_TRUE(contains(xml, "<rowBreaks count=\"2\" manualBreakCount=\"2\"><brk id=\"4\" max=\"16383\" man=\"true\"/>"
                              "<brk id=\"9\" max=\"16383\" man=\"true\"/></rowBreaks>"))
        << xml;
    EXPECT_TRUE(contains(xml, "<colBreaks count=\"1\" manualBreakCount=\"1\"><brk id=\"2\" max=\"1048575\" man=\"true\"/>"))
        << xml;
    ASSERT_TRUE(b.sheet->setColumnBreak(2, false));
    EXPECT_FALSE(contains(b.sheetXml(), "colBreaks"));
    EXPECT_FALSE(b.sheet->setColumnBreak(16384, true));
    b.expectMessage("col must be in range 0-16383");

    LoadedBook loaded("<sheetData/><rowBreaks><brk max=\"16383\"/><brk id=\"7\"/></rowBreaks>");
    EXPECT_EQ(2, loaded.sheet->rowBreakCount());
    EXPECT_EQ(0, loaded.sheet->rowBreakAt(0));
    EXPECT_STREQ("c_CT_Break without id", loaded.book->errorMessage());
    EXPECT_EQ(7, loaded.sheet->rowBreakAt(1));
}

TEST(XmlSheetSetup, UntouchedSheetsReportTheDefaults) {
    FeatureBook b;
    EXPECT_EQ((std::array{0.7, 0.7, 0.75, 0.75, 0.3, 0.3}),
              (std::array{b.sheet->leftMargin(), b.sheet->rightMargin(), b.sheet->topMargin(), b.sheet->bottomMargin(),
                          b.sheet->headerMargin(), b.sheet->footerMargin()}));
    EXPECT_EQ(100, b.sheet->zoom());
    EXPECT_EQ(0, b.sheet->paperSize());
    EXPECT_EQ(std::u16string(), b.sheet->headerText());
    int wide = -1, tall = -1;
    EXPECT_FALSE(b.sheet->printFitPages(&wide, &tall));
    EXPECT_FALSE(b.sheet->printsGridlines());
    // Setting one margin states the others as they read.
    b.sheet->setTopMargin(2.0);
    EXPECT_TRUE(contains(b.sheetXml(),
                         "<pageMargins left=\"0.7\" right=\"0.7\" top=\"2\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"))
        << b.sheetXml();
    b.sheet->setLeftMargin(-1);
    b.expectMessage("margin is out of range");
    EXPECT_EQ(0.7, b.sheet->leftMargin());
}

TEST(XmlSheetSetup, ValuesFromFilesAreClampedToWhatAnIntHolds) {
    LoadedBook b("<sheetViews><sheetView workbookViewId=\"0\" zoomScale=\"4294967295\"/></sheetViews><sheetData/>"
                 "<pageSetup paperSize=\"3000000000\" orientation=\"landscape\"/>");
    EXPECT_EQ(INT32_MAX, b.sheet->zoom());
    EXPECT_EQ(INT32_MAX, b.sheet->paperSize());
    EXPECT_TRUE(b.sheet->isLandscape());
    b.sheet->setZoom(-5);  // consumers take 10% to 400%
    EXPECT_EQ(10, b.sheet->zoom());
    b.sheet->setZoom(1000);
    EXPECT_EQ(400, b.sheet->zoom());
}

TEST(XmlSheetPanes, FrozenPanesNameTheFirstScrollingCell) {
    FeatureBook b;
    b.sheet->splitPanes(2, 1);
    EXPECT_TRUE(contains(b.sheetXml(), "<pane xSplit=\"1\" ySplit=\"2\" topLeftCell=\"B3\" activePane=\"bottomRight\" "
                                       "state=\"frozenSplit\"/>"))
        << b.sheetXml();
    b.sheet->splitPanes(3, 0);
    EXPECT_TRUE(contains(b.sheetXml(), "<pane ySplit=\"3\" topLeftCell=\"A4\" activePane=\"bottomLeft\""))
        << b.sheetXml();
    b.sheet->splitPanes(0, 0);
    EXPECT_FALSE(contains(b.sheetXml(), "<pane"));
    b.sheet->splitPanes(1048576, 0);
    b.expectMessage("row must be in range 0-1048575");
}

TEST(XmlSheetOutline, GroupsSetLevelsAndMarkTheSummary) {
    FeatureBook b;
    ASSERT_TRUE(b.sheet->groupRows(1, 2, true));
    ASSERT_TRUE(b.sheet->groupColumns(3, 3, false));
    std::string xml = b.sheetXml();
    for (const char* part : {"<sheetFormatPr defaultRowHeight=\"15\" outlineLevelRow=\"1\" outlineLevelCol=\"1\"/>",
                             "<row r=\"2\" hidden=\"true\" outlineLevel=\"1\"/>", "<row r=\"4\" collapsed=\"true\"/>"})
        EXPECT_TRUE(contains(xml, part)) << part << "\n" << xml;
    EXPECT_TRUE(contains(xml, "min=\"4\" max=\"4\"")) << xml;
    EXPECT_FALSE(b.sheet->groupColumns(2, 5, false));
    b.expectMessage("detect overlap");
    EXPECT_FALSE(b.sheet->groupColumns(0, 16384, false));
    b.expectMessage("col must be in range 0-16383");
}

// The worksheet's children have a fixed order that consumers insist on.
TEST(XmlSheetSetup, EverySettingSurvivesSavingInSchemaOrder) {
    FeatureBook b;
    b.sheet->writeNumber(0, 0, 1.0);
    b.sheet->setSummaryRowsBelow(false);
    b.sheet->setPrintFitPages(1, 0);
    b.sheet->splitPanes(1, 0);
    b.sheet->setZoom(120);
    b.sheet->groupRows(3, 4, false);
    b.sheet->setProtected(true);
    b.sheet->addMerge(5, 6, 0, 1);
    b.sheet->setPrintsHeadings(true);
    b.sheet->setBottomMargin(1.0);
    b.sheet->setLandscape(true);
    b.sheet->setFooter(u"&P of &N", 0.2);
    b.sheet->setRowBreak(10, true);
    b.sheet->setColumnBreak(3, true);
    std::string xml = b.sheetXml();
    std::size_t last = 0;
    for (const char* element : {"<sheetPr>", "<outlinePr ", "<pageSetUpPr ", "<dimension ", "<sheetViews>", "<pane ",
                                "<sheetFormatPr ", "<sheetData>", "<sheetProtection ", "<mergeCells ", "<printOptions ",
                                "<pageMargins ", "<pageSetup ", "<headerFooter>", "<rowBreaks ", "<colBreaks "}) {
        std::size_t at = xml.find(element);
        ASSERT_NE(std::string::npos, at) << element << "\n" << xml;
        EXPECT_GT(at, last) << element << "\n" << xml;
        last = at;
    }

    const char* data = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(b.book->saveToMemory(&data, &size));
    BookPtr again = loadedXml(std::string(data, size));
    ISheet* sheet = again->getSheet(0);
    int wide = -1, tall = -1;
    EXPECT_TRUE(sheet->printFitPages(&wide, &tall));
    EXPECT_EQ((std::array{1, 0}), (std::array{wide, tall}));
    EXPECT_FALSE(sheet->summaryRowsBelow());
    EXPECT_EQ(120, sheet->zoom());
    EXPECT_TRUE(sheet->isProtected());
    EXPECT_TRUE(sheet->printsHeadings());
    EXPECT_EQ(1.0, sheet->bottomMargin());
    EXPECT_TRUE(sheet->isLandscape());
    EXPECT_EQ(std::u16string(u"&P of &N"), sheet->footerText());
    EXPECT_EQ(0.2, sheet->footerMargin());
    EXPECT_EQ(10, sheet->rowBreakAt(0));
    EXPECT_EQ(3, sheet->columnBreakAt(0));
    EXPECT_EQ((std::array{5, 6, 0, 1}), mergeOf(sheet, 6, 1));
    EXPECT_FALSE(sheet->groupRows(4, 4, false)) << "the levels were read back";
}

} // namespace
} // namespace karvo::testing
