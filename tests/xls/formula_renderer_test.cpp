// formula_renderer_test.cpp - token bytes to formula text, and the failures of hostile arrays.
#include "xls/formula_renderer.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/xlerror.h"
#include "tests/xls/formula_test_book.h"

namespace karvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

class FormulaRender : public testing::Test {
protected:
    FormulaRender() {
        // Sheets: 0 Sheet1, 1 Data, 2 My Sheet, 3 Bob's.
        book.xti = {{0, 1, 1}, {0, 2, 2}, {0, 0, 1}, {0, 7, 7}, {0, 3, 3}};
    }
    std::u16string render(const Bytes& tokens, bool shared = false, int row = 0, int col = 0) {
        return renderFormula(tokens, book, shared, row, col);
    }
    std::string failure(const Bytes& tokens) {
        try {
            render(tokens);
        } catch (const xlerror& e) {
            return e.what();
        }
        return "no error";
    }
    test::FormulaTestBook book;
};

// Shared pieces: PtgInt 1 and 2, PtgRef A1 (row 0, column 0, both relative).
const Bytes kInt1 = {0x1E, 0x01, 0x00};
const Bytes kInt2 = {0x1E, 0x02, 0x00};
const Bytes kRefA1 = {0x44, 0x00, 0x00, 0x00, 0xC0};

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST_F(FormulaRender, BinaryOperatorsJoinWithoutSpaces) {
    const std::pair<std::uint8_t, std::u16string_view> cases[] = {
        {0x03, u"1+2"},  {0x04, u"1-2"}, {0x05, u"1*2"},  {0x06, u"1/2"}, {0x07, u"1^2"},  {0x08, u"1&2"},
        {0x09, u"1<2"},  {0x0A, u"1<=2"}, {0x0B, u"1=2"}, {0x0C, u"1>=2"}, {0x0D, u"1>2"}, {0x0E, u"1<>2"},
    };
    for (const auto& [ptg, text] : cases) EXPECT_EQ(render(join({kInt1, kInt2, {ptg}})), text) << int(ptg);
}

TEST_F(FormulaRender, UnaryPercentAndKeptParentheses) {
    EXPECT_EQ(render(join({kRefA1, {0x13}})), u"-A1");
    EXPECT_EQ(render(join({kRefA1, {0x12}})), u"+A1");
    EXPECT_EQ(render(join({kInt1, {0x14}})), u"1%");
    // (1+2)*2: 1 2 + ( 2 *
    EXPECT_EQ(render(join({kInt1, kInt2, {0x03, 0x15}, kInt2, {0x05}})), u"(1+2)*2");
    // 1+2*2 keeps no parentheses: precedence lives in the order of the tokens.
    EXPECT_EQ(render(join({kInt1, kInt2, kInt2, {0x05, 0x03}})), u"1+2*2");
}

TEST_F(FormulaRender, Constants) {
    EXPECT_EQ(render({0x1D, 0x01}), u"TRUE");
    EXPECT_EQ(render({0x1D, 0x00}), u"FALSE");
    EXPECT_EQ(render({0x1E, 0xFF, 0xFF}), u"65535");
    // PtgNum 3.14159265 (0x400921FB53C8D4F1) keeps six significant digits.
    EXPECT_EQ(render({0x1F, 0xF1, 0xD4, 0xC8, 0x53, 0xFB, 0x21, 0x09, 0x40}), u"3.14159");
    EXPECT_EQ(render({0x1F, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x1C, 0xC8, 0x40}), u"12345.5");
    EXPECT_EQ(render({0x1F, 0x00, 0x00, 0x00, 0x00, 0x80, 0x84, 0x2E, 0x41}), u"1e+06");
    // Error constants by their code; a code that is no error has no text of its own.
    EXPECT_EQ(render({0x1C, 0x07}), u"#DIV/0!");
    EXPECT_EQ(render({0x1C, 0x2A}), u"#N/A");
    EXPECT_EQ(render({0x1C, 0x00}), u"#NULL!");
    EXPECT_EQ(render({0x1C, 0x05}), u"ERR");
}

