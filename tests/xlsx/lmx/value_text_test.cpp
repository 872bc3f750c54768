// Text forms of typed values: what is read, what is refused with which code, and
// the exact text written.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "xlsx/lmx/byte_scan.h"
#include "xlsx/lmx/value_text.h"

using namespace lmx;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::uint64_t kMaxU32 = 4294967295u;
constexpr std::int64_t kMinI64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMaxI64 = std::numeric_limits<std::int64_t>::max();

} // namespace

TEST(ValueText, ParseBool) {
    struct row {
        const char* text;
        elmx_error code;
        bool value;
    };
    const row cases[] = {
        {"true", ELMX_OK, true},   {"1", ELMX_OK, true},       {"false", ELMX_OK, false},
        {"0", ELMX_OK, false},     {" \ttrue\r\n", ELMX_OK, true},
        {"yes", ELMX_VALUE_BAD_FORMAT, false}, {"TRUE", ELMX_VALUE_BAD_FORMAT, false},
        {"", ELMX_VALUE_BAD_FORMAT, false},    {"2", ELMX_VALUE_BAD_FORMAT, false},
        {"t rue", ELMX_VALUE_BAD_FORMAT, false},
    };
    for (const auto& c : cases) {
        bool value = !c.value;
        EXPECT_EQ(parse_bool(c.text, value), c.code) << c.text;
        if (c.code == ELMX_OK) EXPECT_EQ(value, c.value) << c.text;
        else EXPECT_EQ(value, !c.value) << c.text << ": a refused text leaves the value alone";
    }
}

TEST(ValueText, ParseUnsigned) {
    struct row {
        const char* text;
        std::uint64_t max;
        elmx_error code;
        std::uint64_t value;
    };
    const row cases[] = {
        {"0", kMaxU32, ELMX_OK, 0},
        {"4294967295", kMaxU32, ELMX_OK, kMaxU32},
        {"4294967296", kMaxU32, ELMX_VALUE_EXCEEDS_MAX, 0},
        {" 12 ", kMaxU32, ELMX_OK, 12},
        {"\n007\t", kMaxU32, ELMX_OK, 7},
        {"+7", kMaxU32, ELMX_OK, 7},
        {"-0", kMaxU32, ELMX_OK, 0},
        {"-1", kMaxU32, ELMX_VALUE_EXCEEDS_MIN, 0},
        {"255", 255, ELMX_OK, 255},
        {"256", 255, ELMX_VALUE_EXCEEDS_MAX, 0},
        {"18446744073709551615", UINT64_MAX, ELMX_OK, UINT64_MAX},
        {"18446744073709551616", UINT64_MAX, ELMX_VALUE_EXCEEDS_MAX, 0},
        {"99999999999999999999999", kMaxU32, ELMX_VALUE_EXCEEDS_MAX, 0},
        {"", kMaxU32, ELMX_VALUE_BAD_FORMAT, 0},
        {"+", kMaxU32, ELMX_VALUE_BAD_FORMAT, 0},
        {"1.0", kMaxU32, ELMX_VALUE_BAD_FORMAT, 0},
        {"1 2", kMaxU32, ELMX_VALUE_BAD_FORMAT, 0},
        {"0x10", kMaxU32, ELMX_VALUE_BAD_FORMAT, 0},
        {"1e3", kMaxU32, ELMX_VALUE_BAD_FORMAT, 0},
    };
    for (const auto& c : cases) {
        std::uint64_t value = 12345;
        EXPECT_EQ(parse_uint(c.text, value, c.max), c.code) << c.text;
        EXPECT_EQ(value, c.code == ELMX_OK ? c.value : 12345u) << c.text;
    }
}

