// The format tables of a binary book: the new-book tables and their records, the
// book operations on fonts, formats, custom number formats and the palette, and
// the Font, Format, XF, Style and Palette records read back after writing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/xlerror.h"
#include "xls/format_tables.h"
#include "support/error_of.h"

using namespace karvo;
using karvo::testing::errorOf;

namespace {

using Bytes = std::vector<std::uint8_t>;

Record recordOf(RecordId id, const Bytes& body) { return Record{raw(id), body, 0}; }

std::vector<Record> recordsOf(const RecordWriter& out) {
    RecordReader reader(out.stream());
    std::vector<Record> records;
    while (!reader.atEnd()) records.push_back(reader.next());
    return records;
}

// Copies, so that they outlive a writer that was a temporary.
std::vector<Bytes> bodiesWithId(const RecordWriter& out, RecordId id) {
    std::vector<Bytes> bodies;
    for (const Record& r : recordsOf(out))
        if (r.is(id)) bodies.emplace_back(r.body.begin(), r.body.end());
    return bodies;
}

// The globals loop's dispatch, for the records these tables own.
void dispatch(FormatTables& tables, const Record& r) {
    if (r.is(RecordId::Font)) tables.readFont(r);
    if (r.is(RecordId::Format)) tables.readFormat(r);
    if (r.is(RecordId::XF)) tables.readXF(r);
    if (r.is(RecordId::Style)) tables.readStyle(r);
    if (r.is(RecordId::Palette)) tables.readPalette(r);
}
void load(FormatTables& tables, const RecordWriter& out) {
    for (const Record& r : recordsOf(out)) dispatch(tables, r);
}


struct NewBook : ::testing::Test {
    BookMessage message;
    FormatTables tables{message};
    void SetUp() override { tables.resetToNewBook(); }
    RecordWriter written() const {
        RecordWriter out;
        tables.write(out);
        return out;
    }
};

// Format record: id 170, "0.0%" with 8-bit characters.
const Bytes kFormat170 = {0xAA, 0x00, 0x04, 0x00, 0x00, '0', '.', '0', '%'};

Bytes formatRecord(std::uint16_t id, char digit) { return {std::uint8_t(id), std::uint8_t(id >> 8), 1, 0, 0, std::uint8_t(digit)}; }

} // namespace

// ---- a new book ----

TEST_F(NewBook, WritesFiveFontsTwentyOneXfsAndSixStyles) {
    std::vector<std::uint16_t> ids;
    for (const Record& r : recordsOf(written())) ids.push_back(r.id);
    std::vector<std::uint16_t> expected(5, 0x0031);
    expected.insert(expected.end(), 21, 0x00E0);
    expected.insert(expected.end(), 6, 0x0293);
    EXPECT_EQ(ids, expected); // no Format, no Palette
}

TEST_F(NewBook, FontAndXfRecordBytes) {
    RecordWriter out = written();
    const Bytes font = {
        0xC8, 0x00,             // 200 twips
        0x00, 0x00,             // no italic, no strike-out
        0xFF, 0x7F,             // automatic colour
        0x90, 0x01,             // weight 400
        0x00, 0x00,             // no script
        0x00, 0x00, 0x00, 0x00, // underline, family, character set, reserved
        0x05, 0x01,             // 5 characters, 16-bit
        'A', 0, 'r', 0, 'i', 0, 'a', 0, 'l', 0,
    };
    for (const Bytes& body : bodiesWithId(out, RecordId::Font)) EXPECT_EQ(body, font);

    const Bytes borders = {
        0x00, 0x00, 0x40, 0x20, // border 1: no styles, left and right colour 64
        0x40, 0x20, 0x00, 0x00, // border 2: top and bottom colour 64
        0xC0, 0x20,             // pattern colours 64 and 65
    };
    auto xf = [&](Bytes head) {
        head.insert(head.end(), borders.begin(), borders.end());
        return head;
    };
    const std::vector<Bytes> xfs = bodiesWithId(out, RecordId::XF);
    ASSERT_EQ(xfs.size(), 21u);
    // font, number format, type and protection, alignment
    EXPECT_EQ(xfs[0], xf({0, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0}));          // Normal style
    EXPECT_EQ(xfs[3], xf({2, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0xFC}));       // font 2, all used
    EXPECT_EQ(xfs[15], xf({0, 0, 0, 0, 0x01, 0x00, 0x20, 0, 0, 0}));         // first cell XF
    EXPECT_EQ(xfs[16], xf({1, 0, 44, 0, 0xF5, 0xFF, 0x20, 0, 0, 0xF8}));     // Comma style
    EXPECT_EQ(xfs[20], xf({1, 0, 41, 0, 0xF5, 0xFF, 0x00, 0, 0, 0}));        // alignment 0
}

