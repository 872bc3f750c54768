// formula_compiler_test.cpp - formula text to postfix text and token bytes, and the failures of bad text.
#include "xls/formula_compiler.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/xlerror.h"
#include "tests/xls/formula_test_book.h"
#include "xls/formula_renderer.h"

namespace karvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

class FormulaCompile : public testing::Test {
protected:
    Bytes compile(std::u16string_view text) { return compileFormula(text, book); }
    std::u16string postfix(std::u16string_view text) { return formulaToPostfix(text, book.functions()); }
    std::string failure(std::u16string_view text) {
        try {
            compile(text);
        } catch (const xlerror& e) {
            return e.what();
        }
        return "no error";
    }
    test::FormulaTestBook book; // sheets: 0 Sheet1, 1 Data, 2 My Sheet, 3 Bob's
};

TEST_F(FormulaCompile, SumOfAreaAndCellInBothSeparatorStyles) {
    const Bytes expected = {
        0x25, 0x00, 0x00, 0x01, 0x00, 0x00, 0xC0, 0x01, 0xC0, // PtgArea A1:B2 (rows 0-1, columns 0-1, relative)
        0x24, 0x02, 0x00, 0x02, 0xC0,                         // PtgRef C3, reference class: SUM marks it
        0x42, 0x02, 0x04, 0x00,                               // PtgFuncVar, 2 arguments, SUM (4)
    };
    EXPECT_EQ(compile(u"=SUM(A1:B2,C3)"), expected);
    EXPECT_EQ(compile(u"SUM(A1:B2;C3)"), expected);
    EXPECT_EQ(compile(u"= SUM ( A1:B2 ; C3 ) "), expected);
}

TEST_F(FormulaCompile, PrecedenceDecidesTheTokenOrder) {
    EXPECT_EQ(compile(u"1+2*3"), (Bytes{0x1E, 1, 0, 0x1E, 2, 0, 0x1E, 3, 0, 0x05, 0x03}));
    // The parentheses are kept as PtgParen after what they enclose.
    EXPECT_EQ(compile(u"(1+2)*3"), (Bytes{0x1E, 1, 0, 0x1E, 2, 0, 0x03, 0x15, 0x1E, 3, 0, 0x05}));
    EXPECT_EQ(postfix(u"1&2=3<4+5*6^7"), u"1 2 3 4 5 6 7 ^ * + < = &");
    EXPECT_EQ(postfix(u"1^2*3+4<5=6&7"), u"1 2 ^ 3 * 4 + 5 < 6 = 7 &");
    EXPECT_EQ(postfix(u"1<2<>3<=4>=5>6"), u"1 2 < 3 <> 4 <= 5 >= 6 >");
    EXPECT_EQ(postfix(u"1-2-3"), u"1 2 - 3 -");   // left to right
    EXPECT_EQ(postfix(u"8/4/2"), u"8 4 / 2 /");
    EXPECT_EQ(postfix(u"2^3^2"), u"2 3 ^ 2 ^");
    EXPECT_EQ(postfix(u"1-(2-3)"), u"1 2 3 - ( -");
}

TEST_F(FormulaCompile, EveryOperatorHasItsPtg) {
    const std::pair<std::u16string_view, std::uint8_t> cases[] = {
        {u"1+2", 0x03}, {u"1-2", 0x04}, {u"1*2", 0x05}, {u"1/2", 0x06},  {u"1^2", 0x07},  {u"1&2", 0x08},
        {u"1<2", 0x09}, {u"1<=2", 0x0A}, {u"1=2", 0x0B}, {u"1>=2", 0x0C}, {u"1>2", 0x0D}, {u"1<>2", 0x0E},
    };
    for (const auto& [text, ptg] : cases) EXPECT_EQ(compile(text), (Bytes{0x1E, 1, 0, 0x1E, 2, 0, ptg}));
}

