// biff5_carry_test.cpp - a BIFF5 book loads, and what it carries into a saved (BIFF8)
// book is in the BIFF8 layouts that other readers expect.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/book_factory.h"
#include "core/interfaces.h"
#include "support/book_bytes.h"
#include "support/record_bytes.h"
#include "xls/xls.h"

namespace karvo {
namespace {

using testing::Bytes;
using testing::RecordSpec;

using testing::BookPtr;
using testing::fileOf;
using testing::kBofGlobals5;
using testing::kBofSheet5;
using testing::loaded;
using testing::saved;


// A BIFF5 workbook: what older producers write that BIFF8 lays out otherwise.
Bytes biff5Stream(const Bytes& sheetRecordsBody) {
    Bytes stream = testing::streamOf({
        {0x0809, kBofGlobals5},
        {0x00E1, {}},                          // InterfaceHdr: empty in BIFF5
        {0x005C, {0x03, 'B', 'o', 'b', ' ', ' '}}, // WriteAccess: u8 count, 8-bit name, padding
        {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x02, 'S', '1'}}, // BoundSheet8: name with u8 count, no flags
        {0x000A, {}},
    });
    stream.insert(stream.end(), sheetRecordsBody.begin(), sheetRecordsBody.end());
    return stream;
}

Bytes biff5Sheet() {
    return testing::streamOf({
        {0x0809, kBofSheet5},
        {0x008C, {0x01, 0x00, 0x31, 0x00}}, // Country, repeated in each BIFF5 sheet
        // RString at A1: row 0, col 0, XF 15, cch 3, "abc", 1 run (char 0, font 1)
        {0x00D6, {0, 0, 0, 0, 0x0F, 0, 0x03, 0x00, 'a', 'b', 'c', 0x01, 0x00, 0x01}},
        // Formula at B1, XF 15: a string result (first byte 0, last two 0xFFFF), flags 0,
        // chn 0, expression cce 3: ptgInt 1 (1E 01 00)
        {0x0006, {0, 0, 1, 0, 0x0F, 0, 0x00, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0x03, 0x00,
                  0x1E, 0x01, 0x00}},
        {0x0207, {0x02, 0x00, 'x', 'y'}}, // String: u16 count, 8-bit characters, no flags
        {0x000A, {}},
    });
}

std::vector<RecordSpec> recordsOfFile(const Bytes& file) { return testing::recordsOf(Xls::openRead(file).stream()); }

const RecordSpec* findRecord(const std::vector<RecordSpec>& records, std::uint16_t id) {
    auto at = std::find_if(records.begin(), records.end(), [id](const RecordSpec& r) { return r.id == id; });
    return at == records.end() ? nullptr : &*at;
}

TEST(Biff5Carry, OlderRecordsLoad) {
    BookPtr book = loaded(fileOf(biff5Stream(biff5Sheet())));
    ISheet* sheet = book->getSheet(0);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(std::u16string(sheet->sheetName()), u"S1");
    EXPECT_EQ(std::u16string(sheet->readString(0, 0)), u"abc"); // the RString's text
    EXPECT_TRUE(sheet->cellIsFormula(0, 1));
    EXPECT_EQ(std::u16string(sheet->readString(0, 1)), u"xy");
}

TEST(Biff5Carry, SavedBookHasBiff8Layouts) {
    BookPtr book = loaded(fileOf(biff5Stream(biff5Sheet())));
    Bytes file = saved(*book);
    std::vector<RecordSpec> records = recordsOfFile(file);

    const RecordSpec* access = findRecord(records, 0x005C);
    ASSERT_NE(access, nullptr);
    // u16 count 3, flags 0 (8-bit characters), "Bob", then spaces up to 112 bytes.
    EXPECT_EQ(Bytes(access->body.begin(), access->body.begin() + 7), (Bytes{0x03, 0x00, 0x00, 'B', 'o', 'b', ' '}));
    EXPECT_EQ(access->body.size(), 112u);
    const RecordSpec* text = findRecord(records, 0x0207);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->body, (Bytes{0x02, 0x00, 0x00, 'x', 'y'})); // count, flags byte, characters
    EXPECT_EQ(std::count_if(records.begin(), records.end(), [](const RecordSpec& r) { return r.id == 0x008C; }), 1)
        << "Country only in the globals";
    EXPECT_EQ(findRecord(records, 0x00D6), nullptr) << "BIFF8 has no RString";

    BookPtr again = loaded(file);
    EXPECT_EQ(std::u16string(again->getSheet(0)->readString(0, 0)), u"abc");
    EXPECT_EQ(std::u16string(again->getSheet(0)->readString(0, 1)), u"xy");
}

TEST(Biff5Carry, RStringShorterThanItsCountFails) {
    Bytes sheet = testing::streamOf({
        {0x0809, kBofSheet5},
        {0x00D6, {0, 0, 0, 0, 0x0F, 0, 0x09, 0x00, 'a', 'b'}}, // count 9, two characters
        {0x000A, {}},
    });
    Bytes file = fileOf(biff5Stream(sheet));
    BookPtr book(createBinaryBook());
    EXPECT_FALSE(book->loadFromMemory(reinterpret_cast<const char*>(file.data()), file.size()));
    EXPECT_STREQ(book->errorMessage(), "RString size is incorrect");
}

