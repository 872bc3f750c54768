// function_table_test.cpp - the built-in function table against the published list.
#include "xls/function_table.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace karvo {
namespace {

struct Expected {
    std::uint16_t number;
    std::u16string_view name;
    std::uint8_t fixedArgs;
    std::uint32_t refMask;
};

// Hand-copied from the list, with the masks worked out from the "r" positions.
constexpr Expected kSamples[] = {
    {0, u"COUNT", 0, 0x3FFFFFFF},    // r1-30
    {1, u"IF", 0, 0x6},              // r2-3
    {4, u"SUM", 0, 0x3FFFFFFF},      // r1-30
    {11, u"NPV", 0, 0x3FFFFFFE},     // r2-30
    {23, u"LOG10", 1, 0},
    {31, u"MID", 3, 0},
    {78, u"OFFSET", 0, 0x1},         // r1
    {92, u"SERIES", 0, 0x17},        // r1-3,5
    {97, u"ATAN2", 2, 0},
    {189, u"DPRODUCT", 3, 0x7},      // r1-3
    {220, u"DAYS360", 0, 0},
    {221, u"TODAY", 0, 0},
    {236, u"CREATE.OBJECT", 0, 0x7FE}, // r2-11
    {241, u"FORMULA.CONVERT", 0, 0x1E}, // r2-5
    {256, u"RESET.TOOLBAR", 1, 0},
    {304, u"SUMX2MY2", 2, 0},
    {345, u"SUMIF", 0, 0x5},         // r1,3
    {346, u"COUNTIF", 2, 0x1},       // r1
    {379, u"RTD", 0, 0},
};

TEST(FunctionTable, SamplesMatchTheList) {
    const FunctionTable table;
    for (const Expected& e : kSamples) {
        SCOPED_TRACE(testing::Message() << "function " << e.number);
        const auto byName = table.findWithMask(e.name);
        EXPECT_EQ(byName.number, e.number);
        EXPECT_EQ(byName.refMask, e.refMask);
        const auto byNumber = table.findByNumber(e.number);
        EXPECT_EQ(byNumber.name, e.name);
        EXPECT_EQ(byNumber.fixedArgs, e.fixedArgs);
    }
}

TEST(FunctionTable, NamesAreCaseSensitiveAndUnknownNamesGive255) {
    const FunctionTable table;
    EXPECT_EQ(table.find(u"SUM"), 4);
    EXPECT_EQ(table.find(u"sum"), 255);
    EXPECT_EQ(table.find(u"Sum"), 255);
    EXPECT_EQ(table.find(u""), 255);
    EXPECT_EQ(table.find(u"SUM "), 255);
    const auto absent = table.findWithMask(u"FOO");
    EXPECT_EQ(absent.number, 255);
    EXPECT_EQ(absent.refMask, 0u);
}

TEST(FunctionTable, NumbersWithoutAFunctionGiveQuestionMark) {
    const FunctionTable table;
    for (std::uint32_t number : {202u, 203u, 217u, 218u, 249u, 250u, 255u, 333u, 380u, 0x8004u, 65535u}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(table.findByNumber(number).name, u"?");
        EXPECT_EQ(table.findByNumber(number).fixedArgs, 0);
    }
}

TEST(FunctionTable, Holds372EntriesWithDistinctNamesAndNumbers) {
    const FunctionTable table;
    const auto entries = FunctionTable::entries();
    EXPECT_EQ(entries.size(), 372u);
    std::set<std::uint16_t> numbers;
    std::set<std::u16string_view> names;
    for (const FunctionEntry& e : entries) {
        numbers.insert(e.number);
        names.insert(e.name);
        EXPECT_EQ(table.find(e.name), e.number) << "number " << e.number;
    }
    EXPECT_EQ(numbers.size(), 372u);
    EXPECT_EQ(names.size(), 372u);
    // 380 numbers less the eight gaps.
    std::vector<std::uint16_t> missing;
    for (std::uint16_t n = 0; n < 380; ++n)
        if (!numbers.count(n)) missing.push_back(n);
    EXPECT_EQ(missing, (std::vector<std::uint16_t>{202, 203, 217, 218, 249, 250, 255, 333}));
}

} // namespace
} // namespace karvo