TEST_F(FormulaCompile, UnaryOperatorsAndPercent) {
    EXPECT_EQ(compile(u"-A1"), (Bytes{0x44, 0x00, 0x00, 0x00, 0xC0, 0x13}));
    EXPECT_EQ(compile(u"A1-B1"), (Bytes{0x44, 0, 0, 0x00, 0xC0, 0x44, 0, 0, 0x01, 0xC0, 0x04}));
    EXPECT_EQ(compile(u"+1"), (Bytes{0x1E, 1, 0, 0x12}));
    EXPECT_EQ(postfix(u"-2^2"), u"2 uMinus 2 ^");   // negation binds tighter than "^"
    EXPECT_EQ(postfix(u"2^-2"), u"2 2 uMinus ^");
    EXPECT_EQ(postfix(u"2*-3+1"), u"2 3 uMinus * 1 +");
    EXPECT_EQ(postfix(u"1--1"), u"1 1 uMinus -");
    // "%" follows its operand at once, so it applies to that operand only.
    EXPECT_EQ(compile(u"50%"), (Bytes{0x1E, 50, 0, 0x14}));
    EXPECT_EQ(postfix(u"1+2%"), u"1 2 % +");
    EXPECT_EQ(postfix(u"2^50%"), u"2 50 % ^");
    EXPECT_EQ(postfix(u"(1+2)%*3"), u"1 2 + ( % 3 *");
    EXPECT_EQ(postfix(u"SUM(A1%)"), u"A1 % SUM1F");
}

TEST_F(FormulaCompile, NumbersBooleansAndStrings) {
    EXPECT_EQ(compile(u"65535"), (Bytes{0x1E, 0xFF, 0xFF}));
    EXPECT_EQ(compile(u"0"), (Bytes{0x1E, 0x00, 0x00}));
    EXPECT_EQ(compile(u"65536"), (Bytes{0x1F, 0, 0, 0, 0, 0, 0, 0xF0, 0x40}));
    EXPECT_EQ(compile(u"12345.5"), (Bytes{0x1F, 0, 0, 0, 0, 0xC0, 0x1C, 0xC8, 0x40}));
    EXPECT_EQ(compile(u"0.5"), (Bytes{0x1F, 0, 0, 0, 0, 0, 0, 0xE0, 0x3F}));
    EXPECT_EQ(compile(u"1e3"), (Bytes{0x1F, 0, 0, 0, 0, 0, 0x40, 0x8F, 0x40}));
    EXPECT_EQ(compile(u"TRUE"), (Bytes{0x1D, 0x01}));
    EXPECT_EQ(compile(u"FALSE"), (Bytes{0x1D, 0x00}));
    // Followed by "(", TRUE is the function (34) with no arguments.
    EXPECT_EQ(compile(u"TRUE()"), (Bytes{0x42, 0x00, 0x22, 0x00}));
    // PtgStr: count, flags 0x01 (16-bit), characters. A doubled quote is one quote.
    EXPECT_EQ(compile(u"\"a\"\"b\""), (Bytes{0x17, 0x03, 0x01, 'a', 0, '"', 0, 'b', 0}));
    // Separators, operators and spaces inside a string do not split it.
    EXPECT_EQ(compile(u"\"x; y+(\""), (Bytes{0x17, 0x06, 0x01, 'x', 0, ';', 0, ' ', 0, 'y', 0, '+', 0, '(', 0}));
    EXPECT_EQ(compile(u"\"\""), (Bytes{0x17, 0x00, 0x01}));
}

TEST_F(FormulaCompile, ErrorConstants) {
    EXPECT_EQ(compile(u"#N/A"), (Bytes{0x1C, 0x2A}));
    EXPECT_EQ(compile(u"1/#DIV/0!"), (Bytes{0x1E, 1, 0, 0x1C, 0x07, 0x06}));
    EXPECT_EQ(failure(u"#NAME"), "incorrect token in formula");
    EXPECT_EQ(failure(u"A#N/A"), "incorrect token in formula");
}

