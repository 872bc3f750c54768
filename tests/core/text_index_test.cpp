// The text index over a caller's list: entries added through a lookup survive the
// growth that adding triggers, and erasing or replacing an entry is seen by lookups.
#include "core/text_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace karvo {
namespace {

TEST(TextIndex, AddsThroughLookupsAcrossGrowth) {
    std::vector<std::u16string> list;
    TextIndex index([&](std::uint32_t i) { return std::u16string_view(list.at(i)); });
    auto textOf = [](int n) {
        std::string digits = std::to_string(n);
        return u"text " + std::u16string(digits.begin(), digits.end());
    };
    // Each text is asked for twice; only the first adds it.
    for (int round = 0; round < 2; ++round)
        for (int n = 0; n < 5000; ++n) {
            std::u16string text = textOf(n);
            TextIndex::Lookup found = index.lookup(text);
            if (round == 0) {
                ASSERT_EQ(found.position, TextIndex::kAbsent) << n;
                list.push_back(text);
                index.add(found, static_cast<std::uint32_t>(list.size() - 1));
            } else {
                ASSERT_EQ(found.position, static_cast<std::uint32_t>(n));
            }
        }
    EXPECT_EQ(list.size(), 5000u);

    index.erase(7);
    EXPECT_EQ(index.find(textOf(7)), TextIndex::kAbsent);
    list.push_back(textOf(7));
    index.insert(5000);
    EXPECT_EQ(index.find(textOf(7)), 5000u);
    list.push_back(textOf(8));
    index.insert(5001);  // an equal text gives way to the later insert
    EXPECT_EQ(index.find(textOf(8)), 5001u);
    index.clear();
    EXPECT_EQ(index.find(textOf(9)), TextIndex::kAbsent);
}

} // namespace
} // namespace karvo
