// formula_postfix_test.cpp - the token grammar both formula directions share.
#include "core/cell_address.h"
#include "xls/formula_postfix.h"

#include <gtest/gtest.h>

#include "xls/function_table.h"

namespace karvo {
namespace {

TEST(FormulaPostfix, SplittingKeepsQuotedSpaces) {
    using Tokens = std::vector<std::u16string_view>;
    EXPECT_EQ(splitPostfix(u"A1 B1 +"), (Tokens{u"A1", u"B1", u"+"}));
    EXPECT_EQ(splitPostfix(u"\"a b\" 'My Sheet'!A1 &"), (Tokens{u"\"a b\"", u"'My Sheet'!A1", u"&"}));
    EXPECT_EQ(splitPostfix(u"\"say \"\"x y\"\"\" 1"), (Tokens{u"\"say \"\"x y\"\"\"", u"1"}));
    EXPECT_EQ(splitPostfix(u"  1   2 "), (Tokens{u"1", u"2"}));
    EXPECT_EQ(splitPostfix(u"\"open 1"), (Tokens{u"\"open 1"}));
    EXPECT_EQ(splitPostfix(u""), Tokens{});
}

TEST(FormulaPostfix, FunctionTokensTakeTheLongestNameThatLeavesACount) {
    const FunctionTable table;
    const auto read = [&](std::u16string_view token) {
        auto call = parseFunctionToken(token, table);
        return call ? std::u16string(call->name) + u"/" + std::u16string(1, char16_t(u'0' + call->count)) : u"none";
    };
    EXPECT_EQ(read(u"SUM2F"), u"SUM/2");
    EXPECT_EQ(read(u"LOG101F"), u"LOG10/1");
    EXPECT_EQ(read(u"LOG2F"), u"LOG/2");
    EXPECT_EQ(read(u"ATAN22F"), u"ATAN2/2");
    EXPECT_EQ(read(u"ATAN2F"), u"ATAN/2");
    EXPECT_EQ(read(u"DAYS3602F"), u"DAYS360/2");
    EXPECT_EQ(read(u"SUMX2MY22F"), u"SUMX2MY2/2");
    EXPECT_EQ(read(u"TODAY0F"), u"TODAY/0");
    EXPECT_EQ(read(u"GET.CELL2F"), u"GET.CELL/2");
    EXPECT_EQ(read(u"SUMF"), u"none");
    EXPECT_EQ(read(u"FOO1F"), u"none");
    EXPECT_EQ(read(u"sum1F"), u"none");
    EXPECT_EQ(read(u"12F"), u"none");
    EXPECT_EQ(read(u"SUM2"), u"none");
    EXPECT_GT(parseFunctionToken(u"SUM99999999999F", table)->count, 255u);
}

TEST(FormulaPostfix, SheetNamesAreQuotedWhenTheyWouldNotReadBack) {
    EXPECT_EQ(quoteSheetName(u"Data"), u"Data");
    EXPECT_EQ(quoteSheetName(u"Sheet_1.2"), u"Sheet_1.2");
    EXPECT_EQ(quoteSheetName(u"My Sheet"), u"'My Sheet'");
    EXPECT_EQ(quoteSheetName(u"Bob's"), u"'Bob''s'");
    EXPECT_EQ(quoteSheetName(u"Q1-2020"), u"'Q1-2020'");
    EXPECT_EQ(quoteSheetName(u""), u"''");
}

} // namespace
} // namespace karvo
