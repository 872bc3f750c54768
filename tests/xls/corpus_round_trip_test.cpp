// corpus_round_trip_test.cpp - every real .xls of the corpus loads, saves, loads again
// with the same content, and saves again to the same bytes.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/book_factory.h"
#include "core/interfaces.h"
#include "support/book_bytes.h"
#include "support/corpus_files.h"
#include "xls/sheet_impl.h"

namespace karvo {
namespace {

using testing::BookPtr;

// A text for messages: printable ASCII as it is, every other code unit as \u+hex.
std::string spelled(const char16_t* text) {
    if (!text) return "(null)";
    std::ostringstream out;
    out << '\'' << std::hex;
    for (; *text; ++text) {
        if (*text >= 0x20 && *text < 0x7F) out << static_cast<char>(*text);
        else out << "\\u" << static_cast<int>(*text);
    }
    out << '\'';
    return out.str();
}

std::string cellName(int row, int col) {
    std::string letters;
    for (int c = col + 1; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters + std::to_string(row + 1);
}

// Collects the differences between the first load and the reload; only the first few
// are printed, the count tells how many there were.
class Diff {
public:
    static constexpr std::size_t kShown = 20;

    template <class T>
    void check(const std::string& where, const char* what, const T& first, const T& second) {
        if (first == second) return;
        if (++count_ > kShown) return;
        std::ostringstream line;
        line << where << ": " << what << " " << first << " then " << second << "\n";
        text_ += line.str();
    }
    std::size_t count() const { return count_; }
    const std::string& text() const { return text_; }

private:
    std::size_t count_ = 0;
    std::string text_;
};

// The value of a cell as text with its type, so one comparison covers every reader.
std::string cellValue(ISheet& sheet, int row, int col) {
    std::ostringstream out;
    CellType type = sheet.cellType(row, col);
    out << "type " << type;
    if (type == CellNumber) out << " number " << std::bit_cast<std::uint64_t>(sheet.readNumber(row, col));
    if (type == CellString) {
        out << " string " << spelled(sheet.readString(row, col));
    }
    if (type == CellBoolean) out << " bool " << sheet.readBool(row, col);
    out << " error " << sheet.readError(row, col) << " formula " << sheet.cellIsFormula(row, col);
    IFormat* format = sheet.cellFormat(row, col);
    out << " numFormat " << (format ? format->numFormat() : -1);
    return out.str();
}

std::string mergeOf(ISheet& sheet, int row, int col) {
    int r1 = -1, r2 = -1, c1 = -1, c2 = -1;
    if (!sheet.mergeAt(row, col, &r1, &r2, &c1, &c2)) return "none";
    return cellName(r1, c1) + ":" + cellName(r2, c2);
}

// A placed picture: its picture id and its anchor, cells and pixels.
std::string pictureOf(ISheet& sheet, int index) {
    int v[8] = {};
    int id = sheet.pictureAt(index, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]);
    std::ostringstream out;
    out << "id " << id << " " << cellName(v[0], v[1]) << ":" << cellName(v[2], v[3]) << " " << v[4] << "x" << v[5]
        << " +" << v[6] << "," << v[7];
    return out.str();
}

// Every comment with its cell, author and text.
std::string commentsOf(ISheet& sheet) {
    auto* binary = dynamic_cast<SheetImplT*>(&sheet);
    if (!binary) return "not a binary sheet";
    std::string out;
    for (const NoteEntry& note : binary->data().drawing.notes()) {
        out += cellName(note.row, note.col) + " by " + spelled(note.author.c_str()) + ": ";
        out += spelled(sheet.readComment(note.row, note.col)) + "; ";
    }
    return out;
}

void compareDrawings(ISheet& a, ISheet& b, const std::string& where, Diff& diff) {
    diff.check(where, "pictureCount", a.pictureCount(), b.pictureCount());
    for (int i = 0; i < a.pictureCount() && i < b.pictureCount(); ++i)
        diff.check(where + " picture " + std::to_string(i), "anchor", pictureOf(a, i), pictureOf(b, i));
    diff.check(where, "comments", commentsOf(a), commentsOf(b));
}

// The book's pictures: type and bytes of each.
std::string picturesOf(IBook& book) {
    std::string out = std::to_string(book.pictureCount()) + " pictures";
    for (int i = 0; i < book.pictureCount(); ++i) {
        const char* data = nullptr;
        std::size_t size = 0;
        PictureType type = book.pictureAt(i, &data, &size);
        out += "; type " + std::to_string(type) + " " + std::to_string(size) + " bytes " +
               std::to_string(std::hash<std::string_view>{}(std::string_view(data ? data : "", data ? size : 0)));
    }
    return out;
}

void compareSheets(ISheet& a, ISheet& b, const std::string& where, Diff& diff) {
    compareDrawings(a, b, where, diff);
    diff.check(where, "state", a.sheetState(), b.sheetState());
    diff.check(where, "firstRow", a.firstRow(), b.firstRow());
    diff.check(where, "lastRow", a.lastRow(), b.lastRow());
    diff.check(where, "firstColumn", a.firstColumn(), b.firstColumn());
    diff.check(where, "lastColumn", a.lastColumn(), b.lastColumn());
    for (int col = 0; col <= 255; ++col) {
        const std::string at = where + " column " + std::to_string(col);
        diff.check(at, "width", a.columnWidth(col), b.columnWidth(col));
        diff.check(at, "hidden", a.columnIsHidden(col), b.columnIsHidden(col));
    }
    for (int row = a.firstRow(); row < a.lastRow(); ++row) {
        const std::string at = where + " row " + std::to_string(row + 1);
        diff.check(at, "height", a.rowHeight(row), b.rowHeight(row));
        diff.check(at, "hidden", a.rowIsHidden(row), b.rowIsHidden(row));
        for (int col = a.firstColumn(); col < a.lastColumn(); ++col) {
            const std::string cell = where + " " + cellName(row, col);
            diff.check(cell, "value", cellValue(a, row, col), cellValue(b, row, col));
            diff.check(cell, "merge", mergeOf(a, row, col), mergeOf(b, row, col));
        }
    }
}

void compareBooks(IBook& a, IBook& b, Diff& diff) {
    diff.check("book", "sheetCount", a.sheetCount(), b.sheetCount());
    diff.check("book", "pictures", picturesOf(a), picturesOf(b));
    for (int i = 0; i < a.sheetCount() && i < b.sheetCount(); ++i) {
        ISheet& sa = *a.getSheet(i);
        ISheet& sb = *b.getSheet(i);
        const std::string where = "sheet " + std::to_string(i) + " " + spelled(sa.sheetName());
        diff.check(where, "name", spelled(sa.sheetName()), spelled(sb.sheetName()));
        compareSheets(sa, sb, where, diff);
    }
}

std::vector<char> saved(IBook& book) {
    const char* data = nullptr;
    std::size_t size = 0;
    if (!book.saveToMemory(&data, &size)) return {};
    return std::vector<char>(data, data + size);
}

class CorpusRoundTrip : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(CorpusRoundTrip, LoadsSavesAndLoadsAgainTheSame) {
    const std::filesystem::path& path = GetParam();
    if (path.empty()) GTEST_SKIP() << "no corpus at " << (testing::corpusRoot() / "xls");
    const std::string file = path.filename().string();

