// formula_biff5_test.cpp - BIFF5 token arrays rewritten in the BIFF8 layout, alone and
// in a BIFF5 book that is read, rendered, saved and read again.
#include "xls/formula_biff5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "core/book_factory.h"
#include "core/interfaces.h"
#include "core/xlerror.h"
#include "support/error_of.h"
#include "support/book_bytes.h"
#include "support/record_bytes.h"
#include "tests/xls/formula_test_book.h"
#include "xls/code_page.h"
#include "xls/formula_renderer.h"
#include "xls/xls.h"

namespace karvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kUntranslated = "formula of a BIFF5 file can't be translated";

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// An expression as records hold it: cce, the tokens, the data after them.
Bytes expression(const Bytes& tokens, const Bytes& extra = {}) {
    Bytes out = {static_cast<std::uint8_t>(tokens.size()), static_cast<std::uint8_t>(tokens.size() >> 8)};
    return join({out, tokens, extra});
}

const Bytes kEight(8, 0);
const Bytes kTwelve(12, 0);

class Biff5Formula : public ::testing::Test {
protected:
    Bytes translated(const Bytes& tokens, const Bytes& extra = {}, bool shared = false) {
        return translateBiff5Expression(expression(tokens, extra), book, shared);
    }
    std::string failure(const Bytes& tokens, const Bytes& extra = {}) {
        return testing::errorOf([&] { translated(tokens, extra); });
    }
    test::FormulaTestBook book; // sheets 0 Sheet1, 1 Data, 2 My Sheet, 3 Bob's; no XTI entries
};

TEST_F(Biff5Formula, CellsAndAreasMoveTheirFlagsToTheColumnWord) {
    // BIFF5 PtgRef: row word (bit 15 row-relative, bit 14 column-relative), column byte.
    EXPECT_EQ(translated({0x44, 0x04, 0xC0, 0x02}), expression({0x44, 0x04, 0x00, 0x02, 0xC0}));
    EXPECT_EQ(translated({0x24, 0x04, 0x00, 0x02}), expression({0x24, 0x04, 0x00, 0x02, 0x00}));
    EXPECT_EQ(translated({0x64, 0x04, 0x80, 0x02}), expression({0x64, 0x04, 0x00, 0x02, 0x80}));
    // PtgArea: row, row, column, column -> BIFF8's row, row, column word, column word.
    EXPECT_EQ(translated({0x25, 0x01, 0xC0, 0x03, 0x00, 0x00, 0x02}),
              expression({0x25, 0x01, 0x00, 0x03, 0x00, 0x00, 0xC0, 0x02, 0x00}));
    // Row 8192 of an ordinary formula is a row, not a negative offset.
    EXPECT_EQ(translated({0x44, 0x00, 0xE0, 0x00}), expression({0x44, 0x00, 0x20, 0x00, 0xC0}));
}

