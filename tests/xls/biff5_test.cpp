// biff5_test.cpp - BIFF5 books as older producers write them: formulas and names
// rewritten in the BIFF8 layout one at a time; a whole BIFF5 book, what it reads as and
// the BIFF8 layouts it is saved in; its texts in its code page; and a BIFF5 corpus
// file's names as an independent reader (python3-xlrd) sees them after our save.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "core/book_factory.h"
#include "core/interfaces.h"
#include "core/utf_convert.h"
#include "core/xlerror.h"
#include "support/book_bytes.h"
#include "support/corpus_files.h"
#include "support/error_of.h"
#include "support/python_script.h"
#include "support/record_bytes.h"
#include "tests/xls/formula_test_book.h"
#include "xls/code_page.h"
#include "xls/compound_file.h"
#include "xls/defined_name_biff5.h"
#include "xls/formula_biff5.h"
#include "xls/formula_renderer.h"
#include "xls/xls.h"

namespace karvo {
namespace {

using testing::BookPtr;
using testing::Bytes;
using testing::fileOf;
using testing::join;
using testing::kBofGlobals5;
using testing::kBofSheet5;
using testing::loaded;
using testing::RecordSpec;
using testing::saved;
using testing::streamOf;

constexpr const char* kUntranslated = "formula of a BIFF5 file can't be translated";

// An expression as records hold it: cce, the tokens, the data after them.
Bytes expression(const Bytes& tokens, const Bytes& extra = {}) {
    Bytes out = {static_cast<std::uint8_t>(tokens.size()), static_cast<std::uint8_t>(tokens.size() >> 8)};
    return join({out, tokens, extra});
}

const Bytes kEight(8, 0);
const Bytes kTwelve(12, 0);
// PtgNameX: an external name, which has no BIFF8 form here.
const Bytes kNameX = join({{0x39, 0xFF, 0xFF}, kEight, {0x01, 0x00}, kTwelve});

// ---- formulas ----

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
        kNameX, // PtgNameX: an external name
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

    FormulaBlock bad = sharedCell(kNameX);
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

// ---- defined names ----

// BIFF5 PtgArea3d to this book (ixals -1), sheets 1 to 1, rows 0-4, columns 0-2, absolute.
const Bytes kArea3dBiff5 = join({{0x3B, 0xFF, 0xFF}, kEight, {0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x02}});

// A print area of the second sheet, as BIFF5 writes it.
const Bytes kPrintAreaBiff5 = join({{
    0x20, 0x00,             // flags: built-in
    0x00,                   // shortcut
    0x01,                   // name length
    0x15, 0x00,             // formula size: 21
    0x02, 0x00,             // ExternSheet index of a sheet's name
    0x02, 0x00,             // itab: the second sheet
    0x00, 0x00, 0x00, 0x00, // menu, description, help and status text lengths
    0x06,                   // the name: code 6, the print area
}, kArea3dBiff5});

const Bytes kPrintAreaBiff8 = {
    0x20, 0x00,             // flags
    0x00,                   // shortcut
    0x01,                   // name length
    0x0B, 0x00,             // formula size: 11
    0x00, 0x00,             // reserved
    0x02, 0x00,             // sheet number
    0x00, 0x00, 0x00, 0x00, // reserved
    0x00, 0x06,             // text flags (8-bit), the name
    0x3B, 0x00, 0x00,       // PtgArea3d, XTI 0
    0x00, 0x00, 0x04, 0x00, // rows 0-4
    0x00, 0x00, 0x02, 0x00, // columns 0-2, absolute
};

// A book-wide name "Café" (8-bit, 0xE9) with shortcut K: =Data!$E$15 (PtgRef3d, ixals
// -2, sheet 1), then the texts BIFF5 keeps after the formula: description "Hi", status "S".
const Bytes kCafeBiff5 = join({
    {0x00, 0x00, 'K', 0x04, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 'C', 'a', 'f', 0xE9},
    {0x3A, 0xFE, 0xFF}, kEight, {0x01, 0x00, 0x01, 0x00, 0x0E, 0x00, 0x04},
    {'H', 'i', 'S'},
});

const Bytes kCafeBiff8 = {
    0x00, 0x00, 'K', 0x04, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // the texts are not carried
    0x00, 'C', 'a', 'f', 0xE9,
    0x3A, 0x00, 0x00, 0x0E, 0x00, 0x04, 0x00, // PtgRef3d, XTI 0, row 14, column 4 absolute
};

// A name with formula size and name length set from the parts.
Bytes nameBiff5(const Bytes& text, const Bytes& tokens, const Bytes& after = {}, Bytes textLengths = {0, 0, 0, 0}) {
    Bytes fixed = {0x00, 0x00, 0x00, static_cast<std::uint8_t>(text.size()), static_cast<std::uint8_t>(tokens.size()),
                   static_cast<std::uint8_t>(tokens.size() >> 8), 0x00, 0x00, 0x00, 0x00};
    return join({fixed, textLengths, text, tokens, after});
}

class Biff5Name : public ::testing::Test {
protected:
    test::FormulaTestBook book;