TEST_F(NewBook, StyleRecordBytes) {
    const std::vector<Bytes> bodies = bodiesWithId(written(), RecordId::Style);
    // XF index with the built-in flag, built-in style id, outline level
    const std::vector<Bytes> expected = {
        {0x10, 0x80, 4, 0xFF}, {0x11, 0x80, 7, 0xFF}, {0x00, 0x80, 0, 0xFF},
        {0x12, 0x80, 5, 0xFF}, {0x13, 0x80, 3, 0xFF}, {0x14, 0x80, 6, 0xFF},
    };
    EXPECT_EQ(bodies, expected);
}

TEST_F(NewBook, ListsAndLookups) {
    EXPECT_EQ(tables.formatCount(), 21);
    EXPECT_EQ(tables.fontCount(), 5);
    int size = 0;
    EXPECT_EQ(std::u16string(tables.defaultFont(&size)), u"Arial");
    EXPECT_EQ(size, 10);
    EXPECT_EQ(tables.maxDigitWidth(), 7);

    IFormat* cellXf = tables.formatAt(15);
    EXPECT_EQ(tables.indexOf(cellXf), 15);
    EXPECT_EQ(tables.formatAtIndex(15), cellXf);
    EXPECT_EQ(tables.formatAtIndex(21), nullptr);
    EXPECT_EQ(tables.formatAtIndex(-1), nullptr);
    EXPECT_EQ(tables.indexOf(nullptr), -1);

    for (int bad : {-1, 21}) EXPECT_EQ(errorOf([&] { tables.formatAt(bad); }), "index is out of range");
    for (int bad : {-1, 5}) EXPECT_EQ(errorOf([&] { tables.fontAt(bad); }), "index is out of range");
}

TEST_F(NewBook, DefaultFontChangesTheFirstFont) {
    tables.setDefaultFont(u"Courier New", 10);
    EXPECT_EQ(tables.maxDigitWidth(), 8);
    EXPECT_EQ(static_cast<FontImplT*>(tables.fontAt(0))->record().height, 200);

    tables.setDefaultFont(std::u16string(256, u'x').c_str(), 12);
    EXPECT_STREQ(message.text(), "string is too long");
    int size = 0;
    EXPECT_EQ(std::u16string(tables.defaultFont(&size)), u"Courier New");
    EXPECT_EQ(size, 12);

    tables.clear();
    EXPECT_EQ(errorOf([&] { tables.defaultFont(&size); }), "fonts is empty");
    EXPECT_EQ(errorOf([&] { tables.setDefaultFont(u"Arial", 10); }), "fonts is empty");
    EXPECT_EQ(tables.maxDigitWidth(), 7);
}

TEST_F(NewBook, ClearEmptiesEveryTable) {
    tables.addCustomNumFormat(u"0.0");
    tables.packColor(1, 2, 3);
    tables.setBiffVersion(FormatTables::kBiff5);
    tables.clear();
    EXPECT_EQ(tables.formatCount(), 0);
    EXPECT_EQ(tables.fontCount(), 0);
    EXPECT_TRUE(tables.customNumFormats().empty());
    EXPECT_TRUE(tables.styles().empty());
    EXPECT_FALSE(tables.palette().modified());
    EXPECT_EQ(tables.biffVersion(), FormatTables::kBiff8);
    EXPECT_TRUE(written().stream().empty());
}

// ---- fonts and formats added by the program ----

TEST_F(NewBook, AddedFormatIsALockedCellXf) {
    IFormat* format = tables.addFormat(nullptr);
    EXPECT_EQ(tables.indexOf(format), 21);
    EXPECT_EQ(static_cast<FormatImplT*>(format)->fields(),
              (XfFields{0, 0, 0x0001, 0xFC000020, 0x20400000, 0x00002040, 0x20C0}));
}

