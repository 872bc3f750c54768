// The Open XML book as a package: new books, loading, saving, parts and sheets.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "support/xlsx_package.h"

namespace karvo::testing {
namespace {

std::vector<std::string> names(const PackageEntries& entries) {
    std::vector<std::string> list;
    for (const auto& [name, bytes] : entries) list.push_back(name);
    return list;
}

TEST(XmlBookPackage, NewBookWritesItsPartsInCaseInsensitiveOrder) {
    BookPtr book(createXmlBook());
    EXPECT_STREQ("ok", book->errorMessage());
    const char* data = nullptr;
    std::size_t size = 0;
    // A workbook without sheets is not one any consumer opens.
    EXPECT_FALSE(book->saveToMemory(&data, &size));
    EXPECT_STREQ("a workbook must contain at least one sheet", book->errorMessage());
    ASSERT_TRUE(book->addSheet(u"Sheet1"));
    EXPECT_EQ((std::vector<std::string>{"[Content_Types].xml", "_rels/.rels", "xl/_rels/workbook.xml.rels",
                                        "xl/styles.xml", "xl/workbook.xml", "xl/worksheets/sheet1.xml"}),
              names(savedEntries(*book)));
}

TEST(XmlBookPackage, LoadsBackslashNamesAndKeepsUninterpretedPartsByteForByte) {
    PackageEntries entries = minimalPackage("<sheetData><row r=\"1\"><c r=\"A1\"><v>7</v></c></row></sheetData>");
    entries[4].first = "xl\\worksheets\\sheet1.xml";
    const std::string theme = "<a:theme xmlns:a='x'  name=\"odd  spacing\"/>\n";
    entries.push_back({"xl/theme/theme1.xml", theme});
    entries.push_back({"docProps/app.bin", std::string("\0\1\2raw", 6)});
    BookPtr book = loadedXml(packageBytes(entries));
    ISheet* sheet = book->getSheet(0);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(7.0, sheet->readNumber(0, 0));
    PackageEntries saved = savedEntries(*book);
    EXPECT_EQ(theme, rawEntry(saved, "xl/theme/theme1.xml"));
    EXPECT_EQ(std::string("\0\1\2raw", 6), rawEntry(saved, "docProps/app.bin"));
    EXPECT_FALSE(entry(saved, "xl/worksheets/sheet1.xml").empty());
    // A second save gives the same bytes.
    EXPECT_EQ(saved, savedEntries(*book));
}

TEST(XmlBookPackage, TheWorkbookIsThePartThePackageNamesNotTheFirstOfItsType) {
    // A default that gives every ".xml" part the workbook's type; the saved archive
    // lists "xl/a.xml" before "xl/workbook.xml".
    PackageEntries entries = minimalPackage("<sheetData/>");
    std::string& types = entries[0].second;
    types.replace(types.find("application/xml"), 15,
                  "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
    entries.push_back({"xl/a.xml", "<table/>"});
    BookPtr book = loadedXml(packageBytes(entries));
    const char* data;
    std::size_t size;
    ASSERT_TRUE(book->saveToMemory(&data, &size));
    BookPtr again = loadedXml(std::string(data, size));
    EXPECT_EQ(std::u16string(u"Data"), again->getSheet(0)->sheetName());
}

TEST(XmlBookPackage, SaveDropsTheCalculationChain) {
    PackageEntries entries = minimalPackage("<sheetData/>",
                                            "<Override PartName=\"/xl/calcChain.xml\" ContentType=\"application/"
                                            "vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml\"/>");
    entries[3].second.insert(entries[3].second.find("</Relationships>"),
                             "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
                             "2006/relationships/calcChain\" Target=\"calcChain.xml\"/>");
    entries.push_back({"xl/calcChain.xml", "<calcChain/>"});
    BookPtr book = loadedXml(packageBytes(entries));
    PackageEntries saved = savedEntries(*book);
    EXPECT_EQ("", entry(saved, "xl/calcChain.xml"));
    EXPECT_EQ(std::string::npos, entry(saved, "[Content_Types].xml").find("calcChain"));
    EXPECT_EQ(std::string::npos, entry(saved, "xl/_rels/workbook.xml.rels").find("calcChain"));
}

// A sheet of several megabytes of XML goes into the file a piece at a time; a second
// save gives the same entries, and the book loads back whole.
TEST(XmlBookPackage, ALargeSheetIsSavedInPieces) {
    BookPtr book(createXmlBook());
    ISheet* sheet = book->addSheet(u"Big");
    constexpr int kRows = 40000;
    for (int row = 0; row < kRows; ++row) {
        ASSERT_TRUE(sheet->writeNumber(row, 0, row + 0.5));
        ASSERT_TRUE(sheet->writeString(row, 1, utf8ToUtf16("text " + std::to_string(row % 97)).c_str()));
        ASSERT_TRUE(sheet->writeBool(row, 2, row % 2 == 0));
    }
    const std::string path = ::testing::TempDir() + "karvo-large-sheet.xlsx";
    ASSERT_TRUE(book->save(utf8ToUtf16(path).c_str())) << book->errorMessage();
    std::ifstream in(path, std::ios::binary);
    const std::string file{std::istreambuf_iterator<char>(in), {}};
    std::remove(path.c_str());

    zip::CZipArchive archive({reinterpret_cast<const std::uint8_t*>(file.data()), file.size()});
    bool streamed = false;
    for (std::size_t i = 0; i < archive.entryCount(); ++i)
        if (archive.header(i).fileName == u"xl/worksheets/sheet1.xml") streamed = archive.header(i).flags & 0x0008;
    EXPECT_TRUE(streamed) << "the sheet part was not written in pieces";
    EXPECT_EQ(packageEntries(file.data(), file.size()), savedEntries(*book));

    BookPtr back = loadedXml(file);
    ISheet* again = back->getSheet(0);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->lastRow(), kRows);
    EXPECT_EQ(again->readNumber(kRows - 1, 0), kRows - 0.5);
    EXPECT_EQ(std::u16string(again->readString(kRows - 1, 1)), u"text " + utf8ToUtf16(std::to_string((kRows - 1) % 97)));
    EXPECT_FALSE(again->readBool(kRows - 1, 2));
}

TEST(XmlBookPackage, FailuresNameTheProblem) {
    struct Case {
        const char* what;
        PackageEntries entries;
        const char* message;
    };
    PackageEntries noRels = minimalPackage("<sheetData/>");
    noRels.erase(noRels.begin() + 3);
    PackageEntries emptySheet = minimalPackage("<sheetData/>");
    emptySheet[4].second.clear();
    PackageEntries badSheet = minimalPackage("<sheetData><row></sheetData>");
    PackageEntries noTypes = minimalPackage("<sheetData/>");
    noTypes.erase(noTypes.begin());
    const Case cases[] = {
        {"no workbook relationships", noRels, "workbook relationships not found"},
        {"an empty worksheet part", emptySheet, "data is empty"},
        {"a worksheet that is not XML", badSheet, "Not well formed"},
        {"no content types", noTypes, "workbook relationships not found"},
    };
    for (const Case& c : cases) {
        BookPtr book(createXmlBook());
        std::string bytes = packageBytes(c.entries);
        EXPECT_FALSE(book->loadFromMemory(bytes.data(), bytes.size())) << c.what;
        EXPECT_STREQ(c.message, book->errorMessage()) << c.what;
        // What a failed load leaves can still be asked, changed and saved or refused.
        book->sheetCount();
        book->addSheet(u"After");
        const char* data;
        std::size_t size;
        book->saveToMemory(&data, &size);
    }
    BookPtr book(createXmlBook());
    ASSERT_TRUE(book->addSheet(u"Kept"));
    EXPECT_FALSE(book->loadFromMemory("not a zip", 9));
    EXPECT_EQ(1, book->sheetCount());
}

TEST(XmlBookSheets, NamingNumberingAndTheActiveSheet) {
    PackageEntries entries = minimalPackage("<sheetData/>");
    std::string& rels = entries[3].second;
    rels.replace(rels.find("sheet1.xml"), 10, "sheet3.xml");
    rels.insert(rels.find("</Relationships>"),
                "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships/worksheet\" Target=\"worksheets/sheet7.xml\"/>");
    entries[4].first = "xl/worksheets/sheet3.xml";
    std::string& types = entries[0].second;
    types.replace(types.find("sheet1.xml"), 10, "sheet3.xml");
    BookPtr book = loadedXml(packageBytes(entries));
    ASSERT_TRUE(book->addSheet(u"Second"));
    PackageEntries saved = savedEntries(*book);
    EXPECT_FALSE(entry(saved, "xl/worksheets/sheet8.xml").empty());

    EXPECT_EQ(nullptr, book->addSheet(u"DATA"));
    EXPECT_STREQ("book already contains such sheet name", book->errorMessage());
    ISheet* longName = book->insertSheet(0, u"A name of forty characters, far too long");
    ASSERT_TRUE(longName);
    EXPECT_STREQ("warning: sheet's name is cut to 31 characters", book->errorMessage());
    EXPECT_EQ(std::u16string(u"A name of forty characters, far"), longName->sheetName());
    EXPECT_EQ(1, book->activeSheetNumber());  // the sheet that was active stays active
    for (const char16_t* bad : {u"", u"a/b", u"[x]", u"'quoted'"}) {
        EXPECT_EQ(nullptr, book->addSheet(bad));
        EXPECT_NE("ok", std::string(book->errorMessage()));
    }
    longName->setSheetName(u"second");
    EXPECT_STREQ("book already contains such sheet name", book->errorMessage());
    longName->setSheetName(u"A NAME OF FORTY CHARACTERS, FAR");  // its own name in other letters
    EXPECT_STREQ("ok", book->errorMessage());
    std::u16string wide; // sixteen characters of two units each: 30 units fit, 31 would split one
    for (int i = 0; i < 16; ++i) wide += u"\U0001F600";
    longName->setSheetName(wide.c_str());
    EXPECT_EQ(wide.substr(0, 30), longName->sheetName());
    EXPECT_EQ(nullptr, book->insertSheet(9, u"x"));
    EXPECT_STREQ("index is out of range", book->errorMessage());
    EXPECT_TRUE(book->deleteSheet(0));
    EXPECT_EQ(0, book->activeSheetNumber());
    EXPECT_EQ(std::u16string(u"Data"), book->getSheet(0)->sheetName());
}

TEST(XmlBookSheets, StatesAndTheLastVisibleSheet) {
    BookPtr book(createXmlBook());
    ISheet* first = book->addSheet(u"One");
    ISheet* second = book->addSheet(u"Two");
    EXPECT_TRUE(second->setSheetState(SheetVeryHidden));
    EXPECT_EQ(SheetVeryHidden, second->sheetState());
    EXPECT_FALSE(first->setSheetState(SheetHidden));
    EXPECT_STREQ("a workbook must contain at least one visible worksheet", book->errorMessage());
    EXPECT_FALSE(first->setSheetState(static_cast<SheetState>(7)));
    EXPECT_STREQ("hidden is out of range", book->errorMessage());
    BookPtr reloaded = loadedXml([&] {
        const char* data;
        std::size_t size;
        book->saveToMemory(&data, &size);
        return std::string(data, size);
    }());
    EXPECT_EQ(SheetVeryHidden, reloaded->getSheet(1)->sheetState());
}

TEST(XmlBookSettings, DatesR1C1AndCustomNumberFormats) {
    BookPtr book = loadedXml(packageBytes(minimalPackage("<sheetData/>")));
    EXPECT_EQ(36526.0, book->packDate(2000, 1, 1, 0, 0, 0, 0));
    EXPECT_FALSE(book->usesR1C1());
    book->setUsesR1C1(true);
    EXPECT_TRUE(book->usesR1C1());
    EXPECT_EQ(166, book->addCustomNumFormat(u"0.0%"));
    EXPECT_EQ(167, book->addCustomNumFormat(u"yyyy"));
    EXPECT_EQ(166, book->addCustomNumFormat(u"0.0%"));
    EXPECT_EQ(std::u16string(u"yyyy"), book->customNumFormat(167));

    PackageEntries entries = minimalPackage("<sheetData/>");
    entries[2].second.insert(entries[2].second.find("<sheets>"), "<workbookPr date1904=\"1\"/>");
    BookPtr from1904 = loadedXml(packageBytes(entries));
    EXPECT_EQ(35064.0, from1904->packDate(2000, 1, 1, 0, 0, 0, 0));
}

} // namespace
} // namespace karvo::testing
