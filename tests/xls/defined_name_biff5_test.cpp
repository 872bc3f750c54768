// defined_name_biff5_test.cpp - NAME records of BIFF5 files rewritten as BIFF8 Lbl
// records: one record at a time, in a BIFF5 book that is read and saved, and a BIFF5
// corpus file read back by an independent reader (python3-xlrd).
#include "xls/defined_name_biff5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "core/book_factory.h"
#include "core/interfaces.h"
#include "core/utf_convert.h"
#include "support/corpus_files.h"
#include "support/python_script.h"
#include "support/book_bytes.h"
#include "support/record_bytes.h"
#include "tests/xls/formula_test_book.h"
#include "xls/xls.h"

namespace karvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::RecordSpec;

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Bytes kEight(8, 0);
const Bytes kTwelve(12, 0);

// BIFF5 PtgArea3d to this book (ixals -1), sheets 1 to 1, rows 0-4, columns 0-2, absolute.
const Bytes kArea3dBiff5 = join({{0x3B, 0xFF, 0xFF}, kEight, {0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x02}});

// A print area of the second sheet, as BIFF5 writes it.
const Bytes kPrintAreaBiff5 = join({{
    0x20, 0x00,             // flags: built-in
    0x00,                   // shortcut
    0x01,                   // name length
    0x15, 0x00,             // formula size: 21
    0x02, 0x00,             // ExternSheet index of a sheet's name
    0x02, 0x00,             // itab: the second sheet
    0x00, 0x00, 0x00, 0x00, // menu, description, help and status text lengths
    0x06,                   // the name: code 6, the print area
}, kArea3dBiff5});

const Bytes kPrintAreaBiff8 = {
    0x20, 0x00,             // flags
    0x00,                   // shortcut
    0x01,                   // name length
    0x0B, 0x00,             // formula size: 11
    0x00, 0x00,             // reserved
    0x02, 0x00,             // sheet number
    0x00, 0x00, 0x00, 0x00, // reserved
    0x00, 0x06,             // text flags (8-bit), the name
    0x3B, 0x00, 0x00,       // PtgArea3d, XTI 0
    0x00, 0x00, 0x04, 0x00, // rows 0-4
    0x00, 0x00, 0x02, 0x00, // columns 0-2, absolute
};

// A book-wide name "Café" (8-bit, 0xE9) with shortcut K: =Data!$E$15 (PtgRef3d, ixals
// -2, sheet 1), then the texts BIFF5 keeps after the formula: description "Hi", status "S".
const Bytes kCafeBiff5 = join({
    {0x00, 0x00, 'K', 0x04, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 'C', 'a', 'f', 0xE9},
    {0x3A, 0xFE, 0xFF}, kEight, {0x01, 0x00, 0x01, 0x00, 0x0E, 0x00, 0x04},
    {'H', 'i', 'S'},
});

const Bytes kCafeBiff8 = {
    0x00, 0x00, 'K', 0x04, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // the texts are not carried
    0x00, 'C', 'a', 'f', 0xE9,
    0x3A, 0x00, 0x00, 0x0E, 0x00, 0x04, 0x00, // PtgRef3d, XTI 0, row 14, column 4 absolute
};

// A name with formula size and name length set from the parts.
Bytes nameBiff5(const Bytes& text, const Bytes& tokens, const Bytes& after = {}, Bytes textLengths = {0, 0, 0, 0}) {
    Bytes fixed = {0x00, 0x00, 0x00, static_cast<std::uint8_t>(text.size()), static_cast<std::uint8_t>(tokens.size()),
                   static_cast<std::uint8_t>(tokens.size() >> 8), 0x00, 0x00, 0x00, 0x00};
    return join({fixed, textLengths, text, tokens, after});
}

class Biff5Name : public ::testing::Test {
protected:
    test::FormulaTestBook book;

    Lbl translated(const Bytes& body) {
        std::optional<Lbl> name = translateBiff5Name(body, book);
        EXPECT_TRUE(name.has_value());
        return name.value_or(Lbl{});
    }
};

