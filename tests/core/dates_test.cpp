// Date serial numbers in both date systems and date-format detection.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "core/dates.h"

using namespace karvo;

namespace {

struct Parts {
    int year = -1, month = -1, day = -1, hour = -1, minute = -1, second = -1, tenths = -1;
    bool operator==(const Parts&) const = default;
};

Parts unpack(double serial, DateSystem system = DateSystem::From1900) {
    Parts p;
    EXPECT_TRUE(unpackDate(system, serial, &p.year, &p.month, &p.day, &p.hour, &p.minute, &p.second, &p.tenths));
    return p;
}

} // namespace

TEST(PackDate, KnownSerialsOfBothSystems) {
    const struct {
        DateSystem system;
        int year, month, day;
        double serial;
    } cases[] = {
        {DateSystem::From1900, 1899, 12, 31, 1.0},
        {DateSystem::From1900, 1900, 1, 1, 2.0}, // no 29 February 1900 in the proleptic calendar
        {DateSystem::From1900, 1900, 3, 1, 61.0},
        {DateSystem::From1900, 2000, 1, 1, 36526.0},
        {DateSystem::From1900, 2012, 3, 13, 40981.0},
        {DateSystem::From1900, 9999, 12, 31, 2958465.0},
        {DateSystem::From1904, 1904, 1, 1, 0.0},
        {DateSystem::From1904, 2000, 1, 1, 35064.0},
        {DateSystem::From1904, 2012, 3, 13, 39519.0}, // 1462 days fewer
        // Out-of-range parts carry over.
        {DateSystem::From1900, 2000, 13, 1, 36892.0}, // 1 January 2001
        {DateSystem::From1900, 2000, 0, 1, 36495.0},  // 1 December 1999
        {DateSystem::From1900, 2000, 3, 0, 36585.0},  // 29 February 2000
        {DateSystem::From1900, 2000, 2, 30, 36586.0}, // 1 March 2000
    };
    for (const auto& c : cases)
        EXPECT_EQ(packDate(c.system, c.year, c.month, c.day, 0, 0, 0, 0), c.serial)
            << c.year << '-' << c.month << '-' << c.day;
    EXPECT_DOUBLE_EQ(packDate(DateSystem::From1900, 2000, 1, 1, 25, 0, 0, 0), 36527.0 + 1.0 / 24);
}

