// Cell formats and fonts of a binary book: packed XF fields, font references,
// and the XF and Font records in both their BIFF8 and BIFF5 forms (their size
// checks are in format_tables_test.cpp, with those of the other records).
#include <gtest/gtest.h>

#include <vector>

#include "xls/format_tables.h"

using namespace karvo;

namespace {

using Bytes = std::vector<std::uint8_t>;

Record recordOf(RecordId id, const Bytes& body) { return Record{raw(id), body, 0}; }

struct Tables : ::testing::Test {
    BookMessage message;
    FormatTables tables{message};
    void SetUp() override { tables.resetToNewBook(); }
    FormatImplT& fresh() { return static_cast<FormatImplT&>(*tables.addFormat(nullptr)); }
};

// A BIFF8 XF record with every field distinct.
const Bytes kXf8 = {
    0x06, 0x00,             // font index 6
    0xA5, 0x00,             // number format 165
    0x03, 0x00,             // locked, hidden, cell XF
    0x1B, 0x2D, 0x13, 0x7C, // alignment: right, wrap, center, rotation 45, indent 3, shrink
    0x21, 0x63, 0x0A, 0xC6, // border 1: styles 1 2 3 6, colours 10 and 12, both diagonals
    0x0D, 0xC7, 0xE3, 0x48, // border 2: colours 13 14 15, diagonal style 7, pattern 18
    0x96, 0x0B,             // pattern colours 22 and 23
};

// A BIFF5 XF record (16 bytes).
const Bytes kXf5 = {
    0x05, 0x00,             // font index 5
    0xA4, 0x00,             // number format 164
    0x01, 0x00,             // locked cell XF
    0x1A,                   // center, wrap, vertically centred
    0xFE,                   // orientation 2 (rotation 90); the attribute-used flags
    0x8A, 0x05, 0x81, 0x18, // pattern colours 10 and 11, solid, bottom medium in colour 12
    0xD1, 0x1A, 0x8E, 0x07, // top thin, left medium, right dashed; colours 13, 14, 15
};

} // namespace

TEST_F(Tables, FieldSettersPackIntoTheRecordWords) {
    FormatImplT& f = fresh();
    f.setAlignH(AlignHRight);
    f.setWrap(true);
    f.setAlignV(AlignVCenter);
    EXPECT_TRUE(f.setRotation(90));
    f.setIndent(15);
    f.setShrinkToFit(true);
    f.setBorderLeft(BorderThin);
    f.setBorderRight(BorderMedium);
    f.setBorderTop(BorderDashed);
    f.setBorderBottom(BorderDouble);
    f.setBorderLeftColor(Color(10));
    f.setBorderRightColor(Color(12));
    f.setBorderDiagonal(BorderDiagonalBoth);
    f.setBorderTopColor(Color(13));
    f.setBorderBottomColor(Color(14));
    f.setBorderDiagonalColor(Color(15));
    f.setBorderDiagonalStyle(BorderHair);
    f.setFillPattern(FillGray6P25);
    f.setPatternForegroundColor(Color(22));
    f.setPatternBackgroundColor(Color(23));
    f.setLocked(false);
    f.setHidden(true);

    const XfFields& xf = f.fields();
    EXPECT_EQ(xf.alignment, 0xFC1F5A1Bu); // used flags kept; 3 | wrap | 1<<4 | 90<<8 | 15<<16 | 1<<20
    EXPECT_EQ(xf.border1, 0xC60A6321u);
    EXPECT_EQ(xf.border2, 0x48E3C70Du);
    EXPECT_EQ(xf.fill, 0x0B96);
    EXPECT_EQ(xf.typeProt, 0x0002); // a new cell XF (1), unlocked, hidden

    EXPECT_EQ(f.alignH(), AlignHRight);
    EXPECT_TRUE(f.wrap());
    EXPECT_EQ(f.alignV(), AlignVCenter);
    EXPECT_EQ(f.rotation(), 90);
    EXPECT_EQ(f.indent(), 15);
    EXPECT_TRUE(f.shrinkToFit());
    EXPECT_EQ(f.borderBottom(), BorderDouble);
    EXPECT_EQ(f.borderRightColor(), 12u);
    EXPECT_EQ(f.borderDiagonal(), BorderDiagonalBoth);
    EXPECT_EQ(f.borderDiagonalStyle(), BorderHair);
    EXPECT_EQ(f.borderDiagonalColor(), 15u);
    EXPECT_EQ(f.fillPattern(), FillGray6P25);
    EXPECT_EQ(f.patternBackgroundColor(), 23u);
    EXPECT_FALSE(f.locked());
    EXPECT_TRUE(f.hidden());
}

TEST_F(Tables, WideValuesAreMaskedToTheirField) {
    FormatImplT& f = fresh();
    f.setBorderLeftColor(ColorAutomaticFont); // 0x7FFF: only 7 bits fit
    f.setIndent(0x1F);
    EXPECT_EQ(f.borderLeftColor(), 0x7Fu);
    EXPECT_EQ(f.borderRightColor(), ColorSystemForeground);
    EXPECT_EQ(f.indent(), 15);
    EXPECT_FALSE(f.shrinkToFit());
}

