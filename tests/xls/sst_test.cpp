// The shared string table: sharing by text, replacement, use counts, and its index
// holding up through growth and erasure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/utf_convert.h"
#include "xls/sst.h"

using namespace karvo;

namespace {

RichString fileString(const char16_t* text) { return RichString{text, richflag::kHighByte, {}, {}}; }

} // namespace

TEST(SharedStrings, EqualTextsShareOneEntry) {
    SharedStrings sst;
    EXPECT_EQ(sst.add(u"abc"), 0u);
    EXPECT_EQ(sst.add(u"def"), 1u);
    EXPECT_EQ(sst.add(u"abc"), 0u);
    EXPECT_EQ(sst.add(u""), 2u);
    EXPECT_EQ(sst.add(u""), 2u);
    EXPECT_EQ(sst.size(), 3u);
}

TEST(SharedStrings, FileDuplicatesKeepTheirPlacesAndTheLastOneIsShared) {
    SharedStrings sst;
    sst.append(fileString(u"dup"));
    sst.append(fileString(u"x"));
    sst.append(fileString(u"dup"));
    EXPECT_EQ(sst.size(), 3u);
    EXPECT_EQ(sst.add(u"dup"), 2u);
    sst.append(fileString(u"x"));  // appended after the index exists: it takes over "x"
    EXPECT_EQ(sst.add(u"x"), 3u);
}

TEST(SharedStrings, ReplacedTextIsFoundUnderItsNewTextOnly) {
    SharedStrings sst;
    sst.add(u"old");
    sst.add(u"other");
    sst.replace(0, u"new");
    EXPECT_EQ(sst.at(0).text, u"new");
    EXPECT_EQ(sst.add(u"new"), 0u);
    EXPECT_EQ(sst.add(u"old"), 2u);  // no longer present: appended
    sst.replace(1, u"new");          // two entries with one text: either may be found
    std::uint32_t found = sst.add(u"new");
    EXPECT_TRUE(found == 0u || found == 1u);
    EXPECT_EQ(sst.size(), 3u);
}

TEST(SharedStrings, TheIndexSurvivesGrowthAndManyReplacements) {
    SharedStrings sst;
    for (int i = 0; i < 50000; ++i) EXPECT_EQ(sst.add(utf8ToUtf16("s" + std::to_string(i))), std::uint32_t(i));
    for (int i = 0; i < 50000; i += 2) sst.replace(std::uint32_t(i), utf8ToUtf16("r" + std::to_string(i)));
    for (int i = 0; i < 50000; ++i) {
        std::string text = (i % 2 ? "s" : "r") + std::to_string(i);
        ASSERT_EQ(sst.add(utf8ToUtf16(text)), std::uint32_t(i)) << text;
    }
    EXPECT_EQ(sst.size(), 50000u);
}

// A text taken from the table itself, at the moment the table's buffer must grow.
TEST(SharedStrings, OwnTextsCanBeAddedAndReplacedWhileTheBufferGrows) {
    SharedStrings sst;
    for (int i = 0; i < 100000; ++i) {
        const std::u16string fresh = utf8ToUtf16("text " + std::to_string(i));
        const std::uint32_t at = sst.add(fresh);
        sst.replace(at, sst.text(at));
        ASSERT_EQ(sst.text(at), fresh) << i;
        ASSERT_EQ(sst.add(sst.text(at)), at) << i;
    }
}