    Lbl translated(const Bytes& body) {
        std::optional<Lbl> name = translateBiff5Name(body, book);
        EXPECT_TRUE(name.has_value());
        return name.value_or(Lbl{});
    }
};

TEST_F(Biff5Name, PrintAreaGetsItsXtiEntry) {
    Lbl name = translated(kPrintAreaBiff5);
    EXPECT_EQ(name.body(), kPrintAreaBiff8);
    EXPECT_TRUE(name.isBuiltIn(Lbl::kPrintArea));
    EXPECT_EQ(name.sheet, 2);
    EXPECT_EQ(book.xti, (std::vector<Xti>{{0, 1, 1}}));
}

TEST_F(Biff5Name, TextsAfterTheFormulaAreLeftOut) {
    Lbl name = translated(kCafeBiff5);
    EXPECT_EQ(name.text, u"Caf\u00E9");
    EXPECT_FALSE(name.wideText);
    EXPECT_EQ(name.body(), kCafeBiff8);
}

TEST_F(Biff5Name, StringsAndArrayDataTakeTheBiff8Layout) {
    // Sheet_Title (code 12) = "Sheet1": the string gains its flags byte.
    Lbl title = translated(nameBiff5({0x0C}, {0x17, 0x06, 'S', 'h', 'e', 'e', 't', '1'}));
    EXPECT_EQ(title.formula, (Bytes{0x17, 0x06, 0x00, 'S', 'h', 'e', 'e', 't', '1'}));
    EXPECT_TRUE(title.extra.empty());

    // ={1.5} with a help text "H": the array data sits between the tokens and the text.
    const Bytes ptgArray = {0x60, 0, 0, 0, 0, 0, 0, 0};
    const Bytes oneAndAHalf = {0x01, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F};
    Lbl array = translated(nameBiff5({'A'}, ptgArray, join({{0x01, 0x01, 0x00}, oneAndAHalf, {'H'}}), {0, 0, 1, 0}));
    EXPECT_EQ(array.formula, ptgArray);
    EXPECT_EQ(array.extra, join({{0x00, 0x00, 0x00}, oneAndAHalf})) << "counts less 1, the number, no text";
}

TEST_F(Biff5Name, FormulaWithoutBiff8FormBecomesReferenceError) {
    // An add-in call through PtgNameX: the name stays, so name indices keep their targets.
    Lbl addIn = translated(nameBiff5({'X'}, kNameX));
    EXPECT_EQ(addIn.text, u"X");
    EXPECT_EQ(addIn.formula, (Bytes{0x1C, 0x17}));

    // A name of 255 characters and 2700 PtgInt tokens fits BIFF5's record with its
    // CONTINUE records, but not one BIFF8 Lbl (14 + 1 + 255 + 8100 bytes).
    Bytes ints;
    for (int i = 0; i < 2700; ++i) ints.insert(ints.end(), {0x1E, 0x01, 0x00});
    Lbl big = translated(nameBiff5(Bytes(255, 'n'), ints));
    EXPECT_EQ(big.text.size(), 255u);
    EXPECT_EQ(big.formula, (Bytes{0x1C, 0x17}));
}

TEST_F(Biff5Name, RecordsThatDoNotHoldTheLayoutGiveNothing) {
    const Bytes good = nameBiff5({'A', 'B'}, {0x1E, 0x01, 0x00}, {'d'}, {0, 1, 0, 0});
    ASSERT_TRUE(translateBiff5Name(good, book).has_value());
    const Bytes cutInFixedPart(good.begin(), good.begin() + 12);
    const Bytes nameBeyondBody(good.begin(), good.begin() + 15);
    const Bytes formulaBeyondBody(good.begin(), good.begin() + 18);
    const Bytes textsBeyondBody(good.begin(), good.end() - 1);
    const Bytes noName = nameBiff5({}, {0x1E, 0x01, 0x00});
    for (const Bytes* body : {&cutInFixedPart, &nameBeyondBody, &formulaBeyondBody, &textsBeyondBody, &noName})
        EXPECT_FALSE(translateBiff5Name(*body, book).has_value()) << ::testing::PrintToString(*body);
}

Lbl rawName(Bytes body, std::vector<Bytes> continues = {}) {
    Lbl raw;
    raw.parsed = false;
    raw.rawBody = std::move(body);
    raw.continues = std::move(continues);
    return raw;
}

TEST_F(Biff5Name, BookNamesKeepTheirOrderAndLoseDamagedOnes) {
    const Bytes split = nameBiff5({'Z'}, {0x1E, 0x07, 0x00});
    std::vector<Lbl> names = {
        rawName(kPrintAreaBiff5),
        rawName(Bytes(kCafeBiff5.begin(), kCafeBiff5.begin() + 16)), // cut inside the name
        rawName(Bytes(split.begin(), split.begin() + 16), {Bytes(split.begin() + 16, split.end())}),
    };
    translateBiff5Names(names, book);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].body(), kPrintAreaBiff8);
    EXPECT_EQ(names[1].text, u"Z") << "a body continued in a CONTINUE record is read whole";
    EXPECT_EQ(names[1].formula, (Bytes{0x1E, 0x07, 0x00}));
    EXPECT_TRUE(names[1].parsed);
    EXPECT_TRUE(names[1].continues.empty());
}

