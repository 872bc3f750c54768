// consumer_xlsx_test.cpp - Open XML books we write, read by openpyxl, Gnumeric and
// LibreOffice; and the books those programs write, read by us. A program that is not
// installed makes its test skip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/utf_convert.h"
#include "support/python_script.h"
#include "support/test_images.h"
#include "support/xlsx_package.h"

namespace karvo::testing {
namespace {

namespace fs = std::filesystem;

// LibreOffice can hang on start-up; coreutils' timeout stops its whole process group.
const std::string kTimeout = "timeout -k 10 120 ";
const std::string kScripts = KARVO_TESTS_DIR "/xlsx/";

bool installed(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

bool hasOpenpyxl() { return std::system("/usr/bin/python3 -c 'import openpyxl' >/dev/null 2>&1") == 0; }

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Two readers may list the same facts in another order: the lines are compared as
// sets, and a failure names the lines missing from `seen` and those it has in excess.
void expectSameLines(std::vector<std::string> seen, std::vector<std::string> expected) {
    std::sort(seen.begin(), seen.end());
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> missing, extra;
    std::set_difference(expected.begin(), expected.end(), seen.begin(), seen.end(), std::back_inserter(missing));
    std::set_difference(seen.begin(), seen.end(), expected.begin(), expected.end(), std::back_inserter(extra));
    std::string report;
    for (const std::string& line : missing) report += "  missing: " + line + "\n";
    for (const std::string& line : extra) report += "  not expected: " + line + "\n";
    EXPECT_TRUE(report.empty()) << report;
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// ---- the book we write ----

enum class Kind { Number, Text, Bool, Blank, Date, Formula };

struct Date {
    int year, month, day, hour, minute;
};

// The formats cells are written with: the number format and the text openpyxl shows for it.
struct Format {
    int builtIn;               // 0 with a custom text
    const char16_t* custom;
    const char* openpyxl;
};
const Format kFormats[] = {
    {0, nullptr, "General"},  // no format given
    {14, nullptr, "mm-dd-yy"},  // the built-in short date
    {0, u"yyyy-mm-dd hh:mm", "yyyy-mm-dd hh:mm"},
    {0, u"0.00", "0.00"},
};
enum FormatIndex { General, ShortDate, DateTime, Fixed };

struct Sheet {
    const char16_t* name;
    SheetState state;
    const char* openpyxl;  // the state as openpyxl names it
};
const Sheet kSheets[] = {
    {u"Data", SheetVisible, "visible"},       {u"Other sheet", SheetVisible, "visible"},
    {u"Formulas", SheetVisible, "visible"},   {u"Hidden", SheetHidden, "hidden"},
    {u"Very hidden", SheetVeryHidden, "veryHidden"},
};
enum SheetIndex { DataSheet, OtherSheet, FormulaSheet, HiddenSheet, VeryHiddenSheet };

const std::u16string kLong = [] {
    std::u16string text;
    for (int i = 0; i < 100; ++i) text += u"0123456789";
    return text;
}();

struct Written {
    int sheet;
    int row, col;
    Kind kind;
    double number = 0;
    const char16_t* text = nullptr;   // a Text, or a Formula as our interface takes it
    bool flag = false;
    Date date{};
    int format = General;
    const char* openpyxl = nullptr;   // a Formula as openpyxl shows it
    const char* computed = nullptr;   // the result of a Formula as the CSV files show it
};

const Written kCells[] = {
    {.sheet = DataSheet, .row = 0, .col = 0, .kind = Kind::Number, .number = 42},
    {.sheet = DataSheet, .row = 1, .col = 0, .kind = Kind::Number, .number = 1.5},
    {.sheet = DataSheet, .row = 2, .col = 0, .kind = Kind::Number, .number = -17.25},
    {.sheet = DataSheet, .row = 3, .col = 0, .kind = Kind::Number, .number = 1e15},
    {.sheet = DataSheet, .row = 4, .col = 0, .kind = Kind::Number, .number = 1e-10},
    {.sheet = DataSheet, .row = 5, .col = 0, .kind = Kind::Number, .number = 123456789012345},
    {.sheet = DataSheet, .row = 6, .col = 0, .kind = Kind::Number, .number = -0.1},
    {.sheet = DataSheet, .row = 0, .col = 1, .kind = Kind::Text, .text = u"plain ASCII"},
    {.sheet = DataSheet, .row = 1, .col = 1, .kind = Kind::Text, .text = u"Gr\u00FC\u00DFe \u20AC"},
    {.sheet = DataSheet, .row = 2, .col = 1, .kind = Kind::Text, .text = u"  blanks around  "},
    {.sheet = DataSheet, .row = 3, .col = 1, .kind = Kind::Text, .text = kLong.c_str()},
    {.sheet = DataSheet, .row = 4, .col = 1, .kind = Kind::Text, .text = u"<tag> & \"quotes\" 'apostrophes'"},
    {.sheet = DataSheet, .row = 5, .col = 1, .kind = Kind::Text, .text = u"\U0001F600 beyond the BMP"},
    {.sheet = DataSheet, .row = 6, .col = 1, .kind = Kind::Text, .text = u"007"},
    {.sheet = DataSheet, .row = 0, .col = 2, .kind = Kind::Bool, .flag = true},
    {.sheet = DataSheet, .row = 1, .col = 2, .kind = Kind::Bool, .flag = false},
    {.sheet = DataSheet, .row = 0, .col = 3, .kind = Kind::Blank, .format = Fixed},
    {.sheet = DataSheet, .row = 0, .col = 4, .kind = Kind::Date, .date = {2026, 12, 6, 0, 0}, .format = ShortDate},
    {.sheet = DataSheet, .row = 1, .col = 4, .kind = Kind::Date, .date = {2024, 2, 29, 13, 45}, .format = DateTime},
    {.sheet = DataSheet, .row = 2, .col = 4, .kind = Kind::Number, .number = 3.14159, .format = Fixed},
    // Gnumeric's CSV export starts at the first row and column in use: each sheet fills A1.
    {.sheet = OtherSheet, .row = 0, .col = 0, .kind = Kind::Text, .text = u"label"},
    {.sheet = OtherSheet, .row = 1, .col = 1, .kind = Kind::Number, .number = 2.5},
    {.sheet = FormulaSheet, .row = 0, .col = 0, .kind = Kind::Formula, .text = u"=Data!A1*2",
     .openpyxl = "=Data!A1*2", .computed = "84"},
    {.sheet = FormulaSheet, .row = 1, .col = 0, .kind = Kind::Formula, .text = u"=SUM(Data!A1:A3)",
     .openpyxl = "=SUM(Data!A1:A3)", .computed = "26.25"},
    {.sheet = FormulaSheet, .row = 2, .col = 0, .kind = Kind::Formula, .text = u"='Other sheet'!B2",
     .openpyxl = "='Other sheet'!B2", .computed = "2.5"},
    {.sheet = FormulaSheet, .row = 3, .col = 0, .kind = Kind::Formula, .text = u"=IF(A1>1;\"big\";\"small\")",
     .openpyxl = "=IF(A1>1,\"big\",\"small\")", .computed = "big"},
    {.sheet = FormulaSheet, .row = 4, .col = 0, .kind = Kind::Formula, .text = u"=IF(Data!C1;\"a;b, c\";\"d\")",
     .openpyxl = "=IF(Data!C1,\"a;b, c\",\"d\")", .computed = "a;b, c"},
    {.sheet = FormulaSheet, .row = 5, .col = 0, .kind = Kind::Formula, .text = u"=CONCATENATE(Data!B2;\"!\")",
     .openpyxl = "=CONCATENATE(Data!B2,\"!\")", .computed = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC!"},
    {.sheet = FormulaSheet, .row = 6, .col = 0, .kind = Kind::Formula, .text = u"=AND(Data!C1;NOT(Data!C2))",
     .openpyxl = "=AND(Data!C1,NOT(Data!C2))", .computed = "TRUE"},
    {.sheet = FormulaSheet, .row = 7, .col = 0, .kind = Kind::Formula, .text = u"=YEAR(Data!E2)*100+DAY(Data!E2)",
     .openpyxl = "=YEAR(Data!E2)*100+DAY(Data!E2)", .computed = "202429"},
    {.sheet = HiddenSheet, .row = 0, .col = 0, .kind = Kind::Text, .text = u"in a hidden sheet"},
    {.sheet = VeryHiddenSheet, .row = 0, .col = 0, .kind = Kind::Number, .number = 99},
};

// Rows and columns of sheet Data; setRow and setColumns are used where a size is given.
struct RowLayout {
    int row;
    double height;  // 0: set hidden with setRowHidden
    bool hidden;
};
const RowLayout kRows[] = {{7, 0, true}, {8, 30.5, false}, {9, 20, true}};

struct ColumnLayout {
    int first, last;
    double width;  // 0: set hidden with setColumnHidden
    bool hidden;
};
const ColumnLayout kColumns[] = {{6, 6, 0, true}, {7, 8, 20, false}, {9, 9, 5, true}};

std::string utf8(const char16_t* text) { return utf16ToUtf8(text); }

std::string columnName(int col) {
    std::string name;
    for (++col; col > 0; col = (col - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (col - 1) % 26));
    return name;
}

std::string cellName(const Written& cell) {
    return utf8(kSheets[cell.sheet].name) + "!" + columnName(cell.col) + std::to_string(cell.row + 1);
}

std::string printed(const char* format, auto... values) {
    char text[64];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string isoDate(const Date& date) {
    return printed("%04d-%02d-%02dT%02d:%02d:00", date.year, date.month, date.day, date.hour, date.minute);
}

double serial(IBook& book, const Date& d) { return book.packDate(d.year, d.month, d.day, d.hour, d.minute, 0, 0); }

// The book of kCells, kRows and kColumns, saved at `path`.
void writeBook(const fs::path& path) {
    BookPtr book(createXmlBook());
    std::vector<IFormat*> formats{nullptr};  // General: no format given
    for (std::size_t i = 1; i < std::size(kFormats); ++i) {
        IFormat* made = book->addFormat();
        made->setNumFormat(kFormats[i].custom ? book->addCustomNumFormat(kFormats[i].custom) : kFormats[i].builtIn);
        formats.push_back(made);
    }
    std::vector<ISheet*> sheets;
    for (const Sheet& sheet : kSheets) sheets.push_back(book->addSheet(sheet.name));
    for (const Written& cell : kCells) {
        ISheet* sheet = sheets[cell.sheet];
        IFormat* format = formats[cell.format];
        bool done = false;
        switch (cell.kind) {
        case Kind::Number: done = sheet->writeNumber(cell.row, cell.col, cell.number, format); break;
        case Kind::Text: done = sheet->writeString(cell.row, cell.col, cell.text, format); break;
        case Kind::Bool: done = sheet->writeBool(cell.row, cell.col, cell.flag, format); break;
        case Kind::Blank: done = sheet->writeBlank(cell.row, cell.col, format); break;
        case Kind::Formula: done = sheet->writeFormula(cell.row, cell.col, cell.text, format); break;
        case Kind::Date: done = sheet->writeNumber(cell.row, cell.col, serial(*book, cell.date), format); break;
        }
        ASSERT_TRUE(done) << cellName(cell) << ": " << book->errorMessage();
    }
    ISheet* data = sheets[DataSheet];
    for (const RowLayout& row : kRows)
        ASSERT_TRUE(row.height ? data->setRow(row.row, row.height, nullptr, row.hidden)
                               : data->setRowHidden(row.row, row.hidden)) << book->errorMessage();
    for (const ColumnLayout& columns : kColumns)
        ASSERT_TRUE(columns.width ? data->setColumns(columns.first, columns.last, columns.width, nullptr, columns.hidden)
                                  : data->setColumnHidden(columns.first, columns.hidden)) << book->errorMessage();
    for (std::size_t i = 0; i < std::size(kSheets); ++i)
        ASSERT_TRUE(sheets[i]->setSheetState(kSheets[i].state)) << book->errorMessage();
    ASSERT_TRUE(book->save(utf8ToUtf16(path.string()).c_str())) << book->errorMessage();
}

// ---- what openpyxl_dump.py should print for it ----

std::string openpyxlValue(const Written& cell) {
    switch (cell.kind) {
    case Kind::Number: return printed("number %.17g", cell.number);
    case Kind::Text: return "text " + utf8(cell.text);
    case Kind::Bool: return cell.flag ? "bool true" : "bool false";
    case Kind::Blank: return "blank";
    case Kind::Date: return "date " + isoDate(cell.date);
    case Kind::Formula: return std::string("formula ") + cell.openpyxl;
    }
    return {};
}

// The sheets with their states, and the hidden rows and columns of sheet Data.
std::vector<std::string> expectedLayout() {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < std::size(kSheets); ++i)
        lines.push_back("sheet " + std::to_string(i) + " " + utf8(kSheets[i].name) + " " + kSheets[i].openpyxl);
    for (const RowLayout& row : kRows)
        if (row.hidden) lines.push_back("hidden row Data " + std::to_string(row.row + 1));
    for (const ColumnLayout& columns : kColumns)
        for (int col = columns.first; col <= columns.last; ++col)
            if (columns.hidden) lines.push_back("hidden column Data " + columnName(col));
    return lines;
}

// Everything openpyxl shows: the layout, each cell with its number format, and the
// sizes. A file stores a column's width in digits with 5 pixels of padding included,
// 5/7 of a digit of the default font; so it holds what columnWidth reports plus that.
std::vector<std::string> expectedOpenpyxl(const fs::path& path) {
    std::vector<std::string> lines = expectedLayout();
    for (const Written& cell : kCells)
        lines.push_back(cellName(cell) + " " + openpyxlValue(cell) + " [" + kFormats[cell.format].openpyxl + "]");
    for (const RowLayout& row : kRows)
        if (row.height) lines.push_back(printed("height Data %d %g", row.row + 1, row.height));
    BookPtr book(createXmlBook());
    EXPECT_TRUE(book->load(utf8ToUtf16(path.string()).c_str())) << book->errorMessage();
    for (const ColumnLayout& columns : kColumns)
        for (int col = columns.first; col <= columns.last; ++col)
            lines.push_back("width Data " + columnName(col) +
                            printed(" %.1f", book->getSheet(DataSheet)->columnWidth(col) + 5.0 / 7));
    return lines;
}

// ---- CSV files ----

using Grid = std::vector<std::vector<std::string>>;

Grid readCsv(const fs::path& path) {
    Grid grid;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields(1);
        bool quoted = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') fields.back() += line[++i];
            else if (c == '"') quoted = !quoted;
            else if (c == ',' && !quoted) fields.emplace_back();
            else if (c != '\r') fields.back() += c;
        }
        grid.push_back(fields);
    }
    return grid;
}

std::string field(const Grid& grid, int row, int col) {
    if (row >= static_cast<int>(grid.size()) || col >= static_cast<int>(grid[row].size())) return {};
    return grid[row][col];
}

// Whether a field of a program's CSV export shows a date cell: as its serial number or as a date text.
using DateSeen = bool (*)(const std::string& field, const Date& date, double serial);

// Each written cell of each sheet must be in the sheet's CSV file, and nothing else.
// Numbers are compared as numbers, since programs print them in their own notation.
void expectCsv(const std::vector<fs::path>& files, DateSeen dateSeen) {
    ASSERT_EQ(files.size(), std::size(kSheets));
    BookPtr book(createXmlBook());
    for (std::size_t sheet = 0; sheet < files.size(); ++sheet) {
        ASSERT_TRUE(fs::exists(files[sheet])) << files[sheet];
        const Grid grid = readCsv(files[sheet]);
        std::size_t filled = 0, written = 0;
        for (const auto& row : grid)
            filled += std::count_if(row.begin(), row.end(), [](const std::string& text) { return !text.empty(); });
        for (const Written& cell : kCells) {
            if (cell.sheet != static_cast<int>(sheet)) continue;
            const std::string seen = field(grid, cell.row, cell.col);
            written += cell.kind != Kind::Blank;
            switch (cell.kind) {
            case Kind::Number: EXPECT_EQ(std::strtod(seen.c_str(), nullptr), cell.number) << cellName(cell) << ": " << seen; break;
            case Kind::Text: EXPECT_EQ(seen, utf8(cell.text)) << cellName(cell); break;
            case Kind::Bool: EXPECT_EQ(seen, cell.flag ? "TRUE" : "FALSE") << cellName(cell); break;
            case Kind::Blank: EXPECT_EQ(seen, "") << cellName(cell); break;
            case Kind::Date: EXPECT_TRUE(dateSeen(seen, cell.date, serial(*book, cell.date))) << cellName(cell) << ": " << seen; break;
            case Kind::Formula: EXPECT_EQ(seen, cell.computed) << cellName(cell) << ": " << utf8(cell.text); break;
            }
        }
        EXPECT_EQ(filled, written) << files[sheet] << " holds fields that were not written";
    }
}

// ---- our reading of a book, in the lines of openpyxl_write.py ----

const char* errorText(ErrorType error) {
    switch (error) {
    case ErrorNull: return "#NULL!";
    case ErrorDiv0: return "#DIV/0!";
    case ErrorValue: return "#VALUE!";
    case ErrorRef: return "#REF!";
    case ErrorName: return "#NAME?";
    case ErrorNum: return "#NUM!";
    case ErrorNA: return "#N/A";
    default: return "#unknown";
    }
}

// The value of a cell, as openpyxl_write.py names it; empty for a blank.
std::string valueOf(IBook& book, ISheet& sheet, int row, int col) {
    switch (sheet.cellType(row, col)) {
    case CellNumber: {
        const double value = sheet.readNumber(row, col);
        if (!sheet.cellIsDate(row, col)) return printed("number %.17g", value);
        int year, month, day, hour, minute, second, tenths;
        if (!book.unpackDate(value, &year, &month, &day, &hour, &minute, &second, &tenths)) return "date ?";
        return printed("date %04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute, second) +
               (tenths ? printed(" and %d tenths", tenths) : "");
    }
    case CellString: return "text " + utf8(sheet.readString(row, col));
    case CellBoolean: return sheet.readBool(row, col) ? "bool true" : "bool false";
    case CellError: return std::string("error ") + errorText(sheet.readError(row, col));
    default: return {};
    }
}

std::vector<std::string> ourReading(IBook& book) {
    static const char* const kStates[] = {"visible", "hidden", "veryHidden"};
    std::vector<std::string> lines;
    for (int index = 0; index < book.sheetCount(); ++index) {
        ISheet& sheet = *book.getSheet(index);
        const std::string name = utf8(sheet.sheetName());
        lines.push_back("sheet " + std::to_string(index) + " " + name + " " + kStates[sheet.sheetState()]);
        // Hidden rows and columns count only inside the used range.
        for (int row = sheet.firstRow(); row < sheet.lastRow(); ++row) {
            if (sheet.rowIsHidden(row)) lines.push_back("hidden row " + name + " " + std::to_string(row + 1));
            for (int col = sheet.firstColumn(); col < sheet.lastColumn(); ++col) {
                const std::string cell = name + "!" + columnName(col) + std::to_string(row + 1);
                const std::string value = valueOf(book, sheet, row, col);
                if (sheet.cellIsFormula(row, col)) {
                    lines.push_back(cell + " formula " + utf8(sheet.readFormula(row, col)));
                    if (!value.empty()) lines.push_back("cached " + cell + " " + value);
                } else if (!value.empty()) {
                    lines.push_back(cell + " " + value);
                }
            }
        }
        for (int col = sheet.firstColumn(); col < sheet.lastColumn(); ++col)
            if (sheet.columnIsHidden(col)) lines.push_back("hidden column " + name + " " + columnName(col));
    }
    return lines;
}

BookPtr loadedFile(const fs::path& path) {
    BookPtr book(createXmlBook());
    EXPECT_TRUE(book->load(utf8ToUtf16(path.string()).c_str())) << path << ": " << book->errorMessage();
    return book;
}

// A difference between what openpyxl wrote and what a converting program writes
// back, which is the program's doing, not ours.
struct Rewritten {
    const char* from;
    std::vector<const char*> to;
};

std::vector<std::string> rewritten(const std::vector<std::string>& lines, const std::vector<Rewritten>& changes) {
    std::vector<std::string> result;
    for (const std::string& line : lines) {
        auto change = std::find_if(changes.begin(), changes.end(), [&](const Rewritten& c) { return line == c.from; });
        if (change == changes.end()) result.push_back(line);
        else result.insert(result.end(), change->to.begin(), change->to.end());
    }
    return result;
}

// Lines of program output that say nothing about the file.
bool isChatter(const std::string& line) {
    return line.empty() || startsWith(line, "convert ") || startsWith(line, "Writing sheet ") ||
           startsWith(line, "Warning: failed to launch javaldx");
}

std::string complaints(const std::string& output) {
    std::string kept;
    for (const std::string& line : splitLines(output))
        if (!isChatter(line)) kept += line + "\n";
    return kept;
}

class ConsumerXlsx : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("karvo_consumer_xlsx_" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path path(const std::string& name) const { return dir_ / name; }

    // Runs a command with the time limit; its output, stderr included.
    std::string run(const std::string& command, int& status) { return runCommand(kTimeout + command, status); }

    std::string soffice(const std::string& filter, const fs::path& input, const fs::path& outdir, int& status) {
        // A private profile, so that a running instance or another test's profile plays no part.
        return run("soffice -env:UserInstallation=file://" + path("profile").string() + " --headless --convert-to '" +
                       filter + "' --outdir " + quoted(outdir) + " " + quoted(input),
                   status);
    }

    // Runs openpyxl_write.py; what it says it wrote.
    std::vector<std::string> openpyxlWrites(const fs::path& file) {
        int status = 0;
        const std::string said = run("/usr/bin/python3 " + kScripts + "openpyxl_write.py " + quoted(file), status);
        EXPECT_EQ(status, 0) << said;
        return splitLines(said);
    }

    fs::path dir_;
};

// ---- our files, read by others ----

TEST_F(ConsumerXlsx, OpenpyxlReadsWhatWeWrite) {
    if (!hasOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed: openpyxl check skipped";
    const fs::path ours = path("ours.xlsx");
    ASSERT_NO_FATAL_FAILURE(writeBook(ours));
    int status = 0;
    const std::string seen = run("/usr/bin/python3 " + kScripts + "openpyxl_dump.py " + quoted(ours), status);
    ASSERT_EQ(status, 0) << seen;
    expectSameLines(splitLines(seen), expectedOpenpyxl(ours));
}

TEST_F(ConsumerXlsx, OpenpyxlAndLibreOfficeReadSheetFeatures) {
    if (!hasOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed: openpyxl check skipped";
    const fs::path ours = path("features.xlsx");
    {
        BookPtr book(createXmlBook());
        ISheet* data = book->addSheet(u"Data");
        ISheet* other = book->addSheet(u"My Sheet");
        ASSERT_TRUE(data->addMerge(1, 3, 1, 2));
        ASSERT_TRUE(data->setNamedRange(u"Prices", 1, 9, 0, 2));
        data->setPrintArea(0, 19, 0, 5);
        data->setPrintRepeatRows(0, 1);
        data->setPrintRepeatColumns(0, 0);
        data->splitPanes(1, 2);
        data->setLandscape(true);
        ASSERT_TRUE(data->setRowBreak(10, true));
        ASSERT_TRUE(data->setColumnBreak(4, true));
        ASSERT_TRUE(data->groupRows(4, 5, true));
        data->setProtected(true);
        ASSERT_TRUE(other->setNamedRange(u"Cell", 0, 0, 0, 0));
        other->splitPanes(2, 0);
        ASSERT_TRUE(book->save(utf8ToUtf16(ours.string()).c_str())) << book->errorMessage();
    }
    auto features = [&](const fs::path& file) {
        int status = 0;
        const std::string seen = run("/usr/bin/python3 " + kScripts + "openpyxl_dump.py " + quoted(file), status);
        EXPECT_EQ(status, 0) << seen;
        static const char* const kFeatures[] = {"merged ", "frozen ", "name ", "print ", "orientation ",
                                                "row break ", "column break ", "outline ", "protected "};
        std::vector<std::string> lines;
        for (const std::string& line : splitLines(seen))
            if (std::any_of(std::begin(kFeatures), std::end(kFeatures), [&](const char* f) { return startsWith(line, f); }))
                lines.push_back(line);
        return lines;
    };
    const std::vector<std::string> expected = {
        "merged Data B2:C4", "frozen Data C2", "name Data Prices Data!$A$2:$C$10", "print area Data A1:F20",
        "print titles Data 1:2 A:A", "orientation Data landscape", "row break Data 10", "column break Data 4",
        "outline row Data 5 1", "outline row Data 6 1", "protected Data", "name My Sheet Cell 'My Sheet'!$A$1",
        "frozen My Sheet A3"};
    expectSameLines(features(ours), expected);

    if (!installed("soffice")) GTEST_SKIP() << "soffice (libreoffice) is not installed: LibreOffice's check skipped";
    int status = 0;
    const std::string said = soffice("xlsx", ours, path("lo"), status);
    ASSERT_EQ(status, 0) << said;
    // A headless conversion keeps no frozen panes, of any producer's file, and states
    // the default orientation.
    std::vector<std::string> converted = {"orientation My Sheet portrait"};
    for (const std::string& line : expected)
        if (!startsWith(line, "frozen ")) converted.push_back(line);
    expectSameLines(features(path("lo") / "features.xlsx"), converted);
}

// What openpyxl_write_features.py writes, as the interfaces report it. LibreOffice's
// rewrite of the same file reports the same but the frozen pane, which a headless
// conversion drops.
void expectOpenpyxlFeatures(IBook& book, bool withPane) {
    ISheet* sheet = book.getSheet(0);
    ASSERT_NE(sheet, nullptr);
    int r0 = -1, r1 = -1, c0 = -1, c1 = -1;
    EXPECT_TRUE(sheet->mergeAt(2, 2, &r0, &r1, &c0, &c1)) << book.errorMessage();
    EXPECT_EQ((std::vector<int>{r0, r1, c0, c1}), (std::vector<int>{1, 3, 1, 2}));
    EXPECT_TRUE(sheet->namedRange(u"Prices", &r0, &r1, &c0, &c1)) << book.errorMessage();
    EXPECT_EQ((std::vector<int>{r0, r1, c0, c1}), (std::vector<int>{1, 9, 0, 2}));
    EXPECT_TRUE(sheet->isLandscape());
    EXPECT_TRUE(sheet->isProtected());
    ASSERT_EQ(sheet->rowBreakCount(), 1);
    EXPECT_EQ(sheet->rowBreakAt(0), 10);
    ASSERT_EQ(sheet->columnBreakCount(), 1);
    EXPECT_EQ(sheet->columnBreakAt(0), 4);
    ASSERT_EQ(sheet->pictureCount(), 1) << book.errorMessage();
    int rowTop = 0, colLeft = 0, rowBottom = 0, colRight = 0, width = 0, height = 0, x = 0, y = 0;
    int id = sheet->pictureAt(0, &rowTop, &colLeft, &rowBottom, &colRight, &width, &height, &x, &y);
    EXPECT_EQ(id, 0) << book.errorMessage();
    EXPECT_EQ((std::vector<int>{rowTop, colLeft, width, height}), (std::vector<int>{1, 4, 4, 3}));
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_EQ(book.pictureAt(0, &data, &size), PictureTypePng);
    const std::string xml = entry(savedEntries(book), "xl/worksheets/sheet1.xml");
    if (withPane) {
        EXPECT_NE(xml.find("state=\"frozen\""), std::string::npos) << xml;
    }
}

TEST_F(ConsumerXlsx, WeReadOpenpyxlsAndLibreOfficesFeaturesAndPictures) {
    int status = 0;
    std::string said = run("/usr/bin/python3 " + kScripts + "openpyxl_write_features.py " + quoted(path("op.xlsx")), status);
    if (status == kScriptModuleMissing) GTEST_SKIP() << "openpyxl or python3-pil is not installed: check skipped";
    ASSERT_EQ(status, 0) << said;
    BookPtr book = loadedFile(path("op.xlsx"));
    {
        SCOPED_TRACE("openpyxl");
        expectOpenpyxlFeatures(*book, true);
    }
    if (!installed("soffice")) GTEST_SKIP() << "soffice (libreoffice) is not installed: LibreOffice's check skipped";
    said = soffice("xlsx", path("op.xlsx"), path("lo"), status);
    ASSERT_EQ(status, 0) << said;
    BookPtr converted = loadedFile(path("lo") / "op.xlsx");
    SCOPED_TRACE("LibreOffice");
    expectOpenpyxlFeatures(*converted, false);
}

// Two pictures on one sheet and one on another: openpyxl finds them where we put
// them, in our file and in LibreOffice's rewrite of it.
TEST_F(ConsumerXlsx, OpenpyxlAndLibreOfficeFindOurPictures) {
    const fs::path ours = path("pictures.xlsx");
    {
        BookPtr book(createXmlBook());
        ISheet* one = book->addSheet(u"One");
        ISheet* two = book->addSheet(u"Two");
        auto add = [&](const std::vector<std::uint8_t>& image) {
            return book->addPictureData(reinterpret_cast<const char*>(image.data()), image.size());
        };
        int png = add(makePng(40, 30));
        int bmp = add(makeBmp(7, 5));
        one->placePictureSized(1, 1, png, 100, 45, 0, 0);
        one->placePictureScaled(6, 3, bmp, 1.0, 0, 0);
        two->placePictureScaled(3, 0, png, 1.0, 0, 0);
        ASSERT_TRUE(book->save(utf8ToUtf16(ours.string()).c_str())) << book->errorMessage();
    }
    auto pictures = [&](const fs::path& file) {
        int status = 0;
        std::string seen = run("/usr/bin/python3 " + kScripts + "openpyxl_pictures.py " + quoted(file), status);
        return std::make_pair(status, splitLines(seen));
    };
    auto [status, seen] = pictures(ours);
    if (status == kScriptModuleMissing) GTEST_SKIP() << "openpyxl or python3-pil is not installed: check skipped";
    ASSERT_EQ(status, 0);
    const std::vector<std::string> expected = {"picture One TwoCellAnchor 1,1 2,3 png 40x30",
                                               "picture One TwoCellAnchor 3,6 3,6 bmp 7x5",
                                               "picture Two TwoCellAnchor 0,3 0,4 png 40x30"};
    expectSameLines(seen, expected);

    if (!installed("soffice")) GTEST_SKIP() << "soffice (libreoffice) is not installed: LibreOffice's check skipped";
    std::string said = soffice("xlsx", ours, path("lo"), status);
    ASSERT_EQ(status, 0) << said;
    auto [loStatus, converted] = pictures(path("lo") / "pictures.xlsx");
    ASSERT_EQ(loStatus, 0);
    expectSameLines(converted, expected);
}

TEST_F(ConsumerXlsx, GnumericReadsWhatWeWrite) {
    if (!installed("ssconvert")) GTEST_SKIP() << "ssconvert (gnumeric) is not installed: Gnumeric check skipped";
    const fs::path ours = path("ours.xlsx");
    ASSERT_NO_FATAL_FAILURE(writeBook(ours));
    int status = 0;
    // Raw values: numbers and dates unformatted, in full precision; formulas recomputed.
    std::string said = run("ssconvert --recalc -S -T Gnumeric_stf:stf_assistant -O 'format=raw' " + quoted(ours) + " " +
                               quoted(path("gnumeric.%n.csv")),
                           status);
    ASSERT_EQ(status, 0) << said;
    EXPECT_EQ(said, "") << "Gnumeric complained about our file";
    std::vector<fs::path> files;
    for (std::size_t i = 0; i < std::size(kSheets); ++i) files.push_back(path("gnumeric." + std::to_string(i) + ".csv"));
    // Numbers are stored with 15 significant digits, which leaves the time of a date
    // off by microseconds; the date must be right to the second.
    expectCsv(files, [](const std::string& field, const Date&, double serial) {
        return std::abs(std::strtod(field.c_str(), nullptr) - serial) * 86400 < 0.5;
    });

    // Its own file format shows sheet visibility and hidden rows and columns.
    said = run("ssconvert -T Gnumeric_XmlIO:sax:0 " + quoted(ours) + " " + quoted(path("gnumeric.xml")), status);
    ASSERT_EQ(status, 0) << said;
    EXPECT_EQ(said, "") << "Gnumeric complained about our file";
    const std::string layout = run("/usr/bin/python3 " + kScripts + "gnumeric_layout.py " + quoted(path("gnumeric.xml")), status);
    ASSERT_EQ(status, 0) << layout;
    expectSameLines(splitLines(layout), expectedLayout());
}

TEST_F(ConsumerXlsx, LibreOfficeReadsWhatWeWrite) {
    if (!installed("soffice")) GTEST_SKIP() << "soffice (libreoffice) is not installed: LibreOffice check skipped";
    const fs::path ours = path("ours.xlsx");
    ASSERT_NO_FATAL_FAILURE(writeBook(ours));
    int status = 0;
    // Options: ",", '"', UTF-8, from line 1, standard columns, English (USA), no quotes
    // forced, special numbers detected, values rather than as shown, results rather
    // than formulas, spaces kept, every sheet to <book>-<sheet>.csv.
    std::string said = soffice("csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,true,false,false,false,-1", ours,
                               path("csv"), status);
    ASSERT_EQ(status, 0) << said;
    EXPECT_EQ(complaints(said), "");
    std::vector<fs::path> files;
    for (const Sheet& sheet : kSheets) files.push_back(path("csv") / ("ours-" + utf8(sheet.name) + ".csv"));
    // Dates are shown in the default form of their kind for the language chosen.
    expectCsv(files, [](const std::string& field, const Date& d, double) {
        return field == (d.hour || d.minute ? printed("%04d-%02d-%02d %02d:%02d:00", d.year, d.month, d.day, d.hour, d.minute)
                                            : printed("%02d/%02d/%04d", d.month, d.day, d.year));
    });

    // Sheet visibility and hidden rows and columns, through its .xlsx and openpyxl.
    if (!hasOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed: LibreOffice's layout check skipped";
    said = soffice("xlsx", ours, path("xlsx"), status);
    ASSERT_EQ(status, 0) << said;
    const std::string seen =
        run("/usr/bin/python3 " + kScripts + "openpyxl_dump.py " + quoted(path("xlsx") / "ours.xlsx"), status);
    ASSERT_EQ(status, 0) << seen;
    std::vector<std::string> layout;
    for (const std::string& line : splitLines(seen))
        if (startsWith(line, "sheet ") || startsWith(line, "hidden ")) layout.push_back(line);
    // LibreOffice has no very hidden state; it keeps such a sheet hidden.
    expectSameLines(layout, rewritten(expectedLayout(), {{"sheet 4 Very hidden veryHidden", {"sheet 4 Very hidden hidden"}}}));
}

// ---- their files, read by us ----

TEST_F(ConsumerXlsx, WeReadWhatOpenpyxlWrites) {
    if (!hasOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed: openpyxl check skipped";
    std::vector<std::string> wrote;
    for (const std::string& line : openpyxlWrites(path("openpyxl.xlsx")))
        if (!startsWith(line, "cached ")) wrote.push_back(line);  // openpyxl computes nothing
    BookPtr book = loadedFile(path("openpyxl.xlsx"));
    expectSameLines(ourReading(*book), wrote);
}

TEST_F(ConsumerXlsx, WeReadWhatGnumericWrites) {
    if (!installed("ssconvert")) GTEST_SKIP() << "ssconvert (gnumeric) is not installed: Gnumeric check skipped";
    if (!hasOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed: it writes Gnumeric's input";
    const std::vector<std::string> wrote = openpyxlWrites(path("openpyxl.xlsx"));
    int status = 0;
    // What it says is not checked: it objects to the empty workbookProtection that
    // openpyxl writes, which is no business of ours.
    const std::string said = run("ssconvert " + quoted(path("openpyxl.xlsx")) + " " + quoted(path("gnumeric.xlsx")), status);
    ASSERT_EQ(status, 0) << said;
    BookPtr book = loadedFile(path("gnumeric.xlsx"));
    // Gnumeric's .xlsx writer gives no sheet a state (its own format keeps them).
    expectSameLines(ourReading(*book), rewritten(wrote, {{"sheet 2 Hidden hidden", {"sheet 2 Hidden visible"}},
                                                         {"sheet 3 Very hidden veryHidden", {"sheet 3 Very hidden visible"}}}));
}

TEST_F(ConsumerXlsx, WeReadWhatLibreOfficeWrites) {
    if (!installed("soffice")) GTEST_SKIP() << "soffice (libreoffice) is not installed: LibreOffice check skipped";
    if (!hasOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed: it writes LibreOffice's input";
    const std::vector<std::string> wrote = openpyxlWrites(path("openpyxl.xlsx"));
    int status = 0;
    const std::string said = soffice("xlsx", path("openpyxl.xlsx"), path("lo"), status);
    ASSERT_EQ(status, 0) << said;
    BookPtr book = loadedFile(path("lo") / "openpyxl.xlsx");
    // LibreOffice has no very hidden state, and writes a constant boolean or error as
    // a formula with its result: <c t="b"><f>TRUE()</f><v>1</v></c>.
    const std::vector<Rewritten> changes = {
        {"sheet 3 Very hidden veryHidden", {"sheet 3 Very hidden hidden"}},
        {"Values!C1 bool true", {"Values!C1 formula TRUE()", "cached Values!C1 bool true"}},
        {"Values!C2 bool false", {"Values!C2 formula FALSE()", "cached Values!C2 bool false"}},
        {"Values!E1 error #N/A", {"Values!E1 formula #N/A", "cached Values!E1 error #N/A"}},
        {"Values!E2 error #DIV/0!", {"Values!E2 formula #DIV/0!", "cached Values!E2 error #DIV/0!"}},
    };
    expectSameLines(ourReading(*book), rewritten(wrote, changes));
}

} // namespace
} // namespace karvo::testing

// ---- formats and fonts ----

namespace karvo::testing {
namespace {

// Three cells with every format and font property a consumer shows, in RGB mode;
// the lines are what openpyxl_styles.py must print for them.
void writeStyledBook(const fs::path& file) {
    BookPtr book(createXmlBook());
    ISheet* sheet = book->addSheet(u"Styled");
    book->setRgbColorMode(true);
    auto rgb = [&](int r, int g, int b) { return book->packColor(r, g, b); };

    IFormat* first = book->addFormat();
    IFont* bold = book->addFont();
    bold->setName(u"Arial");
    bold->setSize(14);
    bold->setBold(true);
    bold->setColor(rgb(255, 0, 0));
    first->setFont(bold);
    first->setFillPattern(FillSolid);
    first->setPatternForegroundColor(rgb(0x12, 0x34, 0x56));
    first->setBorder(BorderThin);
    first->setBorderColor(rgb(0, 255, 0));
    first->setAlignH(AlignHCenter);
    first->setAlignV(AlignVCenter);
    first->setWrap(true);
    first->setNumFormat(2);
    sheet->writeNumber(0, 0, 1.5, first);

    IFormat* second = book->addFormat();
    IFont* fancy = book->addFont();
    fancy->setItalic(true);
    fancy->setStrikeOut(true);
    fancy->setUnderline(UnderlineDouble);
    fancy->setScript(ScriptSuper);
    second->setFont(fancy);
    second->setFillPattern(FillDiagonalCrosshatch);
    second->setPatternForegroundColor(rgb(255, 128, 0));
    second->setPatternBackgroundColor(rgb(0, 0, 255));
    second->setBorderLeft(BorderThick);
    second->setBorderRight(BorderDashDot);
    second->setBorderTop(BorderDouble);
    second->setBorderBottom(BorderHair);
    second->setBorderDiagonal(BorderDiagonalBoth);
    second->setBorderDiagonalStyle(BorderMedium);
    second->setAlignH(AlignHRight);
    second->setAlignV(AlignVTop);
    second->setRotation(45);
    second->setIndent(2);
    second->setLocked(false);
    second->setHidden(true);
    second->setNumFormat(book->addCustomNumFormat(u"yyyy-mm-dd"));
    sheet->writeNumber(1, 0, 36526, second);

    IFormat* third = book->addFormat();
    IFont* plain = book->addFont();
    plain->setUnderline(UnderlineSingleAccounting);
    plain->setScript(ScriptSub);
    third->setFont(plain);
    third->setAlignH(AlignHFill);
    third->setAlignV(AlignVJustify);
    third->setRotation(255);
    third->setShrinkToFit(true);
    sheet->writeString(2, 0, u"x", third);
    ASSERT_TRUE(book->save(utf8ToUtf16(file.string()).c_str())) << book->errorMessage();
}

const std::vector<std::string> kStyledLines = {
    "A1 font Arial 14 b1 i0 s0 u=none va=none FFFF0000",
    "A1 fill solid FF123456 00000000",  // openpyxl's colour when there is none
    "A1 border thin/FF00FF00 thin/FF00FF00 thin/FF00FF00 thin/FF00FF00 diagonal none/none up0 down0",
    "A1 align center center wrap1 rot0 indent0 shrink0",
    "A1 protection locked1 hidden0",
    "A1 numfmt 0.00",
    "A2 font Calibri 11 b0 i1 s1 u=double va=superscript none",
    "A2 fill darkGrid FFFF8000 FF0000FF",
    "A2 border thick/none dashDot/none double/none hair/none diagonal medium/none up1 down1",
    "A2 align right top wrap0 rot45 indent2 shrink0",
    "A2 protection locked0 hidden1",
    "A2 numfmt yyyy-mm-dd",
    "A3 font Calibri 11 b0 i0 s0 u=singleAccounting va=subscript none",
    "A3 align fill justify wrap0 rot255 indent0 shrink1",
    "A3 protection locked1 hidden0",
    "A3 numfmt General",
    "A3 border none/none none/none none/none none/none diagonal none/none up0 down0",
};

std::vector<std::string> openpyxlStyles(const fs::path& file) {
    int status = 0;
    std::string seen = runCommand(kTimeout + "/usr/bin/python3 " + kScripts + "openpyxl_styles.py " + quoted(file), status);
    EXPECT_EQ(status, 0) << seen;
    return splitLines(seen);
}

TEST_F(ConsumerXlsx, OpenpyxlAndLibreOfficeSeeOurStyles) {
    if (!hasOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed: style check skipped";
    const fs::path ours = path("styled.xlsx");
    ASSERT_NO_FATAL_FAILURE(writeStyledBook(ours));
    expectSameLines(openpyxlStyles(ours), kStyledLines);

    if (!installed("soffice")) GTEST_SKIP() << "soffice (libreoffice) is not installed: LibreOffice's style check skipped";
    int status = 0;
    std::string said = soffice("xlsx", ours, path("lo"), status);
    ASSERT_EQ(status, 0) << said;
    // What LibreOffice cannot show it writes as the nearest thing it can: patterns as
    // solid blends, accounting underlines as plain ones; it drops superscript from
    // cell fonts, turns justified vertical alignment into wrapped text, and quotes
    // the dashes of a date format.
    const std::vector<Rewritten> changes = {
        {"A1 fill solid FF123456 00000000", {"A1 fill solid FF123456 FF333333"}},
        {"A2 fill darkGrid FFFF8000 FF0000FF", {"A2 fill solid FF7F4080 FF993366"}},
        {"A2 font Calibri 11 b0 i1 s1 u=double va=superscript none", {"A2 font Calibri 11 b0 i1 s1 u=double va=none none"}},
        {"A2 numfmt yyyy-mm-dd", {"A2 numfmt yyyy\\-mm\\-dd"}},
        {"A3 align fill justify wrap0 rot255 indent0 shrink1", {"A3 align fill bottom wrap1 rot255 indent0 shrink1"}},
        {"A3 font Calibri 11 b0 i0 s0 u=singleAccounting va=subscript none",
         {"A3 font Calibri 11 b0 i0 s0 u=single va=subscript none"}},
    };
    expectSameLines(openpyxlStyles(path("lo") / "styled.xlsx"), rewritten(kStyledLines, changes));
}

// The same three cells written by openpyxl, read through the interfaces.
TEST_F(ConsumerXlsx, WeReadOpenpyxlsStyles) {
    if (!hasOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed: style check skipped";
    int status = 0;
    std::string said = run("/usr/bin/python3 " + kScripts + "openpyxl_styles.py write " + quoted(path("op.xlsx")), status);
    ASSERT_EQ(status, 0) << said;
    BookPtr book = loadedFile(path("op.xlsx"));
    book->setRgbColorMode(true);
    ISheet* sheet = book->getSheet(0);
    IFormat* a1 = sheet->cellFormat(0, 0);
    IFormat* a2 = sheet->cellFormat(1, 0);
    IFormat* a3 = sheet->cellFormat(2, 0);
    ASSERT_TRUE(a1 && a2 && a3) << book->errorMessage();
    EXPECT_EQ(std::u16string(a1->font()->name()), u"Arial");
    EXPECT_EQ(a1->font()->size(), 14);
    EXPECT_TRUE(a1->font()->bold());
    EXPECT_EQ(a1->font()->color(), book->packColor(255, 0, 0));
    EXPECT_EQ(a1->fillPattern(), FillSolid);
    EXPECT_EQ(a1->patternForegroundColor(), book->packColor(0x12, 0x34, 0x56));
    EXPECT_EQ(a1->borderBottom(), BorderThin);
    EXPECT_EQ(a1->borderLeftColor(), book->packColor(0, 255, 0));
    EXPECT_EQ(a1->alignH(), AlignHCenter);
    EXPECT_EQ(a1->alignV(), AlignVCenter);
    EXPECT_TRUE(a1->wrap());
    EXPECT_EQ(a1->numFormat(), 2);

    EXPECT_TRUE(a2->font()->italic());
    EXPECT_TRUE(a2->font()->strikeOut());
    EXPECT_EQ(a2->font()->underline(), UnderlineDouble);
    EXPECT_EQ(a2->font()->script(), ScriptSuper);
    EXPECT_EQ(a2->fillPattern(), FillDiagonalCrosshatch);
    EXPECT_EQ(a2->patternBackgroundColor(), book->packColor(0, 0, 255));
    EXPECT_EQ(a2->borderLeft(), BorderThick);
    EXPECT_EQ(a2->borderRight(), BorderDashDot);
    EXPECT_EQ(a2->borderTop(), BorderDouble);
    EXPECT_EQ(a2->borderBottom(), BorderHair);
    EXPECT_EQ(a2->borderDiagonal(), BorderDiagonalBoth);
    EXPECT_EQ(a2->borderDiagonalStyle(), BorderMedium);
    EXPECT_EQ(a2->alignH(), AlignHRight);
    EXPECT_EQ(a2->alignV(), AlignVTop);
    EXPECT_EQ(a2->rotation(), 45);
    EXPECT_EQ(a2->indent(), 2);
    EXPECT_FALSE(a2->locked());
    EXPECT_TRUE(a2->hidden());
    EXPECT_EQ(std::u16string(book->customNumFormat(a2->numFormat())), u"yyyy-mm-dd");
    EXPECT_TRUE(sheet->cellIsDate(1, 0));

    EXPECT_EQ(a3->font()->underline(), UnderlineSingleAccounting);
    EXPECT_EQ(a3->font()->script(), ScriptSub);
    EXPECT_EQ(a3->alignH(), AlignHFill);
    EXPECT_EQ(a3->alignV(), AlignVJustify);
    EXPECT_EQ(a3->rotation(), 255);
    EXPECT_TRUE(a3->shrinkToFit());
    EXPECT_STREQ(book->errorMessage(), "ok");
}

} // namespace
} // namespace karvo::testing
