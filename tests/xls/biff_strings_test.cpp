// biff_strings_test.cpp - short strings, and rich strings across CONTINUE records in both directions.
#include "xls/biff_strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/error_of.h"

namespace karvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::errorOf;

std::uint16_t get16(const Bytes& b, std::size_t at) { return b[at] | b[at + 1] << 8; }

// --- short strings -------------------------------------------------------------

TEST(ShortString, ReadEachForm) {
    const struct {
        ShortForm form;
        Bytes bytes;
        std::u16string text;
    } cases[] = {
        {ShortForm::Count16, {0x02, 0x00, 0x01, 0x41, 0x00, 0x3A, 0x04}, u"A\u043A"}, // 2 chars, 16-bit
        {ShortForm::Count8, {0x03, 0x00, 0x53, 0xE9, 0x31}, u"S\u00E91"},   // 8-bit, widened by zero extension
        {ShortForm::Count16NoFlags, {0x02, 0x00, 0x4F, 0x4B}, u"OK"},
        {ShortForm::Count8NoFlags, {0x02, 0xFF, 0x4B}, u"\u00FFK"},          // 0xFF is a character
    };
    for (const auto& c : cases) {
        ByteReader in(c.bytes);
        EXPECT_EQ(readShortString(in, c.form), c.text) << c.bytes.size();
        EXPECT_TRUE(in.ok() && in.atEnd());
    }
}

TEST(ShortString, CountBeyondTheRecordFailsTheReader) {
    const Bytes lying = {0xFF, 0xFF, 0x01, 0x41, 0x00}; // 65535 16-bit chars claimed, 1 present
    ByteReader in(lying);
    EXPECT_EQ(readShortString(in, ShortForm::Count16), u"");
    EXPECT_FALSE(in.ok());
    const Bytes noFlags = {0x01};
    ByteReader flagless(noFlags);
    readShortString(flagless, ShortForm::Count8);
    EXPECT_FALSE(flagless.ok());
}

TEST(ShortString, Write) {
    Bytes out;
    writeShortString(out, u"K", ShortForm::Count16, CharWidth::narrow);
    EXPECT_EQ(out, (Bytes{0x01, 0x00, 0x00, 0x4B}));
    out.clear();
    writeShortString(out, u"Sh", ShortForm::Count8);
    EXPECT_EQ(out, (Bytes{0x02, 0x01, 0x53, 0x00, 0x68, 0x00}));
    out.clear();
    writeShortString(out, u"\u0416", ShortForm::Count8, CharWidth::narrow); // needs 16 bits anyway
    EXPECT_EQ(out, (Bytes{0x01, 0x01, 0x16, 0x04}));
    out.clear();
    writeShortString(out, u"ab", ShortForm::Count8NoFlags);
    EXPECT_EQ(out, (Bytes{0x02, 0x61, 0x62}));
    out.clear();
    writeShortString(out, u"", ShortForm::Count16NoFlags);
    EXPECT_EQ(out, (Bytes{0x00, 0x00}));

    EXPECT_EQ(shortStringSize(u"Sh", ShortForm::Count8), 6u);
    EXPECT_EQ(shortStringSize(u"K", ShortForm::Count16, CharWidth::narrow), 4u);
    EXPECT_EQ(shortStringSize(u"\u0416", ShortForm::Count16, CharWidth::narrow), 5u);
    EXPECT_EQ(shortStringSize(u"ab", ShortForm::Count8NoFlags), 3u);
}

TEST(ShortString, WriteLimits) {
    Bytes out;
    writeShortString(out, std::u16string(255, u'x'), ShortForm::Count8);
    EXPECT_EQ(out.size(), 2u + 510);
    EXPECT_EQ(errorOf([&] { writeShortString(out, std::u16string(256, u'x'), ShortForm::Count8); }), "string is too long");
    EXPECT_EQ(errorOf([&] { writeShortString(out, std::u16string(256, u'x'), ShortForm::Count8NoFlags); }),
                "string is too long");
    EXPECT_EQ(errorOf([&] { writeShortString(out, std::u16string(65536, u'x'), ShortForm::Count16); }),
                "string is too long");
    EXPECT_EQ(errorOf([&] { writeShortString(out, u"\u0416", ShortForm::Count16NoFlags); }),
                "string has characters that need 16 bits");
}

// --- rich strings: reading -------------------------------------------------------

// Reads the strings of an SST-like record group given as bytes.
std::vector<RichString> readGroup(const Bytes& stream, std::size_t count) {
    RecordReader records(stream);
    Record first = records.next();
    ContinueReader in(records, first.reader());
    std::vector<RichString> out;
    for (std::size_t i = 0; i < count; ++i) out.push_back(readRichString(in));
    return out;
}