TEST_F(FormulaRender, StringsDoubleTheirQuotes) {
    // PtgStr, 3 characters, 16-bit: a"b
    EXPECT_EQ(render({0x17, 0x03, 0x01, 'a', 0, '"', 0, 'b', 0}), u"\"a\"\"b\"");
    // 8-bit characters with a space and a separator inside: "x; y"
    EXPECT_EQ(render({0x17, 0x04, 0x00, 'x', ';', ' ', 'y'}), u"\"x; y\"");
    // A space inside a string must not split it when the postfix text is read again.
    EXPECT_EQ(render({0x17, 0x03, 0x00, 'a', ' ', 'b', 0x17, 0x01, 0x00, 'c', 0x08}), u"\"a b\"&\"c\"");
    EXPECT_EQ(render({0x17, 0x00, 0x00}), u"\"\"");
}

TEST_F(FormulaRender, CellAndAreaReferences) {
    // The column word: bit 15 row-relative, bit 14 column-relative.
    EXPECT_EQ(render({0x44, 0x00, 0x00, 0x00, 0xC0}), u"A1");
    EXPECT_EQ(render({0x44, 0x00, 0x00, 0x00, 0x40}), u"A$1");
    EXPECT_EQ(render({0x44, 0x00, 0x00, 0x00, 0x80}), u"$A1");
    EXPECT_EQ(render({0x44, 0x00, 0x00, 0x00, 0x00}), u"$A$1");
    EXPECT_EQ(render({0x24, 0xFF, 0xFF, 0xFF, 0xC0}), u"IV65536");
    EXPECT_EQ(render({0x64, 0x09, 0x00, 0x1A, 0xC0}), u"AA10");
    // Area B2:$C$3: rows 1, 2; columns 1 relative, 2 absolute.
    EXPECT_EQ(render({0x25, 0x01, 0x00, 0x02, 0x00, 0x01, 0xC0, 0x02, 0x00}), u"B2:$C$3");
    // A hostile column beyond IV still renders with letters.
    EXPECT_EQ(render({0x44, 0x00, 0x00, 0xFF, 0xFF}), u"XFD1");
}

TEST_F(FormulaRender, SheetPrefixes) {
    // PtgRef3d: XTI index, row, column word.
    EXPECT_EQ(render({0x5A, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0}), u"Data!A1");
    EXPECT_EQ(render({0x5A, 0x01, 0x00, 0x00, 0x00, 0x00, 0xC0}), u"'My Sheet'!A1");
    EXPECT_EQ(render({0x3A, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}), u"'Bob''s'!$A$1");
    EXPECT_EQ(render({0x5A, 0x02, 0x00, 0x00, 0x00, 0x00, 0xC0}), u"Sheet1:Data!A1");
    // PtgArea3d: XTI index, then the area.
    EXPECT_EQ(render({0x5B, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0xC0, 0x01, 0xC0}), u"'My Sheet'!A1:B3");
    // XTI 3 names sheet 7, which does not exist; XTI 9 is past the list.
    EXPECT_EQ(render({0x5A, 0x03, 0x00, 0x00, 0x00, 0x00, 0xC0}), u"#REF!");
    EXPECT_EQ(render({0x5B, 0x09, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0xC0, 0x01, 0xC0}), u"#REF!");
}

TEST_F(FormulaRender, SharedFormulasAddTheCellToRelativeParts) {
    // PtgRefN: row offset -1 (0xFFFF), column offset -1 (0xFF) with both flags.
    const Bytes refN = {0x2C, 0xFF, 0xFF, 0xFF, 0xC0};
    EXPECT_EQ(render(refN, true, 5, 3), u"C5");
    // PtgAreaN: rows +0..+2 relative; first column absolute 1, last column relative +1.
    const Bytes areaN = {0x2D, 0x00, 0x00, 0x02, 0x00, 0x01, 0x80, 0x01, 0xC0};
    EXPECT_EQ(render(areaN, true, 10, 4), u"$B11:F13");
    // Absolute parts are taken as stored, and rows wrap at 65536.
    EXPECT_EQ(render({0x24, 0x05, 0x00, 0x02, 0x00}, true, 9, 9), u"$C$6");
    EXPECT_EQ(render({0x24, 0x02, 0x00, 0x00, 0xC0}, true, 65535, 0), u"A2");
    // An ordinary formula uses the stored values.
    EXPECT_EQ(render({0x24, 0x01, 0x00, 0x01, 0xC0}, false, 9, 9), u"B2");
}

