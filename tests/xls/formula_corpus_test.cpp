// formula_corpus_test.cpp - every formula cell of every loadable corpus file renders,
// and the text of BIFF8 files compiles back to the same text where the compiler can.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/book_factory.h"
#include "core/interfaces.h"
#include "core/utf_convert.h"
#include "support/book_bytes.h"
#include "support/corpus_files.h"

namespace karvo {
namespace {

using testing::BookPtr;

/// A cell whose text is pinned: what producers wrote and the renderer must keep giving.
struct Pinned {
    const char* file;
    int sheet, row, col;
    const char16_t* text;
};
const Pinned kPinned[] = {
    // Database functions stored without a count take their three arguments.
    {"sjs_formula_stress_test.xls", 0, 1, 1, u"DAVERAGE(A24:E30;D2;A19:C21)"},
    // Calls of functions that are not built in: a macro's defined name, an add-in's external name.
    {"poi_SquareMacro.xls", 0, 0, 1, u"IF(TRUE;square(1))"},
    {"poi_SquareMacro.xls", 0, 0, 3, u"square(one())"},
    {"poi_atp.xls", 0, 0, 1, u"DELTA(1.3;1.5)"},
    {"gnm_datefuns.xls", 0, 25, 3, u"eomonth(DATEVALUE(\"01/15/1998\");-1)"},
    // Reference operators, memory tokens, array constants and error constants.
    {"xlrd_namesdemo.xls", 2, 12, 0, u"SUM(rectangle1:rectangle2)"},
    {"xlrd_namesdemo.xls", 2, 13, 0, u"SUM(rectangle1 rectangle2)"},
    {"poi_FormulaEvalTestData.xls", 0, 46, 4, u"SUM(H$1:H$65536 H8:I8)"},
    {"poi_testArraysAndTables.xls", 0, 3, 1, u"{23;24;25;26;27;28}"},
    {"poi_FormulaEvalTestData.xls", 0, 167, 14, u"ATAN2(#N/A;#NAME?)"},
    {"phps_formulas.other.xls", 0, 4, 0, u"SUM(MMULT(A1:B2;A3:B4))"},
    // BIFF5 files: 3-D references, strings, shared formulas, array constants.
    {"gnm_formats.xls", 0, 5, 1, u"DateTime!B1"},
    {"sjs_crlf_CRLFR9_5.xls", 0, 1, 1, u"\"abc\"&CHAR(13)&CHAR(10)&\"def\""},
    {"sjs_biff5_comments_stress_test.xls", 3, 11, 0, u"A11+A10"},
    {"gnm_chitest.xls", 0, 56, 2, u"CHITEST({1,2};{2,3})"},
};

/// Cells that do not render, with the reason; none are left.
struct ExpectedFailure {
    const char* file;
    int sheet, row, col;
    const char* cause;
};
const std::vector<ExpectedFailure> kExpectedFailures = {};

/// BIFF8 formulas that compile but come back as other text, with the reason.
struct ExpectedDifference {
    const char* file;
    int sheet, row, col;
    const char* cause;
};
const std::vector<ExpectedDifference> kExpectedDifferences = {};

std::string where(const std::string& file, int sheet, int row, int col) {
    return file + " sheet " + std::to_string(sheet) + " " + std::to_string(row) + "," + std::to_string(col);
}

struct Survey {
    int rendered = 0;
    int compared = 0;
    int notCompiled = 0;
    std::vector<std::string> failures;    ///< where: message
    std::vector<std::string> differences; ///< where: first -> second
    std::map<std::string, std::u16string> texts;
};

// Writes the text into a cell of a sheet of its own and reads it back.
void compareCompiled(IBook& book, ISheet& scratch, const std::string& at, const std::u16string& text, Survey& s) {
    if (!scratch.writeFormula(0, 0, text.c_str())) {
        ++s.notCompiled;
        return;
    }
    ++s.compared;
    const char16_t* again = scratch.readFormula(0, 0);
    if (!again) s.differences.push_back(at + ": " + utf16ToUtf8(text) + " -> " + book.errorMessage());
    else if (again != text) s.differences.push_back(at + ": " + utf16ToUtf8(text) + " -> " + utf16ToUtf8(again));
}

void surveyBook(IBook& book, const std::string& file, Survey& s) {
    const int sheets = book.sheetCount();
    ISheet* scratch = book.binaryVersion() == 0x0600 ? book.addSheet(u"karvo scratch") : nullptr;
    for (int i = 0; i < sheets; ++i) {
        ISheet* sheet = book.getSheet(i);
        for (int row = sheet->firstRow(); row < sheet->lastRow(); ++row) {
            for (int col = sheet->firstColumn(); col < sheet->lastColumn(); ++col) {
                if (!sheet->cellIsFormula(row, col)) continue;
                const std::string at = where(file, i, row, col);
                const char16_t* text = sheet->readFormula(row, col);
                if (!text) {
                    s.failures.push_back(at + ": " + book.errorMessage());
                    continue;
                }
                ++s.rendered;
                const std::u16string rendered = text;
                s.texts[at] = rendered;
                if (scratch) compareCompiled(book, *scratch, at, rendered, s);
            }
        }
    }
}

template <class Expected>
std::vector<std::string> listed(const std::vector<Expected>& expected) {
    std::vector<std::string> out;
    for (const Expected& e : expected) out.push_back(where(e.file, e.sheet, e.row, e.col));
    return out;
}

// Only the place of each entry counts: the message or the texts follow it.
std::vector<std::string> places(const std::vector<std::string>& entries) {
    std::vector<std::string> out;
    for (const std::string& e : entries) out.push_back(e.substr(0, e.find(':')));
    return out;
}

TEST(FormulaCorpus, EveryFormulaCellRenders) {
    const auto files = testing::corpusFiles("xls");
    if (files.empty()) GTEST_SKIP() << "no corpus at " << (testing::corpusRoot() / "xls");
    Survey survey;
    int books = 0;
    for (const auto& path : files) {
        const std::vector<char> bytes = testing::fileBytes(path);
        BookPtr book(createBinaryBook());
        if (!book->loadFromMemory(bytes.data(), bytes.size())) continue; // the load tests cover these
        ++books;
        surveyBook(*book, path.filename().string(), survey);
    }
    std::printf("formula cells rendered: %d in %d books; BIFF8 texts compiled again: %d, not compiled "
                "(names, sheet ranges, reference operators, error and array constants): %d\n",
                survey.rendered, books, survey.compared, survey.notCompiled);
    for (const std::string& f : survey.failures) std::printf("  does not render: %s\n", f.c_str());
    for (const std::string& d : survey.differences) std::printf("  renders again otherwise: %s\n", d.c_str());
    EXPECT_EQ(places(survey.failures), listed(kExpectedFailures));
    EXPECT_EQ(places(survey.differences), listed(kExpectedDifferences));
    EXPECT_GT(survey.compared, survey.rendered / 2) << "the compiler should read most of what is rendered";
    for (const Pinned& p : kPinned) {
        const std::string at = where(p.file, p.sheet, p.row, p.col);
        ASSERT_TRUE(survey.texts.count(at)) << at;
        EXPECT_EQ(utf16ToUtf8(survey.texts[at]), utf16ToUtf8(p.text)) << at;
    }
}

} // namespace
} // namespace karvo