TEST_F(Biff5Name, PrintAreaGetsItsXtiEntry) {
    Lbl name = translated(kPrintAreaBiff5);
    EXPECT_EQ(name.body(), kPrintAreaBiff8);
    EXPECT_TRUE(name.isBuiltIn(Lbl::kPrintArea));
    EXPECT_EQ(name.sheet, 2);
    EXPECT_EQ(book.xti, (std::vector<Xti>{{0, 1, 1}}));
}

TEST_F(Biff5Name, TextsAfterTheFormulaAreLeftOut) {
    Lbl name = translated(kCafeBiff5);
    EXPECT_EQ(name.text, u"Caf\u00E9");
    EXPECT_FALSE(name.wideText);
    EXPECT_EQ(name.body(), kCafeBiff8);
}

TEST_F(Biff5Name, StringsAndArrayDataTakeTheBiff8Layout) {
    // Sheet_Title (code 12) = "Sheet1": the string gains its flags byte.
    Lbl title = translated(nameBiff5({0x0C}, {0x17, 0x06, 'S', 'h', 'e', 'e', 't', '1'}));
    EXPECT_EQ(title.formula, (Bytes{0x17, 0x06, 0x00, 'S', 'h', 'e', 'e', 't', '1'}));
    EXPECT_TRUE(title.extra.empty());

    // ={1.5} with a help text "H": the array data sits between the tokens and the text.
    const Bytes ptgArray = {0x60, 0, 0, 0, 0, 0, 0, 0};
    const Bytes oneAndAHalf = {0x01, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F};
    Lbl array = translated(nameBiff5({'A'}, ptgArray, join({{0x01, 0x01, 0x00}, oneAndAHalf, {'H'}}), {0, 0, 1, 0}));
    EXPECT_EQ(array.formula, ptgArray);
    EXPECT_EQ(array.extra, join({{0x00, 0x00, 0x00}, oneAndAHalf})) << "counts less 1, the number, no text";
}

TEST_F(Biff5Name, FormulaWithoutBiff8FormBecomesReferenceError) {
    // An add-in call through PtgNameX: the name stays, so name indices keep their targets.
    const Bytes nameX = join({{0x39, 0xFF, 0xFF}, kEight, {0x01, 0x00}, kTwelve});
    Lbl addIn = translated(nameBiff5({'X'}, nameX));
    EXPECT_EQ(addIn.text, u"X");
    EXPECT_EQ(addIn.formula, (Bytes{0x1C, 0x17}));

    // A name of 255 characters and 2700 PtgInt tokens fits BIFF5's record with its
    // CONTINUE records, but not one BIFF8 Lbl (14 + 1 + 255 + 8100 bytes).
    Bytes ints;
    for (int i = 0; i < 2700; ++i) ints.insert(ints.end(), {0x1E, 0x01, 0x00});
    Lbl big = translated(nameBiff5(Bytes(255, 'n'), ints));
    EXPECT_EQ(big.text.size(), 255u);
    EXPECT_EQ(big.formula, (Bytes{0x1C, 0x17}));
}

TEST_F(Biff5Name, RecordsThatDoNotHoldTheLayoutGiveNothing) {
    const Bytes good = nameBiff5({'A', 'B'}, {0x1E, 0x01, 0x00}, {'d'}, {0, 1, 0, 0});
    ASSERT_TRUE(translateBiff5Name(good, book).has_value());
    const Bytes cutInFixedPart(good.begin(), good.begin() + 12);
    const Bytes nameBeyondBody(good.begin(), good.begin() + 15);
    const Bytes formulaBeyondBody(good.begin(), good.begin() + 18);
    const Bytes textsBeyondBody(good.begin(), good.end() - 1);
    const Bytes noName = nameBiff5({}, {0x1E, 0x01, 0x00});
    for (const Bytes* body : {&cutInFixedPart, &nameBeyondBody, &formulaBeyondBody, &textsBeyondBody, &noName})
        EXPECT_FALSE(translateBiff5Name(*body, book).has_value()) << ::testing::PrintToString(*body);
}

Lbl rawName(Bytes body, std::vector<Bytes> continues = {}) {
    Lbl raw;
    raw.parsed = false;
    raw.rawBody = std::move(body);
    raw.continues = std::move(continues);
    return raw;
}