TEST_F(FormulaRender, FunctionCalls) {
    // PtgFuncVar IF with three arguments.
    const Bytes refB1 = {0x44, 0x00, 0x00, 0x01, 0xC0}, refC1 = {0x44, 0x00, 0x00, 0x02, 0xC0};
    EXPECT_EQ(render(join({kRefA1, refB1, refC1, {0x42, 0x03, 0x01, 0x00}})), u"IF(A1;B1;C1)");
    // PtgFunc ATAN2 (97) takes its two arguments from the table.
    EXPECT_EQ(render(join({kInt1, kInt2, {0x41, 0x61, 0x00}})), u"ATAN2(1;2)");
    // Volatile attribute then PtgFunc TODAY (221).
    EXPECT_EQ(render({0x19, 0x01, 0x00, 0x00, 0x41, 0xDD, 0x00}), u"TODAY()");
    // Nested: ROUND(SUM(A1:A3);2), the SUM as an attribute-sum token after an area.
    const Bytes areaA1A3 = {0x25, 0x00, 0x00, 0x02, 0x00, 0x00, 0xC0, 0x00, 0xC0};
    EXPECT_EQ(render(join({areaA1A3, {0x19, 0x10, 0x00, 0x00}, kInt2, {0x41, 0x1B, 0x00}})), u"ROUND(SUM(A1:A3);2)");
    // Missing arguments are empty: IF(A1;;1).
    EXPECT_EQ(render(join({kRefA1, {0x16}, kInt1, {0x42, 0x03, 0x01, 0x00}})), u"IF(A1;;1)");
    // OFFSET as the reference-class FuncVar.
    EXPECT_EQ(render(join({kRefA1, kInt1, kInt2, {0x22, 0x03, 0x4E, 0x00}})), u"OFFSET(A1;1;2)");
}

TEST_F(FormulaRender, NamesErrorsAndTokensWithoutText) {
    EXPECT_EQ(render({0x43, 0x02, 0x00, 0x00, 0x00}), u"Total");
    EXPECT_EQ(render({0x43, 0x03, 0x00, 0x00, 0x00}), u"?"); // past the name list
    EXPECT_EQ(render({0x23, 0x01, 0x00, 0x00, 0x00}), u"Rate"); // every class names the same name
    EXPECT_EQ(render({0x63, 0x02, 0x00, 0x00, 0x00}), u"Total");
    // PtgNameX: XTI 0, name 1, reserved; XTI 4 has no such name.
    EXPECT_EQ(render({0x59, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}), u"EOMONTH");
    EXPECT_EQ(render({0x39, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00}), u"?");
    // Deleted references of every kind and class.
    for (const Bytes& deleted : {Bytes{0x2A, 0, 0, 0, 0}, Bytes{0x4A, 0, 0, 0, 0}, Bytes{0x6B, 0, 0, 0, 0, 0, 0, 0, 0},
                                 Bytes{0x3C, 0, 0, 0, 0, 0, 0}, Bytes{0x5D, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}})
        EXPECT_EQ(render(deleted), u"#REF!") << int(deleted[0]);
    EXPECT_EQ(render({0x01, 0x00, 0x00, 0x00, 0x00}), u"?"); // PtgExp
    // Labels of natural-language formulas: a label cell renders as the cell; a label
    // by number (0x01) has no text. The radical 0x0A keeps 9 bytes after its cell.
    EXPECT_EQ(render({0x18, 0x01, 0, 0, 0, 0}), u"?");
    EXPECT_EQ(render({0x18, 0x02, 0x04, 0x00, 0x01, 0xC0}), u"B5");
    EXPECT_EQ(render({0x18, 0x0A, 0x00, 0x00, 0x0C, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0}), u"$M1");
    // Attributes other than the sum leave nothing: choose with one choice (two offsets).
    EXPECT_EQ(render(join({kInt1, {0x19, 0x04, 0x01, 0x00, 0x04, 0x00, 0x08, 0x00}})), u"1");
    EXPECT_EQ(render(join({{0x19, 0x40, 0x02, 0x00}, kInt1})), u"1");
}