TEST_F(Tables, SetBorderAndSetBorderColorCoverTheFourSides) {
    FormatImplT& f = fresh();
    f.setBorder(BorderThick);
    f.setBorderColor(Color(20));
    EXPECT_EQ(f.fields().border1 & 0xFFFF, 0x5555u);
    EXPECT_EQ(f.borderLeftColor(), 20u);
    EXPECT_EQ(f.borderRightColor(), 20u);
    EXPECT_EQ(f.borderTopColor(), 20u);
    EXPECT_EQ(f.borderBottomColor(), 20u);
    EXPECT_EQ(f.borderDiagonalColor(), 0u); // untouched
}

TEST_F(Tables, RotationAcceptsZeroTo180And255Only) {
    FormatImplT& f = fresh();
    message.set("stale");
    EXPECT_TRUE(f.setRotation(255));
    EXPECT_STREQ(message.text(), "ok");
    EXPECT_TRUE(f.setRotation(180));
    for (int bad : {181, 254, 256, -1}) {
        EXPECT_FALSE(f.setRotation(bad)) << bad;
        EXPECT_STREQ(message.text(), "rotation must be in range 0-180 or 255");
    }
    EXPECT_EQ(f.rotation(), 180);
}

TEST_F(Tables, FontIndexSkipsFour) {
    tables.addFont(nullptr); // six fonts: BIFF indices 0, 1, 2, 3, 5, 6
    FormatImplT& f = fresh();
    IFont* fourth = tables.fontAt(3);
    IFont* fifth = tables.fontAt(4);

    EXPECT_TRUE(f.setFont(fourth));
    EXPECT_EQ(f.fields().ifnt, 3);
    EXPECT_EQ(f.font(), fourth);
    EXPECT_TRUE(f.setFont(fifth));
    EXPECT_EQ(f.fields().ifnt, 5);
    EXPECT_EQ(f.font(), fifth);
    f.fields().ifnt = 6;
    EXPECT_EQ(f.font(), tables.fontAt(5));
    EXPECT_STREQ(message.text(), "ok");

    for (std::uint16_t bad : {4, 7}) {
        f.fields().ifnt = bad;
        EXPECT_EQ(f.font(), nullptr) << bad;
        EXPECT_STREQ(message.text(), "incorrect font");
    }
}

TEST_F(Tables, SetFontRefusesAFontOfAnotherBook) {
    BookMessage otherMessage;
    FormatTables other(otherMessage);
    other.resetToNewBook();
    FormatImplT& f = fresh();
    f.fields().ifnt = 2;
    EXPECT_FALSE(f.setFont(other.fontAt(1)));
    EXPECT_STREQ(message.text(), "specified font not found");
    EXPECT_FALSE(f.setFont(nullptr));
    EXPECT_EQ(f.fields().ifnt, 2);
}

TEST_F(Tables, XfRecordReadsEveryField) {
    FormatImplT& f = fresh();
    f.read(recordOf(RecordId::XF, kXf8), false);
    EXPECT_EQ(f.fields(), (XfFields{6, 165, 0x0003, 0x7C132D1B, 0xC60A6321, 0x48E3C70D, 0x0B96}));
    EXPECT_EQ(f.alignV(), AlignVCenter);
    EXPECT_EQ(f.rotation(), 45);
    EXPECT_EQ(f.indent(), 3);

    RecordWriter out;
    f.write(out);
    Bytes expected = {0xE0, 0x00, 0x14, 0x00}; // XF, 20 bytes
    expected.insert(expected.end(), kXf8.begin(), kXf8.end());
    EXPECT_EQ(out.stream(), expected);
}

TEST_F(Tables, ShortXfRecordKeepsTheFieldsItDoesNotReach) {
    const Bytes sixBytes(kXf8.begin(), kXf8.begin() + 6);
    FormatImplT& f = fresh();
    f.read(recordOf(RecordId::XF, sixBytes), false);
    EXPECT_EQ(f.fields(), (XfFields{6, 165, 0x0003, 0xFC000020, 0x20400000, 0x00002040, 0x20C0}));
}

