// Styles of Open XML books: colours in both modes, border and fill records shared
// by id, the names of the enumerations, copies between books, and stylesheets
// that point nowhere.
#include <functional>

#include <gtest/gtest.h>

#include "support/xlsx_package.h"

namespace karvo::testing {
namespace {

const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

// A one-sheet package with the given stylesheet children; A1 has style 0, A2 style 1 and so on.
std::string styledPackage(const std::string& stylesheet, int styledCells = 0) {
    std::string cells;
    for (int i = 0; i < styledCells; ++i)
        cells += "<row r=\"" + std::to_string(i + 1) + "\"><c r=\"A" + std::to_string(i + 1) + "\" s=\"" +
                 std::to_string(i) + "\"/></row>";
    PackageEntries entries = minimalPackage(
        "<sheetData>" + cells + "</sheetData>",
        "<Override PartName=\"/xl/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>");
    for (auto& [name, bytes] : entries) {
        if (name != "xl/_rels/workbook.xml.rels") continue;
        bytes.insert(bytes.find("</Relationships>"),
                     "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                     "relationships/styles\" Target=\"styles.xml\"/>");
    }
    entries.emplace_back("xl/styles.xml", "<styleSheet xmlns=\"" + kMain + "\">" + stylesheet + "</styleSheet>");
    return packageBytes(entries);
}

std::string fontWithColor(const std::string& color) {
    return "<fonts count=\"1\"><font><sz val=\"11\"/>" + color + "<name val=\"Calibri\"/></font></fonts>";
}

BookPtr reloaded(IBook& book) {
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_TRUE(book.saveToMemory(&data, &size)) << book.errorMessage();
    return loadedXml(std::string(data, size));
}

TEST(XmlStyleColors, StoredColoursReadInBothModes) {
    struct Case {
        std::string color;
        bool rgbMode;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"<color rgb=\"FFFF0000\"/>", false, 10},          // the palette's red
        {"<color rgb=\"FF339966\"/>", false, 57},
        {"<color rgb=\"FF123456\"/>", false, 0xFFFFFFFF},  // no palette entry has it
        {"<color rgb=\"80FF0000\"/>", false, 0xFFFFFFFF},  // translucent: not a palette colour
        {"<color rgb=\"FF123456\"/>", true, 0x123456},
        {"<color indexed=\"12\"/>", false, 12},
        {"<color indexed=\"12\"/>", true, 0x0000FF},
        {"<color indexed=\"2\"/>", true, 0xFF0000},        // the eight fixed colours before the palette
        {"<color indexed=\"64\"/>", true, 0xFFFFFFFF},     // system colours have no RGB
        {"<color theme=\"1\"/>", false, 0xFFFFFFFF},
        {"", false, 8},                                    // no colour: black
        {"", true, 0},
    };
    for (const Case& c : cases) {
        BookPtr book = loadedXml(styledPackage(fontWithColor(c.color)));
        book->setRgbColorMode(c.rgbMode);
        IFont* font = book->fontAt(0);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(static_cast<std::uint32_t>(font->color()), c.expected) << c.color << " rgb " << c.rgbMode;
        EXPECT_STREQ(book->errorMessage(), "ok");
    }
}

TEST(XmlStyleColors, TheBooksOwnIndexedColoursComeFirst) {
    BookPtr book = loadedXml(styledPackage(
        fontWithColor("<color indexed=\"1\"/>") +
        "<colors><indexedColors><rgbColor rgb=\"FF010203\"/><rgbColor rgb=\"FF0A0B0C\"/></indexedColors></colors>"));
    book->setRgbColorMode(true);
    EXPECT_EQ(static_cast<std::uint32_t>(book->fontAt(0)->color()), 0x0A0B0Cu);
}

TEST(XmlStyleColors, MalformedRgbFailsWithItsMessage) {
    BookPtr book = loadedXml(styledPackage(fontWithColor("<color rgb=\"FF00\"/>")));
    book->fontAt(0)->color();
    EXPECT_STREQ(book->errorMessage(), "rgb color is invalid");
}

TEST(XmlStyleColors, WrittenAsRgbOrIndexedByMode) {
    BookPtr book(createXmlBook());
    book->addSheet(u"S");
    IFont* font = book->addFont();
    font->setColor(static_cast<Color>(17));
    book->setRgbColorMode(true);
    IFormat* format = book->addFormat();
    format->setPatternForegroundColor(book->packColor(255, 128, 0));
    format->setBorderLeftColor(static_cast<Color>(0xFFFFFFFF));  // leaves it as it was
    std::string styles = entry(savedEntries(*book), "xl/styles.xml");
    EXPECT_NE(styles.find("<color indexed=\"17\"/>"), std::string::npos) << styles;
    EXPECT_NE(styles.find("<fgColor rgb=\"FFFF8000\"/>"), std::string::npos) << styles;
    EXPECT_EQ(format->borderLeftColor(), Color{});  // black, in RGB mode
}

// Formats that share a border id share its changes; a format with border 0 takes
// a record of its own, so the cells without a format keep theirs.
TEST(XmlStyleRecords, SharedIdsChangeTogetherAndIdZeroGetsItsOwn) {
    std::string borders = "<borders count=\"4\">";
    for (int i = 0; i < 4; ++i) borders += "<border><left/><right/><top/><bottom/><diagonal/></border>";
    borders += "</borders>";
    BookPtr book = loadedXml(styledPackage(
        fontWithColor("") + borders +
        "<cellXfs count=\"3\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"3\" xfId=\"0\"/>"
        "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"3\" xfId=\"0\"/>"
        "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"));
    IFormat* first = book->formatAt(0);
    IFormat* second = book->formatAt(1);
    IFormat* plain = book->formatAt(2);
    first->setBorderLeft(BorderThick);
    EXPECT_EQ(second->borderLeft(), BorderThick);
    plain->setBorderLeft(BorderDashed);
    plain->setFillPattern(FillSolid);
    EXPECT_EQ(plain->borderLeft(), BorderDashed);
    EXPECT_EQ(first->borderLeft(), BorderThick);
    std::string styles = entry(savedEntries(*book), "xl/styles.xml");
    EXPECT_NE(styles.find("<borders count=\"5\">"), std::string::npos) << styles;
    EXPECT_NE(styles.find("borderId=\"4\""), std::string::npos) << styles;
    // A fill of our own comes after the two every consumer reserves.
    EXPECT_NE(styles.find("fillId=\"2\""), std::string::npos) << styles;
    EXPECT_NE(styles.find("<fill><patternFill patternType=\"gray125\"/></fill>"), std::string::npos) << styles;
}

// Ids and style indices past their lists read as the defaults or fail with a
// message, never reach outside the stylesheet.
TEST(XmlStyleRecords, IdsPastTheListsReadAsDefaultsOrFail) {
    BookPtr book = loadedXml(styledPackage(
        fontWithColor("") +
            "<cellXfs count=\"1\"><xf numFmtId=\"4000000000\" fontId=\"7\" fillId=\"99\" borderId=\"99\" "
            "xfId=\"0\"><alignment textRotation=\"4000000000\" indent=\"999\"/></xf></cellXfs>",
        2));
    IFormat* format = book->formatAt(0);
    EXPECT_EQ(format->font(), nullptr);
    EXPECT_STREQ(book->errorMessage(), "unknown font");
    EXPECT_EQ(format->borderTop(), BorderNone);
    EXPECT_EQ(format->fillPattern(), FillNone);
    EXPECT_EQ(format->patternBackgroundColor(), ColorSystemBackground);
    EXPECT_EQ(format->alignH(), AlignHGeneral);
    EXPECT_EQ(format->rotation(), 255);
    EXPECT_EQ(format->indent(), 250);
    EXPECT_EQ(format->numFormat(), INT32_MAX);
    ISheet* sheet = book->getSheet(0);
    EXPECT_EQ(sheet->cellFormat(1, 0), nullptr);  // A2 points at style 1, which does not exist
    EXPECT_STREQ(book->errorMessage(), "unknown format");
    format->setBorderTop(BorderThin);  // a record of its own instead of id 99
    EXPECT_EQ(format->borderTop(), BorderThin);
}

// Every value of every enumeration goes through its name and back, through a save.
TEST(XmlStyleNames, EveryValueSurvivesSaving) {
    struct Property {
        const char* name;  // as the failure message names it
        int count;
        const int* values;  // null: 0 to count - 1
        std::function<void(IFormat&, int)> set;
        std::function<int(IFormat&)> get;
    };
    static const int kUnderlines[] = {UnderlineNone, UnderlineSingle, UnderlineDouble, UnderlineSingleAccounting,
                                      UnderlineDoubleAccounting};
    const Property properties[] = {
        {"horizontal alignment", 8, nullptr, [](IFormat& f, int v) { f.setAlignH(AlignH(v)); }, [](IFormat& f) { return int(f.alignH()); }},
        {"vertical alignment", 5, nullptr, [](IFormat& f, int v) { f.setAlignV(AlignV(v)); }, [](IFormat& f) { return int(f.alignV()); }},
        {"border style", 14, nullptr, [](IFormat& f, int v) { f.setBorderBottom(BorderStyle(v)); },
         [](IFormat& f) { return int(f.borderBottom()); }},
        {"border diagonal", 4, nullptr, [](IFormat& f, int v) { f.setBorderDiagonal(BorderDiagonal(v)); },
         [](IFormat& f) { return int(f.borderDiagonal()); }},
        {"fill pattern", 19, nullptr, [](IFormat& f, int v) { f.setFillPattern(FillPattern(v)); },
         [](IFormat& f) { return int(f.fillPattern()); }},
        {"script", 3, nullptr, [](IFormat& f, int v) { f.font()->setScript(Script(v)); },
         [](IFormat& f) { return int(f.font()->script()); }},
        {"underline", 5, kUnderlines, [](IFormat& f, int v) { f.font()->setUnderline(Underline(v)); },
         [](IFormat& f) { return int(f.font()->underline()); }},
    };
    for (const Property& p : properties) {
        BookPtr book(createXmlBook());
        book->addSheet(u"S");
        for (int i = 0; i < p.count; ++i) {
            IFormat* format = book->addFormat();
            format->setFont(book->addFont());
            p.set(*format, p.values ? p.values[i] : i);
            ASSERT_STREQ(book->errorMessage(), "ok") << p.name << " " << i;
        }
        BookPtr again = reloaded(*book);
        for (int i = 0; i < p.count; ++i) {
            IFormat* format = again->formatAt(i + 1);
            EXPECT_EQ(p.get(*format), p.values ? p.values[i] : i) << p.name;
        }
        IFormat* format = book->formatAt(1);
        p.set(*format, 99);
        EXPECT_EQ(book->errorMessage(), "invalid " + std::string(p.name));
    }
}

TEST(XmlStyleNames, AbsentAttributesReadAsDefaults) {
    BookPtr book = loadedXml(styledPackage(
        "<fonts count=\"1\"><font><u/><vertAlign val=\"baseline\"/></font></fonts>"
        "<fills count=\"1\"><fill><patternFill/></fill></fills>"
        "<cellXfs count=\"2\"><xf fontId=\"0\" fillId=\"0\"><alignment horizontal=\"left\"/>"
        "<protection hidden=\"1\"/></xf><xf/></cellXfs>"));
    IFormat* format = book->formatAt(0);
    EXPECT_EQ(format->alignV(), AlignVBottom);
    EXPECT_EQ(format->font()->underline(), UnderlineSingle);  // <u/> is a single underline
    EXPECT_EQ(format->font()->script(), ScriptNormal);
    EXPECT_EQ(format->font()->size(), 11);
    EXPECT_EQ(format->fillPattern(), FillNone);
    EXPECT_TRUE(format->locked());
    EXPECT_TRUE(format->hidden());
    IFormat* bare = book->formatAt(1);
    EXPECT_EQ(bare->alignH(), AlignHGeneral);
    EXPECT_FALSE(bare->hidden());
    EXPECT_EQ(bare->font(), nullptr);
    EXPECT_STREQ(book->errorMessage(), "ok");
}

// A copy goes through the interface: from another Open XML book its custom number
// format text comes over under this book's id, and colours come over as RGB values
// whatever mode either book is in.
TEST(XmlStyleCopies, FormatsCopyFromEitherFamily) {
    BookPtr source(createXmlBook());
    source->addSheet(u"S");
    source->addCustomNumFormat(u"0.0");
    int custom = source->addCustomNumFormat(u"#,##0.000");
    source->setRgbColorMode(true);
    IFormat* original = source->addFormat();
    original->setNumFormat(custom);
    original->setFillPattern(FillSolid);
    original->setPatternForegroundColor(static_cast<Color>(0x123456));
    original->setAlignV(AlignVCenter);
    original->font()->setBold(true);
    original->font()->setColor(static_cast<Color>(0xABCDEF));

    BookPtr target(createXmlBook());
    target->addSheet(u"S");
    IFormat* copy = target->addFormat(original);
    ASSERT_NE(copy, nullptr) << target->errorMessage();
    EXPECT_FALSE(target->rgbColorMode());
    EXPECT_EQ(copy->numFormat(), 166);
    EXPECT_EQ(std::u16string(target->customNumFormat(166)), u"#,##0.000");
    EXPECT_EQ(copy->fillPattern(), FillSolid);
    EXPECT_EQ(copy->alignV(), AlignVCenter);
    EXPECT_TRUE(copy->font()->bold());
    EXPECT_NE(copy->font(), target->formatAt(0)->font());
    target->setRgbColorMode(true);
    EXPECT_EQ(static_cast<std::uint32_t>(copy->patternForegroundColor()), 0x123456u);
    EXPECT_EQ(static_cast<std::uint32_t>(copy->font()->color()), 0xABCDEFu);

    BookPtr binary(createBinaryBook());
    binary->addSheet(u"S");
    IFormat* fromBinary = binary->addFormat();
    fromBinary->setBorder(BorderDouble);
    fromBinary->setWrap(true);
    fromBinary->font()->setItalic(true);
    IFormat* crossed = target->addFormat(fromBinary);
    ASSERT_NE(crossed, nullptr) << target->errorMessage();
    EXPECT_EQ(crossed->borderRight(), BorderDouble);
    EXPECT_TRUE(crossed->wrap());
    EXPECT_TRUE(crossed->font()->italic());
}

TEST(XmlStyleFonts, DefaultFontAndNewFonts) {
    BookPtr book(createXmlBook());
    book->addSheet(u"S");
    book->setDefaultFont(u"Arial", 14);
    int size = 0;
    EXPECT_EQ(std::u16string(book->defaultFont(&size)), u"Arial");
    EXPECT_EQ(size, 14);
    IFont* font = book->addFont();
    EXPECT_EQ(std::u16string(font->name()), u"Arial");  // new fonts start as the default one
    font->setSize(1000);
    EXPECT_EQ(font->size(), 409);
    EXPECT_EQ(book->fontCount(), 2);
    EXPECT_EQ(book->fontAt(2), nullptr);
    EXPECT_STREQ(book->errorMessage(), "index is out of range");
    BookPtr other(createXmlBook());
    other->addSheet(u"S");
    EXPECT_FALSE(book->formatAt(0)->setFont(other->fontAt(0)));
    EXPECT_STREQ(book->errorMessage(), "unknown font");

    BookPtr empty = loadedXml(styledPackage("<cellXfs count=\"1\"><xf/></cellXfs>"));
    empty->setDefaultFont(u"Arial", 10);
    EXPECT_STREQ(empty->errorMessage(), "fonts are not found");
}

} // namespace
} // namespace karvo::testing
