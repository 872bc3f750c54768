// Stored and interface formula texts: separators outside quotes, and shared-formula references moved.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "core/utf_convert.h"
#include "xlsx/formula_text.h"

using namespace karvo;

namespace {

std::string toStored(const char* text) { return utf16ToUtf8(formulaTextToStored(utf8ToUtf16(text))); }
std::string fromStored(const char* text) { return utf16ToUtf8(formulaTextFromStored(utf8ToUtf16(text))); }
std::string shifted(const std::string& text, int rows, int cols) {
    return utf16ToUtf8(shiftFormulaReferences(utf8ToUtf16(text), rows, cols));
}

struct SeparatorCase {
    const char* interface;
    const char* stored;
};

// Each pair converts both ways (the "=" only goes one way and is tested apart).
const SeparatorCase kSeparatorCases[] = {
    {"SUM(A1;B1)", "SUM(A1,B1)"},
    {"IF(A1;\"a;b\";'x;y'!B2)", "IF(A1,\"a;b\",'x;y'!B2)"},
    {"\"say \"\"a;b\"\";x\";1", "\"say \"\"a;b\"\";x\",1"}, // doubled quotes inside a string
    {"'it''s;x'!A1;2", "'it''s;x'!A1,2"},                   // doubled quote inside a sheet name
    {"\"it's;\";1", "\"it's;\",1"},                         // "'" inside a string opens nothing
    {"'a\"b;c'!A1;1", "'a\"b;c'!A1,1"},                     // '"' inside a sheet name opens nothing
    {"{1;2}", "{1,2}"},
    {"", ""},
};

} // namespace

TEST(FormulaText, SeparatorsSwapOutsideQuotesOnly) {
    for (const SeparatorCase& c : kSeparatorCases) {
        EXPECT_EQ(toStored(c.interface), c.stored) << c.interface;
        EXPECT_EQ(fromStored(c.stored), c.interface) << c.stored;
    }
}

TEST(FormulaText, ToStoredDropsOneLeadingEquals) {
    EXPECT_EQ(toStored("=SUM(A1;B1)"), "SUM(A1,B1)");
    EXPECT_EQ(toStored("==1;2"), "=1,2");
    EXPECT_EQ(toStored("A1=B1"), "A1=B1");
    EXPECT_EQ(fromStored("=1,2"), "=1;2"); // the stored form has no "=" to add or drop
}

TEST(FormulaText, UnterminatedQuotesKeepTheRestAsIs) {
    EXPECT_EQ(toStored("=1;\"a;b"), "1,\"a;b");
    EXPECT_EQ(toStored("=1;'a;b"), "1,'a;b");
    EXPECT_EQ(fromStored("1,\"a,b"), "1;\"a,b");
}