TEST_F(FormulaCompile, CellReferencesWithEveryDollarCombination) {
    // PtgRef: row, column word (bit 15 row-relative, bit 14 column-relative).
    EXPECT_EQ(compile(u"B3"), (Bytes{0x44, 0x02, 0x00, 0x01, 0xC0}));
    EXPECT_EQ(compile(u"$B3"), (Bytes{0x44, 0x02, 0x00, 0x01, 0x80}));
    EXPECT_EQ(compile(u"B$3"), (Bytes{0x44, 0x02, 0x00, 0x01, 0x40}));
    EXPECT_EQ(compile(u"$B$3"), (Bytes{0x44, 0x02, 0x00, 0x01, 0x00}));
    EXPECT_EQ(compile(u"IV65536"), (Bytes{0x44, 0xFF, 0xFF, 0xFF, 0xC0}));
    EXPECT_EQ(compile(u"A65536"), (Bytes{0x44, 0xFF, 0xFF, 0x00, 0xC0}));
    EXPECT_EQ(compile(u"AA1"), (Bytes{0x44, 0x00, 0x00, 0x1A, 0xC0}));
    EXPECT_EQ(compile(u"aa1"), (Bytes{0x44, 0x00, 0x00, 0x1A, 0xC0})); // letters in either case
    // PtgArea: first row, last row, first column word, last column word.
    EXPECT_EQ(compile(u"$A1:B$2"), (Bytes{0x25, 0x00, 0x00, 0x01, 0x00, 0x00, 0x80, 0x01, 0x40}));
}

TEST_F(FormulaCompile, OtherSheetsGoThroughTheXtiList) {
    // PtgRef3d: XTI index, row, column word. The first reference appends XTI 0 for Data.
    EXPECT_EQ(compile(u"Data!B2"), (Bytes{0x5A, 0x00, 0x00, 0x01, 0x00, 0x01, 0xC0}));
    EXPECT_EQ(compile(u"'My Sheet'!A1+Data!A1"),
              (Bytes{0x5A, 0x01, 0x00, 0x00, 0x00, 0x00, 0xC0,   // XTI 1 appended for My Sheet
                     0x5A, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0,   // XTI 0 found again
                     0x03}));
    EXPECT_EQ(book.xti, (std::vector<Xti>{{0, 1, 1}, {0, 2, 2}}));
    // PtgArea3d with a quoted name holding a doubled quote.
    EXPECT_EQ(compile(u"'Bob''s'!A1:$B$2"),
              (Bytes{0x5B, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0xC0, 0x01, 0x00}));
    EXPECT_EQ(failure(u"Nope!A1"), "incorrect token in formula");
    EXPECT_EQ(failure(u"'Nope'!A1"), "incorrect token in formula");
    EXPECT_EQ(failure(u"'My Sheet'A1"), "incorrect token in formula");
}

