// Names we write, read by an independent reader (python3-xlrd): print areas, print
// titles of rows, of columns and of both, and named ranges of several sheets must come
// out with the same scope and cells, also after a sheet was deleted and the book saved,
// loaded and saved again.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/book_factory.h"
#include "core/utf_convert.h"
#include "support/python_script.h"

using namespace karvo;

TEST(ConsumerXlrd, SeesTheNamesWeWrote) {
    if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3: xlrd check skipped";
    IBook* book = createBinaryBook();
    book->addSheet(u"Gone")->setNamedRange(u"Lost", 0, 0, 0, 0);
    ISheet* report = book->addSheet(u"Report");
    ISheet* data = book->addSheet(u"Data");
    report->setPrintArea(0, 19, 0, 4);
    report->setPrintRepeatRows(0, 1);
    report->setPrintRepeatColumns(0, 0);
    data->setPrintRepeatColumns(1, 2);
    data->setNamedRange(u"Prices", 1, 20, 2, 2);
    data->setNamedRange(u"Corner", 0, 0, 0, 0);
    report->setNamedRange(u"Totals", 25, 29, 0, 5);
    ASSERT_TRUE(book->deleteSheet(0)) << book->errorMessage();

    std::string path = (std::filesystem::temp_directory_path() / "karvo_xlrd_names.xls").string();
    std::u16string widePath = utf8ToUtf16(path);
    ASSERT_TRUE(book->save(widePath.c_str())) << book->errorMessage();
    book->release();
    IBook* copy = createBinaryBook();
    ASSERT_TRUE(copy->load(widePath.c_str())) << copy->errorMessage();
    ASSERT_TRUE(copy->save(widePath.c_str())) << copy->errorMessage();
    copy->release();

    int status = 0;
    std::string seen = karvo::testing::runPythonScript("xlrd_names.py", path, status);
    std::filesystem::remove(path);
    if (status == karvo::testing::kScriptModuleMissing)
        GTEST_SKIP() << "python3-xlrd is not installed: xlrd check skipped";
    ASSERT_EQ(status, 0) << seen;
    EXPECT_EQ(seen,
              "Print_Area scope=0 builtin=1\n"
              "  sheets 0-0 rows 0-19 cols 0-4\n"
              "  area2d Report rows 0-19 cols 0-4\n"
              "Print_Titles scope=0 builtin=1\n"
              "  sheets 0-0 rows 0-1 cols 0-255\n"
              "  sheets 0-0 rows 0-65535 cols 0-0\n"
              "Print_Titles scope=1 builtin=1\n"
              "  sheets 1-1 rows 0-65535 cols 1-2\n"
              "  area2d Data rows 0-65535 cols 1-2\n"
              "Prices scope=1 builtin=0\n"
              "  sheets 1-1 rows 1-20 cols 2-2\n"
              "  area2d Data rows 1-20 cols 2-2\n"
              "Corner scope=1 builtin=0\n"
              "  sheets 1-1 rows 0-0 cols 0-0\n"
              "  area2d Data rows 0-0 cols 0-0\n"
              "Totals scope=0 builtin=0\n"
              "  sheets 0-0 rows 25-29 cols 0-5\n"
              "  area2d Report rows 25-29 cols 0-5\n");
}