TEST_F(FormulaRender, ReferenceOperators) {
    const Bytes refB1 = {0x44, 0x00, 0x00, 0x01, 0xC0};
    const Bytes areaA1B2 = {0x25, 0x00, 0x00, 0x01, 0x00, 0x00, 0xC0, 0x01, 0xC0};
    const Bytes areaB1C3 = {0x25, 0x00, 0x00, 0x02, 0x00, 0x01, 0xC0, 0x02, 0xC0};
    EXPECT_EQ(render(join({kRefA1, refB1, {0x11}})), u"A1:B1");
    // A union keeps the parentheses it was typed in, as a list of references.
    EXPECT_EQ(render(join({kRefA1, refB1, {0x10, 0x15, 0x19, 0x10, 0x00, 0x00}})), u"SUM((A1,B1))");
    // Without them it is bracketed as an argument all the same, or it would read as two.
    EXPECT_EQ(render(join({kRefA1, refB1, {0x10, 0x19, 0x10, 0x00, 0x00}})), u"SUM((A1,B1))");
    EXPECT_EQ(render(join({kRefA1, refB1, {0x10}, kInt1, {0x03, 0x19, 0x10, 0x00, 0x00}})), u"SUM((A1,B1+1))");
    EXPECT_EQ(render(join({kRefA1, refB1, {0x10, 0x15}, kInt1, {0x03, 0x19, 0x10, 0x00, 0x00}})), u"SUM((A1,B1)+1)");
    EXPECT_EQ(render(join({kRefA1, refB1, {0x10}})), u"A1,B1");
    EXPECT_EQ(render(join({areaA1B2, areaB1C3, {0x0F}})), u"A1:B2 B1:C3");
    // A signed right operand is bracketed, or the text would read as a subtraction.
    EXPECT_EQ(render(join({areaA1B2, refB1, {0x13, 0x0F}})), u"A1:B2 (-B1)");
    EXPECT_EQ(failure(join({kRefA1, {0x0F}})), "toInfix error: expected two operands for binary operator");
}

TEST_F(FormulaRender, MemoryTokensLeaveTheirSubExpression) {
    // PtgMemFunc (cce 19): the operand of SUM(A1:B2 B1:C3), computed on demand.
    const Bytes memFunc = {0x29, 0x13, 0x00};
    const Bytes areas = {0x25, 0x00, 0x00, 0x01, 0x00, 0x00, 0xC0, 0x01, 0xC0,
                         0x25, 0x00, 0x00, 0x02, 0x00, 0x01, 0xC0, 0x02, 0xC0, 0x0F};
    EXPECT_EQ(render(join({memFunc, areas, {0x19, 0x10, 0x00, 0x00}})), u"SUM(A1:B2 B1:C3)");
    // PtgMemErr and PtgMemNoMem: 4 bytes, then the length.
    EXPECT_EQ(render(join({{0x47, 0x17, 0, 0, 0, 0x13, 0x00}, areas})), u"A1:B2 B1:C3");
    EXPECT_EQ(render(join({{0x28, 0, 0, 0, 0, 0x13, 0x00}, areas})), u"A1:B2 B1:C3");
}