TEST(RichStringRead, PlainRunsAndExtendedData) {
    const Bytes stream = {
        0xFC, 0x00, 0x1F, 0x00,             // SST-like record, 31 bytes
        0x02, 0x00, 0x00, 0x68, 0x69,       // "hi", 8-bit
        0x01, 0x00, 0x01, 0x16, 0x04,       // U+0416, 16-bit
        0x02, 0x00, 0x0C, 0x01, 0x00,       // "ab", runs (0x08) and extended data (0x04): 1 run,
        0x03, 0x00, 0x00, 0x00, 0x61, 0x62, //   3 bytes of extended data; the characters
        0x01, 0x00, 0x05, 0x00,             //   run: from character 1, font 5
        0xE1, 0xE2, 0xE3,                   //   the extended data
        0x00, 0x00, 0x00,                   // "", 8-bit
    };
    auto s = readGroup(stream, 4);
    EXPECT_EQ(s[0].text, u"hi");
    EXPECT_EQ(s[0].flags, 0x00);
    EXPECT_EQ(s[1].text, u"\u0416");
    EXPECT_EQ(s[1].flags, 0x01);
    EXPECT_EQ(s[2].text, u"ab");
    EXPECT_EQ(s[2].flags, 0x0C);
    EXPECT_EQ(s[2].runs, (std::vector<FormatRun>{{1, 5}}));
    EXPECT_EQ(s[2].extRst, (Bytes{0xE1, 0xE2, 0xE3}));
    EXPECT_EQ(s[3].text, u"");
}

TEST(RichStringRead, WidthSwitchesAtAContinueBoundary) {
    const Bytes stream = {
        0xFC, 0x00, 0x05, 0x00,                   // record of 5 bytes
        0x04, 0x00, 0x00, 0x41, 0x42,             // 4 chars, 8-bit: "AB" here ...
        0x3C, 0x00, 0x05, 0x00,                   // CONTINUE
        0x01, 0x16, 0x04, 0x43, 0x00,             // flags 0x01: 16-bit from here: U+0416, "C"
        0x3C, 0x00, 0x03, 0x00,                   // a CONTINUE of the next string
        0x01, 0x00, 0x00,                         // 1 char, 8-bit, but its character ...
        0x3C, 0x00, 0x02, 0x00, 0x00, 0x5A,       // ... follows a flags byte 0x00 here: "Z"
    };
    auto s = readGroup(stream, 2);
    EXPECT_EQ(s[0].text, u"AB\u0416C");
    EXPECT_EQ(s[0].flags, 0x01); // part of it was 16-bit
    EXPECT_EQ(s[1].text, u"Z");
    EXPECT_EQ(s[1].flags, 0x00);
}

TEST(RichStringRead, WideToNarrowAndSplitRunsAndExtendedData) {
    const Bytes stream = {
        0xFC, 0x00, 0x0B, 0x00,             // 11 bytes
        0x03, 0x00, 0x0D, 0x01, 0x00,       // 3 chars, 16-bit, 1 run,
        0x02, 0x00, 0x00, 0x00, 0x41, 0x00, //   2 bytes of extended data; "A"
        0x3C, 0x00, 0x06, 0x00,             // CONTINUE
        0x00, 0x42, 0x43,                   //   flags 0x00: 8-bit from here: "BC"
        0x02, 0x00, 0x07,                   //   run: character 2, font 0x??07 ...
        0x3C, 0x00, 0x02, 0x00, 0x00, 0xE1, // CONTINUE: ... 0x0007; the first extended byte
        0x3C, 0x00, 0x01, 0x00, 0xE2,       // CONTINUE: the second extended byte
    };
    auto s = readGroup(stream, 1);
    EXPECT_EQ(s[0].text, u"ABC");
    EXPECT_EQ(s[0].flags, 0x0D);
    EXPECT_EQ(s[0].runs, (std::vector<FormatRun>{{2, 7}}));
    EXPECT_EQ(s[0].extRst, (Bytes{0xE1, 0xE2}));
}

TEST(RichStringRead, CharactersResumeAfterAFlagsByte) {
    const Bytes strayByte = {
        0xFC, 0x00, 0x05, 0x00, 0x03, 0x00, 0x01, 0x41, 0x00, // 3 chars, 16-bit: "A"
        0x3C, 0x00, 0x04, 0x00, 0x01, 0x42, 0x00, 0x43,       // flags, "B", half a character
        0x3C, 0x00, 0x03, 0x00, 0x01, 0x43, 0x00,             // flags, "C"
    };
    // One producer closes the record, writes an empty CONTINUE record and carries on
    // in the next one, which starts with the flags byte.
    const Bytes emptyContinue = {
        0xFC, 0x00, 0x05, 0x00, 0x03, 0x00, 0x01, 0x41, 0x00, // 3 chars, 16-bit: "A"
        0x3C, 0x00, 0x00, 0x00,                               // empty CONTINUE
        0x3C, 0x00, 0x05, 0x00, 0x01, 0x42, 0x00, 0x43, 0x00, // flags, "BC"
    };
    EXPECT_EQ(readGroup(strayByte, 1)[0].text, u"ABC");
    EXPECT_EQ(readGroup(emptyContinue, 1)[0].text, u"ABC");
}