TEST_F(FormulaCompile, FunctionCalls) {
    EXPECT_EQ(compile(u"TODAY()"), (Bytes{0x19, 0x01, 0x00, 0x00, 0x41, 0xDD, 0x00}));
    EXPECT_EQ(compile(u"LOG10(100)"), (Bytes{0x1E, 100, 0, 0x42, 0x01, 0x17, 0x00}));
    EXPECT_EQ(compile(u"LOG(8;2)"), (Bytes{0x1E, 8, 0, 0x1E, 2, 0, 0x42, 0x02, 0x6D, 0x00}));
    EXPECT_EQ(compile(u"ATAN2(1;2)"), (Bytes{0x1E, 1, 0, 0x1E, 2, 0, 0x42, 0x02, 0x61, 0x00}));
    EXPECT_EQ(compile(u"PI()"), (Bytes{0x42, 0x00, 0x13, 0x00}));
    // OFFSET is the reference-class FuncVar; its first argument is a reference.
    EXPECT_EQ(compile(u"OFFSET(A1,1,2)"),
              (Bytes{0x24, 0x00, 0x00, 0x00, 0xC0, 0x1E, 1, 0, 0x1E, 2, 0, 0x22, 0x03, 0x4E, 0x00}));
    EXPECT_EQ(postfix(u"ROUND(SUM(A1:A3)/COUNT(A1:A3);2)"), u"A1:A3 SUM1F A1:A3 COUNT1F / 2 ROUND2F");
    EXPECT_EQ(postfix(u"IF(AND(A1>0,B1<>\"\"),MAX(A1,B1),-1)"),
              u"A1 0 > B1 \"\" <> AND2F A1R B1R MAX2F 1 uMinus IF3F");
    EXPECT_EQ(postfix(u"DAYS360(A1;B1)+SUMX2MY2(A1:A2;B1:B2)"), u"A1 B1 DAYS3602F A1:A2 B1:B2 SUMX2MY22F +");
}

TEST_F(FormulaCompile, ReferenceArgumentsFollowTheMask) {
    // IF marks arguments 2-3; SUMIF 1 and 3; SERIES 1-3 and 5; COUNTIF only 1.
    EXPECT_EQ(postfix(u"IF(A1;B1;C1)"), u"A1 B1R C1R IF3F");
    EXPECT_EQ(postfix(u"SUMIF(A1;B1;C1)"), u"A1R B1 C1R SUMIF3F");
    EXPECT_EQ(postfix(u"SERIES(A1;B1;C1;D1;E1)"), u"A1R B1R C1R D1 E1R SERIES5F");
    EXPECT_EQ(postfix(u"COUNTIF(A1:A3;B1)"), u"A1:A3 B1 COUNTIF2F");
    // Only an argument that is one single cell is marked, on this sheet or another.
    EXPECT_EQ(postfix(u"SUM(-A1;(B1);A1+B1;Data!C1)"), u"A1 uMinus B1 ( A1 B1 + Data!C1R SUM4F");
    EXPECT_EQ(postfix(u"SUM(ABS(A1))"), u"A1 ABS1F SUM1F");
    EXPECT_EQ(compile(u"SUM(Data!A1)"), (Bytes{0x3A, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x42, 0x01, 0x04, 0x00}));
}

TEST_F(FormulaCompile, MissingArgumentsBecomePtgMissArg) {
    EXPECT_EQ(compile(u"IF(A1;;1)"), (Bytes{0x44, 0, 0, 0, 0xC0, 0x16, 0x1E, 1, 0, 0x42, 0x03, 0x01, 0x00}));
    EXPECT_EQ(postfix(u"IF(;1;)"), u"MISS 1 MISS IF3F");
    EXPECT_EQ(postfix(u"SUM()"), u"SUM0F");
}

TEST_F(FormulaCompile, MalformedTextFails) {
    EXPECT_EQ(failure(u"SUM 1"), "error: function name without open parenthesis");
    EXPECT_EQ(failure(u"PI"), "error: function name without open parenthesis");
    EXPECT_EQ(failure(u"SUM(1;2"), "error: function parentheses not found");
    EXPECT_EQ(failure(u"SUM((1)"), "error: function parentheses not found");
    EXPECT_EQ(failure(u"1)"), "error in formula");
    EXPECT_EQ(failure(u"SUM(1))"), "error in formula");
    EXPECT_EQ(failure(u"FOO(1)"), "incorrect token in formula");
    EXPECT_EQ(failure(u"sum(1)"), "incorrect token in formula");
    EXPECT_EQ(failure(u"1.2.3"), "incorrect token in formula");
    EXPECT_EQ(failure(u"\"open"), "incorrect token in formula");
    EXPECT_EQ(failure(u"A1!"), "incorrect token in formula");
    EXPECT_EQ(failure(u"#"), "incorrect token in formula");
    EXPECT_EQ(failure(u"A65537"), "Row is out of range");
    EXPECT_EQ(failure(u"A0"), "Row is out of range");
    EXPECT_EQ(failure(u"IW1"), "Column is out of range");
    EXPECT_EQ(failure(u"AAAAAAAAAAAA1"), "Column is out of range");
    EXPECT_EQ(failure(u"A99999999999"), "MakeFormula::isReference: can't convert string to number");
    EXPECT_EQ(failure(u"\"" + std::u16string(256, u'x') + u"\""), "string is too long");
    std::u16string args = u"SUM(1";
    for (int i = 1; i < 256; ++i) args += u";1";
    EXPECT_EQ(failure(args + u")"), "incorrect number of function parameters");
}

