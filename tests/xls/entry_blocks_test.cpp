// entry_blocks_test.cpp - the block list behind the cell stores: positions across blocks, stable entries.
#include "xls/entry_blocks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace karvo {
namespace {

TEST(EntryBlocks, PositionsCrossBlocksAndEntriesNeverMove) {
    using List = EntryBlocks<std::string>;
    List list;
    // Into the third block of the size that follows the first.
    constexpr std::size_t n = List::kFirstBlock + 2 * List::kLaterBlock + 3;
    std::vector<const std::string*> addresses;
    for (std::size_t i = 0; i < n; ++i) {
        addresses.push_back(&list.push_back(std::to_string(i)));
        ASSERT_EQ(*addresses.back(), std::to_string(i));
    }
    ASSERT_EQ(list.size(), n);
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(&list[i], addresses[i]) << i;
        ASSERT_EQ(list[i], std::to_string(i));
    }
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