TEST(RichStringRead, Failures) {
    // Characters go on, but the next record is EOF.
    const Bytes noContinue = {0xFC, 0x00, 0x04, 0x00, 0x02, 0x00, 0x00, 0x41, 0x0A, 0x00, 0x00, 0x00};
    EXPECT_EQ(errorOf([&] { readGroup(noContinue, 1); }), "readRichString: CONTINUE record not found");

    // The count field itself is missing.
    const Bytes noCount = {0xFC, 0x00, 0x01, 0x00, 0x02, 0x0A, 0x00, 0x00, 0x00};
    EXPECT_EQ(errorOf([&] { readGroup(noCount, 1); }), "readInt16: CONTINUE record not found");

    // 65535 runs claimed, none present.
    const Bytes runs = {0xFC, 0x00, 0x05, 0x00, 0x00, 0x00, 0x08, 0xFF, 0xFF};
    EXPECT_EQ(errorOf([&] { readGroup(runs, 1); }), "readInt16: CONTINUE record not found");

    // 4 GiB of extended data claimed: refused before anything is reserved.
    const Bytes ext = {0xFC, 0x00, 0x07, 0x00, 0x00, 0x00, 0x04, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(errorOf([&] { readGroup(ext, 1); }), "readRichString: extended data runs past the end of the stream");
}

// --- rich strings: writing -------------------------------------------------------

RichString wideText(std::size_t n) {
    RichString s;
    for (std::size_t i = 0; i < n; ++i) s.text.push_back(static_cast<char16_t>(0x0400 + i % 200));
    return s;
}

TEST(RichStringWrite, EightThousandThreeHundredCharacters) {
    RecordWriter out;
    ContinueWriter sst(out, RecordId::SST);
    sst.u32(1); // total
    sst.u32(1); // unique
    RichString s = wideText(8300);
    writeRichString(sst, s);
    sst.finish();
    const Bytes& b = out.stream();

    // SST: 8 + 3 + 8212 bytes: 8213 bytes were left after the string header, the odd
    // count lowered to 8212, so 4106 characters.
    EXPECT_EQ(get16(b, 0), 0x00FC);
    EXPECT_EQ(get16(b, 2), 8223);
    EXPECT_EQ(get16(b, 12), 8300); // cch
    EXPECT_EQ(b[14], 0x01);        // flags
    EXPECT_EQ(get16(b, 15), s.text[0]);
    EXPECT_EQ(get16(b, 15 + 2 * 4105), s.text[4105]);
    // CONTINUE: the flags byte 0x01, then 8222 bytes: 4111 characters.
    const std::size_t c1 = 4 + 8223;
    EXPECT_EQ(get16(b, c1), 0x003C);
    EXPECT_EQ(get16(b, c1 + 2), 8223);
    EXPECT_EQ(b[c1 + 4], 0x01);
    EXPECT_EQ(get16(b, c1 + 5), s.text[4106]);
    // CONTINUE: the flags byte and the last 83 characters.
    const std::size_t c2 = c1 + 4 + 8223;
    EXPECT_EQ(get16(b, c2), 0x003C);
    EXPECT_EQ(get16(b, c2 + 2), 1 + 2 * 83);
    EXPECT_EQ(b[c2 + 4], 0x01);
    EXPECT_EQ(get16(b, c2 + 5), s.text[8217]);
    EXPECT_EQ(b.size(), c2 + 4 + 167);

    RecordReader records(b);
    ByteReader body = records.next().reader();
    body.skip(8); // the two counts
    ContinueReader in(records, body);
    EXPECT_EQ(readRichString(in), s);
    EXPECT_TRUE(in.atEnd());
}

TEST(RichStringWrite, OddCounterIsLoweredForEightBitCharactersToo) {
    RecordWriter out;
    ContinueWriter group(out, 0x00FC);
    group.fitted(Bytes(8, 0));
    RichString s;
    s.flags = 0x00;
    s.text = std::u16string(9000, u'q');
    writeRichString(group, s);
    group.finish();
    const Bytes& b = out.stream();
    EXPECT_EQ(get16(b, 2), 8 + 3 + 8212); // 8213 left, one byte unused
    const std::size_t c1 = 4 + 8223;
    EXPECT_EQ(get16(b, c1 + 2), 1 + 788);
    EXPECT_EQ(b[c1 + 4], 0x00); // 8-bit from here too
    EXPECT_EQ(b[c1 + 5], 'q');
}

TEST(RichStringWrite, HeaderRunsAndExtendedDataAreNotSplit) {
    RecordWriter out;
    ContinueWriter group(out, 0x00FC);
    group.fitted(Bytes(8224 - 9, 0)); // 9 bytes left: fewer than 10, the header moves on
    RichString s;
    s.flags = 0x00;
    s.text = u"ab";
    s.runs = {{0, 1}, {1, 2}};
    s.extRst = Bytes(10000, 0xEE);
    writeRichString(group, s);
    group.finish();
    const Bytes& b = out.stream();
    EXPECT_EQ(get16(b, 2), 8224 - 9);
    const std::size_t c1 = 4 + 8224 - 9;
    EXPECT_EQ(get16(b, c1), 0x003C);
    const Bytes header = {0x02, 0x00, 0x0C, 0x02, 0x00, 0x10, 0x27, 0x00, 0x00, 0x61, 0x62,
                          0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x02, 0x00};
    EXPECT_EQ(Bytes(b.begin() + c1 + 4, b.begin() + c1 + 4 + header.size()), header);
    EXPECT_EQ(get16(b, c1 + 2), 8224); // filled with extended data ...
    const std::size_t c2 = c1 + 4 + 8224;
    EXPECT_EQ(get16(b, c2), 0x003C);    // ... which goes on without a flags byte
    EXPECT_EQ(get16(b, c2 + 2), 10000 - (8224 - 19));
    EXPECT_EQ(b[c2 + 4], 0xEE);

    // A run never straddles: with 3 bytes left it moves on whole.
    RecordWriter out2;
    ContinueWriter g2(out2, 0x00FC);
    g2.fitted(Bytes(8224 - 10, 0));
    RichString r;
    r.flags = 0x00;
    r.text = u"abcd";
    r.runs = {{0, 9}};
    writeRichString(g2, r); // header 5, characters 4: 1 byte left
    g2.finish();
    const Bytes& b2 = out2.stream();
    EXPECT_EQ(get16(b2, 2), 8224 - 1);
    EXPECT_EQ(Bytes(b2.end() - 8, b2.end()), (Bytes{0x3C, 0x00, 0x04, 0x00, 0x00, 0x00, 0x09, 0x00}));
}

TEST(RichStringWrite, WidthFollowsTheText) {
    RecordWriter out;
    ContinueWriter group(out, 0x00FC);
    RichString narrowFlagged;
    narrowFlagged.flags = 0x00;
    narrowFlagged.text = u"\u0416"; // cannot be 8-bit: written 16-bit
    writeRichString(group, narrowFlagged);
    RichString made; // made from text: flags 0x01
    made.text = u"A";
    writeRichString(group, made);
    group.finish();
    EXPECT_EQ(out.stream(), (Bytes{0xFC, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x01, 0x16, 0x04,
                                   0x01, 0x00, 0x01, 0x41, 0x00}));
    RichString tooLong;
    tooLong.text = std::u16string(65536, u'x');
    EXPECT_EQ(errorOf([&] { writeRichString(group, tooLong); }), "string is too long");
}

TEST(RichStringRoundTrip, ManyStringsAcrossManyRecords) {
    std::vector<RichString> strings;
    for (std::size_t i = 0; i < 300; ++i) {
        RichString s = (i % 3 == 0) ? wideText(i * 37 % 700) : RichString{};
        if (i % 3 != 0) {
            s.flags = 0x00;
            s.text = std::u16string(i * 53 % 900, static_cast<char16_t>(u'a' + i % 26));
        }
        if (i % 5 == 0) s.runs = {{0, static_cast<std::uint16_t>(i)}, {3, 1}};
        if (i % 7 == 0) s.extRst = Bytes(i % 40 + 1, static_cast<std::uint8_t>(i));
        if (!s.runs.empty()) s.flags |= 0x08;
        if (!s.extRst.empty()) s.flags |= 0x04;
        strings.push_back(s);
    }
    RecordWriter out;
    ContinueWriter group(out, RecordId::SST);
    for (const RichString& s : strings) writeRichString(group, s);
    group.finish();
    out.record(RecordId::EOF_, {});

    RecordReader records(out.stream());
    Record first = records.next();
    ContinueReader in(records, first.reader());
    for (std::size_t i = 0; i < strings.size(); ++i) ASSERT_EQ(readRichString(in), strings[i]) << "string " << i;
    EXPECT_TRUE(in.atEnd());
    EXPECT_TRUE(records.next().is(RecordId::EOF_));
}

} // namespace
} // namespace karvo
