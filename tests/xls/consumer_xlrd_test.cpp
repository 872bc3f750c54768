// A book we write, read by an independent reader (python3-xlrd): values, types,
// number formats, merges, hidden rows and columns, and sheet visibility must match.
#include <gtest/gtest.h>

#include "core/book_factory.h"
#include "support/book_bytes.h"
#include "support/python_script.h"

using namespace karvo;
using karvo::testing::BookPtr;
using karvo::testing::xlrdSees;

TEST(ConsumerXlrd, SeesWhatWeWrote) {
    BookPtr book(createBinaryBook());
    ISheet* values = book->addSheet(u"Values");
    IFormat* date = book->addFormat();
    date->setNumFormat(14);
    IFormat* percent = book->addFormat();
    percent->setNumFormat(book->addCustomNumFormat(u"0.0%"));
    values->writeNumber(0, 0, 1.5);
    values->writeNumber(0, 1, 42);
    values->writeString(0, 2, u"h\u00E9llo");
    values->writeBool(0, 3, true);
    values->writeBool(0, 4, false);
    values->writeNumber(1, 0, book->packDate(2026, 12, 6, 0, 0, 0, 0), date);
    values->writeNumber(1, 1, 0.25, percent);
    values->writeBlank(1, 2, percent);
    values->addMerge(2, 3, 0, 1);
    values->writeString(2, 0, u"merged");
    values->setRowHidden(5, true);
    values->setColumnHidden(3, true);
    book->addSheet(u"Hidden")->setSheetState(SheetHidden);
    book->addSheet(u"Very hidden")->setSheetState(SheetVeryHidden);

    const auto view = xlrdSees(*book, "xlrd_dump.py");
    if (!view.skipped.empty()) GTEST_SKIP() << view.skipped;
    EXPECT_EQ(view.seen,
              "sheet Values visibility=0\n"
              "  0,0 number 1.5 [General]\n"
              "  0,1 number 42.0 [General]\n"
              "  0,2 text 'h\xC3\xA9llo' [General]\n"
              "  0,3 bool 1 [General]\n"
              "  0,4 bool 0 [General]\n"
              "  1,0 date 46362.0 [m/d/yy]\n"
              "  1,1 number 0.25 [0.0%]\n"
              "  1,2 blank '' [0.0%]\n"
              "  2,0 text 'merged' [General]\n"
              "  2,1 blank '' [General]\n"
              "  3,0 blank '' [General]\n"
              "  3,1 blank '' [General]\n"
              "  merge rows 2-3 cols 0-1\n"
              "  hidden row 5\n"
              "  hidden column 3\n"
              "sheet Hidden visibility=1\n"
              "sheet Very hidden visibility=2\n");
}
