// formula_round_trip_test.cpp - compile, render and compile again: the same bytes and the normal text.
#include <gtest/gtest.h>

#include <vector>

#include "tests/xls/formula_test_book.h"
#include "xls/formula_compiler.h"
#include "xls/formula_renderer.h"

namespace karvo {
namespace {

struct Case {
    std::u16string_view written;
    std::u16string_view normal; ///< as rendered: no "=", ";" between arguments, no spaces
};

// Forms that formula_compiler_test.cpp and formula_renderer_test.cpp pin both ways
// (single operators, constants, single cells) are not repeated here.
const Case kCases[] = {
    {u"=1+2*3", u"1+2*3"},
    {u"(1+2)*3", u"(1+2)*3"},
    {u"((A1))", u"((A1))"},
    {u"(((#NAME?)))", u"(((#NAME?)))"}, // what a token of a removed name becomes
    {u"IF(A1,#N/A,#DIV/0!)&#REF!", u"IF(A1;#N/A;#DIV/0!)&#REF!"},
    {u"1-2-3", u"1-2-3"},
    {u"1-(2-3)", u"1-(2-3)"},
    {u"2^3^2", u"2^3^2"},
    {u"+A1", u"+A1"},
    {u"-2^2", u"-2^2"},
    {u"2^-2", u"2^-2"},
    {u"50%", u"50%"},
    {u"-50%", u"-50%"},
    {u"A1*10%+1", u"A1*10%+1"},
    {u"(1+2)%", u"(1+2)%"},
    {u"1&2=3<4+5*6^7", u"1&2=3<4+5*6^7"},
    {u"A1 > B1", u"A1>B1"},
    {u"\"say \"\"hi\"\"\"", u"\"say \"\"hi\"\"\""},
    {u"\"a;b,c (d)\"&\"\"", u"\"a;b,c (d)\"&\"\""},
    {u"NOT(FALSE)", u"NOT(FALSE)"},
    {u"65535+65536", u"65535+65536"},
    {u"0.001", u"0.001"},
    {u"$A$1+A$1+$A1+A1", u"$A$1+A$1+$A1+A1"},
    {u"SUM($A1:B$2)", u"SUM($A1:B$2)"},
    {u"Data!A1", u"Data!A1"},
    {u"'My Sheet'!$B$2", u"'My Sheet'!$B$2"},
    {u"'Bob''s'!A1:B2", u"'Bob''s'!A1:B2"},
    {u"Bob's!A1", u"'Bob''s'!A1"},
    {u"SUM(Data!A1,'My Sheet'!B1:C2)", u"SUM(Data!A1;'My Sheet'!B1:C2)"},
    {u"=SUM(A1:B2,C3)", u"SUM(A1:B2;C3)"},
    {u"IF(A1>0,\"yes\",\"no\")", u"IF(A1>0;\"yes\";\"no\")"},
    {u"IF(A1;;1)", u"IF(A1;;1)"},
    {u"ROUND(AVERAGE(A1:A9);2)", u"ROUND(AVERAGE(A1:A9);2)"},
    {u"IF(AND(A1>0;OR(B1;C1));MAX(A1;B1);MIN(-1;C1))", u"IF(AND(A1>0;OR(B1;C1));MAX(A1;B1);MIN(-1;C1))"},
    {u"TODAY()-1", u"TODAY()-1"},
    {u"NOW()", u"NOW()"},
    {u"PI()*2", u"PI()*2"},
    {u"LOG10(100)+LOG(8,2)", u"LOG10(100)+LOG(8;2)"},
    {u"ATAN2(1;2)+ATAN(1)", u"ATAN2(1;2)+ATAN(1)"},
    {u"DAYS360(A1;B1)", u"DAYS360(A1;B1)"},
    {u"SUMX2MY2(A1:A3;B1:B3)", u"SUMX2MY2(A1:A3;B1:B3)"},
    {u"OFFSET(A1;1;2;3;4)", u"OFFSET(A1;1;2;3;4)"},
    {u"SUM(OFFSET(A1,0,0,3))", u"SUM(OFFSET(A1;0;0;3))"},
    {u"VLOOKUP(A1;Data!A1:C9;3;FALSE)", u"VLOOKUP(A1;Data!A1:C9;3;FALSE)"},
    {u"SUMIF(A1:A9;\">0\";B1:B9)", u"SUMIF(A1:A9;\">0\";B1:B9)"},
    {u"CONCATENATE(\"a\";B1;\"c\")", u"CONCATENATE(\"a\";B1;\"c\")"},
    {u"MID(\"text\";2;2)", u"MID(\"text\";2;2)"},
    {u"INDEX(A1:C3;2;2)", u"INDEX(A1:C3;2;2)"},
    {u"GET.CELL(1;A1)", u"GET.CELL(1;A1)"},
    {u"N(A1)+T(B1)", u"N(A1)+T(B1)"},
    {u"COUNT((A1,B1))", u"COUNT((A1,B1))"},
    {u"SUM((A1:B2,C3,Data!D4),1)", u"SUM((A1:B2,C3,Data!D4);1)"},
    {u"(A1,B1)", u"(A1,B1)"},
    {u"SUM((A1,B1+1))", u"SUM((A1,B1+1))"},
};

TEST(FormulaRoundTrip, CompileRenderCompileGivesTheSameBytes) {
    test::FormulaTestBook book;
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.normal.begin(), c.normal.end()));
        const std::vector<std::uint8_t> first = compileFormula(c.written, book);
        const std::u16string rendered = renderFormula(first, book, false, 0, 0);
        EXPECT_EQ(rendered, c.normal);
        EXPECT_EQ(compileFormula(rendered, book), first);
    }
}

} // namespace
} // namespace karvo