// Calls nest 64 deep at most; deeper text fails in the first pass over its tokens,
// however long, instead of rescanning the arguments of every call.
TEST_F(FormulaCompile, CallsNestAtMost64Deep) {
    const auto nested = [](std::size_t depth) {
        std::u16string text;
        for (std::size_t i = 0; i < depth; ++i) text += u"SUM(";
        text += u"1";
        return text + std::u16string(depth, u')');
    };
    EXPECT_EQ(postfix(nested(2)), u"1 SUM1F SUM1F");
    EXPECT_EQ(failure(nested(64)), "no error");
    EXPECT_EQ(failure(nested(65)), "function calls nested deeper than 64 levels");
    EXPECT_EQ(failure(nested(100000)), "function calls nested deeper than 64 levels");
    // Plain parentheses and calls that follow one another are no nesting of calls.
    EXPECT_EQ(failure(u"SUM(" + std::u16string(100, u'(') + u"1" + std::u16string(100, u')') + u")"), "no error");
    std::u16string siblings = u"0";
    for (int i = 0; i < 100; ++i) siblings += u"+SUM(1)";
    EXPECT_EQ(failure(siblings), "no error");
}

// A "," in plain brackets is the union; its single cells are references, as a union
// joins nothing else.
TEST_F(FormulaCompile, CommasInPlainBracketsUniteReferences) {
    EXPECT_EQ(postfix(u"COUNT((A1,B1))"), u"A1R B1R @union ( COUNT1F");
    EXPECT_EQ(postfix(u"(A1,B1,C1)"), u"A1R B1R @union C1R @union (");
    EXPECT_EQ(compile(u"(A1,B1)"), (Bytes{0x24, 0, 0, 0, 0xC0, 0x24, 0, 0, 1, 0xC0, 0x10, 0x15}));
    for (std::u16string_view text : {u"A1,B1", u"(A1;B1)", u"(A1,)", u"(,A1)"})
        EXPECT_EQ(failure(text), "error in formula") << std::string(text.begin(), text.end());
    EXPECT_EQ(failure(u"1+@union"), "incorrect token in formula");
}

TEST_F(FormulaCompile, MissingOrSurplusOperandsFail) {
    const std::u16string_view malformed[] = {
        u"", u"=", u"1+", u"*1", u"%5", u"1 2", u"(1)2", u"A1(1)", u"1;2", u"(1;2)", u"()", u"(1+)",
        u"SUM(1+)", u"SUM(1+;2)", u"IF(;1<;2)", u"SUM(1)PI()",
    };
    for (std::u16string_view text : malformed)
        EXPECT_EQ(failure(text), "error in formula") << std::string(text.begin(), text.end());
    // Words of the postfix text are no operands: they would come back as operators.
    for (std::u16string_view text : {u"1+MISS", u"uMinus", u"SUM1", u"SUM2F"})
        EXPECT_EQ(failure(text), "incorrect token in formula") << std::string(text.begin(), text.end());
    // A bad token is reported before the form, as the conversion meets it first.
    EXPECT_EQ(failure(u"A0 A1"), "Row is out of range");
    // Well formed, but more tokens than a formula cell holds: 450 terms take 1799 bytes.
    std::u16string sum = u"(1";
    for (int i = 1; i < 450; ++i) sum += u"+1";
    sum += u")";
    EXPECT_EQ(compile(sum).size(), 1800u);
    EXPECT_EQ(failure(sum + u"%"), "formula is too long: its tokens take 1801 bytes, at most 1800 fit a formula cell");
    // An unclosed plain parenthesis is closed at the end.
    EXPECT_EQ(compile(u"(1+2"), compile(u"(1+2)"));
}