TEST(Biff5Carry, LongWriteAccessNameIsCutToTheFixedRecord) {
    Bytes access{200};                  // u8 count 200
    access.resize(1 + 200, 'n');        // 200 8-bit characters
    Bytes stream = testing::streamOf({{0x0809, kBofGlobals5}, {0x005C, access},
                                      {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x02, 'S', '1'}}, {0x000A, {}}});
    Bytes sheet = testing::streamOf({{0x0809, kBofSheet5}, {0x000A, {}}});
    stream.insert(stream.end(), sheet.begin(), sheet.end());
    BookPtr book = loaded(fileOf(stream));
    std::vector<RecordSpec> records = recordsOfFile(saved(*book));
    const RecordSpec* written = findRecord(records, 0x005C);
    ASSERT_NE(written, nullptr);
    ASSERT_EQ(written->body.size(), 112u);
    EXPECT_EQ(written->body[0], 109); // 112 bytes less the count and the flags byte
    EXPECT_EQ(written->body[1], 0);
    EXPECT_EQ(written->body[111], 'n');
}

// The 8-bit texts of a BIFF5 book are in its code page: sheet names and labels come
// back as the characters those bytes stand for, and stay so through a save.
TEST(Biff5Carry, TextsAreDecodedThroughTheCodePage) {
    struct Case {
        std::uint16_t codePage;
        Bytes text;
        std::u16string expected;
    };
    const Case cases[] = {
        {1252, {'G', 'r', 0xFC, 0xDF, 'e', ' ', 0x80}, u"Grüße €"},
        {1251, {0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2}, u"Привет"},
        {10000, {'C', 'a', 'f', 0x8E, ' ', 0xA5}, u"Café •"},
    };
    for (const Case& c : cases) {
        Bytes boundSheet = {0, 0, 0, 0, 0x00, 0x00, static_cast<std::uint8_t>(c.text.size())};
        boundSheet.insert(boundSheet.end(), c.text.begin(), c.text.end());
        Bytes label = {0, 0, 0, 0, 0x0F, 0, static_cast<std::uint8_t>(c.text.size()), 0};
        label.insert(label.end(), c.text.begin(), c.text.end());
        Bytes globalsBof = kBofGlobals5;
        globalsBof[0] = 0x80; // version 0x0580: a minor version some producers write
        Bytes stream = testing::streamOf({{0x0809, globalsBof},
                                          {0x0042, {static_cast<std::uint8_t>(c.codePage), static_cast<std::uint8_t>(c.codePage >> 8)}},
                                          {0x0085, boundSheet},
                                          {0x000A, {}},
                                          {0x0809, kBofSheet5},
                                          {0x0204, label},
                                          {0x000A, {}}});
        BookPtr book = loaded(fileOf(stream));
        ASSERT_EQ(book->sheetCount(), 1) << c.codePage;
        EXPECT_EQ(std::u16string(book->getSheet(0)->sheetName()), c.expected) << c.codePage;
        EXPECT_EQ(std::u16string(book->getSheet(0)->readString(0, 0)), c.expected) << c.codePage;
        BookPtr again = loaded(saved(*book));
        EXPECT_EQ(std::u16string(again->getSheet(0)->readString(0, 0)), c.expected) << c.codePage;
    }
}

// A BIFF8 Header may hold an empty text as a zero count without its flags byte.
TEST(PageSetupText, ZeroCountWithoutFlagsIsEmpty) {
    const Bytes bof8 = {0x00, 0x06, 0x05, 0x00, 0xD3, 0x18, 0xCD, 0x07, 0x01, 0, 0, 0, 0x06, 0, 0, 0};
    Bytes sheetBof = bof8;
    sheetBof[2] = 0x10;
    Bytes stream = testing::streamOf({{0x0809, bof8}, {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x01, 0x00, 'S'}},
                                      {0x000A, {}}, {0x0809, sheetBof},
                                      {0x0014, {0x00, 0x00}},       // Header: count 0, no flags byte
                                      {0x0015, {0x01, 0x00, 0x00}}, // Footer: count 1, flags, no character
                                      {0x000A, {}}});
    Bytes file = fileOf(stream);
    BookPtr book(createBinaryBook());
    EXPECT_FALSE(book->loadFromMemory(reinterpret_cast<const char*>(file.data()), file.size()));
    EXPECT_STREQ(book->errorMessage(), "Footer size is incorrect");

    stream = testing::streamOf({{0x0809, bof8}, {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x01, 0x00, 'S'}},
                                {0x000A, {}}, {0x0809, sheetBof}, {0x0014, {0x00, 0x00}}, {0x000A, {}}});
    BookPtr good = loaded(fileOf(stream));
    EXPECT_EQ(std::u16string(good->getSheet(0)->headerText()), u"");
}

} // namespace
} // namespace karvo
