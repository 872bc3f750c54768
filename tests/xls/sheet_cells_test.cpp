// The binary sheet's cells: number forms, kinds, shared strings, formats and messages.
#include <gtest/gtest.h>

#include "support/fake_sheet_host.h"
#include "xls/sheet_impl.h"

using namespace karvo;
using karvo::testing::FakeSheetHost;

namespace {

class SheetCells : public ::testing::Test {
protected:
    CellKind kindAt(int row, int col) { return handleKind(sheet.data().cells.handle(row, col)); }

    FakeSheetHost host;
    SheetImplT sheet{host, u"Sheet1"};
};

TEST(RkForm, OnlyNumbersWithLow34BitsClearHaveOne) {
    EXPECT_EQ(toRk(1.0), 0x3FF00000u);
    EXPECT_EQ(toRk(0.5), 0x3FE00000u);
    EXPECT_EQ(toRk(-2.0), 0xC0000000u);
    EXPECT_EQ(toRk(1234.5), 0x40934A00u);
    EXPECT_EQ(toRk(0.1), std::nullopt);
    EXPECT_EQ(toRk(3.14159), std::nullopt);
    EXPECT_EQ(toRk(1e300), std::nullopt);
}

TEST(RkForm, DecodesAllFourForms) {
    EXPECT_EQ(fromRk(0x3FF00000u), 1.0);          // plain double
    EXPECT_EQ(fromRk(0x3FF00001u), 0.01);         // double, divided by 100
    EXPECT_EQ(fromRk((123u << 2) | 0x3), 1.23);   // integer 123, divided by 100
    EXPECT_EQ(fromRk(0xFFFFFFEEu), -5.0);         // integer -5: (-5 << 2) | 0x2
    EXPECT_EQ(fromRk((536870911u << 2) | 0x2), 536870911.0); // largest 30-bit integer
}

TEST_F(SheetCells, NumbersAreStoredAsRkOrNumberAndReadBackExactly) {
    const double rk[] = {1.0, 0.5, -2.0, 1234.5};
    const double plain[] = {0.1, 3.14159, 1e300};
    int row = 0;
    for (double v : rk) {
        ASSERT_TRUE(sheet.writeNumber(row, 0, v, nullptr));
        EXPECT_EQ(kindAt(row, 0), CellKind::RK) << v;
        EXPECT_EQ(sheet.readNumber(row++, 0, nullptr), v);
    }
    for (double v : plain) {
        ASSERT_TRUE(sheet.writeNumber(row, 0, v, nullptr));
        EXPECT_EQ(kindAt(row, 0), CellKind::Number) << v;
        EXPECT_EQ(sheet.readNumber(row++, 0, nullptr), v);
    }
    EXPECT_STREQ(host.text(), "ok");
}

TEST_F(SheetCells, RewritingTheSameKindChangesTheEntryInPlace) {
    sheet.writeNumber(0, 0, 1.0, nullptr);
    CellHandle first = sheet.data().cells.handle(0, 0);
    sheet.writeNumber(0, 0, 2.0, nullptr); // still RK: same entry
    EXPECT_EQ(sheet.data().cells.handle(0, 0), first);
    sheet.writeNumber(0, 0, 0.1, nullptr); // now a Number: a new entry
    EXPECT_EQ(kindAt(0, 0), CellKind::Number);
    EXPECT_EQ(sheet.readNumber(0, 0, nullptr), 0.1);
}

TEST_F(SheetCells, ANumberOverAStringEndsTheString) {
    sheet.writeString(2, 3, u"text", nullptr);
    EXPECT_EQ(host.sst.totalCount(), 1u);
    sheet.writeNumber(2, 3, 7.0, nullptr);
    EXPECT_EQ(sheet.readString(2, 3, nullptr), nullptr);
    EXPECT_STREQ(host.text(), "this cell doesn't contain a string");
    EXPECT_EQ(sheet.cellType(2, 3), CellNumber);
    EXPECT_EQ(host.sst.totalCount(), 0u);
}

TEST_F(SheetCells, EachReaderNamesWhatTheCellLacks) {
    sheet.writeString(0, 0, u"s", nullptr);
    EXPECT_EQ(sheet.readNumber(0, 0, nullptr), 0.0);
    EXPECT_STREQ(host.text(), "this cell doesn't contain a number");
    EXPECT_FALSE(sheet.readBool(0, 0, nullptr));
    EXPECT_STREQ(host.text(), "this cell doesn't contain a bool");
    IFormat* format = nullptr;
    EXPECT_FALSE(sheet.readBlank(0, 0, &format));
    EXPECT_STREQ(host.text(), "this cell doesn't contain a blank");
    EXPECT_FALSE(sheet.readBlank(0, 0, nullptr));
    EXPECT_STREQ(host.text(), "format mustn't be NULL");
    EXPECT_EQ(sheet.readError(0, 0), ErrorUnknown);
    EXPECT_STREQ(host.text(), "ok");
    EXPECT_EQ(sheet.cellFormat(5, 5), nullptr);
    EXPECT_STREQ(host.text(), "empty cell");
    EXPECT_EQ(sheet.cellType(5, 5), CellEmpty);
    EXPECT_STREQ(host.text(), "ok");
}

TEST_F(SheetCells, BoolsAndBlanks) {
    ASSERT_TRUE(sheet.writeBool(1, 1, true, host.format(20)));
    EXPECT_EQ(sheet.cellType(1, 1), CellBoolean);
    IFormat* format = nullptr;
    EXPECT_TRUE(sheet.readBool(1, 1, &format));
    EXPECT_EQ(format, host.format(20));
    ASSERT_TRUE(sheet.writeBlank(1, 1, nullptr)); // keeps XF 20
    EXPECT_TRUE(sheet.readBlank(1, 1, &format));
    EXPECT_EQ(format, host.format(20));
}

TEST_F(SheetCells, OutOfRangeCellsAreRejectedWithTheirLimits) {
    EXPECT_FALSE(sheet.writeNumber(65536, 0, 1.0, nullptr));
    EXPECT_STREQ(host.text(), "row must be in range 0-65535");
    EXPECT_FALSE(sheet.writeNumber(-1, 0, 1.0, nullptr));
    EXPECT_STREQ(host.text(), "row must be in range 0-65535");
    EXPECT_FALSE(sheet.writeString(0, 256, u"x", nullptr));
    EXPECT_STREQ(host.text(), "col must be in range 0-255");
    EXPECT_EQ(sheet.cellType(0, -1), CellEmpty);
    EXPECT_STREQ(host.text(), "col must be in range 0-255");
    EXPECT_TRUE(sheet.writeNumber(65535, 255, 1.0, nullptr));
    EXPECT_EQ(sheet.lastRow(), 65536);
    EXPECT_EQ(sheet.lastColumn(), 256);
}

TEST_F(SheetCells, TextUpTo32767CharactersIsStored) {
    sheet.writeString(0, 0, u"old", nullptr);
    std::u16string longest(32767, u'a');
    std::u16string tooLong(32768, u'a');
    EXPECT_FALSE(sheet.writeString(0, 0, tooLong.c_str(), nullptr));
    EXPECT_STREQ(host.text(), "string is too long");
    EXPECT_EQ(std::u16string(sheet.readString(0, 0, nullptr)), u"old");
    EXPECT_TRUE(sheet.writeString(0, 1, longest.c_str(), nullptr));
    EXPECT_EQ(std::u16string(sheet.readString(0, 1, nullptr)), longest);
}

TEST_F(SheetCells, EqualTextsShareOneString) {
    sheet.writeString(0, 0, u"abc", nullptr);
    sheet.writeString(1, 0, u"abc", nullptr);
    EXPECT_EQ(host.sst.size(), 1u);
    EXPECT_EQ(host.sst.totalCount(), 2u);
    // A1 shares its string: the new text becomes a second string.
    sheet.writeString(0, 0, u"xyz", nullptr);
    EXPECT_EQ(host.sst.size(), 2u);
    EXPECT_EQ(host.sst.totalCount(), 2u);
    EXPECT_EQ(std::u16string(sheet.readString(1, 0, nullptr)), u"abc");
    EXPECT_EQ(std::u16string(sheet.readString(0, 0, nullptr)), u"xyz");
    // A1 is now the only user of "xyz": the string is replaced where it is.
    sheet.writeString(0, 0, u"q", nullptr);
    EXPECT_EQ(host.sst.size(), 2u);
    EXPECT_EQ(host.sst.at(1).text, u"q");
}

TEST_F(SheetCells, AStringUsedByAnotherSheetIsNotReplaced) {
    SheetImplT other(host, u"Sheet2");
    sheet.writeString(0, 0, u"shared", nullptr);
    other.writeString(0, 0, u"shared", nullptr);
    sheet.writeString(0, 0, u"mine", nullptr);
    EXPECT_EQ(std::u16string(other.readString(0, 0, nullptr)), u"shared");
    other.releaseStrings();
    EXPECT_EQ(host.sst.totalCount(), 1u);
}

TEST_F(SheetCells, FormatsComeFromTheBookOnly) {
    FakeSheetHost elsewhere;
    EXPECT_FALSE(sheet.writeNumber(0, 0, 1.0, elsewhere.format(3)));
    EXPECT_STREQ(host.text(), "specified format not found");
    EXPECT_EQ(sheet.cellType(0, 0), CellEmpty);
    sheet.setCellFormat(0, 0, nullptr);
    EXPECT_STREQ(host.text(), "specified format is not found");
    sheet.setCellFormat(4, 4, host.format(22)); // an empty cell becomes a blank one
    EXPECT_EQ(sheet.cellType(4, 4), CellBlank);
    EXPECT_EQ(sheet.cellFormat(4, 4), host.format(22));
    sheet.writeNumber(4, 4, 3.0, nullptr); // no format: the cell's own stays
    EXPECT_EQ(sheet.cellFormat(4, 4), host.format(22));
    sheet.writeNumber(5, 5, 3.0, nullptr); // a new cell gets the default
    EXPECT_EQ(sheet.cellFormat(5, 5), host.format(15));
}

TEST_F(SheetCells, DatesAreNumbersWithADateFormat) {
    host.formats[21]->setNumFormat(14);
    host.formats[22]->setNumFormat(4);
    host.formats[23]->setNumFormat(164);
    host.formats[24]->setNumFormat(165);
    host.custom[164] = u"dd/mm/yyyy";
    host.custom[165] = u"[Red]0.00";
    for (int xf = 21; xf <= 24; ++xf) sheet.writeNumber(xf, 0, 40000.0, host.format(xf));
    sheet.writeString(30, 0, u"1/1/2000", host.format(21));
    EXPECT_TRUE(sheet.cellIsDate(21, 0));
    EXPECT_FALSE(sheet.cellIsDate(22, 0));
    EXPECT_TRUE(sheet.cellIsDate(23, 0));
    EXPECT_FALSE(sheet.cellIsDate(24, 0));
    EXPECT_FALSE(sheet.cellIsDate(30, 0));
    host.formats[25]->setNumFormat(300);
    sheet.writeNumber(25, 0, 1.0, host.format(25));
    EXPECT_FALSE(sheet.cellIsDate(25, 0));
    EXPECT_STREQ(host.text(), "custom number format not found");
}

TEST_F(SheetCells, CopyCellDuplicatesKindValueAndFormat) {
    sheet.writeString(0, 0, u"abc", host.format(17));
    ASSERT_TRUE(sheet.copyCell(0, 0, 9, 9));
    EXPECT_EQ(std::u16string(sheet.readString(9, 9, nullptr)), u"abc");
    EXPECT_EQ(sheet.cellFormat(9, 9), host.format(17));
    EXPECT_EQ(host.sst.totalCount(), 2u);
    EXPECT_EQ(sheet.lastRow(), 10);
    EXPECT_FALSE(sheet.copyCell(3, 3, 4, 4));
    EXPECT_STREQ(host.text(), "empty cell");
    EXPECT_FALSE(sheet.copyCell(0, 0, 0, 300));
    EXPECT_STREQ(host.text(), "col must be in range 0-255");
}

TEST_F(SheetCells, BoundsWidenWithWritesAndShrinkAfterClearing) {
    EXPECT_EQ(sheet.firstRow(), 0);
    EXPECT_EQ(sheet.lastRow(), 0);
    sheet.writeNumber(5, 7, 1.0, nullptr);
    sheet.writeNumber(2, 9, 1.0, nullptr);
    EXPECT_EQ(sheet.firstRow(), 2);
    EXPECT_EQ(sheet.lastRow(), 6);
    EXPECT_EQ(sheet.firstColumn(), 7);
    EXPECT_EQ(sheet.lastColumn(), 10);
    sheet.clearCells(5, 5, 7, 7);
    EXPECT_EQ(sheet.firstRow(), 2);
    EXPECT_EQ(sheet.lastRow(), 3);
    EXPECT_EQ(sheet.firstColumn(), 9);
}

// Rows are made as cells reach them, first a few at a time and then all at once; a
// row moved below the last one made is made too.
TEST_F(SheetCells, RowsWrittenInAnyOrderOrMovedBelowTheLastKeepTheirCells) {
    const int rows[] = {3, 0, 4095, 4096, 70, 65535, 20000};
    for (int row : rows) sheet.writeNumber(row, row % 7, row, nullptr);
    ASSERT_TRUE(sheet.removeRows(65535, 65535));
    ASSERT_TRUE(sheet.insertRows(10, 12));
    for (int row : rows) {
        if (row == 65535) continue;
        const int now = row < 10 ? row : row + 3;
        EXPECT_EQ(sheet.readNumber(now, row % 7, nullptr), row) << row;
    }
    FakeSheetHost fresh;
    SheetImplT small{fresh, u"Small"};
    small.writeNumber(2, 0, 1.0, nullptr);
    ASSERT_TRUE(small.insertRows(0, 9999));
    EXPECT_EQ(small.readNumber(10002, 0, nullptr), 1.0);
    EXPECT_EQ(small.firstRow(), 10002);
}

TEST_F(SheetCells, FormulasAreCompiledAndRendered) {
    sheet.writeNumber(0, 0, 1.0, nullptr);
    EXPECT_EQ(sheet.readFormula(0, 0, nullptr), nullptr);
    EXPECT_STREQ(host.text(), "cell doesn't contain a formula");
    EXPECT_FALSE(sheet.writeFormula(0, 0, u"SUM 1", nullptr));
    EXPECT_STREQ(host.text(), "error: function name without open parenthesis");
    EXPECT_EQ(sheet.readNumber(0, 0, nullptr), 1.0);  // a failed compile leaves the cell alone
    ASSERT_TRUE(sheet.writeFormula(0, 0, u"=SUM(A2:B3,C4)*2", host.format(20)));
    EXPECT_TRUE(sheet.cellIsFormula(0, 0));
    EXPECT_EQ(sheet.readNumber(0, 0, nullptr), 0.0);  // the cached result until recalculated
    IFormat* format = nullptr;
    EXPECT_EQ(std::u16string(sheet.readFormula(0, 0, &format)), u"SUM(A2:B3;C4)*2");
    EXPECT_EQ(format, host.format(20));
}

} // namespace
