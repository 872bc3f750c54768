// entry_blocks_test.cpp - the block list behind the cell stores: positions across blocks, stable entries.
#include "xls/entry_blocks.h"

#include <gtest/gtest.h>

#include <string>

namespace karvo {
namespace {

TEST(EntryBlocks, PositionsCrossBlocksAndEntriesNeverMove) {
    EntryBlocks<std::string> list;
    constexpr std::size_t n = 2 * EntryBlocks<std::string>::kBlockSize + 3;
    const std::string* first = &list.push_back("0");
    for (std::size_t i = 1; i < n; ++i) EXPECT_EQ(list.push_back(std::to_string(i)), std::to_string(i));
    ASSERT_EQ(list.size(), n);
    EXPECT_EQ(&list[0], first);
    for (std::size_t i : {std::size_t(0), EntryBlocks<std::string>::kBlockSize - 1, EntryBlocks<std::string>::kBlockSize,
                          n - 1})
        EXPECT_EQ(list[i], std::to_string(i));
    // A copy is a list of its own, whose entries do not move either.
    EntryBlocks<std::string> copy = list;
    const std::string* last = &copy[n - 1];
    copy[1] = "changed";
    copy.push_back("more");
    EXPECT_EQ(list[1], "1");
    EXPECT_EQ(copy.size(), n + 1);
    EXPECT_EQ(copy[n], "more");
    EXPECT_EQ(&copy[n - 1], last);
}

} // namespace
} // namespace karvo