TEST_F(NewBook, AddedFontCopiesThroughTheInterface) {
    FontImplT& source = static_cast<FontImplT&>(*tables.fontAt(0));
    const Bytes odd = {
        0xD2, 0x00, 0x08, 0x00, 0x0C, 0x00, 0x58, 0x02, // 210 twips, strike-out, colour 12, weight 600
        0x02, 0x00, 0x22, 0x00, 0x00, 0x00,             // subscript, double accounting
        0x02, 0x01, 'X', 0, 'Y', 0,                     // "XY"
    };
    source.read(recordOf(RecordId::Font, odd), false);

    FontImplT& copy = static_cast<FontImplT&>(*tables.addFont(&source));
    FontRecord expected; // whole points and a normal weight, as the interface reports them
    expected.height = 200;
    expected.flags = 0x0008;
    expected.color = 12;
    expected.script = ScriptSub;
    expected.underline = UnderlineDoubleAccounting;
    expected.name = u"XY";
    EXPECT_EQ(copy.record(), expected);
    EXPECT_EQ(tables.fontCount(), 6);
}

TEST_F(NewBook, AddFormatFromAnotherBookCarriesItsCustomNumberFormat) {
    BookMessage otherMessage;
    FormatTables other(otherMessage);
    other.resetToNewBook();
    other.readFormat(recordOf(RecordId::Format, kFormat170));
    FormatImplT& source = static_cast<FormatImplT&>(*other.addFormat(nullptr));
    source.setNumFormat(170);
    source.setBorderTop(BorderDashed);
    source.setPatternBackgroundColor(Color(30));
    source.setHidden(true);
    static_cast<FontImplT*>(other.fontAt(2))->setItalic(true);
    source.setFont(other.fontAt(2));

    EXPECT_EQ(tables.addCustomNumFormat(u"0"), 164);
    IFormat* copy = tables.addFormat(&source);
    EXPECT_STREQ(message.text(), "ok");
    EXPECT_EQ(copy->numFormat(), 165);
    EXPECT_EQ(std::u16string(tables.customNumFormat(165)), u"0.0%");
    EXPECT_EQ(tables.fontCount(), 6); // a font of its own
    EXPECT_EQ(copy->font(), tables.fontAt(5));
    EXPECT_TRUE(copy->font()->italic());
    EXPECT_EQ(copy->borderTop(), BorderDashed);
    EXPECT_EQ(copy->patternBackgroundColor(), 30u);
    EXPECT_TRUE(copy->hidden());
    EXPECT_EQ(other.customNumFormats().size(), 1u);

    // Copying again finds the string already registered.
    EXPECT_EQ(tables.addFormat(&source)->numFormat(), 165);
    EXPECT_EQ(tables.customNumFormats().size(), 2u);
}

TEST_F(NewBook, AddFormatKeepsACustomIdItsBookHasNoStringFor) {
    IFormat* source = tables.addFormat(nullptr);
    source->setNumFormat(170);
    EXPECT_EQ(tables.addFormat(source)->numFormat(), 170);
    EXPECT_TRUE(tables.customNumFormats().empty());
}

// ---- custom number formats ----

TEST_F(NewBook, CustomIdsStartAt164AndEqualStringsShareOne) {
    EXPECT_EQ(tables.addCustomNumFormat(u"0.000"), 164);
    EXPECT_EQ(tables.addCustomNumFormat(u"#,##0.0"), 165);
    EXPECT_EQ(tables.addCustomNumFormat(u"0.000"), 164);
    EXPECT_EQ(tables.addCustomNumFormat(u"0.000 "), 166); // no trimming, case-sensitive
    EXPECT_EQ(tables.customNumFormats().size(), 3u);
    EXPECT_EQ(std::u16string(tables.customNumFormat(165)), u"#,##0.0");
    EXPECT_EQ(errorOf([&] { tables.customNumFormat(167); }), "custom number format not found");
}

TEST_F(NewBook, NewIdsFillTheGapsOfAFile) {
    tables.clear();
    tables.readFormat(recordOf(RecordId::Format, formatRecord(164, '1')));
    tables.readFormat(recordOf(RecordId::Format, formatRecord(166, '2')));
    tables.readFormat(recordOf(RecordId::Format, formatRecord(5, '3'))); // built-in id, kept as read
    EXPECT_EQ(tables.addCustomNumFormat(u"new"), 165);
    EXPECT_EQ(tables.addCustomNumFormat(u"newer"), 167);
    EXPECT_EQ(tables.addCustomNumFormat(u"2"), 166);
    EXPECT_EQ(bodiesWithId(written(), RecordId::Format).size(), 5u);
}