TEST_F(Tables, Biff5XfRecordFillsTheSameFields) {
    FormatImplT& f = fresh();
    f.read(recordOf(RecordId::XF, kXf5), true);
    EXPECT_EQ(f.fields().ifnt, 5);
    EXPECT_EQ(f.numFormat(), 164);
    EXPECT_TRUE(f.locked());
    EXPECT_EQ(f.alignH(), AlignHCenter);
    EXPECT_TRUE(f.wrap());
    EXPECT_EQ(f.alignV(), AlignVCenter);
    EXPECT_EQ(f.rotation(), 90);
    EXPECT_EQ(f.patternForegroundColor(), 10u);
    EXPECT_EQ(f.patternBackgroundColor(), 11u);
    EXPECT_EQ(f.fillPattern(), FillSolid);
    EXPECT_EQ(f.borderBottom(), BorderMedium);
    EXPECT_EQ(f.borderBottomColor(), 12u);
    EXPECT_EQ(f.borderTop(), BorderThin);
    EXPECT_EQ(f.borderLeft(), BorderMedium);
    EXPECT_EQ(f.borderRight(), BorderDashed);
    EXPECT_EQ(f.borderTopColor(), 13u);
    EXPECT_EQ(f.borderLeftColor(), 14u);
    EXPECT_EQ(f.borderRightColor(), 15u);
    EXPECT_EQ(f.fields().alignment >> 26, 0x3Fu); // the BIFF8 used flags stay as constructed
}

TEST_F(Tables, Biff5OrientationBecomesRotation) {
    const std::pair<std::uint8_t, int> cases[] = {{0, 0}, {1, 255}, {2, 90}, {3, 180}};
    for (auto [orientation, rotation] : cases) {
        Bytes body = kXf5;
        body[7] = orientation;
        FormatImplT& f = fresh();
        f.read(recordOf(RecordId::XF, body), true);
        EXPECT_EQ(f.rotation(), rotation) << int(orientation);
    }
}

// ---- fonts ----

// A BIFF8 Font record with an 8-bit name.
const Bytes kFont8 = {
    0xD2, 0x00,                   // height 210 twips
    0x02, 0x00,                   // italic
    0x0A, 0x00,                   // colour 10
    0x58, 0x02,                   // weight 600
    0x01, 0x00,                   // superscript
    0x01, 0x02, 0x00, 0x00,       // single underline, family 2, character set, reserved
    0x05, 0x00,                   // 5 characters, 8-bit
    'A', 'r', 'i', 'a', 'l',
};

TEST_F(Tables, FontSizeIsStoredInTwipsAndClamped) {
    FontImplT& font = static_cast<FontImplT&>(*tables.addFont(nullptr));
    font.setSize(10);
    EXPECT_EQ(font.record().height, 200);
    font.setSize(410);
    EXPECT_EQ(font.record().height, 8191);
    EXPECT_EQ(font.size(), 409);
    font.setSize(-1);
    EXPECT_EQ(font.record().height, 8191);
    font.setSize(2000000000); // would overflow an int at twenty times
    EXPECT_EQ(font.record().height, 8191);
}

TEST_F(Tables, BoldIsAWeightOf700OrMore) {
    FontImplT& font = static_cast<FontImplT&>(*tables.addFont(nullptr));
    font.read(recordOf(RecordId::Font, kFont8), false);
    EXPECT_FALSE(font.bold()); // 600
    font.setBold(true);
    EXPECT_EQ(font.record().weight, 700);
    font.setBold(false);
    EXPECT_EQ(font.record().weight, 400);
}

TEST_F(Tables, FontNameIsLimitedTo255Characters) {
    IFont* font = tables.addFont(nullptr);
    const std::u16string longest(255, u'x');
    EXPECT_TRUE(font->setName(longest.c_str()));
    EXPECT_STREQ(message.text(), "ok");
    EXPECT_FALSE(font->setName(std::u16string(256, u'y').c_str()));
    EXPECT_STREQ(message.text(), "string is too long");
    EXPECT_EQ(std::u16string(font->name()), longest);
}

TEST_F(Tables, FontRecordReadsAndWritesBackUnchanged) {
    FontImplT& font = static_cast<FontImplT&>(*tables.addFont(nullptr));
    font.read(recordOf(RecordId::Font, kFont8), false);
    EXPECT_EQ(font.size(), 10);
    EXPECT_TRUE(font.italic());
    EXPECT_FALSE(font.strikeOut());
    EXPECT_EQ(font.color(), 10u);
    EXPECT_EQ(font.script(), ScriptSuper);
    EXPECT_EQ(font.underline(), UnderlineSingle);
    EXPECT_EQ(std::u16string(font.name()), u"Arial");

    RecordWriter out;
    font.write(out);
    Bytes expected = {0x31, 0x00, 21, 0x00}; // Font, 21 bytes: the name stays 8-bit
    expected.insert(expected.end(), kFont8.begin(), kFont8.end());
    EXPECT_EQ(out.stream(), expected);
}

TEST_F(Tables, Biff5FontNameHasNoFlagsByte) {
    Bytes body(kFont8.begin(), kFont8.begin() + 14);
    const Bytes name = {0x03, 'A', 'b', 'c'}; // count, 8-bit characters
    body.insert(body.end(), name.begin(), name.end());
    FontImplT& font = static_cast<FontImplT&>(*tables.addFont(nullptr));
    font.read(recordOf(RecordId::Font, body), true);
    EXPECT_EQ(std::u16string(font.name()), u"Abc");
    EXPECT_EQ(font.record().height, 210);
}