TEST_F(FormulaCompile, EncodingPostfixDirectly) {
    // The attribute-sum token comes only from the word SUM1.
    EXPECT_EQ(encodePostfix(u"A1:A3 SUM1", book),
              (Bytes{0x25, 0, 0, 2, 0, 0, 0xC0, 0, 0xC0, 0x19, 0x10, 0x00, 0x00}));
    EXPECT_EQ(encodePostfix(u"B2R", book), (Bytes{0x24, 0x01, 0x00, 0x01, 0xC0}));
    EXPECT_EQ(encodePostfix(u"Data!B2R", book), (Bytes{0x3A, 0x00, 0x00, 0x01, 0x00, 0x01, 0xC0}));
    EXPECT_EQ(encodePostfix(u"Data!A1:B2R", book),
              (Bytes{0x3B, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0xC0, 0x01, 0xC0}));
    EXPECT_EQ(encodePostfix(u"1 uPlus ( MISS", book), (Bytes{0x1E, 1, 0, 0x12, 0x15, 0x16}));
}

TEST(FormulaR1C1, ReferencesBecomeA1ForTheCell) {
    // The cell is C5 (row 4, column 2).
    EXPECT_EQ(r1c1ToA1(u"=R1C1+RC+R[-1]C[1]", 4, 2), u"=$A$1+C5+D4");
    EXPECT_EQ(r1c1ToA1(u"SUM(R1C:R[2]C[-2])", 4, 2), u"SUM(C$1:A7)");
    EXPECT_EQ(r1c1ToA1(u"rc[+1]*r2c3", 4, 2), u"D5*$C$2");
    EXPECT_EQ(r1c1ToA1(u"Data!R2C2", 0, 0), u"Data!$B$2");
    EXPECT_EQ(r1c1ToA1(u"R1048576C16384", 0, 0), u"$XFD$1048576");
    // Words and quoted text stay as they are.
    EXPECT_EQ(r1c1ToA1(u"RATE(1;2;3)+ROUND(R1C1;0)", 0, 0), u"RATE(1;2;3)+ROUND($A$1;0)");
    EXPECT_EQ(r1c1ToA1(u"\"R1C1\"&'RC sheet'!RC&ARC1", 0, 0), u"\"R1C1\"&'RC sheet'!A1&ARC1");
    EXPECT_EQ(r1c1ToA1(u"R[x]C+R1C1X", 0, 0), u"R[x]C+R1C1X");
}

TEST(FormulaR1C1, ReferencesOutsideTheSheetFail) {
    const auto failure = [](std::u16string_view text, int row, int col) -> std::string {
        try {
            r1c1ToA1(text, row, col);
        } catch (const xlerror& e) {
            return e.what();
        }
        return "no error";
    };
    EXPECT_EQ(failure(u"R[-1]C", 0, 0), "row must be in range 0-1048575");
    EXPECT_EQ(failure(u"R1048577C1", 0, 0), "row must be in range 0-1048575");
    EXPECT_EQ(failure(u"R0C1", 0, 0), "row must be in range 0-1048575");
    EXPECT_EQ(failure(u"RC[1]", 0, 16383), "col must be in range 0-16383");
    EXPECT_EQ(failure(u"R1C99999999999999", 0, 0), "col must be in range 0-16383");
}

} // namespace
} // namespace karvo