TEST_F(NewBook, CustomIdsRunOutAfter392) {
    for (int id = 164; id <= 392; ++id)
        ASSERT_EQ(tables.addCustomNumFormat(std::u16string(1, char16_t(0x100 + id)).c_str()), id);
    EXPECT_EQ(tables.addCustomNumFormat(u"one too many"), 0);
    EXPECT_STREQ(message.text(), "maximum number of custom formats is exceeded");
    EXPECT_EQ(tables.customNumFormats().size(), 229u);

    // A format of another book cannot bring its custom format along either.
    BookMessage otherMessage;
    FormatTables other(otherMessage);
    other.resetToNewBook();
    IFormat* source = other.addFormat(nullptr);
    source->setNumFormat(other.addCustomNumFormat(u"one too many"));
    EXPECT_EQ(errorOf([&] { tables.addFormat(source); }), "maximum number of custom formats is exceeded");
    EXPECT_EQ(tables.formatCount(), 21);
}

// ---- the palette ----

TEST_F(NewBook, PackColorFindsOrClaimsAnEntry) {
    EXPECT_EQ(tables.packColor(0, 0, 0), 8u); // the default black entry
    EXPECT_EQ(tables.packColor(1, 2, 3), 9u); // black is claimed, white is not
    int r = -1, g = -1, b = -1;
    tables.unpackColor(Color(9), &r, &g, &b);
    EXPECT_EQ((std::vector{r, g, b}), (std::vector{1, 2, 3}));
    EXPECT_EQ(tables.packColor(0xFF, 0, 0), 10u); // an equal entry is used as it is
    EXPECT_TRUE(tables.palette().modified());

    BookMessage freshMessage;
    FormatTables fresh(freshMessage);
    fresh.resetToNewBook();
    EXPECT_EQ(fresh.packColor(1, 2, 3), 8u); // overwrites the unclaimed black
}

TEST_F(NewBook, PackColorRunsOutAfter56Claims) {
    for (int i = 0; i < 56; ++i) ASSERT_EQ(tables.packColor(i, 100, 200), Color(8 + i));
    EXPECT_EQ(tables.packColor(1, 2, 3), ColorAutomaticFont);
    EXPECT_STREQ(message.text(), "no free color index, limit is reached for xls format");
    EXPECT_EQ(tables.packColor(5, 100, 200), 13u); // present colours are still found
}

TEST_F(NewBook, UnpackColorOutsideThePaletteLeavesTheOutputs) {
    for (Color bad : {Color(7), Color(64), ColorAutomaticFont}) {
        int r = -1, g = -1, b = -1;
        EXPECT_EQ(errorOf([&] { tables.unpackColor(bad, &r, &g, &b); }), "invalid vector<T> subscript");
        EXPECT_EQ((std::vector{r, g, b}), (std::vector{-1, -1, -1}));
    }
    int r = -1;
    tables.unpackColor(Color(63), &r, nullptr, nullptr);
    EXPECT_EQ(r, 0x33);
}

TEST_F(NewBook, PaletteRecordIsWrittenOnceModified) {
    tables.packColor(0x12, 0x34, 0x56);
    const std::vector<Bytes> palettes = bodiesWithId(written(), RecordId::Palette);
    ASSERT_EQ(palettes.size(), 1u);
    const Bytes& body = palettes[0];
    ASSERT_EQ(body.size(), 226u);
    EXPECT_EQ(Bytes(body.begin(), body.begin() + 10), (Bytes{
                                                          56, 0,                  // count
                                                          0x12, 0x34, 0x56, 0x00, // 8: the packed colour
                                                          0xFF, 0xFF, 0xFF, 0x00, // 9: default white
                                                      }));
    EXPECT_EQ(Bytes(body.end() - 4, body.end()), (Bytes{0x33, 0x33, 0x33, 0x00})); // 63
}

TEST_F(NewBook, ShortPaletteRecordReplacesOnlyItsEntries) {
    const Bytes two = {
        0x02, 0x00,             // count 2
        0x01, 0x02, 0x03, 0x00, // 8
        0x04, 0x05, 0x06, 0x00, // 9
    };
    tables.readPalette(recordOf(RecordId::Palette, two));
    EXPECT_TRUE(tables.palette().modified());
    EXPECT_EQ(tables.palette().at(1), (Palette::Rgb{4, 5, 6}));
    EXPECT_EQ(tables.palette().at(2), (Palette::Rgb{0xFF, 0, 0})); // default red kept
}