namespace {

struct ShiftCase {
    const char* stored;
    int rows;
    int cols;
    const char* expected;
};

const ShiftCase kShiftCases[] = {
    // cells, each "$" pinning its own part
    {"A1", 1, 1, "B2"},
    {"$A1", 1, 1, "$A2"},
    {"A$1", 1, 1, "B$1"},
    {"$A$1", 5, 5, "$A$1"},
    {"A1+$B$2*C$3-$D4", 2, 3, "D3+$B$2*F$3-$D6"},
    {"Z1+AZ1+ZZ1", 0, 1, "AA1+BA1+AAA1"},
    {"C3", -2, -2, "A1"},
    {"A1 B1", 1, 0, "A2 B2"}, // intersection
    // ranges
    {"SUM(A1:B2)", 2, 0, "SUM(A3:B4)"},
    {"SUM($A1:B$2)", 1, 1, "SUM($A2:C$2)"},
    {"SUM(A:C)", 5, 1, "SUM(B:D)"},
    {"SUM($A:$C)", 5, 1, "SUM($A:$C)"},
    {"SUM(1:3)", 2, 7, "SUM(3:5)"},
    {"SUM($1:$3)", 2, 7, "SUM($1:$3)"},
    {"A1:INDEX(B:B,2)", 1, 0, "A2:INDEX(B:B,2)"},
    {"A1:3+A:1", 1, 1, "B2:3+A:1"}, // ends of different kinds make no range
    // sheet prefixes
    {"Sheet1!A1", 1, 0, "Sheet1!A2"},
    {"'My sheet'!A1:B2", 1, 1, "'My sheet'!B2:C3"},
    {"'It''s'!A1", 1, 0, "'It''s'!A2"},
    {"[1]Sheet1!A1", 0, 2, "[1]Sheet1!C1"},
    {"Sheet1:Sheet3!A1+A1", 1, 0, "Sheet1:Sheet3!A2+A2"},
    {"Data!B:B", 4, 1, "Data!C:C"},
    {"Q1:Q4!B2", 1, 0, "Q1:Q4!B3"}, // sheets named like cells, left unquoted by a lax producer
    {"Sheet1!A1:Sheet1!B2", 1, 0, "Sheet1!A2:Sheet1!B3"},
    // off the sheet
    {"XFC1+XFD1", 0, 1, "XFD1+#REF!"},
    {"A1048575+A1048576", 1, 0, "A1048576+#REF!"},
    {"A2+A1", -1, 0, "A1+#REF!"},
    {"B1+A1", 0, -1, "A1+#REF!"},
    {"SUM(A1:B2)", -1, 0, "SUM(#REF!)"},
    {"SUM(A2:B1)", -1, 0, "SUM(#REF!)"}, // the second end decides just as well
    {"Sheet2!A1:B2+Sheet2!C3", 0, -1, "Sheet2!#REF!+Sheet2!B3"},
    {"A:C", 0, -1, "#REF!"},
    {"1:1", -1, 0, "#REF!"},
    {"A1", INT_MAX, 0, "#REF!"},
    {"A1", 0, INT_MIN, "#REF!"},
    // left alone
    {"\"A1\"&A1", 1, 0, "\"A1\"&A2"},
    {"LOG10(A1)+ATAN2(A1,B1)+DAYS360(A1,B1)", 1, 0, "LOG10(A2)+ATAN2(A2,B2)+DAYS360(A2,B2)"},
    {"LOG10+1", 1, 0, "LOG11+1"}, // without "(" it is a cell
    {"ABC1DEF+A1B+_A1+TABLE1+A01+A0+A1048577+XFE1", 1, 1, "ABC1DEF+A1B+_A1+TABLE1+A01+A0+A1048577+XFE1"},
    {"1E5+2.5E10+1E+5+.5E3", 1, 1, "1E5+2.5E10+1E+5+.5E3"},
    {"A+1+A:+:1", 1, 1, "A+1+A:+:1"}, // a lone column or row is no reference
    {"#REF!+A1+IF(ISERROR(B1),#N/A,#DIV/0!)", 1, 0, "#REF!+A2+IF(ISERROR(B2),#N/A,#DIV/0!)"},
    {"SUM(Table1[Col])+Table1[[#This Row],[A1]]+A1", 1, 0, "SUM(Table1[Col])+Table1[[#This Row],[A1]]+A2"},
    {"T[['[A1]]+A1", 1, 0, "T[['[A1]]+A2"}, // "'" escapes a bracket inside a structured reference
    {"_xlfn.CONCAT(A1)", 1, 0, "_xlfn.CONCAT(A2)"},
    {"{1,2;3,4}", 1, 1, "{1,2;3,4}"},
    {"R1C1+RC", 1, 1, "R1C1+RC"},
    // hostile
    {"\"A1", 1, 0, "\"A1"},
    {"'A1", 1, 0, "'A1"},
    {"[A1", 1, 0, "[A1"},
    {"$+$A$+A$", 1, 1, "$+$A$+A$"},
    {"!A1", 1, 0, "!A2"},
    {"A1:", 1, 0, "A2:"},
    {":A1", 1, 0, ":A2"},
    {"#", 1, 0, "#"},
};

} // namespace

TEST(FormulaText, ShiftMovesRelativeReferences) {
    for (const ShiftCase& c : kShiftCases)
        EXPECT_EQ(shifted(c.stored, c.rows, c.cols), c.expected) << c.stored << " by " << c.rows << "," << c.cols;
}

TEST(FormulaText, ShiftByNothingKeepsTheText) {
    for (const ShiftCase& c : kShiftCases) EXPECT_EQ(shifted(c.stored, 0, 0), c.stored);
    EXPECT_EQ(shifted("a1+$b2", 0, 0), "a1+$b2");
}

TEST(FormulaText, ShiftKeepsTextBeyondAscii) {
    EXPECT_EQ(shifted("'T\xC3\xA4gliche'!A1&\"\xE2\x82\xAC\"&\xC3\x84" "1", 1, 0),
              "'T\xC3\xA4gliche'!A2&\"\xE2\x82\xAC\"&\xC3\x84" "1");
}

TEST(FormulaText, LongTextsAreHandledInOnePass) {
    std::string refs, moved, open;
    for (int i = 0; i < 100000; ++i) {
        refs += "A1:B2+";
        moved += "A3:B4+";
    }
    EXPECT_EQ(shifted(refs, 2, 0), moved);
    open.assign(200000, '[');
    EXPECT_EQ(shifted(open + "A1", 1, 0), open + "A1");
    open.assign(200000, '(');
    EXPECT_EQ(shifted(open + "A1", 1, 0), open + "A2");
    EXPECT_EQ(fromStored(std::string(200000, ',').c_str()), std::string(200000, ';'));
}