// ---- a BIFF5 book ----

// A Formula record: row, column, XF 15, the result 1.5 (or 7.0), flags, chn 0, the expression.
Bytes formulaRecord(std::uint8_t row, std::uint8_t col, bool seven, std::uint8_t flags, const Bytes& tokens) {
    const Bytes result = seven ? Bytes{0, 0, 0, 0, 0, 0, 0x1C, 0x40} : Bytes{0, 0, 0, 0, 0, 0, 0xF8, 0x3F};
    return join({{row, 0x00, col, 0x00, 0x0F, 0x00}, result, {flags, 0x00, 0, 0, 0, 0}, expression(tokens)});
}

// A book with what BIFF5 lays out otherwise than BIFF8. Globals: an empty InterfaceHdr,
// an 8-bit WriteAccess, sheets "S1" and "Data", the sheet list of the book's references,
// and the names: the print area of Data, "Rate" = Data!$B$2, "Addin" (an add-in call).
// S1 repeats Country and has a sheet list of its own. A1 =Data!B2 (cached 7), A2 an
// add-in call, B1:B2 the shared formula A1+1, C1:C2 a shared add-in call (cached 1.5);
// A3 an RString "abc", B3 a formula with the string result "xy", A4 =Rate*2.
Bytes biff5Book() {
    const Bytes ref3d = join({{0x5A, 0xFF, 0xFF}, kEight, {0x01, 0x00, 0x01, 0x00, 0x01, 0xC0, 0x01}});
    const Bytes exp = {0x01, 0x00, 0x00, 0x01, 0x00}, expC = {0x01, 0x00, 0x00, 0x02, 0x00};
    const Bytes rate = nameBiff5({'R', 'a', 't', 'e'},
                                 join({{0x3A, 0xFF, 0xFF}, kEight, {0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01}}));
    return fileOf(streamOf({
        {0x0809, kBofGlobals5},
        {0x00E1, {}},
        {0x005C, {0x03, 'B', 'o', 'b', ' ', ' '}},          // u8 count, 8-bit name, padding
        {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x02, 'S', '1'}}, // name with u8 count, no flags
        {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x04, 'D', 'a', 't', 'a'}},
        {0x0016, {0x01, 0x00}}, // ExternCount
        {0x0017, {0x04, 0x03, 'D', 'a', 't', 'a'}},
        {0x0018, kPrintAreaBiff5},
        {0x0018, rate},
        {0x0018, nameBiff5({'A', 'd', 'd', 'i', 'n'}, kNameX)},
        {0x000A, {}},
        {0x0809, kBofSheet5},
        {0x008C, {0x01, 0x00, 0x31, 0x00}},
        {0x0016, {0x01, 0x00}},
        {0x0017, {0x01, 0x02}}, // ExternSheet: this sheet
        {0x0006, formulaRecord(0, 0, true, 0, ref3d)},
        {0x0006, formulaRecord(0, 1, false, 0x08, exp)},
        {0x04BC, join({{0x00, 0x00, 0x01, 0x00, 0x01, 0x01, 0x00, 0x02},
                       expression({0x4C, 0x00, 0xC0, 0xFF, 0x1E, 0x01, 0x00, 0x03})})},
        {0x0006, formulaRecord(0, 2, false, 0x08, expC)},
        {0x04BC, join({{0x00, 0x00, 0x01, 0x00, 0x02, 0x02, 0x00, 0x02}, expression(join({kNameX, {0x42, 0x01, 0xFF, 0x00}}))})},
        {0x0006, formulaRecord(1, 0, false, 0, join({kNameX, {0x1E, 0x02, 0x00, 0x42, 0x02, 0xFF, 0x00}}))},
        {0x0006, formulaRecord(1, 1, false, 0x08, exp)},
        {0x0006, formulaRecord(1, 2, false, 0x08, expC)},
        // RString at A3: XF 15, cch 3, "abc", one run (character 0, font 1).
        {0x00D6, {2, 0, 0, 0, 0x0F, 0, 0x03, 0x00, 'a', 'b', 'c', 0x01, 0x00, 0x01}},
        // B3: a string result (first byte 0, last two 0xFFFF) of PtgInt 1; then its
        // String record: u16 count, 8-bit characters, no flags.
        {0x0006, {2, 0, 1, 0, 0x0F, 0, 0x00, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0x03, 0x00, 0x1E, 0x01, 0x00}},
        {0x0207, {0x02, 0x00, 'x', 'y'}},
        {0x0006, formulaRecord(3, 0, true, 0, join({{0x23, 0x02, 0x00}, kTwelve, {0x1E, 0x02, 0x00, 0x05}}))},
        {0x000A, {}},
        {0x0809, kBofSheet5},
        {0x000A, {}},
    }));
}