// PtgArray takes its values from the data after the tokens: columns - 1 (u8), rows - 1
// (u16), then each element as a type byte and 8 bytes (a string: u16 count, flags, characters).
const Bytes kPtgArray = {0x40, 0, 0, 0, 0, 0, 0, 0};
const Bytes kTwoByTwo = {
    0x01, 0x01, 0x00,                                    // 2 columns, 2 rows
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F, // 1.5
    0x02, 0x03, 0x00, 0x00, 'a', ' ', 'b',                // "a b" in 8-bit characters
    0x04, 0x01, 0, 0, 0, 0, 0, 0, 0,                      // TRUE
    0x10, 0x2A, 0, 0, 0, 0, 0, 0, 0,                      // #N/A
};

TEST_F(FormulaRender, ArrayConstants) {
    EXPECT_EQ(renderFormula(FormulaBytes{kPtgArray, kTwoByTwo}, book, false, 0, 0), u"{1.5,\"a b\";TRUE,#N/A}");
    // An empty element, and a 16-bit string with a quote.
    const Bytes nilAndQuote = {0x01, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0x01, 0x00, 0x01, '"', 0x00};
    EXPECT_EQ(renderFormula(FormulaBytes{kPtgArray, nilAndQuote}, book, false, 0, 0), u"{,\"\"\"\"}");
    // Arrays take their data in token order, after what a PtgMemArea (count, 8-byte areas) holds.
    const Bytes memArea = {0x26, 0, 0, 0, 0, 0x05, 0x00, 0x44, 0x00, 0x00, 0x00, 0xC0};
    const Bytes memAreaData = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0xC0};
    Bytes extra = join({memAreaData, kTwoByTwo});
    EXPECT_EQ(renderFormula(FormulaBytes{join({memArea, kPtgArray, {0x03}}), extra}, book, false, 0, 0),
              u"A1+{1.5,\"a b\";TRUE,#N/A}");
}