TEST_F(Biff5Name, BookNamesKeepTheirOrderAndLoseDamagedOnes) {
    const Bytes split = nameBiff5({'Z'}, {0x1E, 0x07, 0x00});
    std::vector<Lbl> names = {
        rawName(kPrintAreaBiff5),
        rawName(Bytes(kCafeBiff5.begin(), kCafeBiff5.begin() + 16)), // cut inside the name
        rawName(Bytes(split.begin(), split.begin() + 16), {Bytes(split.begin() + 16, split.end())}),
    };
    translateBiff5Names(names, book);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].body(), kPrintAreaBiff8);
    EXPECT_EQ(names[1].text, u"Z") << "a body continued in a CONTINUE record is read whole";
    EXPECT_EQ(names[1].formula, (Bytes{0x1E, 0x07, 0x00}));
    EXPECT_TRUE(names[1].parsed);
    EXPECT_TRUE(names[1].continues.empty());
}

// ---- a BIFF5 book ----

using testing::streamOf;

using testing::BookPtr;
using testing::fileOf;
using testing::kBofGlobals5;
using testing::kBofSheet5;
using testing::loaded;
using testing::saved;


// Sheets "S1" and "Data"; names: the print area of Data, "Rate" = Data!$B$2 (book-wide)
// and "Addin" (PtgNameX, no BIFF8 form). S1!A1 = Rate*2 (PtgName 2), cached 7. Both
// sheets list the sheets their references use, as BIFF5 sheets do.
Bytes biff5Book() {
    const Bytes rate = nameBiff5({'R', 'a', 't', 'e'},
                                 join({{0x3A, 0xFF, 0xFF}, kEight, {0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01}}));
    const Bytes addIn = nameBiff5({'A', 'd', 'd', 'i', 'n'}, join({{0x39, 0xFF, 0xFF}, kEight, {0x01, 0x00}, kTwelve}));
    const Bytes rateTimesTwo = join({{0x13, 0x00, 0x23, 0x02, 0x00}, kTwelve, {0x1E, 0x02, 0x00, 0x05}});
    const Bytes formula = join({{0x00, 0x00, 0x00, 0x00, 0x0F, 0x00, 0, 0, 0, 0, 0, 0, 0x1C, 0x40, 0, 0, 0, 0, 0, 0},
                                rateTimesTwo});
    const Bytes externSheets = {0x04, 0x03, 'D', 'a', 't', 'a'};
    Bytes stream = streamOf({
        {0x0809, kBofGlobals5},
        {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x02, 'S', '1'}},
        {0x0085, {0, 0, 0, 0, 0x00, 0x00, 0x04, 'D', 'a', 't', 'a'}},
        {0x0016, {0x01, 0x00}}, // ExternCount
        {0x0017, externSheets},
        {0x0018, kPrintAreaBiff5},
        {0x0018, rate},
        {0x0018, addIn},
        {0x000A, {}},
        {0x0809, kBofSheet5},
        {0x0016, {0x01, 0x00}},
        {0x0017, {0x01, 0x02}}, // ExternSheet: this sheet
        {0x0006, formula},
        {0x000A, {}},
        {0x0809, kBofSheet5},
        {0x000A, {}},
    });
    return fileOf(stream);
}

std::vector<Bytes> bodiesOf(const std::vector<RecordSpec>& records, std::uint16_t id) {
    std::vector<Bytes> bodies;
    for (const RecordSpec& r : records)
        if (r.id == id) bodies.push_back(r.body);
    return bodies;
}

