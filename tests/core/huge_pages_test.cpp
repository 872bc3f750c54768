// Memory for large buffers: mapped blocks are aligned and writable, containers keep
// their contents as they grow across the size where mapping starts, and advised
// growth keeps what the buffer held.
#include "core/huge_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace karvo {
namespace {

TEST(HugePages, MappedBlocksAreAlignedAndWritableToTheirEnd) {
    for (std::size_t bytes : {std::size_t(1), kHugePageBytes - 1, kHugePageBytes, 3 * kHugePageBytes + 5}) {
        auto* block = static_cast<unsigned char*>(mapPages(bytes, bytes > kHugePageBytes));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kHugePageBytes, 0u);
        std::memset(block, 0xAB, bytes);
        EXPECT_EQ(block[bytes - 1], 0xAB);
        unmapPages(block, bytes);
    }
}

TEST(HugePages, ContainersKeepTheirContentsAcrossTheMappingThreshold) {
    std::vector<std::uint32_t, HugePageAllocator<std::uint32_t>> numbers;
    HugePageU16String text;
    const std::size_t count = kHugePageBytes;  // past the threshold for both
    for (std::size_t i = 0; i < count; ++i) {
        numbers.push_back(static_cast<std::uint32_t>(i * 7));
        text.push_back(static_cast<char16_t>(u'a' + i % 26));
    }
    for (std::size_t i = 0; i < count; ++i) {
        ASSERT_EQ(numbers[i], i * 7);
        ASSERT_EQ(text[i], u'a' + i % 26);
    }
    auto copy = numbers;
    numbers.clear();
    numbers.shrink_to_fit();
    EXPECT_EQ(copy.back(), (count - 1) * 7);
}

TEST(HugePages, AdvisedGrowthKeepsTheContentsAndAtLeastDoubles) {
    std::string text = "start";
    reserveAdvised(text, 3 * kHugePageBytes);
    EXPECT_EQ(text, "start");
    EXPECT_GE(text.capacity(), 3 * kHugePageBytes);
    std::vector<std::uint8_t> bytes(1000, 7);
    const std::size_t before = bytes.capacity();
    reserveAdvised(bytes, before + 1);
    EXPECT_GE(bytes.capacity(), 2 * before);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>(1000, 7));
    // Room it already has is left alone.
    const std::uint8_t* data = bytes.data();
    reserveAdvised(bytes, 1500);
    EXPECT_EQ(bytes.data(), data);
}

} // namespace
} // namespace karvo