// Texts up to the longest fill several blocks of characters. Every text stays whole,
// terminated, found and counted, also once the replaced ones are dropped.
TEST(SharedStrings, TextsSpreadOverBlocksStayWhole) {
    SharedStrings sst;
    std::vector<std::u16string> texts;
    for (int i = 0; i < 70; ++i) {
        std::u16string text(i % 2 ? 0xFFFF : 3 + i, u'x');
        text[0] = static_cast<char16_t>(0x100 + i);
        texts.push_back(text);
        ASSERT_EQ(sst.add(text), std::uint32_t(i));
        for (int use = 0; use <= i % 3; ++use) sst.retain(std::uint32_t(i));
    }
    auto check = [&](const char* when) {
        for (std::uint32_t i = 0; i < texts.size(); ++i) {
            ASSERT_EQ(sst.text(i), texts[i]) << when << " " << i;
            ASSERT_EQ(sst.text(i).data()[texts[i].size()], u'\0') << when << " " << i;
            ASSERT_EQ(sst.add(texts[i]), i) << when << " " << i;
            ASSERT_EQ(sst.uses(i), i % 3 + 1) << when << " " << i;
        }
    };
    check("added");
    for (std::uint32_t i = 1; i < texts.size(); i += 2) {
        texts[i] = u"short " + texts[i].substr(0, 1);
        sst.replace(i, texts[i]);
    }
    check("replaced");
    EXPECT_EQ(sst.size(), texts.size());
}

TEST(SharedStrings, UseCountsMakeTheTotal) {
    SharedStrings sst;
    sst.add(u"a");
    sst.add(u"b");
    sst.retain(0);
    sst.retain(0);
    sst.retain(1);
    sst.retain(7);  // past the table: ignored
    EXPECT_EQ(sst.totalCount(), 3u);
    EXPECT_EQ(sst.uses(0), 2u);
    sst.release(0);
    sst.release(1);
    sst.release(1);  // never below zero
    EXPECT_EQ(sst.totalCount(), 1u);
    EXPECT_EQ(sst.uses(1), 0u);
}

// A table as a file holds it: plain, rich and phonetic strings, one long enough to
// go on in a CONTINUE record. Read and written again it gives the same bytes, and
// each text is handed out zero-terminated where it lies.
TEST(SharedStrings, ReadAndWrittenAgainGivesTheSameRecords) {
    std::vector<RichString> strings = {
        fileString(u"plain"),
        RichString{u"narrow", 0, {}, {}},
        RichString{u"bold here", richflag::kHighByte | richflag::kRichSt, {{0, 1}, {4, 2}}, {}},
        RichString{u"kana", richflag::kHighByte | richflag::kExtRst, {}, {1, 2, 3, 4, 5, 6}},
        RichString{std::u16string(5000, u'L'), richflag::kHighByte, {}, {}},
    };
    RecordWriter original;
    ContinueWriter group(original, RecordId::SST);
    group.u32(9);  // the file's total count, which the table recounts from its cells
    group.u32(static_cast<std::uint32_t>(strings.size()));
    for (const RichString& s : strings) writeRichString(group, s);
    group.finish();

    SharedStrings sst;
    RecordReader records(original.stream());
    sst.read(records, records.next());
    ASSERT_EQ(sst.size(), strings.size());
    for (std::uint32_t i = 0; i < sst.size(); ++i) {
        EXPECT_EQ(sst.at(i), strings[i]) << i;
        EXPECT_EQ(sst.text(i).data()[sst.text(i).size()], u'\0') << i;
    }

    RecordWriter again;
    sst.write(again);
    std::vector<std::uint8_t> expected = original.stream();
    expected[4] = 0;  // no cell retains a string here
    EXPECT_EQ(again.stream(), expected);
}

// Replaced texts stay in the buffer until they are most of it; dropping them must
// keep every entry's text and the index's view of it.
TEST(SharedStrings, ReplacedTextsAreDroppedWithoutLosingAnyEntry) {
    SharedStrings sst;
    sst.add(u"first");
    sst.add(u"kept");
    for (int i = 0; i < 300; ++i) sst.replace(0, utf8ToUtf16(std::string(1000, 'a' + i % 26)));
    sst.replace(0, u"last");
    EXPECT_EQ(sst.text(0), u"last");
    EXPECT_EQ(sst.text(1), u"kept");
    EXPECT_EQ(sst.add(u"last"), 0u);
    EXPECT_EQ(sst.add(u"kept"), 1u);
    EXPECT_EQ(sst.add(std::u16string(1000, u'a')), 2u);  // a replaced text is gone
}
