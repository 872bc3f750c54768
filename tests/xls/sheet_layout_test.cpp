// The binary sheet's rows, columns, merged ranges, page breaks, page setup and view.
#include <gtest/gtest.h>

#include "support/fake_sheet_host.h"
#include "xls/sheet_impl.h"

using namespace karvo;
using karvo::testing::FakeSheetHost;

namespace {

class SheetLayout : public ::testing::Test {
protected:
    const ColEntry* column(int col) {
        for (const ColEntry& e : sheet.data().columns)
            if (e.first == col) return &e;
        return nullptr;
    }
    std::uint16_t xfAt(int row, int col) {
        IFormat* format = sheet.cellFormat(row, col);
        return static_cast<std::uint16_t>(host.formatIndex(format));
    }

    FakeSheetHost host;
    SheetImplT sheet{host, u"Sheet1"};
};

TEST_F(SheetLayout, RowHeightsStopAt409Point6) {
    EXPECT_EQ(sheet.rowHeight(4), 12.75); // DefaultRowHeight: 255 twips
    EXPECT_TRUE(sheet.setRow(4, 409.6, nullptr, false));
    EXPECT_EQ(sheet.data().rows.back().miyRw, 8192);
    EXPECT_FALSE(sheet.setRow(4, 409.65, nullptr, false));
    EXPECT_STREQ(host.text(), "height is too big");
    EXPECT_EQ(sheet.rowHeight(4), 409.6);
    EXPECT_FALSE(sheet.setRow(5, -1, nullptr, false));
    EXPECT_STREQ(host.text(), "height is too big");
}

TEST_F(SheetLayout, SetRowWritesTheWholeEntry) {
    ASSERT_TRUE(sheet.setRow(7, 20, host.format(21), true));
    const RowEntry& e = sheet.data().rows.back();
    EXPECT_EQ(e, (RowEntry{7, 0, 0, 400, 0, 0, 0x0140 | 0x0020 | 0x0080, 21}));
    EXPECT_TRUE(sheet.rowIsHidden(7));
    EXPECT_TRUE(sheet.setRowHidden(7, false));
    EXPECT_FALSE(sheet.rowIsHidden(7));
    EXPECT_TRUE(sheet.setRowHidden(9, true)); // a row without an entry gets the default one, hidden
    EXPECT_EQ(sheet.data().rows.back(), (RowEntry{9, 0, 1, 255, 0, 0, 0x0120, 15}));
}

TEST_F(SheetLayout, ColumnWidthsGoThroughWholePixels) {
    EXPECT_EQ(sheet.columnWidth(0), 8.43);
    ASSERT_TRUE(sheet.setColumns(0, 0, 10.0, nullptr, false));
    EXPECT_EQ(column(0)->width, 2743);
    EXPECT_EQ(sheet.columnWidth(0), 10.0);
    ASSERT_TRUE(sheet.setColumns(1, 1, 0.5, nullptr, false));
    EXPECT_EQ(column(1)->width, 219);
    EXPECT_EQ(sheet.columnWidth(1), 0.5);
    ASSERT_TRUE(sheet.setColumnHidden(0, true));
    EXPECT_EQ(sheet.columnWidth(0), 0.0);
    EXPECT_TRUE(sheet.columnIsHidden(0));
    ASSERT_TRUE(sheet.setColumnHidden(0, false)); // the width survives hiding
    EXPECT_EQ(sheet.columnWidth(0), 10.0);
}

TEST_F(SheetLayout, SetColumnsChecksItsRange) {
    EXPECT_FALSE(sheet.setColumns(3, 2, 1.0, nullptr, false));
    EXPECT_STREQ(host.text(), "colLast must be greater than or equal to colFirst");
    EXPECT_FALSE(sheet.setColumns(0, 256, 1.0, nullptr, false));
    EXPECT_STREQ(host.text(), "col must be in range 0-255");
    EXPECT_TRUE(sheet.setColumns(2, 4, 12.0, host.format(16), true));
    // 12 characters: 12 x 7 + 5 = 89 pixels, 89 x 256 / 7 = 3254.9 units
    for (int c = 2; c <= 4; ++c) EXPECT_EQ(*column(c), (ColEntry{std::uint16_t(c), std::uint16_t(c), 3255, 16, 1, 0}));
}

TEST_F(SheetLayout, GroupingRowsRaisesTheirLevel) {
    ASSERT_TRUE(sheet.setRow(5, 15, nullptr, false));
    ASSERT_TRUE(sheet.groupRows(2, 4, true));
    for (int r = 2; r <= 4; ++r) EXPECT_TRUE(sheet.rowIsHidden(r));
    EXPECT_EQ(sheet.data().settings.guts[2], 2);
    for (const RowEntry& e : sheet.data().rows) {
        if (e.row == 5) {
            EXPECT_EQ(e.flags & 0x0010, 0x0010) << "the row below is marked collapsed";
        } else if (e.row >= 2 && e.row <= 4) {
            EXPECT_EQ(e.flags & 0x0007, 1);
        }
    }
    EXPECT_FALSE(sheet.groupRows(3, 5, false));
    EXPECT_STREQ(host.text(), "detect overlap");
    EXPECT_FALSE(sheet.groupRows(5, 3, false));
    EXPECT_STREQ(host.text(), "must be rowFirst <= rowLast");
}

TEST_F(SheetLayout, GroupingColumnsMakesEntriesAtLevelOne) {
    ASSERT_TRUE(sheet.groupColumns(1, 2, false));
    EXPECT_EQ(*column(1), (ColEntry{1, 1, 2340, 0, 0x0100, 0})); // (8 + 1.140625) x 256
    EXPECT_EQ(sheet.data().settings.guts[3], 2);
    ASSERT_TRUE(sheet.groupColumns(1, 1, true));
    EXPECT_EQ(column(1)->options, 0x0201);
    EXPECT_EQ(sheet.data().settings.guts[3], 3);
}

TEST_F(SheetLayout, PageBreaksStopAt1026) {
    for (int r = 1; r <= 1026; ++r) ASSERT_TRUE(sheet.setRowBreak(r, true)) << r;
    EXPECT_FALSE(sheet.setRowBreak(2000, true));
    EXPECT_STREQ(host.text(), "number of pagebreaks is exceed limit");
    EXPECT_EQ(sheet.rowBreakCount(), 1026);
    EXPECT_FALSE(sheet.setRowBreak(5, true));
    EXPECT_STREQ(host.text(), "pagebreak already exists");
    EXPECT_TRUE(sheet.setRowBreak(5, false));
    EXPECT_FALSE(sheet.setRowBreak(5, false));
    EXPECT_STREQ(host.text(), "pagebreak not found");
    EXPECT_TRUE(sheet.setColumnBreak(7, true));
    EXPECT_EQ(sheet.data().verticalBreaks[0], (PageBreak{7, 0, 65535}));
    EXPECT_EQ(sheet.columnBreakAt(0), 7);
    EXPECT_EQ(sheet.columnBreakAt(1), 0);
    EXPECT_STREQ(host.text(), "index is out of range");
}

TEST_F(SheetLayout, MergingFillsTheRangeWithBlanks) {
    ASSERT_TRUE(sheet.addMerge(0, 1, 0, 1));
    for (int r = 0; r <= 1; ++r)
        for (int c = 0; c <= 1; ++c) {
            EXPECT_EQ(sheet.cellType(r, c), CellBlank);
            EXPECT_EQ(xfAt(r, c), 15);
        }
    EXPECT_EQ(sheet.firstRow(), 0);
    EXPECT_EQ(sheet.lastRow(), 2);
    EXPECT_EQ(sheet.firstColumn(), 0);
    EXPECT_EQ(sheet.lastColumn(), 2);
}

TEST_F(SheetLayout, MergedBlanksTakeTheTopLeftFormat) {
    sheet.writeNumber(4, 4, 1.0, host.format(20));
    ASSERT_TRUE(sheet.addMerge(4, 5, 4, 5));
    EXPECT_EQ(sheet.cellType(4, 4), CellNumber);
    EXPECT_EQ(xfAt(4, 5), 20);
    EXPECT_EQ(xfAt(5, 4), 20);
    EXPECT_EQ(xfAt(5, 5), 20);
    int r1, r2, c1, c2;
    EXPECT_TRUE(sheet.mergeAt(5, 5, &r1, &r2, &c1, &c2));
    EXPECT_EQ((std::array{r1, r2, c1, c2}), (std::array{4, 5, 4, 5}));
    EXPECT_FALSE(sheet.mergeAt(6, 6, &r1, &r2, &c1, &c2));
    EXPECT_STREQ(host.text(), "this cell isn't in merging block");
    EXPECT_FALSE(sheet.addMerge(2, 1, 0, 0));
    EXPECT_STREQ(host.text(), "rowLast must be greater than or equal to rowFirst");
    EXPECT_FALSE(sheet.addMerge(0, 0, 0, 256));
    EXPECT_STREQ(host.text(), "col must be in range 0-255");
    EXPECT_TRUE(sheet.removeMerge(4, 4));
    EXPECT_FALSE(sheet.removeMerge(4, 4));
}

TEST_F(SheetLayout, MergeGroupsHold1026Ranges) {
    for (int r = 0; r < 1027; ++r) ASSERT_TRUE(sheet.addMerge(r, r, 0, 1));
    ASSERT_EQ(sheet.data().merges.size(), 2u);
    EXPECT_EQ(sheet.data().merges[0].size(), 1026u);
    EXPECT_EQ(sheet.data().merges[1].size(), 1u);
}

TEST_F(SheetLayout, ClearingUnmergesWhatItTouches) {
    sheet.writeNumber(2, 2, 5.0, host.format(20));
    sheet.addMerge(2, 3, 2, 3);
    sheet.addMerge(0, 0, 0, 255); // the whole first row survives clearing
    ASSERT_TRUE(sheet.clearCells(3, 3, 3, 3));
    EXPECT_EQ(sheet.cellType(2, 2), CellNumber);
    EXPECT_EQ(sheet.cellType(2, 3), CellEmpty);
    EXPECT_EQ(sheet.cellType(3, 2), CellEmpty);
    EXPECT_FALSE(sheet.mergeAt(2, 2, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(sheet.clearCells(0, 0, 0, 0));
    EXPECT_TRUE(sheet.mergeAt(0, 100, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(sheet.cellType(0, 0), CellEmpty);
    EXPECT_EQ(sheet.cellType(0, 5), CellBlank);
    EXPECT_FALSE(sheet.clearCells(5, 4, 0, 0));
    EXPECT_STREQ(host.text(), "rowLast must be greater than or equal to rowFirst");
    EXPECT_TRUE(sheet.clearCells(-5, 70000, -5, 300)); // clamped to the sheet
    EXPECT_EQ(sheet.cellType(2, 2), CellEmpty);
}

TEST_F(SheetLayout, RemovingRowsMovesCellsMergesAndHeights) {
    sheet.writeString(0, 0, u"keep", nullptr);
    sheet.writeNumber(3, 0, 3.0, nullptr);
    sheet.writeNumber(4, 0, 4.0, nullptr);
    sheet.writeNumber(6, 0, 6.0, nullptr);
    sheet.setRow(10, 30, nullptr, false);
    sheet.setRowHidden(5, true);
    sheet.addMerge(1, 3, 1, 1);  // reaches into the removed rows
    sheet.addMerge(3, 4, 2, 2);  // lies within them
    sheet.addMerge(4, 8, 3, 3);  // starts within them
    sheet.addMerge(8, 9, 4, 4);  // below them
    sheet.addMerge(0, 0, 5, 6);  // above them
    ASSERT_TRUE(sheet.removeRows(3, 4));

    EXPECT_EQ(std::u16string(sheet.readString(0, 0, nullptr)), u"keep");
    EXPECT_EQ(sheet.readNumber(4, 0, nullptr), 6.0);
    EXPECT_EQ(sheet.cellType(3, 0), CellEmpty);
    EXPECT_EQ(sheet.cellType(6, 0), CellEmpty);
    const std::vector<Ref8> expected{{1, 2, 1, 1}, {3, 6, 3, 3}, {6, 7, 4, 4}, {0, 0, 5, 6}};
    ASSERT_EQ(sheet.data().merges.size(), 1u);
    EXPECT_EQ(sheet.data().merges[0], expected);
    EXPECT_EQ(sheet.rowHeight(8), 30.0);
    EXPECT_EQ(sheet.rowHeight(10), 12.75);
    EXPECT_TRUE(sheet.rowIsHidden(3));
    EXPECT_FALSE(sheet.rowIsHidden(5));
    EXPECT_EQ(sheet.lastRow(), 8);
    EXPECT_FALSE(sheet.removeRows(4, 3));
    EXPECT_STREQ(host.text(), "rowLast must be greater than or equal to rowFirst");
}

TEST_F(SheetLayout, RemovingColumnsMovesWidthsLeft) {
    sheet.setColumns(1, 1, 20.0, nullptr, false);
    sheet.writeNumber(0, 2, 2.0, nullptr);
    ASSERT_TRUE(sheet.removeColumns(0, 0));
    EXPECT_EQ(sheet.columnWidth(0), 20.0);
    EXPECT_EQ(sheet.columnWidth(1), 8.43);
    EXPECT_EQ(sheet.readNumber(0, 1, nullptr), 2.0);
}

TEST_F(SheetLayout, InsertingPushesCellsOnAndDropsThoseThatFallOff) {
    sheet.writeNumber(2, 0, 2.0, nullptr);
    sheet.writeString(65535, 0, u"last", nullptr);
    sheet.addMerge(1, 3, 1, 1);
    ASSERT_TRUE(sheet.insertRows(1, 2));
    EXPECT_EQ(sheet.readNumber(4, 0, nullptr), 2.0);
    EXPECT_EQ(sheet.cellType(65535, 0), CellEmpty);
    EXPECT_EQ(host.sst.totalCount(), 0u);
    EXPECT_EQ(sheet.data().merges[0][0], (Ref8{3, 5, 1, 1}));
    ASSERT_TRUE(sheet.insertColumns(0, 0));
    EXPECT_EQ(sheet.readNumber(4, 1, nullptr), 2.0);
}

TEST_F(SheetLayout, PageSetupFollowsTheSetupFlags) {
    EXPECT_EQ(sheet.printScale(), 100);
    EXPECT_FALSE(sheet.isLandscape()); // no printer data yet
    sheet.setPrintFitPages(2, 3);
    int w = 0, h = 0;
    EXPECT_TRUE(sheet.printFitPages(&w, &h));
    EXPECT_EQ(w * 10 + h, 23);
    sheet.setPrintScale(80);
    EXPECT_EQ(sheet.printScale(), 80);
    EXPECT_FALSE(sheet.printFitPages(nullptr, nullptr));
    sheet.setLandscape(true);
    EXPECT_TRUE(sheet.isLandscape());
    EXPECT_EQ(sheet.leftMargin(), 0.75);
    EXPECT_EQ(sheet.topMargin(), 1.0);
    EXPECT_FALSE(sheet.isProtected());
    sheet.setProtected(false);
    EXPECT_FALSE(sheet.data().settings.protect.has_value());
    sheet.setProtected(true);
    EXPECT_TRUE(sheet.isProtected());
}

TEST_F(SheetLayout, ViewSettings) {
    EXPECT_TRUE(sheet.showsGridlines());
    sheet.setShowsGridlines(false);
    EXPECT_EQ(sheet.data().window2.grbit, 0x04B4);
    EXPECT_EQ(sheet.zoom(), 100);
    sheet.splitPanes(3, 0);
    EXPECT_EQ(*sheet.data().pane, (Pane{0, 3, 3, 0, 2, 0}));
    EXPECT_TRUE(sheet.data().window2.grbit & 0x0008);
}

TEST_F(SheetLayout, AddressesInA1Form) {
    EXPECT_EQ(std::u16string(sheet.rowColToAddress(0, 0, false, false)), u"$A$1");
    EXPECT_EQ(std::u16string(sheet.rowColToAddress(0, 0, true, true)), u"A1");
    EXPECT_EQ(std::u16string(sheet.rowColToAddress(9, 27, true, false)), u"$AB10");
    EXPECT_EQ(std::u16string(sheet.rowColToAddress(1048575, 16383, true, true)), u"XFD1048576");
    EXPECT_EQ(sheet.rowColToAddress(1048576, 0, true, true), nullptr);
    EXPECT_STREQ(host.text(), "row must be in range 0-1048575");
    EXPECT_EQ(sheet.rowColToAddress(0, 16384, true, true), nullptr);
    EXPECT_STREQ(host.text(), "col must be in range 0-16383");
    int row = -1, col = -1;
    bool rowRel = true, colRel = true;
    sheet.addressToRowCol(u"$B3", &row, &col, &rowRel, &colRel);
    EXPECT_EQ((std::array{row, col}), (std::array{2, 1}));
    EXPECT_FALSE(colRel);
    EXPECT_TRUE(rowRel);
    sheet.addressToRowCol(u"xfd$1048576", &row, &col, &rowRel, &colRel);
    EXPECT_EQ((std::array{row, col}), (std::array{1048575, 16383}));
    EXPECT_FALSE(rowRel);
    sheet.addressToRowCol(u"A0", &row, &col, nullptr, nullptr);
    EXPECT_STREQ(host.text(), "address is invalid");
}

} // namespace