std::u16string formulaAt(IBook& book, int row, int col) {
    const char16_t* text = book.getSheet(0)->readFormula(row, col);
    return text ? std::u16string(text) : u"failed: " + utf8ToUtf16(book.errorMessage());
}

// The book reads the same loaded and after it is saved (as BIFF8) and loaded again,
// except that what has no BIFF8 form is saved as its cached value.
TEST(Biff5Book, ReadsInBiff8FormBeforeAndAfterSaving) {
    const std::u16string untranslated = u"failed: " + utf8ToUtf16(kUntranslated);
    const struct {
        int row, col;
        std::u16string loaded, saved;
    } formulas[] = {
        {0, 0, u"Data!B2", u"Data!B2"}, {0, 1, u"A1+1", u"A1+1"},       {1, 1, u"A2+1", u"A2+1"},
        {1, 0, untranslated, u"1.5"},   {0, 2, untranslated, u"1.5"},   {1, 2, untranslated, u"1.5"},
        {2, 1, u"1", u"1"},             {3, 0, u"Rate*2", u"Rate*2"},
    };
    BookPtr first = loaded(biff5Book());
    BookPtr again = loaded(saved(*first));
    EXPECT_EQ(again->binaryVersion(), 0x0600);
    for (IBook* book : {first.get(), again.get()}) {
        const bool wasSaved = book == again.get();
        ISheet* sheet = book->getSheet(0);
        for (const auto& f : formulas) {
            EXPECT_EQ(formulaAt(*book, f.row, f.col), wasSaved ? f.saved : f.loaded) << f.row << "," << f.col;
            EXPECT_TRUE(sheet->cellIsFormula(f.row, f.col)) << f.row << "," << f.col;
        }
        EXPECT_EQ(sheet->readNumber(0, 0), 7.0);
        EXPECT_EQ(sheet->readNumber(1, 2), 1.5);
        EXPECT_EQ(std::u16string(sheet->readString(2, 0)), u"abc");
        EXPECT_EQ(std::u16string(sheet->readString(2, 1)), u"xy");
        ISheet* data = book->getSheet(1);
        int rowFirst = -1, rowLast = -1, colFirst = -1, colLast = -1;
        ASSERT_TRUE(data->namedRange(u"Rate", &rowFirst, &rowLast, &colFirst, &colLast)) << book->errorMessage();
        EXPECT_EQ((std::vector<int>{rowFirst, rowLast, colFirst, colLast}), (std::vector<int>{1, 1, 1, 1}));
        EXPECT_EQ(data->namedRangeCount(), 2) << "the print area and Rate";
    }
}

