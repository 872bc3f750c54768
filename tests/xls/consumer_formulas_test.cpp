// consumer_formulas_test.cpp - formulas we write, computed by two independent
// spreadsheet programs that recalculate on conversion to CSV: what they compute must
// be what the formula text says.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "core/book_factory.h"
#include "core/interfaces.h"
#include "core/utf_convert.h"
#include "support/book_bytes.h"

using namespace karvo;

namespace {

// LibreOffice can hang on start-up; a converter that takes this long is stopped.
constexpr auto kConverterTimeout = std::chrono::seconds(120);

/// One formula on sheet Calc, column A, with the value it computes as the CSV shows it.
/// The inputs: Calc C1:C3 = 2, 3, 4 and D1:D3 = 10, -5, 0.5; 'My Data'!B1:B3 = 1, 100,
/// 1000; Data!A1 = 7. Logical results are `logical`: LibreOffice writes them as 1 and
/// 0 in a cell of general format, Gnumeric as TRUE and FALSE.
struct Case {
    const char16_t* formula;
    const char* value;
    bool logical = false;
};

const Case kCases[] = {
    // arithmetic: precedence, associativity, unary minus and plus, percent, parentheses
    {u"1+2*3", "7"},
    {u"(1+2)*3", "9"},
    {u"10-4-3", "3"},
    {u"7/2", "3.5"},
    {u"2^3^2", "64"},
    {u"-2^2", "4"},
    {u"-C1+10", "8"},
    {u"+C1", "2"},
    {u"-(C1+C2)", "-5"},
    {u"SUM(C1:C3)*-1", "-9"},
    {u"C1*25%+1", "1.5"},
    {u"(C3*25)%", "1"},
    {u"C1+C2*C3-D1/D3", "-6"},
    // strings: concatenation, quotes and separators inside
    {u"\"a\"&\"b\"&1", "ab1"},
    {u"\"say \"\"hi\"\"; ok, (x)\"", "say \"hi\"; ok, (x)"},
    {u"LEN(\"a;b,c\")", "5"},
    {u"SUBSTITUTE(\"a,b;c\";\",\";\";\")", "a;b;c"},
    // comparisons and booleans
    {u"1<2", "TRUE", true},
    {u"2<=2", "TRUE", true},
    {u"3=4", "FALSE", true},
    {u"3>=4", "FALSE", true},
    {u"5>4", "TRUE", true},
    {u"5<>5", "FALSE", true},
    {u"\"a\"<\"b\"", "TRUE", true},
    {u"TRUE", "TRUE", true},
    {u"NOT(FALSE)", "TRUE", true},
    // integers (PtgInt up to 65535) and doubles
    {u"65535+1", "65536"},
    {u"12345.5*2", "24691"},
    {u"0.25*8", "2"},
    // references with every "$" combination, and on other sheets
    {u"$C$1+C$2+$C3+C1", "11"},
    {u"SUM($C$1:C3)", "9"},
    {u"'My Data'!B2+Data!A1", "107"},
    {u"SUM('My Data'!B1:B3)", "1101"},
    {u"SUM('My Data'!$B$1:$B$2)", "101"},
    {u"Data!$A$1*2", "14"},
    // functions with a fixed number of arguments
    {u"ROUND(D3*3;0)", "2"},
    {u"ABS(D2)", "5"},
    {u"MOD(7;3)", "1"},
    {u"MID(\"hello\";2;3)", "ell"},
    {u"POWER(2;10)", "1024"},
    {u"SQRT(16)", "4"},
    {u"LOG10(1)", "0"}, // exact: Gnumeric gives LOG10(1000) as 3.0000000000000000002
    {u"COS(0)", "1"},
    // functions with a variable number of arguments, separated by ";" or ","
    {u"SUM(C1:C3)", "9"},
    {u"SUM(C1,C2,5)", "10"},
    {u"MAX(C1:C3;D1)", "10"},
    {u"AVERAGE(C1:C3)", "3"},
    {u"COUNT(C1:D3)", "6"},
    {u"CONCATENATE(\"a\";\"b\";\"c\")", "abc"},
    {u"IF(C1>1;\"big\";\"small\")", "big"},
    {u"CHOOSE(2;\"x\";\"y\")", "y"},
    {u"OFFSET(C1;1;0)", "3"},
    {u"VLOOKUP(3;C2:D3;2;FALSE)", "-5"},
    {u"INDEX(C1:D3;2;2)", "-5"},
    {u"TODAY()>40000", "TRUE", true},
    // nested calls
    {u"ROUND(AVERAGE(C1:C3)*D3;1)", "1.5"},
    {u"IF(AND(C1>0;OR(FALSE;C2=3));MAX(C1;C2);MIN(-1;C3))", "3"},
    {u"IF(C1=2;IF(C2=3;\"both\";\"one\");\"none\")", "both"},
    {u"SUM(C1:C3)/COUNT(C1:C3)", "3"},
    // missing arguments count as 0, a missing else as FALSE
    {u"IF(TRUE;;1)", "0"},
    {u"IF(FALSE;1;)", "0"},
    {u"SUM(C1;;C2)", "5"},
    {u"IF(C1>5;1)", "FALSE", true},
};

bool installed(const char* program) {
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// Runs a shell command in a process group of its own, so that on a timeout every
// process it started (LibreOffice starts several) is stopped. True when it exited 0.
bool runWithTimeout(const std::string& command) {
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (child < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + kConverterTimeout;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(-child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The first field of each line of a CSV file, quotes undone.
std::vector<std::string> firstColumn(const std::filesystem::path& csv) {
    std::vector<std::string> values;
    std::ifstream in(csv);
    for (std::string line; std::getline(in, line);) {
        std::string field;
        bool quoted = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') field += line[++i];
            else if (c == '"') quoted = !quoted;
            else if (c == ',' && !quoted) break;
            else field += c;
        }
        values.push_back(field);
    }
    return values;
}

class ConsumerFormulas : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("karvo_consumer_formulas_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        book_ = dir_ / "formulas.xls";
        karvo::testing::BookPtr book(createBinaryBook());
        ISheet* calc = book->addSheet(u"Calc");
        ISheet* myData = book->addSheet(u"My Data");
        ISheet* data = book->addSheet(u"Data");
        const double c[] = {2, 3, 4}, d[] = {10, -5, 0.5}, b[] = {1, 100, 1000};
        for (int row = 0; row < 3; ++row) {
            calc->writeNumber(row, 2, c[row]);
            calc->writeNumber(row, 3, d[row]);
            myData->writeNumber(row, 1, b[row]);
        }
        data->writeNumber(0, 0, 7);
        int row = 0;
        for (const Case& one : kCases)
            ASSERT_TRUE(calc->writeFormula(row++, 0, one.formula)) << utf16ToUtf8(one.formula) << ": " << book->errorMessage();
        ASSERT_TRUE(book->save(utf8ToUtf16(book_.string()).c_str())) << book->errorMessage();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void expectComputed(const std::filesystem::path& csv, bool logicalAsNumbers) {
        ASSERT_TRUE(std::filesystem::exists(csv)) << csv;
        const std::vector<std::string> values = firstColumn(csv);
        ASSERT_GE(values.size(), std::size(kCases));
        for (std::size_t i = 0; i < std::size(kCases); ++i) {
            std::string expected = kCases[i].value;
            if (kCases[i].logical && logicalAsNumbers) expected = expected == "TRUE" ? "1" : "0";
            EXPECT_EQ(values[i], expected) << "row " << i + 1 << ": " << utf16ToUtf8(kCases[i].formula);
        }
    }

    std::filesystem::path dir_;
    std::filesystem::path book_;
};

TEST_F(ConsumerFormulas, GnumericComputesThem) {
    if (!installed("ssconvert")) GTEST_SKIP() << "ssconvert (gnumeric) is not installed: check skipped";
    // -S writes one file per sheet, %n the sheet's number; --recalc ignores cached results.
    const std::string command = "ssconvert --recalc -S '" + book_.string() + "' '" + (dir_ / "gnumeric.%n.csv").string() +
                                "' >/dev/null 2>&1";
    ASSERT_TRUE(runWithTimeout(command)) << command;
    expectComputed(dir_ / "gnumeric.0.csv", false);
}

TEST_F(ConsumerFormulas, LibreOfficeComputesThem) {
    if (!installed("libreoffice")) GTEST_SKIP() << "libreoffice is not installed: check skipped";
    // A private profile, so that a running instance or a damaged profile of the user
    // plays no part; the last filter option (-1) exports every sheet as <book>-<sheet>.csv.
    const std::string command = "libreoffice -env:UserInstallation=file://" + (dir_ / "profile").string() +
                                " --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,"
                                "false,false,false,-1' --outdir '" + dir_.string() + "' '" + book_.string() +
                                "' >/dev/null 2>&1";
    ASSERT_TRUE(runWithTimeout(command)) << command;
    expectComputed(dir_ / "formulas-Calc.csv", true);
}

} // namespace
