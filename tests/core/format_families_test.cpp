// What formats and fonts keep is the same in both book families: every property
// set through the interfaces reads back the same after a save and a load, and a
// copy made by addFormat shows the same.
#include <functional>

#include <gtest/gtest.h>

#include "core/book_factory.h"
#include "support/book_bytes.h"

namespace karvo::testing {
namespace {

struct Family {
    const char* name;
    IBook* (*create)() noexcept;
};

class FormatFamilies : public ::testing::TestWithParam<Family> {
protected:
    BookPtr newBook() {
        BookPtr book(GetParam().create());
        book->addSheet(u"S");
        return book;
    }

    BookPtr saveAndLoad(IBook& book) {
        const char* data = nullptr;
        std::size_t size = 0;
        EXPECT_TRUE(book.saveToMemory(&data, &size)) << book.errorMessage();
        BookPtr again(GetParam().create());
        EXPECT_TRUE(again->loadFromMemory(data, size)) << again->errorMessage();
        return again;
    }
};

// One property: how to set it on a format, and how to read it back as a number.
struct Property {
    const char* name;
    int value;
    std::function<void(IFormat&, int)> set;
    std::function<int(IFormat&)> get;
};

const Property kProperties[] = {
    {"alignH", AlignHCenter, [](IFormat& f, int v) { f.setAlignH(AlignH(v)); }, [](IFormat& f) { return int(f.alignH()); }},
    {"alignV", AlignVTop, [](IFormat& f, int v) { f.setAlignV(AlignV(v)); }, [](IFormat& f) { return int(f.alignV()); }},
    {"wrap", 1, [](IFormat& f, int v) { f.setWrap(v); }, [](IFormat& f) { return int(f.wrap()); }},
    {"rotation", 45, [](IFormat& f, int v) { f.setRotation(v); }, [](IFormat& f) { return f.rotation(); }},
    {"indent", 3, [](IFormat& f, int v) { f.setIndent(v); }, [](IFormat& f) { return f.indent(); }},
    {"shrink", 1, [](IFormat& f, int v) { f.setShrinkToFit(v); }, [](IFormat& f) { return int(f.shrinkToFit()); }},
    {"left", BorderThin, [](IFormat& f, int v) { f.setBorderLeft(BorderStyle(v)); }, [](IFormat& f) { return int(f.borderLeft()); }},
    {"right", BorderDashDot, [](IFormat& f, int v) { f.setBorderRight(BorderStyle(v)); }, [](IFormat& f) { return int(f.borderRight()); }},
    {"top", BorderDouble, [](IFormat& f, int v) { f.setBorderTop(BorderStyle(v)); }, [](IFormat& f) { return int(f.borderTop()); }},
    {"bottom", BorderHair, [](IFormat& f, int v) { f.setBorderBottom(BorderStyle(v)); }, [](IFormat& f) { return int(f.borderBottom()); }},
    {"leftColor", 10, [](IFormat& f, int v) { f.setBorderLeftColor(Color(v)); }, [](IFormat& f) { return int(f.borderLeftColor()); }},
    {"rightColor", 12, [](IFormat& f, int v) { f.setBorderRightColor(Color(v)); }, [](IFormat& f) { return int(f.borderRightColor()); }},
    {"topColor", 17, [](IFormat& f, int v) { f.setBorderTopColor(Color(v)); }, [](IFormat& f) { return int(f.borderTopColor()); }},
    {"bottomColor", 63, [](IFormat& f, int v) { f.setBorderBottomColor(Color(v)); }, [](IFormat& f) { return int(f.borderBottomColor()); }},
    {"diagonal", BorderDiagonalBoth, [](IFormat& f, int v) { f.setBorderDiagonal(BorderDiagonal(v)); },
     [](IFormat& f) { return int(f.borderDiagonal()); }},
    {"diagonalStyle", BorderMedium, [](IFormat& f, int v) { f.setBorderDiagonalStyle(BorderStyle(v)); },
     [](IFormat& f) { return int(f.borderDiagonalStyle()); }},
    {"diagonalColor", 20, [](IFormat& f, int v) { f.setBorderDiagonalColor(Color(v)); },
     [](IFormat& f) { return int(f.borderDiagonalColor()); }},
    {"pattern", FillThinDiagonalCrosshatch, [](IFormat& f, int v) { f.setFillPattern(FillPattern(v)); },
     [](IFormat& f) { return int(f.fillPattern()); }},
    {"foreground", 13, [](IFormat& f, int v) { f.setPatternForegroundColor(Color(v)); },
     [](IFormat& f) { return int(f.patternForegroundColor()); }},
    {"background", 22, [](IFormat& f, int v) { f.setPatternBackgroundColor(Color(v)); },
     [](IFormat& f) { return int(f.patternBackgroundColor()); }},
    {"locked", 0, [](IFormat& f, int v) { f.setLocked(v); }, [](IFormat& f) { return int(f.locked()); }},
    {"hidden", 1, [](IFormat& f, int v) { f.setHidden(v); }, [](IFormat& f) { return int(f.hidden()); }},
    {"numFormat", 10, [](IFormat& f, int v) { f.setNumFormat(v); }, [](IFormat& f) { return f.numFormat(); }},
    {"size", 14, [](IFormat& f, int v) { f.font()->setSize(v); }, [](IFormat& f) { return f.font()->size(); }},
    {"bold", 1, [](IFormat& f, int v) { f.font()->setBold(v); }, [](IFormat& f) { return int(f.font()->bold()); }},
    {"italic", 1, [](IFormat& f, int v) { f.font()->setItalic(v); }, [](IFormat& f) { return int(f.font()->italic()); }},
    {"strike", 1, [](IFormat& f, int v) { f.font()->setStrikeOut(v); }, [](IFormat& f) { return int(f.font()->strikeOut()); }},
    {"fontColor", 53, [](IFormat& f, int v) { f.font()->setColor(Color(v)); }, [](IFormat& f) { return int(f.font()->color()); }},
    {"script", ScriptSuper, [](IFormat& f, int v) { f.font()->setScript(Script(v)); },
     [](IFormat& f) { return int(f.font()->script()); }},
    {"underline", UnderlineDoubleAccounting, [](IFormat& f, int v) { f.font()->setUnderline(Underline(v)); },
     [](IFormat& f) { return int(f.font()->underline()); }},
};

TEST_P(FormatFamilies, EveryPropertySurvivesSavingAndCopying) {
    BookPtr book = newBook();
    IFormat* format = book->addFormat();
    ASSERT_TRUE(format->setFont(book->addFont()));
    for (const Property& p : kProperties) {
        p.set(*format, p.value);
        ASSERT_STREQ(book->errorMessage(), "ok") << p.name;
    }
    ASSERT_TRUE(format->font()->setName(u"Courier New"));
    book->getSheet(0)->writeNumber(0, 0, 1, format);
    IFormat* copy = book->addFormat(format);

    BookPtr again = saveAndLoad(*book);
    IFormat* loaded = again->getSheet(0)->cellFormat(0, 0);
    ASSERT_NE(loaded, nullptr) << again->errorMessage();
    for (const Property& p : kProperties) {
        EXPECT_EQ(p.get(*loaded), p.value) << p.name;
        EXPECT_EQ(p.get(*copy), p.value) << p.name << " of the copy";
    }
    EXPECT_EQ(std::u16string(loaded->font()->name()), u"Courier New");
}

TEST_P(FormatFamilies, NewFormatsShowTheDefaults) {
    BookPtr book = newBook();
    IFormat* format = book->addFormat();
    EXPECT_EQ(format->alignH(), AlignHGeneral);
    EXPECT_EQ(format->alignV(), AlignVBottom);
    EXPECT_EQ(format->borderLeft(), BorderNone);
    EXPECT_EQ(format->fillPattern(), FillNone);
    EXPECT_TRUE(format->locked());
    EXPECT_FALSE(format->hidden());
    EXPECT_EQ(format->patternForegroundColor(), ColorSystemForeground);
    EXPECT_EQ(format->patternBackgroundColor(), ColorSystemBackground);
    EXPECT_EQ(format->borderTopColor(), ColorSystemForeground);
    EXPECT_FALSE(format->setRotation(200));
    EXPECT_STREQ(book->errorMessage(), "rotation must be in range 0-180 or 255");
}

INSTANTIATE_TEST_SUITE_P(Both, FormatFamilies,
                         ::testing::Values(Family{"binary", createBinaryBook}, Family{"xml", createXmlBook}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace karvo::testing