void expectNamesOfTheBook(IBook& book) {
    ISheet* data = book.getSheet(1);
    int rowFirst = -1, rowLast = -1, colFirst = -1, colLast = -1;
    ASSERT_TRUE(data->namedRange(u"Rate", &rowFirst, &rowLast, &colFirst, &colLast)) << book.errorMessage();
    EXPECT_EQ((std::vector<int>{rowFirst, rowLast, colFirst, colLast}), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(data->namedRangeCount(), 2) << "the print area and Rate";
    const char16_t* formula = book.getSheet(0)->readFormula(0, 0);
    EXPECT_EQ(std::u16string(formula ? formula : u"(none)"), u"Rate*2");
}

TEST(Biff5BookNames, ReadInBiff8Form) {
    BookPtr book = loaded(biff5Book());
    expectNamesOfTheBook(*book);
}

TEST(Biff5BookNames, SavedAsBiff8Lbl) {
    BookPtr book = loaded(biff5Book());
    const Bytes file = saved(*book);
    const std::vector<RecordSpec> records = testing::recordsOf(Xls::openRead(file).stream());
    const std::vector<Bytes> names = bodiesOf(records, 0x0018);
    ASSERT_EQ(names.size(), 3u);
    // The print area and Rate both refer to sheet 1 through one XTI entry, (SupBook 0, 1, 1).
    EXPECT_EQ(names[0], kPrintAreaBiff8);
    EXPECT_EQ(names[1], join({{0x00, 0x00, 0x00, 0x04, 0x07, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 'R', 'a', 't', 'e'},
                              {0x3A, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00}}));
    EXPECT_EQ(names[2], (Bytes{0x00, 0x00, 0x00, 0x05, 0x02, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 'A', 'd', 'd', 'i',
                               'n', 0x1C, 0x17}));
    EXPECT_EQ(bodiesOf(records, 0x0017), (std::vector<Bytes>{{0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00}}))
        << "one BIFF8 ExternSheet with one XTI entry; the BIFF5 lists are gone";
    EXPECT_TRUE(bodiesOf(records, 0x0016).empty()) << "BIFF8 has no ExternCount";
    expectNamesOfTheBook(*loaded(file));
}

// ---- read back by xlrd ----

TEST(Biff5BookNames, CorpusNamesSeenByXlrd) {
    const std::filesystem::path source = testing::corpusRoot() / "xls" / "sjs_defined_names_unicode.biff5.xls";
    if (testing::corpusRoot().empty() || !std::filesystem::exists(source)) GTEST_SKIP() << "corpus absent";
    if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3: xlrd check skipped";
    const std::string path = (std::filesystem::temp_directory_path() / "karvo_biff5_names.xls").string();
    BookPtr book(createBinaryBook());
    ASSERT_TRUE(book->load(utf8ToUtf16(source.string()).c_str())) << book->errorMessage();
    ASSERT_TRUE(book->save(utf8ToUtf16(path).c_str())) << book->errorMessage();

    int status = 0;
    const std::string seen = karvo::testing::runPythonScript("xlrd_names.py", path, status);
    std::filesystem::remove(path);
    if (status == karvo::testing::kScriptModuleMissing) GTEST_SKIP() << "python3-xlrd is not installed";
    ASSERT_EQ(status, 0) << seen;
    // What xlrd reports for the original BIFF5 file.
    EXPECT_EQ(seen,
              "name___ scope=-1 builtin=0\n"
              "  sheets 2-2 rows 0-0 cols 0-0\n"
              "  area2d sheet___ rows 0-0 cols 0-0\n"
              "name___name scope=-1 builtin=0\n"
              "  sheets 4-4 rows 1-1 cols 1-1\n"
              "  area2d sheet___sheet rows 1-1 cols 1-1\n"
              "NoContainsJapaneseName scope=-1 builtin=0\n"
              "  sheets 1-1 rows 0-0 cols 0-0\n"
              "  area2d _____ rows 0-0 cols 0-0\n"
              "sheet___ scope=-1 builtin=0\n"
              "  sheets 2-2 rows 0-0 cols 0-0\n"
              "  area2d sheet___ rows 0-0 cols 0-0\n"
              "___ scope=-1 builtin=0\n"
              "  sheets 0-0 rows 0-0 cols 0-0\n"
              "  area2d NoContainsJapanese rows 0-0 cols 0-0\n"
              "___name scope=-1 builtin=0\n"
              "  sheets 3-3 rows 1-1 cols 8-8\n"
              "  area2d ___sheet rows 1-1 cols 8-8\n");
}

} // namespace
} // namespace karvo