TEST_F(FormulaRender, ArrayConstantsCutShortOrDamaged) {
    const auto failureWith = [&](const Bytes& extra) {
        try {
            renderFormula(FormulaBytes{kPtgArray, extra}, book, false, 0, 0);
        } catch (const xlerror& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(failureWith({}), "GetFormula move1 error");
    EXPECT_EQ(failureWith(Bytes(kTwoByTwo.begin(), kTwoByTwo.end() - 1)), "GetFormula move1 error");
    Bytes unknownType = kTwoByTwo;
    unknownType[3] = 0x03;
    EXPECT_EQ(failureWith(unknownType), "GetFormula move1 error");
    // 256 x 65536 elements claimed by 3 bytes.
    EXPECT_EQ(failureWith({0xFF, 0xFF, 0xFF}), "GetFormula move1 error");
}

TEST_F(FormulaRender, CallsOfFunctionsThatAreNotBuiltIn) {
    // The name first (a defined name or an add-in's external name), then the
    // arguments, then FuncVar 255 counting the name as one of its operands.
    const Bytes rate = {0x43, 0x01, 0x00, 0x00, 0x00}, eomonth = {0x39, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(render(join({rate, kInt1, {0x42, 0x02, 0xFF, 0x00}})), u"Rate(1)");
    EXPECT_EQ(render(join({rate, {0x22, 0x01, 0xFF, 0x00}})), u"Rate()");
    EXPECT_EQ(render(join({eomonth, kRefA1, kInt1, {0x42, 0x03, 0xFF, 0x00}})), u"EOMONTH(A1;1)");
    // Nested in a built-in call and around another call.
    EXPECT_EQ(render(join({rate, rate, kInt2, {0x42, 0x02, 0xFF, 0x00}, {0x42, 0x02, 0xFF, 0x00, 0x13}})),
              u"-Rate(Rate(2))");
    EXPECT_EQ(render(join({{0x1D, 0x01, 0x19, 0x02, 0x10, 0x00}, rate, kInt1, {0x22, 0x02, 0xFF, 0x00},
                           {0x19, 0x08, 0x03, 0x00, 0x42, 0x02, 0x01, 0x00}})),
              u"IF(TRUE;Rate(1))");
}

TEST_F(FormulaRender, StoredCallCounts) {
    // Bit 7 of a FuncVar count asks for a prompt and is no part of the count.
    EXPECT_EQ(render(join({kInt1, kInt2, {0x42, 0x82, 0x04, 0x00}})), u"SUM(1;2)");
    // The database functions and MMULT, called without a count, take 3 and 2 arguments.
    const Bytes area = {0x25, 0x00, 0x00, 0x02, 0x00, 0x00, 0xC0, 0x01, 0xC0};
    EXPECT_EQ(render(join({area, kInt1, kRefA1, {0x41, 0x29, 0x00}})), u"DSUM(A1:B3;1;A1)");
    EXPECT_EQ(render(join({area, kInt1, kRefA1, {0x41, 0x2F, 0x00}})), u"DVAR(A1:B3;1;A1)");
    EXPECT_EQ(render(join({area, area, {0x61, 0xA5, 0x00}})), u"MMULT(A1:B3;A1:B3)");
}

TEST_F(FormulaRender, SplittingFailures) {
    EXPECT_EQ(failure({0x00}), "can't recognize formula block: unknown ptg");
    EXPECT_EQ(failure({0x1A}), "can't recognize formula block: unknown ptg");
    EXPECT_EQ(failure({0x2E, 0, 0}), "can't recognize formula block: unknown ptg");
    EXPECT_EQ(failure({0x84, 0, 0, 0, 0}), "can't recognize formula block: unknown ptg");
    EXPECT_EQ(failure({0x18, 0x04, 0, 0, 0, 0, 0}), "unknown Ptg 0x18");
    EXPECT_EQ(failure({0x19, 0x03, 0, 0}), "unknown Ptg 0x19");
    // The splitter stops at the first bad Ptg, before anything is rendered.
    EXPECT_EQ(failure(join({kInt1, {0x03, 0x00}})), "can't recognize formula block: unknown ptg");
}

TEST_F(FormulaRender, ArraysEndingInsideAPtg) {
    const Bytes truncated[] = {
        {0x1E, 0x01},                                     // PtgInt without its high byte
        {0x1F, 0, 0, 0, 0, 0, 0, 0},                      // PtgNum one byte short
        {0x17, 0x05, 0x01, 'a', 0, 'b', 0},               // PtgStr declares 5 characters, holds 2
        {0x17},                                           // PtgStr without its count
        {0x17, 0x02},                                     // PtgStr without its flags
        {0x18},                                           // 0x18 without its sub-type
        {0x18, 0x01, 0, 0},                               // 0x18 body cut short
        {0x18, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},       // a radical label 1 byte short
        {0x19},                                           // attribute without its type
        {0x19, 0x10, 0x00},                               // attribute data cut short
        {0x19, 0x04, 0xFF, 0xFF, 0x00, 0x00},             // choose with 65535 choices and one offset
        {0x22, 0x01, 0x04},                               // FuncVar without the number's high byte
        {0x3B, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0},          // Area3d one byte short
        join({kInt1, kInt2, {0x44, 0x00}}),               // a good start, then a cut reference
    };
    for (const Bytes& tokens : truncated) EXPECT_EQ(failure(tokens), "GetFormula move1 error") << tokens.size();
}

TEST_F(FormulaRender, InfixFailures) {
    EXPECT_EQ(failure(join({kInt1, {0x03}})), "toInfix error: expected two operands for binary operator");
    EXPECT_EQ(failure({0x13}), "toInfix error: incorrect unary minus expression");
    EXPECT_EQ(failure({0x12}), "toInfix error: incorrect unary plus expression");
    EXPECT_EQ(failure({0x14}), "toInfix error: incorrect percent expression");
    EXPECT_EQ(failure({0x15}), "toInfix error: incorrect brackets");
    EXPECT_EQ(failure(join({kInt1, {0x42, 0x02, 0x04, 0x00}})), "toInfix error: incorrect function expression");
    EXPECT_EQ(failure({0x19, 0x10, 0x00, 0x00}), "toInfix error: incorrect function expression");
    EXPECT_EQ(failure(join({kInt1, kInt2})), "can't build infix formula string");
    EXPECT_EQ(failure({}), "can't build infix formula string");
    // A macro command (bit 15 of the number) or a number without a table entry is "?"
    // and leaves its argument.
    EXPECT_EQ(failure(join({kInt1, {0x42, 0x01, 0x04, 0x80}})), "can't build infix formula string");
    EXPECT_EQ(failure(join({kInt1, {0x41, 0xCA, 0x00}})), "can't build infix formula string");
    // A call through number 255 needs at least the function's name.
    EXPECT_EQ(failure({0x42, 0x00, 0xFF, 0x00}), "toInfix error: incorrect function expression");
    EXPECT_EQ(failure({0x22, 0x02, 0xFF, 0x00}), "toInfix error: incorrect function expression");
    // ... and that name must be one: not a number, a cell or an expression.
    EXPECT_EQ(failure(join({kInt1, {0x42, 0x01, 0xFF, 0x00}})), "toInfix error: incorrect function expression");
    EXPECT_EQ(failure(join({kRefA1, kInt1, {0x42, 0x02, 0xFF, 0x00}})), "toInfix error: incorrect function expression");
    EXPECT_EQ(failure(join({{0x17, 0x01, 0x00, 'f'}, {0x42, 0x01, 0xFF, 0x00}})),
              "toInfix error: incorrect function expression");
}

TEST_F(FormulaRender, HostileArraysHitTheBounds) {
    // More operands waiting than any formula can have.
    Bytes manyOperands;
    for (std::size_t i = 0; i <= kMaxRenderStack; ++i) manyOperands.insert(manyOperands.end(), kInt1.begin(), kInt1.end());
    EXPECT_EQ(failure(manyOperands), "can't build infix formula string");
    // 255-character strings joined by "&" until the text passes its bound.
    Bytes longText;
    const Bytes chunk = [] {
        Bytes s = {0x17, 0xFF, 0x00};
        s.insert(s.end(), 0xFF, 'x');
        return s;
    }();
    for (std::size_t i = 0; i * 255 <= kMaxRenderedText; ++i) {
        longText.insert(longText.end(), chunk.begin(), chunk.end());
        if (i > 0) longText.push_back(0x08);
    }
    EXPECT_EQ(failure(longText), "can't build infix formula string");
}

TEST_F(FormulaRender, PostfixTextIsTheIntermediateForm) {
    const Bytes tokens = join({kRefA1, {0x5A, 0x01, 0x00, 0x00, 0x00, 0x01, 0xC0}, {0x03, 0x15}, kInt2, {0x05, 0x14}});
    EXPECT_EQ(tokensToPostfix(FormulaBytes{tokens, {}}, book, false, 0, 0), u"A1 'My Sheet'!B1 + ( 2 * uPercent");
    EXPECT_EQ(postfixToInfix(u"A1 'My Sheet'!B1 + ( 2 * uPercent", book.functions()), u"(A1+'My Sheet'!B1)*2%");
    EXPECT_EQ(postfixToInfix(u"1 MISS 2 IF3F", book.functions()), u"IF(1;;2)");
    // Tokens that begin with "@" take operands; names and cells never begin so.
    const Bytes userCall = {0x23, 0x01, 0x00, 0x00, 0x00, 0x1E, 0x01, 0x00, 0x44, 0x00, 0x00, 0x01, 0xC0,
                            0x44, 0x00, 0x00, 0x02, 0xC0, 0x11, 0x42, 0x03, 0xFF, 0x00};
    EXPECT_EQ(tokensToPostfix(FormulaBytes{userCall, {}}, book, false, 0, 0), u"Rate 1 B1 C1 @range @call3");
    EXPECT_EQ(postfixToInfix(u"Rate 1 B1 C1 @range @call3", book.functions()), u"Rate(1;B1:C1)");
}

} // namespace
} // namespace karvo
