// UTF-8/UTF-16 conversion at the script boundary and TextPair under C locales.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "core/book_locale.h"
#include "core/text_pair.h"
#include "core/utf_convert.h"

using namespace karvo;

namespace {

/// Selects an LC_CTYPE locale for one test and restores the previous one.
class LocaleScope {
public:
    explicit LocaleScope(const char* name) : previous_(std::setlocale(LC_CTYPE, nullptr)) {
        available_ = std::setlocale(LC_CTYPE, name) != nullptr;
    }
    ~LocaleScope() { std::setlocale(LC_CTYPE, previous_.c_str()); }
    bool available() const { return available_; }

private:
    std::string previous_;
    bool available_;
};

} // namespace

TEST(Utf, WellFormedTextConvertsBothWays) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"", u""},
        {"Sheet1", u"Sheet1"},
        {"J\xC3\xBCrg\xC3\xA9", u"J\u00FCrg\u00E9"},                // 7 bytes, 5 units
        {"\xF0\x9D\x84\x9E", std::u16string({0xD834, 0xDD1E})}, // U+1D11E: a surrogate pair
        {"\x7F", u"\u007F"},                                  // the last character taken as it is
        {"a\xC2\x80", u"a\u0080"},                             // the first one converted
        {"a\xC4\x80", u"a\u0100"},                             // a low byte that alone looks ASCII
    };
    // The buffer forms reuse what the previous case left, longer or shorter.
    std::u16string wideBuffer(40, u'#');
    std::string narrowBuffer(40, '#');
    for (const auto& [narrow, wide] : cases) {
        EXPECT_EQ(utf8ToUtf16(narrow), wide) << narrow;
        EXPECT_EQ(utf16ToUtf8(wide), narrow);
        utf8ToUtf16(narrow, wideBuffer);
        utf16ToUtf8(wide, narrowBuffer);
        EXPECT_EQ(wideBuffer, wide) << narrow;
        EXPECT_EQ(narrowBuffer, narrow);
    }
}

TEST(Utf, IllFormedInputIsSubstitutedNotRejected) {
    std::u16string wide = utf8ToUtf16("a\xFF" "b");
    ASSERT_EQ(wide.size(), 3u);
    EXPECT_EQ(wide[0], u'a');
    EXPECT_EQ(wide[1], 0xFFFD);
    EXPECT_EQ(wide[2], u'b');
    EXPECT_EQ(utf8ToUtf16("ab\xE2\x82").substr(0, 2), u"ab");  // truncated sequence at the end
    std::string narrow = utf16ToUtf8(std::u16string({u'x', 0xD800, u'y'}));  // lone surrogate
    EXPECT_EQ(narrow.front(), 'x');
    EXPECT_EQ(narrow.back(), 'y');
    EXPECT_GT(narrow.size(), 2u);
}

TEST(Utf, PrefixesNeverSplitASurrogatePair) {
    const std::u16string smile = u"\U0001F600"; // one character, two units
    struct Case {
        std::u16string text;
        std::size_t maxUnits;
        std::u16string prefix;
    };
    const Case cases[] = {
        {u"abc", 5, u"abc"},
        {u"abc", 2, u"ab"},
        {u"a" + smile, 3, u"a" + smile},
        {u"a" + smile + u"b", 2, u"a"},   // the pair would be cut: it goes whole
        {u"a" + smile + u"b", 3, u"a" + smile},
        {smile, 1, u""},
        {smile, 0, u""},
        {std::u16string({u'a', 0xD800, u'b'}), 2, std::u16string({u'a', 0xD800})}, // a lone half is no pair
    };
    for (const Case& c : cases) EXPECT_EQ(utf16Prefix(c.text, c.maxUnits), c.prefix) << utf16ToUtf8(c.text);
}

TEST(TextPair, WideInWideOutConvertsNothing) {
    LocaleScope c("C");
    TextPair text(u"\u4E2D\u6587");
    EXPECT_EQ(std::u16string(text.wide()), u"\u4E2D\u6587");
}

TEST(TextPair, UnencodableCharactersNarrowToQuestionMarks) {
    LocaleScope c("C");
    TextPair text;
    text.setWide(u"a\u4E2Db");
    EXPECT_STREQ(text.narrow(), "a?b");
}

TEST(TextPair, Utf8LocaleBridgesBothWays) {
    LocaleScope utf8("C.UTF-8");
    if (!utf8.available()) GTEST_SKIP() << "no C.UTF-8 locale on this machine";
    TextPair text;
    text.setWide(std::u16string({u'A', 0xD834, 0xDD1E, 0x00E9}));
    EXPECT_STREQ(text.narrow(), "A\xF0\x9D\x84\x9E\xC3\xA9");
    text.setNarrow("\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(std::u16string(text.wide()), u"\u00E9t\u00E9");
    text.setNarrow("bad\xFF");
    EXPECT_EQ(std::u16string(text.wide()), u"");  // invalid in the locale: empty
    text.setWide(std::u16string({u'a', 0xDC00, u'b'}));  // a lone surrogate has no encoding
    EXPECT_STREQ(text.narrow(), "a?b");
}

TEST(TextPair, NullLeavesTextAloneAndClearEmpties) {
    TextPair text(u"keep");
    text.setWide(nullptr);
    text.setNarrow(nullptr);
    EXPECT_EQ(std::u16string(text.wide()), u"keep");
    text.clear();
    EXPECT_STREQ(text.narrow(), "");
    EXPECT_EQ(std::u16string(text.wide()), u"");
}

TEST(BookLocale, FailureKeepsTheLocaleAndReportsIt) {
    LocaleScope c("C");
    BookMessage message;
    BookLocale locale;
    EXPECT_FALSE(locale.select("no_such_locale.XYZ", message));
    EXPECT_STREQ(message.text(), "setlocale error");
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
    EXPECT_TRUE(locale.select("C", message));
    EXPECT_STREQ(message.text(), "ok");
}

TEST(BookLocale, ReleaseRestoresWhatWasInForce) {
    LocaleScope c("C");
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale on this machine";
    std::setlocale(LC_CTYPE, "C");
    {
        BookMessage message;
        BookLocale locale;
        ASSERT_TRUE(locale.select("C.UTF-8", message));
        EXPECT_STRNE(std::setlocale(LC_CTYPE, nullptr), "C");
    }
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
}