std::vector<Bytes> bodiesOf(const std::vector<RecordSpec>& records, std::uint16_t id) {
    std::vector<Bytes> bodies;
    for (const RecordSpec& r : records)
        if (r.id == id) bodies.push_back(r.body);
    return bodies;
}

TEST(Biff5Book, IsSavedInTheBiff8Layouts) {
    BookPtr book = loaded(biff5Book());
    const std::vector<RecordSpec> records = testing::recordsOf(readWorkbookStream(saved(*book)));
    const std::vector<Bytes> access = bodiesOf(records, 0x005C);
    ASSERT_EQ(access.size(), 1u);
    // u16 count 3, flags 0 (8-bit characters), "Bob", then spaces up to 112 bytes.
    EXPECT_EQ(Bytes(access[0].begin(), access[0].begin() + 7), (Bytes{0x03, 0x00, 0x00, 'B', 'o', 'b', ' '}));
    EXPECT_EQ(access[0].size(), 112u);
    EXPECT_EQ(bodiesOf(records, 0x0207), (std::vector<Bytes>{{0x02, 0x00, 0x00, 'x', 'y'}})) << "count, flags, text";
    EXPECT_EQ(bodiesOf(records, 0x008C).size(), 1u) << "Country only in the globals";
    EXPECT_TRUE(bodiesOf(records, 0x00D6).empty()) << "BIFF8 has no RString";
    EXPECT_TRUE(bodiesOf(records, 0x0016).empty()) << "BIFF8 has no ExternCount";
    // The print area, Rate and Data!B2 refer to Data through one XTI entry, (SupBook 0, 1, 1).
    EXPECT_EQ(bodiesOf(records, 0x0017), (std::vector<Bytes>{{0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00}}));
    EXPECT_EQ(bodiesOf(records, 0x0018),
              (std::vector<Bytes>{
                  kPrintAreaBiff8,
                  join({{0x00, 0x00, 0x00, 0x04, 0x07, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 'R', 'a', 't', 'e'},
                        {0x3A, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00}}),
                  {0x00, 0x00, 0x00, 0x05, 0x02, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 'A', 'd', 'd', 'i', 'n', 0x1C, 0x17},
              }));
}