    BookPtr first(createBinaryBook());
    ASSERT_TRUE(first->load(path.u16string().c_str())) << file << " fails to load: " << first->errorMessage();

    std::vector<char> bytes = saved(*first);
    ASSERT_FALSE(bytes.empty()) << file << " does not save: " << first->errorMessage();
    BookPtr second(createBinaryBook());
    ASSERT_TRUE(second->loadFromMemory(bytes.data(), bytes.size()))
        << file << " saved copy does not load: " << second->errorMessage();

    Diff diff;
    compareBooks(*first, *second, diff);
    EXPECT_EQ(diff.count(), 0u) << file << " differs after saving and loading again:\n" << diff.text();

    EXPECT_TRUE(saved(*first) == bytes) << file << ": saving the same book twice gives different bytes";
    std::vector<char> again = saved(*second);
    EXPECT_TRUE(again == bytes) << file << ": saving the reloaded copy gives different bytes ("
                                << again.size() << " and " << bytes.size() << ")";
}

INSTANTIATE_TEST_SUITE_P(Xls, CorpusRoundTrip, ::testing::ValuesIn(testing::corpusParameters("xls")),
                         testing::corpusTestName<::testing::TestParamInfo<std::filesystem::path>>);

// Files from other producers with drawings: the pictures of the book, the pictures
// placed on its sheets and its comments, over all sheets. The round trip above keeps
// them equal; these counts make sure that they are read at all.
struct DrawingCounts {
    const char* file;
    int pictures;
    int placed;
    int comments;
};

const DrawingCounts kDrawingCounts[] = {
    {"poi_SimpleWithImages.xls", 4, 4, 0},       {"poi_SimpleWithImages-mac.xls", 5, 5, 0},
    {"poi_SimpleWithComments.xls", 0, 0, 3},     {"poi_DrawingAndComments.xls", 0, 0, 3},
    {"sjs_comments_stress_test.xls", 0, 0, 28},  {"sjs_biff5_comments_stress_test.xls", 0, 0, 27},
    {"cal_picture.xls", 2, 2, 0},                {"xlrd_picture_in_cell.xls", 1, 1, 0},
    {"poi_59858.xls", 20, 19, 1},                {"phps_27template.xls", 4, 4, 0},
};

BookPtr corpusBook(const std::string& file) {
    BookPtr book(createBinaryBook());
    std::filesystem::path path = testing::corpusRoot() / "xls" / file;
    EXPECT_TRUE(book->load(path.u16string().c_str())) << file << ": " << book->errorMessage();
    return book;
}

// Files whose producers stray from the format in ways other readers accept: a cell
// of each as xlrd shows it (LibreOffice for the files xlrd cannot open).
struct IrregularCell {
    const char* file;
    const char* irregularity;
    int row;
    int col;
    double number;         // when text is null
    const char16_t* text;
};

const IrregularCell kIrregularCells[] = {
    {"phps_sample.xls", "18-byte Number records", 1, 5, 10.0, nullptr},
    {"poi_BOOK_in_capitals.xls", "empty records of id 0", 9, 1, 41290.0, nullptr},
    {"sjs_biff5_pivot_table_test.xls", "records of id 0 in its charts", 1, 2, 1500.0, nullptr},
    {"sjs_quattro_write_97.xls", "an ExtSST that does not add up", 0, 2, 3.0, nullptr},
    {"sjs_biff5_phonetic_text.xls", "a Label longer than its count, code page 10000", 0, 0, 0, u"äø"},
    {"sjs_biff5_merge_cells.xls", "code page 1252", 3, 0, 0, u"… are merged separately"},
};

TEST(CorpusIrregular, CellsReadAsOtherReadersShowThem) {
    if (testing::corpusFiles("xls").empty()) GTEST_SKIP() << "no corpus";
    for (const IrregularCell& expected : kIrregularCells) {
        BookPtr book = corpusBook(expected.file);
        ASSERT_GT(book->sheetCount(), 0) << expected.file;
        ISheet& sheet = *book->getSheet(0);
        if (expected.text)
            EXPECT_EQ(spelled(sheet.readString(expected.row, expected.col)), spelled(expected.text))
                << expected.file << ": " << expected.irregularity;
        else
            EXPECT_EQ(sheet.readNumber(expected.row, expected.col), expected.number)
                << expected.file << ": " << expected.irregularity;
    }
    // A book of one chart sheet whose BOF says version 0x0580.
    BookPtr chart = corpusBook("poi_64130.xls");
    EXPECT_EQ(chart->sheetCount(), 1);
}

TEST(CorpusDrawings, PicturesAndCommentsOfOtherProducersAreRead) {
    if (testing::corpusFiles("xls").empty()) GTEST_SKIP() << "no corpus";
    for (const DrawingCounts& expected : kDrawingCounts) {
        BookPtr book = corpusBook(expected.file);
        int placed = 0, comments = 0;
        for (int i = 0; i < book->sheetCount(); ++i) {
            ISheet* sheet = book->getSheet(i);
            placed += sheet->pictureCount();
            comments += static_cast<int>(dynamic_cast<SheetImplT&>(*sheet).data().drawing.notes().size());
        }
        EXPECT_EQ(book->pictureCount(), expected.pictures) << expected.file;
        EXPECT_EQ(placed, expected.placed) << expected.file;
        EXPECT_EQ(comments, expected.comments) << expected.file;
    }
}

TEST(CorpusDrawings, AnchorsAuthorsAndTextsAreThoseOfTheFile) {
    if (testing::corpusFiles("xls").empty()) GTEST_SKIP() << "no corpus";
    BookPtr images = corpusBook("poi_SimpleWithImages.xls");
    // The second picture: blip 2, from E2 (704/1024 and 60/256 in) to J19 (384/1024 and
    // 226/256 in), over columns of 64 pixels and rows of 17: 5 x 64 - 44 + 24 = 300 wide,
    // 17 x 17 - 3 + 15 = 301 high.
    EXPECT_EQ(pictureOf(*images->getSheet(0), 1), "id 1 E2:J19 300x301 +44,3");
    BookPtr comments = corpusBook("poi_SimpleWithComments.xls");
    EXPECT_EQ(commentsOf(*comments->getSheet(0)),
              "B1 by 'Yegor Kozlov': 'Yegor Kozlov:\\uafirst cell'; B2 by 'Yegor Kozlov': 'Yegor Kozlov:\\uasecond cell'; "
              "B3 by 'Yegor Kozlov': 'Yegor Kozlov:\\uathird cell'; ");  // \\ua: a line feed
}

} // namespace
} // namespace karvo