// ---- Format and Style records ----

TEST_F(NewBook, FormatRecordForms) {
    tables.clear();
    tables.readFormat(recordOf(RecordId::Format, kFormat170));
    const Bytes wide = {0xA4, 0x00, 0x02, 0x00, 0x01, 0x30, 0x04, '%', 0}; // 164, "\u0430%" 16-bit
    tables.readFormat(recordOf(RecordId::Format, wide));
    tables.setBiffVersion(FormatTables::kBiff5);
    const Bytes biff5 = {0xA5, 0x00, 0x02, '0', '0'}; // 165, 8-bit count, no flags
    tables.readFormat(recordOf(RecordId::Format, biff5));

    const std::vector<CustomNumFormat> expected = {
        {170, u"0.0%", CharWidth::narrow}, {164, u"\u0430%", CharWidth::wide}, {165, u"00", CharWidth::narrow}};
    EXPECT_EQ(tables.customNumFormats(), expected);

    EXPECT_EQ(bodiesWithId(written(), RecordId::Format), (std::vector<Bytes>{kFormat170, wide, {0xA5, 0x00, 0x02, 0x00, 0x00, '0', '0'}}));
}

TEST_F(NewBook, StyleRecordForms) {
    tables.clear();
    const Bytes user = {0x15, 0x00, 0x03, 0x00, 0x00, 'M', 'i', 'n'}; // XF 21, "Min"
    tables.readStyle(recordOf(RecordId::Style, user));
    tables.setBiffVersion(FormatTables::kBiff5);
    tables.readStyle(recordOf(RecordId::Style, {0x16, 0x00, 0x02, 'O', 'k'})); // XF 22, "Ok"
    tables.readStyle(recordOf(RecordId::Style, {0x00, 0x80, 0x00, 0xFF}));      // built-in Normal

    const std::vector<StyleEntry> expected = {
        {0x0015, 0, 0xFF, u"Min", CharWidth::narrow},
        {0x0016, 0, 0xFF, u"Ok", CharWidth::narrow},
        {0x8000, 0, 0xFF, u"", CharWidth::wide},
    };
    EXPECT_EQ(tables.styles(), expected);
    const std::vector<Bytes> bodies = bodiesWithId(written(), RecordId::Style);
    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_EQ(bodies[0], user);
    EXPECT_EQ(bodies[1], (Bytes{0x16, 0x00, 0x02, 0x00, 0x00, 'O', 'k'}));
}

// ---- records of the wrong size ----