TEST(Biff5Book, RStringShorterThanItsCountFails) {
    Bytes file = fileOf(streamOf({
        {0x0809, kBofGlobals5},
        {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x02, 'S', '1'}},
        {0x000A, {}},
        {0x0809, kBofSheet5},
        {0x00D6, {0, 0, 0, 0, 0x0F, 0, 0x09, 0x00, 'a', 'b'}}, // count 9, two characters
        {0x000A, {}},
    }));
    BookPtr book(createBinaryBook());
    EXPECT_FALSE(book->loadFromMemory(reinterpret_cast<const char*>(file.data()), file.size()));
    EXPECT_STREQ(book->errorMessage(), "RString size is incorrect");
}

TEST(Biff5Book, LongWriteAccessNameIsCutToTheFixedRecord) {
    Bytes access{200};           // u8 count 200
    access.resize(1 + 200, 'n'); // 200 8-bit characters
    BookPtr book = loaded(fileOf(streamOf({{0x0809, kBofGlobals5},
                                           {0x005C, access},
                                           {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x02, 'S', '1'}},
                                           {0x000A, {}},
                                           {0x0809, kBofSheet5},
                                           {0x000A, {}}})));
    std::vector<Bytes> written = bodiesOf(testing::recordsOf(readWorkbookStream(saved(*book))), 0x005C);
    ASSERT_EQ(written.size(), 1u);
    ASSERT_EQ(written[0].size(), 112u);
    EXPECT_EQ(written[0][0], 109); // 112 bytes less the count and the flags byte
    EXPECT_EQ(written[0][1], 0);
    EXPECT_EQ(written[0][111], 'n');
}

// The 8-bit texts of a BIFF5 book are in its code page: sheet names and labels come
// back as the characters those bytes stand for, and stay so through a save.
TEST(Biff5Book, TextsAreDecodedThroughTheCodePage) {
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
        Bytes stream = streamOf({{0x0809, globalsBof},
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

// ---- read back by xlrd ----

TEST(Biff5BookNames, CorpusNamesSeenByXlrd) {
    const std::filesystem::path source = testing::corpusRoot() / "xls" / "sjs_defined_names_unicode.biff5.xls";
    if (testing::corpusRoot().empty() || !std::filesystem::exists(source)) GTEST_SKIP() << "corpus absent";
    BookPtr book(createBinaryBook());
    ASSERT_TRUE(book->load(utf8ToUtf16(source.string()).c_str())) << book->errorMessage();

    const testing::XlrdView view = testing::xlrdSees(*book, "xlrd_names.py");
    if (!view.skipped.empty()) GTEST_SKIP() << view.skipped;
    // What xlrd reports for the original BIFF5 file.
    EXPECT_EQ(view.seen,
              "name___ scope=-1 builtin=0\n"
              "  sheets 2-2 rows 0-0 cols 0-0\n"
              "  area2d sheet___ rows 0-0 cols 0-0\n"
              "name___name scope=-1 builtin=0\n"
              "  sheets 4-4 rows 1-1 cols 1-1\n"
              "  area2d sheet___sheet rows 1-1 cols 1-1\n"
              "NoContainsJapaneseName scope=-1 builtin=0\n"
              "  sheets 1-1 rows 0-0 cols 0-0\n"
              "  area2d _____ rows 0-0 cols 0-0\n"
              "sheet___ scope=-1 builtin=0\n"
              "  sheets 2-2 rows 0-0 cols 0-0\n"
              "  area2d sheet___ rows 0-0 cols 0-0\n"
              "___ scope=-1 builtin=0\n"
              "  sheets 0-0 rows 0-0 cols 0-0\n"
              "  area2d NoContainsJapanese rows 0-0 cols 0-0\n"
              "___name scope=-1 builtin=0\n"
              "  sheets 3-3 rows 1-1 cols 8-8\n"
              "  area2d ___sheet rows 1-1 cols 8-8\n");
}

} // namespace
} // namespace karvo