TEST(ValueText, ParseSigned) {
    struct row {
        const char* text;
        std::int64_t min, max;
        elmx_error code;
        std::int64_t value;
    };
    const row cases[] = {
        {"-2147483648", INT32_MIN, INT32_MAX, ELMX_OK, INT32_MIN},
        {"-2147483649", INT32_MIN, INT32_MAX, ELMX_VALUE_EXCEEDS_MIN, 0},
        {"2147483647", INT32_MIN, INT32_MAX, ELMX_OK, INT32_MAX},
        {"2147483648", INT32_MIN, INT32_MAX, ELMX_VALUE_EXCEEDS_MAX, 0},
        {" -12 ", INT32_MIN, INT32_MAX, ELMX_OK, -12},
        {"+5", INT32_MIN, INT32_MAX, ELMX_OK, 5},
        {"-9223372036854775808", kMinI64, kMaxI64, ELMX_OK, kMinI64},
        {"-9223372036854775809", kMinI64, kMaxI64, ELMX_VALUE_EXCEEDS_MIN, 0},
        {"9223372036854775807", kMinI64, kMaxI64, ELMX_OK, kMaxI64},
        {"9223372036854775808", kMinI64, kMaxI64, ELMX_VALUE_EXCEEDS_MAX, 0},
        {"-99999999999999999999999", kMinI64, kMaxI64, ELMX_VALUE_EXCEEDS_MIN, 0},
        {"3", 5, 10, ELMX_VALUE_EXCEEDS_MIN, 0},     // ranges away from zero
        {"-3", -10, -5, ELMX_VALUE_EXCEEDS_MAX, 0},
        {"-", INT32_MIN, INT32_MAX, ELMX_VALUE_BAD_FORMAT, 0},
        {"--1", INT32_MIN, INT32_MAX, ELMX_VALUE_BAD_FORMAT, 0},
        {"1e3", INT32_MIN, INT32_MAX, ELMX_VALUE_BAD_FORMAT, 0},
    };
    for (const auto& c : cases) {
        std::int64_t value = 12345;
        EXPECT_EQ(parse_int(c.text, value, c.min, c.max), c.code) << c.text;
        EXPECT_EQ(value, c.code == ELMX_OK ? c.value : 12345) << c.text;
    }
}

TEST(ValueText, ParseDouble) {
    struct row {
        const char* text;
        elmx_error code;
        double value;
    };
    const row cases[] = {
        {"0.1", ELMX_OK, 0.1},
        {"-0.0", ELMX_OK, -0.0},
        {"INF", ELMX_OK, kInf},
        {"-INF", ELMX_OK, -kInf},
        {"1e-300", ELMX_OK, 1e-300},
        {" 12 ", ELMX_OK, 12},
        {".5", ELMX_OK, 0.5},
        {"5.", ELMX_OK, 5},
        {"+1.25E+2", ELMX_OK, 125},
        {"-7e-1", ELMX_OK, -0.7},
        {"1e400", ELMX_OK, kInf},         // beyond the largest double
        {"-1e400", ELMX_OK, -kInf},
        {"1e-400", ELMX_OK, 0.0},         // below the smallest
        {"-1e-400", ELMX_OK, -0.0},
        {"123e-99999999999999999999999", ELMX_OK, 0.0},
        {"10e9223372036854775807", ELMX_OK, kInf},  // the largest exponent, one digit more
        {"1e", ELMX_VALUE_BAD_FORMAT, 0},
        {"1e+", ELMX_VALUE_BAD_FORMAT, 0},
        {"+", ELMX_VALUE_BAD_FORMAT, 0},
        {".", ELMX_VALUE_BAD_FORMAT, 0},
        {"e5", ELMX_VALUE_BAD_FORMAT, 0},
        {"", ELMX_VALUE_BAD_FORMAT, 0},
        {"1.5x", ELMX_VALUE_BAD_FORMAT, 0},
        {"1e5.5", ELMX_VALUE_BAD_FORMAT, 0},
        {"inf", ELMX_VALUE_BAD_FORMAT, 0},
        {"+INF", ELMX_VALUE_BAD_FORMAT, 0},
        {"nan", ELMX_VALUE_BAD_FORMAT, 0},
        {"0x1p3", ELMX_VALUE_BAD_FORMAT, 0},
        {"1 2", ELMX_VALUE_BAD_FORMAT, 0},
    };
    for (const auto& c : cases) {
        double value = 42;
        EXPECT_EQ(parse_double(c.text, value), c.code) << c.text;
        double expected = c.code == ELMX_OK ? c.value : 42;
        EXPECT_EQ(value, expected) << c.text;
        EXPECT_EQ(std::signbit(value), std::signbit(expected)) << c.text;
    }
    double nan = 0;
    EXPECT_EQ(parse_double("NaN", nan), ELMX_OK);
    EXPECT_TRUE(std::isnan(nan));
}