TEST_F(Biff5Formula, SharedOffsetsKeepTheirSign) {
    // PtgRefN: row offset -1 (14 bits 0x3FFF), column offset -1 (0xFF).
    EXPECT_EQ(translated({0x4C, 0xFF, 0xFF, 0xFF}), expression({0x4C, 0xFF, 0xFF, 0xFF, 0xC0}));
    EXPECT_EQ(translated({0x4C, 0x02, 0xC0, 0x01}), expression({0x4C, 0x02, 0x00, 0x01, 0xC0}));
    // An absolute row of 8192 stays one.
    EXPECT_EQ(translated({0x4C, 0x00, 0x20, 0x05}), expression({0x4C, 0x00, 0x20, 0x05, 0x00}));
    // PtgAreaN rows -3 and +1, both columns +0.
    EXPECT_EQ(translated({0x4D, 0xFD, 0xFF, 0x01, 0xC0, 0x00, 0x00}),
              expression({0x4D, 0xFD, 0xFF, 0x01, 0x00, 0x00, 0xC0, 0x00, 0xC0}));
    // The whole: C5 from A1 in a shared formula, -1 and -1 from D6.
    const Bytes biff8 = translated({0x4C, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(renderFormula(std::span(biff8).subspan(2), book, true, 5, 3), u"C5");
}

TEST_F(Biff5Formula, StringsNamesAndUnchangedTokens) {
    // PtgStr: count and 8-bit characters gain a flags byte.
    EXPECT_EQ(translated({0x17, 0x03, 'a', 'b', 'c'}), expression({0x17, 0x03, 0x00, 'a', 'b', 'c'}));
    {
        // In a book of code page 1251 the bytes are Cyrillic letters: 16-bit in BIFF8.
        NarrowCodePage::Scope codePage;
        codePage.use(1251);
        EXPECT_EQ(translated({0x17, 0x02, 0xC4, 0xE0}), expression({0x17, 0x02, 0x01, 0x14, 0x04, 0x30, 0x04}));
    }
    // PtgName: u16 index and 12 reserved bytes -> u32 index.
    EXPECT_EQ(translated(join({{0x43, 0x02, 0x00}, kTwelve})), expression({0x43, 0x02, 0x00, 0x00, 0x00}));
    // Constants, operators and calls keep their bytes: SUM(1+2;SIN(1.5);TRUE;#N/A).
    const Bytes same = {0x1E, 0x01, 0x00, 0x1E, 0x02, 0x00, 0x03, 0x1F, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F,
                        0x41, 0x0F, 0x00, 0x1D, 0x01, 0x1C, 0x2A, 0x42, 0x04, 0x04, 0x00};
    EXPECT_EQ(translated(same), expression(same));
}

TEST_F(Biff5Formula, ThreeDReferencesToOwnSheetsGetXtiEntries) {
    // PtgRef3d: ixals -1 (this book), 8 reserved, sheets 1..1, then the cell C1.
    EXPECT_EQ(translated(join({{0x5A, 0xFF, 0xFF}, kEight, {0x01, 0x00, 0x01, 0x00, 0x00, 0xC0, 0x02}})),
              expression({0x5A, 0x00, 0x00, 0x00, 0x00, 0x02, 0xC0}));
    // PtgArea3d over sheets 0..2 with ixals -2: a second XTI entry.
    EXPECT_EQ(translated(join({{0x3B, 0xFE, 0xFF}, kEight, {0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x01}})),
              expression({0x3B, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00}));
    // The same sheet again reuses its entry.
    EXPECT_EQ(translated(join({{0x3A, 0xFF, 0xFF}, kEight, {0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}})),
              expression({0x3A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(book.xti, (std::vector<Xti>{{0, 1, 1}, {0, 0, 2}}));
}

TEST_F(Biff5Formula, OtherBooksAndMissingSheetsBecomeReferenceErrors) {
    const Bytes cellTail = {0x00, 0xC0, 0x00};
    const Bytes areaTail = {0x00, 0x00, 0x01, 0x00, 0x00, 0x01};
    // ixals +1: another book. The class stays, the XTI list is untouched.
    EXPECT_EQ(translated(join({{0x5A, 0x01, 0x00}, kEight, {0x00, 0x00, 0x00, 0x00}, cellTail})),
              expression({0x4A, 0, 0, 0, 0}));
    EXPECT_EQ(translated(join({{0x3B, 0x01, 0x00}, kEight, {0x00, 0x00, 0x00, 0x00}, areaTail})),
              expression({0x2B, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Sheet 5 of a 4-sheet book, sheets 2..1, and a deleted sheet (0xFFFF).
    EXPECT_EQ(translated(join({{0x5A, 0xFF, 0xFF}, kEight, {0x05, 0x00, 0x05, 0x00}, cellTail})),
              expression({0x4A, 0, 0, 0, 0}));
    EXPECT_EQ(translated(join({{0x5A, 0xFF, 0xFF}, kEight, {0x02, 0x00, 0x01, 0x00}, cellTail})),
              expression({0x4A, 0, 0, 0, 0}));
    EXPECT_EQ(translated(join({{0x7A, 0xFF, 0xFF}, kEight, {0xFF, 0xFF, 0xFF, 0xFF}, cellTail})),
              expression({0x6A, 0, 0, 0, 0}));
    // Deleted references of BIFF5 (3, 6, 17 and 20 bytes) keep their kind.
    EXPECT_EQ(translated({0x2A, 0, 0, 0}), expression({0x2A, 0, 0, 0, 0}));
    EXPECT_EQ(translated({0x4B, 0, 0, 0, 0, 0, 0}), expression({0x4B, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(translated(join({{0x3C, 0xFF, 0xFF}, kEight, {0x00, 0x00, 0x00, 0x00}, cellTail})),
              expression({0x2A, 0, 0, 0, 0}));
    EXPECT_EQ(translated(join({{0x5D, 0xFF, 0xFF}, kEight, {0x00, 0x00, 0x00, 0x00}, areaTail})),
              expression({0x4B, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(book.xti.empty());
}

TEST_F(Biff5Formula, JumpsFollowTheNewSizes) {
    // IF(A1;"yes";"no"). BIFF5 offsets: ref 0-3, If 4-7, "yes" 8-12, skip 13-16,
    // "no" 17-20, skip 21-24, FuncVar 25-28. If jumps from 8 to 17 (9); a skip lands one
    // byte past its offset on the end, 29: 29-17-1 = 11 and 29-25-1 = 3.
    const Bytes ifBiff5 = {0x44, 0x00, 0xC0, 0x00, 0x19, 0x02, 0x09, 0x00, 0x17, 0x03, 'y', 'e', 's',
                           0x19, 0x08, 0x0B, 0x00, 0x17, 0x02, 'n', 'o', 0x19, 0x08, 0x03, 0x00,
                           0x42, 0x03, 0x01, 0x00};
    // BIFF8: ref 0-4, If 5-8, "yes" 9-14, skip 15-18, "no" 19-23, skip 24-27, FuncVar
    // 28-31: If 19-9 = 10, skips 32-19-1 = 12 and 32-28-1 = 3.
    const Bytes ifBiff8 = {0x44, 0x00, 0x00, 0x00, 0xC0, 0x19, 0x02, 0x0A, 0x00, 0x17, 0x03, 0x00, 'y', 'e', 's',
                           0x19, 0x08, 0x0C, 0x00, 0x17, 0x02, 0x00, 'n', 'o', 0x19, 0x08, 0x03, 0x00,
                           0x42, 0x03, 0x01, 0x00};
    EXPECT_EQ(translated(ifBiff5), expression(ifBiff8));

    // CHOOSE(1;A1;"b"): the offsets count from the start of the offset list (byte 7 in
    // both): BIFF5 choices at 13 and 21, the call at 28; BIFF8 at 13, 22 and 30.
    const Bytes chooseBiff5 = {0x1E, 0x01, 0x00, 0x19, 0x04, 0x02, 0x00, 0x06, 0x00, 0x0E, 0x00, 0x15, 0x00,
                               0x44, 0x00, 0xC0, 0x00, 0x19, 0x08, 0x0A, 0x00, 0x17, 0x01, 'b',
                               0x19, 0x08, 0x03, 0x00, 0x42, 0x03, 0x64, 0x00};
    const Bytes chooseBiff8 = {0x1E, 0x01, 0x00, 0x19, 0x04, 0x02, 0x00, 0x06, 0x00, 0x0F, 0x00, 0x17, 0x00,
                               0x44, 0x00, 0x00, 0x00, 0xC0, 0x19, 0x08, 0x0B, 0x00, 0x17, 0x01, 0x00, 'b',
                               0x19, 0x08, 0x03, 0x00, 0x42, 0x03, 0x64, 0x00};
    EXPECT_EQ(translated(chooseBiff5), expression(chooseBiff8));

    // PtgMemFunc's length covers its sub-expression, which grows by one byte.
    EXPECT_EQ(translated({0x29, 0x04, 0x00, 0x44, 0x00, 0xC0, 0x00}),
              expression({0x29, 0x05, 0x00, 0x44, 0x00, 0x00, 0x00, 0xC0}));
}

TEST_F(Biff5Formula, JumpsThatLandInsideATokenFail) {
    Bytes intoString = {0x44, 0x00, 0xC0, 0x00, 0x19, 0x02, 0x02, 0x00, 0x17, 0x03, 'y', 'e', 's'};
    EXPECT_EQ(failure(intoString), kUntranslated);
    EXPECT_EQ(failure({0x29, 0x02, 0x00, 0x44, 0x00, 0xC0, 0x00}), kUntranslated);
    EXPECT_EQ(failure({0x29, 0x09, 0x00, 0x44, 0x00, 0xC0, 0x00}), kUntranslated); // past the end
}

TEST_F(Biff5Formula, DataAfterTheTokens) {
    const Bytes ptgArray = {0x60, 0, 0, 0, 0, 0, 0, 0};
    // BIFF5 array data: 2 columns and 1 row as counts; 1.5 and the 8-bit string "hi".
    const Bytes arrayBiff5 = {0x02, 0x01, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0x02, 0x02, 'h', 'i'};
    // BIFF8: the counts less 1; the string with a u16 count and a flags byte.
    const Bytes arrayBiff8 = {0x01, 0x00, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0x02, 0x02, 0x00, 0x00, 'h', 'i'};
    EXPECT_EQ(translated(ptgArray, arrayBiff5), expression(ptgArray, arrayBiff8));
    const Bytes biff8 = translated(ptgArray, arrayBiff5);
    EXPECT_EQ(renderFormula(FormulaBytes{std::span(biff8).subspan(2, 8), std::span(biff8).subspan(10)}, book, false,
                            0, 0),
              u"{1.5,\"hi\"}");
    // 0 columns are 256.
    Bytes wide = {0x00, 0x01, 0x00};
    for (int i = 0; i < 256; ++i) wide.insert(wide.end(), {0x04, 0x01, 0, 0, 0, 0, 0, 0, 0});
    Bytes wideBiff8 = wide;
    wideBiff8[0] = 0xFF;
    wideBiff8[1] = 0x00;
    EXPECT_EQ(translated(ptgArray, wide), expression(ptgArray, wideBiff8));
    // PtgMemArea's areas: rows u16 and columns u8 become four u16.
    EXPECT_EQ(translated({0x26, 0, 0, 0, 0, 0x04, 0x00, 0x44, 0x00, 0xC0, 0x00},
                         {0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x05}),
              expression({0x26, 0, 0, 0, 0, 0x05, 0x00, 0x44, 0x00, 0x00, 0x00, 0xC0},
                         {0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x05, 0x00}));
}

TEST_F(Biff5Formula, WhatHasNoBiff8FormFails) {
    const Bytes ptgArray = {0x40, 0, 0, 0, 0, 0, 0, 0};
    const Bytes cases[] = {
        join({{0x39, 0xFF, 0xFF}, kEight, {0x01, 0x00}, kTwelve}), // PtgNameX: an external name
        {0x38, 0x01, 0x04},                                        // a macro command call
        {0x18, 0x01, 0, 0, 0, 0},                                  // a natural-language label
        {0x1A, 0x00},                                              // a BIFF4 sheet token
        {0x19, 0x03, 0x00, 0x00},                                  // an unknown attribute
        {0x44, 0x00},                                              // a cell cut short
        {0x17, 0x05, 'a'},                                         // a string cut short
        {0x19, 0x04, 0x05, 0x00, 0x00, 0x00},                      // CHOOSE without its offsets
    };
    for (const Bytes& tokens : cases) EXPECT_EQ(failure(tokens), kUntranslated) << int(tokens[0]);
    EXPECT_EQ(failure(ptgArray), kUntranslated);                         // no array data
    EXPECT_EQ(failure(ptgArray, {0x01, 0x00, 0x00}), kUntranslated);     // 0 rows
    EXPECT_EQ(failure(ptgArray, {0x01, 0x01, 0x00, 0x03, 0, 0, 0, 0, 0, 0, 0, 0}), kUntranslated); // type 3
    EXPECT_EQ(failure(ptgArray, {0xFF, 0xFF, 0x3F, 0x01}), kUntranslated); // 4 million elements claimed
    // cce beyond the bytes.
    EXPECT_THROW(translateBiff5Expression(Bytes{0x05, 0x00, 0x1E, 0x01, 0x00}, book, false), xlerror);
}

// A formula cell whose result is 1.5 (flags: shared), carrying a ShrFmla record.
FormulaBlock sharedCell(const Bytes& shrFmlaTokens) {
    FormulaBlock block;
    block.result = {0, 0, 0, 0, 0, 0, 0xF8, 0x3F};
    block.flags = 0x0008;
    block.expression = expression({0x01, 0x00, 0x00, 0x01, 0x00}); // PtgExp: this cell, B1
    // ShrFmla: rows 0-1, column 1-1, reserved, use count 2, then the expression.
    block.shrFmla = RawRecord{0x04BC, join({{0x00, 0x00, 0x01, 0x00, 0x01, 0x01, 0x00, 0x02}, expression(shrFmlaTokens)}), {}};
    return block;
}

TEST_F(Biff5Formula, BlocksTranslateWholeOrNotAtAll) {
    FormulaBlock good = sharedCell({0x4C, 0x00, 0xC0, 0xFF, 0x1E, 0x01, 0x00, 0x03}); // A1+1 from B1
    ASSERT_TRUE(translateBiff5Block(good, book));
    EXPECT_EQ(good.shrFmla->body, join({{0x00, 0x00, 0x01, 0x00, 0x01, 0x01, 0x00, 0x02},
                                        expression({0x4C, 0x00, 0x00, 0xFF, 0xC0, 0x1E, 0x01, 0x00, 0x03})}));
    EXPECT_EQ(good.expression, expression({0x01, 0x00, 0x00, 0x01, 0x00}));

    const Bytes nameX = join({{0x39, 0xFF, 0xFF}, kEight, {0x01, 0x00}, kTwelve});
    FormulaBlock bad = sharedCell(nameX);
    const FormulaBlock before = bad;
    EXPECT_FALSE(translateBiff5Block(bad, book));
    EXPECT_EQ(bad.shrFmla->body, before.shrFmla->body);
    EXPECT_EQ(bad.expression, before.expression);
}

TEST_F(Biff5Formula, CellsThatKeepTheirCachedResult) {
    FormulaBlock number = sharedCell({0x1E, 0x01, 0x00});
    keepCachedResult(number);
    EXPECT_EQ(number.expression, expression({0x1F, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
    EXPECT_FALSE(number.shrFmla);
    EXPECT_EQ(number.flags, 0);
    EXPECT_TRUE(number.untranslated);

    FormulaBlock flag;
    flag.result = {1, 0, 1, 0, 0, 0, 0xFF, 0xFF}; // boolean TRUE
    keepCachedResult(flag);
    EXPECT_EQ(flag.expression, expression({0x1D, 0x01}));
    FormulaBlock error;
    error.result = {2, 0, 0x07, 0, 0, 0, 0xFF, 0xFF}; // #DIV/0!
    keepCachedResult(error);
    EXPECT_EQ(error.expression, expression({0x1C, 0x07}));
    FormulaBlock text;
    text.result = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    text.textAt = FormulaBlock::TextAt::AfterFormula;
    text.text = RawRecord{0x0207, {0x02, 0x00, 0x00, 'o', 'k'}, {}};
    keepCachedResult(text);
    EXPECT_EQ(text.expression, expression({0x17, 0x02, 0x01, 'o', 0x00, 'k', 0x00}));
}

// ---- a BIFF5 book ----

using testing::streamOf;

using testing::BookPtr;
using testing::fileOf;
using testing::kBofGlobals5;
using testing::kBofSheet5;
using testing::loaded;
using testing::saved;


// A Formula record: row, column, XF 15, the result 1.5 (or 7.0), flags, chn 0, the expression.
Bytes formulaRecord(std::uint8_t row, std::uint8_t col, bool seven, std::uint8_t flags, const Bytes& tokens) {
    const Bytes result = seven ? Bytes{0, 0, 0, 0, 0, 0, 0x1C, 0x40} : Bytes{0, 0, 0, 0, 0, 0, 0xF8, 0x3F};
    return join({{row, 0x00, col, 0x00, 0x0F, 0x00}, result, {flags, 0x00, 0, 0, 0, 0}, expression(tokens)});
}

// Sheet "S1": A1 =Data!B2 (PtgRef3d to sheet 1), A2 an add-in call through PtgNameX,
// B1:B2 the shared formula A1+1, C1:C2 a shared formula with PtgNameX. Sheet "Data" is empty.
Bytes biff5Book() {
    const Bytes nameX = join({{0x39, 0xFF, 0xFF}, kEight, {0x01, 0x00}, kTwelve});
    const Bytes ref3d = join({{0x5A, 0xFF, 0xFF}, kEight, {0x01, 0x00, 0x01, 0x00, 0x01, 0xC0, 0x01}});
    const Bytes exp = {0x01, 0x00, 0x00, 0x01, 0x00}, expC = {0x01, 0x00, 0x00, 0x02, 0x00};
    Bytes stream = streamOf({
        {0x0809, kBofGlobals5},
        {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x02, 'S', '1'}},
        {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x04, 'D', 'a', 't', 'a'}},
        {0x000A, {}},
        {0x0809, kBofSheet5},
        {0x0006, formulaRecord(0, 0, true, 0, ref3d)},
        {0x0006, formulaRecord(0, 1, false, 0x08, exp)},
        {0x04BC, join({{0x00, 0x00, 0x01, 0x00, 0x01, 0x01, 0x00, 0x02}, expression({0x4C, 0x00, 0xC0, 0xFF, 0x1E,
                                                                                     0x01, 0x00, 0x03})})},
        {0x0006, formulaRecord(0, 2, false, 0x08, expC)},
        {0x04BC, join({{0x00, 0x00, 0x01, 0x00, 0x02, 0x02, 0x00, 0x02}, expression(join({nameX, {0x42, 0x01, 0xFF, 0x00}}))})},
        {0x0006, formulaRecord(1, 0, false, 0, join({nameX, {0x1E, 0x02, 0x00, 0x42, 0x02, 0xFF, 0x00}}))},
        {0x0006, formulaRecord(1, 1, false, 0x08, exp)},
        {0x0006, formulaRecord(1, 2, false, 0x08, expC)},
        {0x000A, {}},
        {0x0809, kBofSheet5},
        {0x000A, {}},
    });
    return fileOf(stream);
}

std::u16string formulaAt(IBook& book, int row, int col) {
    const char16_t* text = book.getSheet(0)->readFormula(row, col);
    return text ? std::u16string(text) : u"failed: " + std::u16string(book.errorMessage(), book.errorMessage() +
                                                                       std::strlen(book.errorMessage()));
}

TEST(Biff5Book, FormulasReadInBiff8Form) {
    BookPtr book = loaded(biff5Book());
    EXPECT_EQ(formulaAt(*book, 0, 0), u"Data!B2");
    EXPECT_EQ(formulaAt(*book, 0, 1), u"A1+1");
    EXPECT_EQ(formulaAt(*book, 1, 1), u"A2+1");
    // The add-in call has no BIFF8 form here; the cell keeps its cached value.
    for (auto [row, col] : {std::pair{1, 0}, {0, 2}, {1, 2}}) {
        EXPECT_EQ(book->getSheet(0)->readFormula(row, col), nullptr);
        EXPECT_STREQ(book->errorMessage(), kUntranslated);
        EXPECT_TRUE(book->getSheet(0)->cellIsFormula(row, col));
        EXPECT_EQ(book->getSheet(0)->readNumber(row, col), 1.5);
    }
}

TEST(Biff5Book, SavedAndReadAgain) {
    BookPtr first = loaded(biff5Book());
    const char* data = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(first->saveToMemory(&data, &size)) << first->errorMessage();
    BookPtr book = loaded(Bytes(data, data + size));
    EXPECT_EQ(book->binaryVersion(), 0x0600);
    EXPECT_EQ(formulaAt(*book, 0, 0), u"Data!B2");
    EXPECT_EQ(formulaAt(*book, 0, 1), u"A1+1");
    EXPECT_EQ(formulaAt(*book, 1, 1), u"A2+1");
    // What had no BIFF8 form was saved as its value, which a reader computes again.
    EXPECT_EQ(formulaAt(*book, 1, 0), u"1.5");
    EXPECT_EQ(formulaAt(*book, 0, 2), u"1.5");
    EXPECT_EQ(formulaAt(*book, 1, 2), u"1.5");
    EXPECT_EQ(book->getSheet(0)->readNumber(0, 0), 7.0);
}

} // namespace
} // namespace karvo
