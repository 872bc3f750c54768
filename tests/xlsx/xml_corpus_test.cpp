// Every .xlsx of the shared corpus loads (or fails with a message) and survives a
// save: the same sheets, cells, formulas, merges, widths and heights, and every part
// the library does not interpret byte for byte.
#include <gtest/gtest.h>

#include <iostream>
#include <regex>
#include <set>

#include "core/utf_convert.h"
#include "support/corpus_files.h"
#include "support/format_description.h"
#include "support/sheet_description.h"
#include "support/xlsx_package.h"
#include "xlsx/content_type_names.h"
#include "xlsx/content_types.h"

namespace karvo::testing {
namespace {

// Large sheets are compared on their first cells; the rest is the same code path.
constexpr int kMaxComparedCells = 200000;

std::string bytesOf(IBook& book) {
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_TRUE(book.saveToMemory(&data, &size)) << book.errorMessage();
    return data ? std::string(data, size) : std::string();
}

// Parts the book parses and writes again (by their content type), the content
// types themselves and the calculation chain it drops; all others come back unchanged.
bool interpreted(const xlsx::ContentTypes* types, const std::string& name) {
    static const std::set<std::u16string> kinds = [] {
        std::set<std::u16string> set = {xlsx::kWorkbookType, xlsx::kRelationshipsType, xlsx::kWorksheetType,
                                        xlsx::kSharedStringsType, xlsx::kStylesType};
        set.insert(std::begin(xlsx::kOtherWorkbookTypes), std::end(xlsx::kOtherWorkbookTypes));
        return set;
    }();
    if (name == "[content_types].xml" || name == "xl/calcchain.xml") return true;
    return types && kinds.contains(types->contentType(utf8ToUtf16("/" + name)));
}

// Part names are compared without regard to letter case.
std::string normalName(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!name.empty() && name.front() == '/') name.erase(0, 1);
    return name;
}

std::multiset<std::string> merges(const PackageEntries& entries) {
    static const std::regex merge(R"re(<(?:\w+:)?mergeCell ref="([^"]+)")re");
    std::multiset<std::string> found;
    for (const auto& [name, bytes] : entries)
        if (name.find("worksheets/") != std::string::npos)
            for (std::sregex_iterator it(bytes.begin(), bytes.end(), merge), end; it != end; ++it)
                found.insert(name + "!" + (*it)[1].str());
    return found;
}

std::string cellText(ISheet& sheet, int row, int col) {
    std::string text = std::to_string(sheet.cellType(row, col)) + ":";
    switch (sheet.cellType(row, col)) {
    case CellNumber: text += std::to_string(sheet.readNumber(row, col)); break;
    case CellString: text += utf16ToUtf8(sheet.readString(row, col) ? sheet.readString(row, col) : u"?"); break;
    case CellBoolean: text += sheet.readBool(row, col) ? "1" : "0"; break;
    case CellError: text += std::to_string(sheet.readError(row, col)); break;
    default: break;
    }
    if (sheet.cellIsFormula(row, col)) {
        const char16_t* formula = sheet.readFormula(row, col);
        text += " =" + (formula ? utf16ToUtf8(formula) : std::string("?"));
    }
    return text;
}

void expectSameFormats(IBook& a, IBook& b, const std::string& file) {
    ASSERT_EQ(a.formatCount(), b.formatCount()) << file;
    for (int i = 0; i < a.formatCount(); ++i)
        EXPECT_EQ(formatDescription(*a.formatAt(i)), formatDescription(*b.formatAt(i))) << file << " format " << i;
    ASSERT_EQ(a.fontCount(), b.fontCount()) << file;
    for (int i = 0; i < a.fontCount(); ++i)
        EXPECT_EQ(fontDescription(*a.fontAt(i)), fontDescription(*b.fontAt(i))) << file << " font " << i;
}

void expectSameBooks(IBook& a, IBook& b, const std::string& file) {
    expectSameFormats(a, b, file);
    EXPECT_TRUE(bookPicturesDescription(a) == bookPicturesDescription(b)) << file << ": the pictures differ";
    ASSERT_EQ(a.sheetCount(), b.sheetCount()) << file;
    for (int i = 0; i < a.sheetCount(); ++i) {
        ISheet* x = a.getSheet(i);
        ISheet* y = b.getSheet(i);
        ASSERT_EQ(x == nullptr, y == nullptr) << file << " sheet " << i;
        if (!x) continue;  // a chart sheet
        SCOPED_TRACE(file + " sheet " + utf16ToUtf8(x->sheetName()));
        EXPECT_EQ(std::u16string(x->sheetName()), std::u16string(y->sheetName()));
        EXPECT_EQ(x->sheetState(), y->sheetState());
        EXPECT_EQ(sheetDescription(*x), sheetDescription(*y));
        ASSERT_EQ(x->firstRow(), y->firstRow());
        ASSERT_EQ(x->lastRow(), y->lastRow());
        ASSERT_EQ(x->firstColumn(), y->firstColumn());
        ASSERT_EQ(x->lastColumn(), y->lastColumn());
        int compared = 0;
        for (int row = x->firstRow(); row < x->lastRow() && compared < kMaxComparedCells; ++row) {
            EXPECT_EQ(x->rowHeight(row), y->rowHeight(row)) << "row " << row;
            EXPECT_EQ(x->rowIsHidden(row), y->rowIsHidden(row)) << "row " << row;
            for (int col = x->firstColumn(); col < x->lastColumn(); ++col, ++compared)
                ASSERT_EQ(cellText(*x, row, col), cellText(*y, row, col)) << "row " << row << " col " << col;
        }
        for (int col = x->firstColumn(); col < x->lastColumn(); ++col) {
            EXPECT_EQ(x->columnWidth(col), y->columnWidth(col)) << "col " << col;
            EXPECT_EQ(x->columnIsHidden(col), y->columnIsHidden(col)) << "col " << col;
        }
    }
}

class XmlCorpus : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(XmlCorpus, LoadsAndSavesWithoutLosingAnything) {
    const std::filesystem::path& path = GetParam();
    if (path.empty()) GTEST_SKIP() << "no corpus at " << (corpusRoot() / "xlsx");
    const std::string file = path.filename().string();
    std::vector<char> original = fileBytes(path);
    BookPtr book(createXmlBook());
    if (!book->loadFromMemory(original.data(), original.size())) {
        std::string message = book->errorMessage();
        std::cout << "[ refused  ] " << file << ": " << message << "\n";
        EXPECT_FALSE(message.empty());
        EXPECT_NE("general failure", message);
        RecordProperty("outcome", message);
        return;
    }
    std::string first = bytesOf(*book);
    BookPtr again = loadedXml(first);
    expectSameBooks(*book, *again, file);
    PackageEntries after = packageEntries(first.data(), first.size());
    std::string second = bytesOf(*book);
    // Time stamps aside, a second save writes the same entries.
    EXPECT_TRUE(after == packageEntries(second.data(), second.size())) << file << ": a second save differs";

    PackageEntries before = packageEntries(original.data(), original.size());
    std::unique_ptr<xlsx::ContentTypes> types;
    for (const auto& [name, bytes] : before)
        if (normalName(name) == "[content_types].xml" && !types)
            types = std::make_unique<xlsx::ContentTypes>(bytes.data(), bytes.size());
    std::map<std::string, std::string> saved;
    for (const auto& [name, bytes] : after) saved[normalName(name)] = bytes;
    for (const auto& [name, bytes] : before) {
        std::string normal = normalName(name);
        if (interpreted(types.get(), normal) || normal.empty() || normal.back() == '/' || bytes.empty()) continue;
        auto found = saved.find(normal);
        if (found == saved.end()) {
            ADD_FAILURE() << file << ": part " << normal << " was not written back";
            continue;
        }
        EXPECT_TRUE(found->second == bytes) << file << ": part " << normal << " changed";
    }
    EXPECT_EQ(merges(before).size(), merges(after).size()) << file;
}

INSTANTIATE_TEST_SUITE_P(Xlsx, XmlCorpus, ::testing::ValuesIn(corpusParameters("xlsx", ".xlsx")),
                         corpusTestName<::testing::TestParamInfo<std::filesystem::path>>);

} // namespace
} // namespace karvo::testing