TEST(ValueText, AppendDouble) {
    const std::pair<double, const char*> cases[] = {
        {0.1, "0.1"},
        {15, "15"},
        {1e20, "1e+20"},
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {kInf, "INF"},
        {-kInf, "-INF"},
        {std::nan(""), "NaN"},
        {1e-300, "1e-300"},
        {-1.5, "-1.5"},
        {1.0 / 3, "0.33333333333333"},          // 14 significant digits
        {9007199254740992.0, "9.007199254741e+15"},  // rounded, trailing zero dropped
        {12345678901234.0, "12345678901234"},   // exponent 13: still fixed
        {1e14, "1e+14"},                        // exponent 14: scientific
        {0.0001, "0.0001"},
        {0.00001, "1e-05"},
        {DBL_MAX, "1.7976931348623e+308"},
    };
    for (const auto& [value, expected] : cases) {
        std::string out = "x";
        append_double(out, value);
        EXPECT_EQ(out, std::string("x") + expected);
    }
}

TEST(ValueText, DoublesOfFourteenDigitsSurviveTheRoundTrip) {
    const double values[] = {0.1, 1.5, -2.5e10, 123456.789, 1e-300, 5e-324, 12345678901234.0, 0.1 + 0.7};
    for (double value : values) {
        std::string text;
        append_double(text, value);
        double back = 0;
        ASSERT_EQ(parse_double(text, back), ELMX_OK) << text;
        EXPECT_NEAR(back, value, std::abs(value) * 1e-13) << text;
    }
}

TEST(ValueText, AppendIntegersAndBooleans) {
    const std::pair<std::uint64_t, const char*> unsigned_cases[] = {
        {0, "0"}, {kMaxU32, "4294967295"}, {UINT64_MAX, "18446744073709551615"}};
    for (const auto& [value, expected] : unsigned_cases) {
        std::string out;
        append_uint(out, value);
        EXPECT_EQ(out, expected);
    }
    const std::pair<std::int64_t, const char*> signed_cases[] = {
        {0, "0"}, {-1, "-1"}, {kMinI64, "-9223372036854775808"}, {kMaxI64, "9223372036854775807"}};
    for (const auto& [value, expected] : signed_cases) {
        std::string out;
        append_int(out, value);
        EXPECT_EQ(out, expected);
    }
    std::string out;
    append_bool(out, true);
    append_bool(out, false);
    EXPECT_EQ(out, "truefalse");
}

TEST(ValueText, HexBinary) {
    struct row {
        const char* text;
        elmx_error code;
        c_binary bytes;
    };
    const row cases[] = {
        {"", ELMX_OK, {}},
        {"00ff10", ELMX_OK, {0x00, 0xFF, 0x10}},
        {"ABcd", ELMX_OK, {0xAB, 0xCD}},
        {" 0A\n", ELMX_OK, {0x0A}},
        {"abc", ELMX_VALUE_BAD_FORMAT, {}},
        {"zz", ELMX_VALUE_BAD_FORMAT, {}},
        {"0g", ELMX_VALUE_BAD_FORMAT, {}},
        {"0 A", ELMX_VALUE_BAD_FORMAT, {}},
    };
    for (const auto& c : cases) {
        c_binary value = {0x99};
        EXPECT_EQ(parse_hex(c.text, value), c.code) << c.text;
        EXPECT_EQ(value, c.code == ELMX_OK ? c.bytes : c_binary{0x99}) << c.text;
    }
    std::string out;
    append_hex(out, {0x00, 0xFF, 0x10, 0xAB, 0x5c});
    EXPECT_EQ(out, "00FF10AB5C");
}