TEST_F(NewBook, RecordsOfTheWrongSizeFailAndAddNothing) {
    const Bytes xf8(20, 0);
    Bytes fontNameCut(14, 0); // the fixed fields, then 6 characters announced and 5 present
    fontNameCut.insert(fontNameCut.end(), {0x06, 0x00, 'A', 'r', 'i', 'a', 'l'});
    const struct {
        const char* name;
        RecordId id;
        bool biff5;
        Bytes body;
        const char* message;
    } cases[] = {
        {"XfEmpty", RecordId::XF, false, {}, "XF size is incorrect"},
        {"XfOneByte", RecordId::XF, false, {0x06}, "XF size is incorrect"},
        {"XfEndingInsideTheAlignmentWord", RecordId::XF, false, Bytes(8, 0), "XF size is incorrect"},
        {"XfOneByteLong", RecordId::XF, false, Bytes(21, 0), "XF size is incorrect"},
        {"Biff5XfOneByteShort", RecordId::XF, true, Bytes(15, 0), "XF size is incorrect"},
        {"Biff5XfOfBiff8Size", RecordId::XF, true, xf8, "XF size is incorrect"},
        {"FontShortOfTheFixedFields", RecordId::Font, false, Bytes(13, 0), "Font size is incorrect"},
        {"FontNameCut", RecordId::Font, false, fontNameCut, "Font size is incorrect"},
        {"FormatWithoutFlags", RecordId::Format, false, {0xAA, 0x00, 0x04, 0x00}, "Format size is incorrect"},
        {"FormatTextCut", RecordId::Format, false, {0xAA, 0x00, 0x04, 0x00, 0x00, '0', '.', '0'},
         "Format size is incorrect"},
        {"Biff5FormatWithoutCount", RecordId::Format, true, {0xA5, 0x00}, "Format size is incorrect"},
        {"Biff5FormatTextCut", RecordId::Format, true, {0xA5, 0x00, 0x03, '0', '0'}, "Format size is incorrect"},
        {"BuiltInStyleShort", RecordId::Style, false, {0x00, 0x80, 0x00}, "Style size is incorrect"},
        {"BuiltInStyleLong", RecordId::Style, false, {0x00, 0x80, 0x00, 0xFF, 0x00}, "Style size is incorrect"},
        {"UserStyleTrailingByte", RecordId::Style, false, {0x15, 0x00, 0x01, 0x00, 0x00, 'M', 0x00},
         "Style size is incorrect"},
        {"UserStyleNameCut", RecordId::Style, false, {0x15, 0x00, 0x02, 0x00, 0x00, 'M'}, "Style size is incorrect"},
        {"StyleOneByte", RecordId::Style, false, {0x15}, "Style size is incorrect"},
        {"PaletteCountTooBig", RecordId::Palette, false, {0x03, 0x00, 1, 2, 3, 0, 4, 5, 6, 0}, "Palette size is incorrect"},
        {"PaletteTrailingByte", RecordId::Palette, false, {0x02, 0x00, 1, 2, 3, 0, 4, 5, 6, 0, 0},
         "Palette size is incorrect"},
        {"PaletteOneByte", RecordId::Palette, false, {0x02}, "Palette size is incorrect"},
    };
    const Bytes before = written().stream();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tables.setBiffVersion(c.biff5 ? FormatTables::kBiff5 : FormatTables::kBiff8);
        EXPECT_EQ(errorOf([&] { dispatch(tables, recordOf(c.id, c.body)); }), c.message);
    }
    tables.setBiffVersion(FormatTables::kBiff8);
    EXPECT_EQ(written().stream(), before);
}

// ---- written and read back ----

TEST_F(NewBook, EveryRecordKindReadsBackAsWritten) {
    IFont* font = tables.addFont(nullptr);
    font->setName(u"Cambria \u00e9\u4e2d");
    font->setSize(14);
    font->setBold(true);
    font->setUnderline(UnderlineDouble);
    IFormat* format = tables.addFormat(nullptr);
    format->setFont(font);
    format->setNumFormat(tables.addCustomNumFormat(u"yyyy-mm-dd"));
    format->setRotation(255);
    format->setBorder(BorderMediumDashDotDot);
    format->setBorderDiagonalColor(tables.packColor(10, 20, 30));
    format->setFillPattern(FillThinDiagonalCrosshatch);
    tables.readStyle(recordOf(RecordId::Style, {0x15, 0x00, 0x02, 0x00, 0x01, 'D', 0, 'a', 0}));

    RecordWriter out = written();
    BookMessage readMessage;
    FormatTables read(readMessage);
    load(read, out);

    ASSERT_EQ(read.fontCount(), tables.fontCount());
    for (int i = 0; i < tables.fontCount(); ++i)
        EXPECT_EQ(static_cast<FontImplT*>(read.fontAt(i))->record(),
                  static_cast<FontImplT*>(tables.fontAt(i))->record()) << i;
    ASSERT_EQ(read.formatCount(), tables.formatCount());
    for (int i = 0; i < tables.formatCount(); ++i)
        EXPECT_EQ(static_cast<FormatImplT*>(read.formatAt(i))->fields(),
                  static_cast<FormatImplT*>(tables.formatAt(i))->fields()) << i;
    EXPECT_EQ(read.customNumFormats(), tables.customNumFormats());
    EXPECT_EQ(read.styles(), tables.styles());
    EXPECT_TRUE(read.palette().modified());
    for (std::size_t i = 0; i < Palette::kEntries; ++i) EXPECT_EQ(read.palette().at(i), tables.palette().at(i)) << i;

    // The copy refers to its own fonts, and writes the same bytes again.
    EXPECT_EQ(read.formatAt(21)->font(), read.fontAt(5));
    EXPECT_EQ(std::u16string(read.formatAt(21)->font()->name()), u"Cambria \u00e9\u4e2d");
    RecordWriter again;
    read.write(again);
    EXPECT_EQ(again.stream(), out.stream());
}