TEST(PackDate, PureTimesHaveNoDayPart) {
    EXPECT_EQ(packDate(DateSystem::From1900, 0, 0, 0, 12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(packDate(DateSystem::From1900, 0, 0, 0, 0, 0, 1, 5), 1.5 / 86400);
    // The pure-time rule needs all three date parts below 1.
    EXPECT_NE(packDate(DateSystem::From1900, 0, 0, 1, 0, 0, 0, 0), 0.0);
}

// Parts at the ends of int are carried without overflow (the sanitizer build
// checks the arithmetic) and give serials far outside every date.
TEST(PackDate, ExtremePartsGiveFarSerials) {
    constexpr int kMin = std::numeric_limits<int>::min();
    constexpr int kMax = std::numeric_limits<int>::max();
    EXPECT_LT(packDate(DateSystem::From1900, 2000, kMin, 1, 0, 0, 0, 0), -1e9);
    EXPECT_GT(packDate(DateSystem::From1900, 2000, kMax, 1, 0, 0, 0, 0), 1e9);
    EXPECT_LT(packDate(DateSystem::From1900, kMin, 1, kMin, kMin, kMin, kMin, kMin), -1e11);
    EXPECT_GT(packDate(DateSystem::From1904, kMax, kMax, kMax, kMax, kMax, kMax, kMax), 1e11);
}

TEST(UnpackDate, DatesAndTimes) {
    EXPECT_EQ(unpack(36526.75), (Parts{2000, 1, 1, 18, 0, 0, 0}));
    EXPECT_EQ(unpack(1.0), (Parts{1899, 12, 31, 0, 0, 0, 0}));
    EXPECT_EQ(unpack(61.0), (Parts{1900, 3, 1, 0, 0, 0, 0}));
    EXPECT_EQ(unpack(0.25), (Parts{0, 0, 0, 6, 0, 0, 0}));
    EXPECT_EQ(unpack(35064.0, DateSystem::From1904), (Parts{2000, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(unpack(2958465.0), (Parts{9999, 12, 31, 0, 0, 0, 0}));
}

TEST(UnpackDate, RoundTripsEveryPart) {
    for (DateSystem system : {DateSystem::From1900, DateSystem::From1904}) {
        double serial = packDate(system, 2012, 3, 13, 14, 35, 7, 3);
        EXPECT_EQ(unpack(serial, system), (Parts{2012, 3, 13, 14, 35, 7, 3}));
    }
}

TEST(UnpackDate, NudgeRoundsValuesJustBelowAUnit) {
    double minute = 1.0 / 1440;
    EXPECT_EQ(unpack(36526.0 + 10 * minute - 1e-12), (Parts{2000, 1, 1, 0, 10, 0, 0}));
    // A value whose fraction would reach 1 with the nudge keeps its day.
    EXPECT_EQ(unpack(std::nextafter(36527.0, 0.0)).day, 1);
}

TEST(UnpackDate, RejectsSerialsOutsideTheRangeAndLeavesOutputsAlone) {
    int year = 77, hour = 88;
    EXPECT_FALSE(unpackDate(DateSystem::From1900, 2958466.0, &year, nullptr, nullptr, &hour, nullptr, nullptr, nullptr));
    // A negative serial has no time of day to give.
    EXPECT_FALSE(unpackDate(DateSystem::From1900, -0.25, &year, nullptr, nullptr, &hour, nullptr, nullptr, nullptr));
    EXPECT_FALSE(unpackDate(DateSystem::From1900, std::nan(""), &year, nullptr, nullptr, &hour, nullptr, nullptr, nullptr));
    EXPECT_FALSE(unpackDate(DateSystem::From1900, 3000000.0, &year, nullptr, nullptr, &hour, nullptr, nullptr, nullptr));
    EXPECT_EQ(year, 77);
    EXPECT_EQ(hour, 88);
}

TEST(UnpackDate, SkippedPartsCarryTheirFractionOn) {
    // Without an hour pointer the minutes count the whole fraction of the day.
    int minute = -1;
    EXPECT_TRUE(unpackDate(DateSystem::From1900, 0.5, nullptr, nullptr, nullptr, nullptr, &minute, nullptr, nullptr));
    EXPECT_EQ(minute, 30);  // 0.5 * 60, the hour step having been skipped
}

TEST(DateFormats, BuiltInIdsDecideWithoutText) {
    int asked = 0;
    auto noText = [&](int) -> const char16_t* { ++asked; return nullptr; };
    for (int id : {14, 15, 22, 45, 46, 47}) EXPECT_TRUE(numFormatIsDate(id, noText)) << id;
    for (int id : {0, 4, 13, 37, 44, 48, 49}) EXPECT_FALSE(numFormatIsDate(id, noText)) << id;
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(numFormatIsDate(164, noText));  // unknown custom id
    EXPECT_FALSE(numFormatIsDate(30, noText));
    EXPECT_EQ(asked, 2);
}

TEST(DateFormats, CustomTextsAreScanned) {
    std::map<int, std::u16string> texts = {
        {164, u"[Red]0.00"}, {165, u"dd/mm/yyyy"}, {166, u"0.00 \"h\""}, {167, u"[h]:mm"},
        {168, u"#,##0"}, {169, u"[$-409]General"}, {170, u"[Blue]#]s"},
    };
    auto lookup = [&](int id) { return texts.count(id) ? texts[id].c_str() : nullptr; };
    EXPECT_FALSE(numFormatIsDate(164, lookup));
    EXPECT_TRUE(numFormatIsDate(165, lookup));
    EXPECT_TRUE(numFormatIsDate(166, lookup));  // quotes are not skipped
    EXPECT_TRUE(numFormatIsDate(167, lookup));
    EXPECT_FALSE(numFormatIsDate(168, lookup));
    EXPECT_FALSE(numFormatIsDate(169, lookup));
    EXPECT_TRUE(numFormatIsDate(170, lookup));  // "s" after the closing bracket counts
}

TEST(IsoDates, TextsGiveSerialNumbers) {
    const struct {
        const char* text;
        std::optional<double> serial;
    } cases[] = {
        {"2000-01-01", 36526.0},
        {"2000-01-01T18:00", 36526.75},
        {"2000-01-01T00:00:43.2Z", 36526.0005},
        {"1900-03-01", 61.0},
        {"2000-13-01", std::nullopt},
        {"2000-1-01", std::nullopt},
        {"20000101", std::nullopt},
        {"", std::nullopt},
        {"2000-01-01T1", std::nullopt},
    };
    for (const auto& c : cases) {
        std::optional<double> serial = isoDateSerial(DateSystem::From1900, c.text);
        ASSERT_EQ(c.serial.has_value(), serial.has_value()) << c.text;
        if (serial) {
            EXPECT_NEAR(*c.serial, *serial, 1e-9) << c.text;
        }
    }
    EXPECT_EQ(35064.0, isoDateSerial(DateSystem::From1904, "2000-01-01"));
}
