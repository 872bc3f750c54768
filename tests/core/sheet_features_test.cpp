// Sheet features that behave alike in binary and Open XML books: merged ranges, page
// breaks, named ranges, outline groups, view and page setup.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/book_bytes.h"

namespace karvo::testing {
namespace {

using Factory = IBook* (*)() noexcept;

class SheetFeatures : public ::testing::TestWithParam<Factory> {
protected:
    BookPtr book{GetParam()()};
    ISheet* sheet = book->addSheet(u"Data");

    void expectMessage(const char* text) { EXPECT_STREQ(text, book->errorMessage()); }
};

TEST_P(SheetFeatures, MergedRangesAreFoundByAnyOfTheirCells) {
    ASSERT_TRUE(sheet->addMerge(1, 3, 1, 3)) << book->errorMessage();
    int r1 = -1, r2 = -1, c1 = -1, c2 = -1;
    ASSERT_TRUE(sheet->mergeAt(3, 2, &r1, &r2, &c1, &c2));
    EXPECT_EQ((std::array{r1, r2, c1, c2}), (std::array{1, 3, 1, 3}));
    EXPECT_EQ(4, sheet->lastRow());
    EXPECT_EQ(4, sheet->lastColumn());
    EXPECT_FALSE(sheet->mergeAt(4, 2, &r1, &r2, &c1, &c2));
    expectMessage("this cell isn't in merging block");
    EXPECT_FALSE(sheet->addMerge(3, 2, 0, 0));
    expectMessage("rowLast must be greater than or equal to rowFirst");
    EXPECT_FALSE(sheet->addMerge(0, 0, 3, 2));
    expectMessage("colLast must be greater than or equal to colFirst");
    ASSERT_TRUE(sheet->removeMerge(2, 2));
    EXPECT_FALSE(sheet->mergeAt(1, 1, nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(sheet->removeMerge(1, 1));
    expectMessage("this cell isn't in merging block");
}

TEST_P(SheetFeatures, PageBreaksAreAddedOnceAndRemovedOnce) {
    ASSERT_TRUE(sheet->setRowBreak(5, true));
    ASSERT_TRUE(sheet->setColumnBreak(3, true));
    EXPECT_FALSE(sheet->setRowBreak(5, true));
    expectMessage("pagebreak already exists");
    EXPECT_EQ(1, sheet->rowBreakCount());
    EXPECT_EQ(5, sheet->rowBreakAt(0));
    EXPECT_EQ(3, sheet->columnBreakAt(0));
    EXPECT_EQ(0, sheet->rowBreakAt(1));
    expectMessage("index is out of range");
    EXPECT_EQ(0, sheet->columnBreakAt(-1));
    expectMessage("index is out of range");
    ASSERT_TRUE(sheet->setRowBreak(5, false));
    EXPECT_EQ(0, sheet->rowBreakCount());
    EXPECT_FALSE(sheet->setRowBreak(5, false));
    expectMessage("pagebreak not found");
    for (int row = 1; row <= 1026; ++row) ASSERT_TRUE(sheet->setRowBreak(row, true)) << row;
    EXPECT_FALSE(sheet->setRowBreak(2000, true));
    expectMessage("number of pagebreaks is exceed limit");
}

TEST_P(SheetFeatures, NamedRangesReadBackAndAreListed) {
    ASSERT_TRUE(sheet->setNamedRange(u"Prices", 1, 9, 0, 2)) << book->errorMessage();
    ASSERT_TRUE(sheet->setNamedRange(u"Total", 10, 10, 3, 3)) << book->errorMessage();
    ASSERT_TRUE(sheet->setNamedRange(u"Prices", 2, 8, 1, 1)) << book->errorMessage();  // updated in place
    int r1 = -1, r2 = -1, c1 = -1, c2 = -1;
    ASSERT_TRUE(sheet->namedRange(u"Prices", &r1, &r2, &c1, &c2)) << book->errorMessage();
    EXPECT_EQ((std::array{r1, r2, c1, c2}), (std::array{2, 8, 1, 1}));
    ASSERT_EQ(2, sheet->namedRangeCount());
    const char16_t* second = sheet->namedRangeAt(1, &r1, &r2, &c1, &c2);
    ASSERT_NE(nullptr, second) << book->errorMessage();
    EXPECT_EQ(std::u16string(u"Total"), second);
    EXPECT_EQ((std::array{r1, r2, c1, c2}), (std::array{10, 10, 3, 3}));
    EXPECT_EQ(nullptr, sheet->namedRangeAt(2, &r1, &r2, &c1, &c2));
    expectMessage("index is out of range");

    EXPECT_FALSE(sheet->setNamedRange(u"Two words", 0, 0, 0, 0));
    expectMessage("space symbol isn't allowed");
    EXPECT_FALSE(sheet->namedRange(u"Missing", &r1, &r2, &c1, &c2));
    expectMessage("named range is not found");
    ASSERT_TRUE(sheet->deleteNamedRange(u"Prices"));
    EXPECT_FALSE(sheet->deleteNamedRange(u"Prices"));
    EXPECT_EQ(1, sheet->namedRangeCount());
    // Names are the sheet's own: another sheet sees none of them.
    ISheet* other = book->addSheet(u"Other");
    EXPECT_EQ(0, other->namedRangeCount());
    EXPECT_FALSE(other->namedRange(u"Total", &r1, &r2, &c1, &c2));
}

TEST_P(SheetFeatures, GroupedRowsHideWhenCollapsed) {
    ASSERT_TRUE(sheet->groupRows(2, 4, true)) << book->errorMessage();
    for (int row = 2; row <= 4; ++row) EXPECT_TRUE(sheet->rowIsHidden(row)) << row;
    EXPECT_FALSE(sheet->rowIsHidden(5));
    EXPECT_FALSE(sheet->groupRows(4, 6, false));
    expectMessage("detect overlap");
    EXPECT_FALSE(sheet->groupRows(6, 5, false));
    expectMessage("must be rowFirst <= rowLast");
    ASSERT_TRUE(sheet->groupColumns(1, 2, true)) << book->errorMessage();
    EXPECT_TRUE(sheet->columnIsHidden(1));
    EXPECT_FALSE(sheet->columnIsHidden(3));
    EXPECT_FALSE(sheet->groupColumns(2, 1, false));
    expectMessage("must be colFirst <= colLast");
}

TEST_P(SheetFeatures, ViewAndPageSetupKeepWhatIsSet) {
    EXPECT_TRUE(sheet->showsGridlines());
    EXPECT_EQ(100, sheet->zoom());
    EXPECT_EQ(100, sheet->printScale());
    EXPECT_FALSE(sheet->isLandscape());
    EXPECT_FALSE(sheet->isProtected());
    EXPECT_TRUE(sheet->summaryRowsBelow());
    EXPECT_TRUE(sheet->summaryColumnsRight());

    sheet->setShowsGridlines(false);
    sheet->setPrintsGridlines(true);
    sheet->setZoom(150);
    sheet->setLandscape(true);
    sheet->setPaperSize(9);
    sheet->setCenteredHorizontally(true);
    sheet->setCenteredVertically(true);
    sheet->setPrintsHeadings(true);
    sheet->setLeftMargin(0.25);
    sheet->setRightMargin(0.5);
    sheet->setTopMargin(1.25);
    sheet->setBottomMargin(1.5);
    sheet->setProtected(true);
    sheet->setSummaryRowsBelow(false);
    sheet->setSummaryColumnsRight(false);
    EXPECT_FALSE(sheet->showsGridlines());
    EXPECT_TRUE(sheet->printsGridlines());
    EXPECT_EQ(150, sheet->zoom());
    EXPECT_TRUE(sheet->isLandscape());
    EXPECT_EQ(9, sheet->paperSize());
    EXPECT_TRUE(sheet->centeredHorizontally());
    EXPECT_TRUE(sheet->centeredVertically());
    EXPECT_TRUE(sheet->printsHeadings());
    EXPECT_EQ((std::array{0.25, 0.5, 1.25, 1.5}),
              (std::array{sheet->leftMargin(), sheet->rightMargin(), sheet->topMargin(), sheet->bottomMargin()}));
    EXPECT_TRUE(sheet->isProtected());
    EXPECT_FALSE(sheet->summaryRowsBelow());
    EXPECT_FALSE(sheet->summaryColumnsRight());

    sheet->setPrintFitPages(2, 3);
    int wide = 0, tall = 0;
    EXPECT_TRUE(sheet->printFitPages(&wide, &tall));
    EXPECT_EQ((std::array{wide, tall}), (std::array{2, 3}));
    sheet->setPrintScale(80);  // a scale switches fitting off
    EXPECT_EQ(80, sheet->printScale());
    EXPECT_FALSE(sheet->printFitPages(nullptr, nullptr));
}

TEST_P(SheetFeatures, HeaderAndFooterHoldAtMost255Characters) {
    ASSERT_TRUE(sheet->setHeader(u"&CPage &P", 0.4));
    ASSERT_TRUE(sheet->setFooter(std::u16string(255, u'x').c_str(), 0.6));
    EXPECT_EQ(std::u16string(u"&CPage &P"), sheet->headerText());
    EXPECT_EQ(std::u16string(255, u'x'), sheet->footerText());
    EXPECT_EQ(0.4, sheet->headerMargin());
    EXPECT_EQ(0.6, sheet->footerMargin());
    EXPECT_FALSE(sheet->setHeader(std::u16string(256, u'x').c_str(), 0.5));
    expectMessage("string is too long");
    EXPECT_EQ(std::u16string(u"&CPage &P"), sheet->headerText());
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, SheetFeatures, ::testing::Values(&createBinaryBook, &createXmlBook),
                         [](const auto& info) { return info.param == &createBinaryBook ? "Binary" : "Xml"; });

} // namespace
} // namespace karvo::testing