TEST(ValueText, Utf8ToUtf16) {
    const std::pair<std::string_view, std::u16string> good[] = {
        {"", u""},
        {"abc", u"abc"},
        {"\xC3\xA9", u"\u00E9"},
        {"\xDF\xBF", u"\u07FF"},
        {"\xE4\xB8\xAD", u"\u4E2D"},
        {"\xEF\xBF\xBF", u"\uFFFF"},
        {"\xF0\x9D\x84\x9E", u"\U0001D11E"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {std::string_view("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const auto& [text, expected] : good) {
        std::u16string value;
        EXPECT_EQ(utf8_to_utf16(text, value), ELMX_OK) << text;
        EXPECT_EQ(value, expected) << text;
    }
    const std::string_view bad[] = {
        "\xC0\x80",          // overlong NUL
        "\xC1\xBF",          // overlong two-byte
        "\xE0\x80\x80",      // overlong three-byte
        "\xF0\x80\x80\x80",  // overlong four-byte
        "\xED\xA0\x80",      // a surrogate, U+D800
        "\xED\xBF\xBF",      // U+DFFF
        "\xF4\x90\x80\x80",  // U+110000
        "\xF5\x80\x80\x80",
        "\xFF",
        "\x80",              // stray continuation byte
        "\xE4\xB8",          // cut short
        "a\xC3",
        "\xC3\x28",          // lead byte without its continuation
        "\xF0\x9D\x84",
    };
    for (std::string_view text : bad) {
        std::u16string value = u"kept";
        EXPECT_EQ(utf8_to_utf16(text, value), ELMX_BAD_CHAR_ENCODING) << text;
        EXPECT_EQ(value, u"kept");
    }
}

TEST(ValueText, SplitList) {
    const std::pair<std::string_view, std::vector<std::u16string>> cases[] = {
        {"", {}},
        {" \t\r\n", {}},
        {"x", {u"x"}},
        {" a  b\tc\r\nd ", {u"a", u"b", u"c", u"d"}},
        {"\xC3\xA9 z", {u"\u00E9", u"z"}},
        {"a\xFF" "b c", {u"a\uFFFDb", u"c"}},
        {"a\xA0" "b", {u"a\uFFFDb"}},  // a lone continuation byte is no white space
    };
    for (const auto& [text, expected] : cases) {
        std::vector<std::u16string> items;
        split_list(text, items);
        EXPECT_EQ(items, expected) << text;
    }
}

TEST(ValueText, AppendUtf8) {
    const std::pair<std::u16string, std::string_view> cases[] = {
        {u"a\u00E9<&", "a\xC3\xA9<&"},  // no escaping here
        {u"\U0001D11E", "\xF0\x9D\x84\x9E"},
        {std::u16string{u'a', 0x01}, "a\x01"},
        {std::u16string{u'a', 0xD834}, "a"},
        {std::u16string{u'a', 0xD834, u'b'}, "a"},
        {std::u16string{u'a', 0xDD1E, u'b'}, "a"},
    };
    for (const auto& [text, expected] : cases) {
        std::string out;
        append_utf8(out, text);
        EXPECT_EQ(out, expected);
    }
}

// The word-at-a-time scans must find a byte at every offset of a word, after text
// of either kind, and nothing where there is nothing.
TEST(ValueText, ByteScansAtEveryOffset) {
    for (std::size_t at = 0; at < 24; ++at) {
        std::string text(24, 'a');
        EXPECT_FALSE(lmx::detail::has_byte_below_blank(text));
        EXPECT_EQ(lmx::detail::ascii_prefix(text), 24u);
        text[at] = '\x1F';
        EXPECT_TRUE(lmx::detail::has_byte_below_blank(text)) << at;
        text[at] = ' ';
        EXPECT_FALSE(lmx::detail::has_byte_below_blank(text)) << at;
        text[at] = '\xC3';
        EXPECT_EQ(lmx::detail::ascii_prefix(text), at);
        EXPECT_FALSE(lmx::detail::has_byte_below_blank(text)) << at;
        if (at + 1 < text.size()) {
            text[at + 1] = '\t';
            EXPECT_TRUE(lmx::detail::has_byte_below_blank(text)) << at;
        }
    }
}
