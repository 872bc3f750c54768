// xlsx_bench.cpp - one step of the Open XML benchmark per process, so that the peak
// memory `/usr/bin/time -f %M` reports belongs to that step alone.
//
//   xlsx_bench write W1|W2 out.xlsx   fill a sheet of a new Open XML book, then save
//   xlsx_bench read  W1|W2 in.xlsx    load, then cellType and readNumber/readString every cell
//   xlsx_bench floor W1|W2 in.xlsx    inflate the worksheet part and count its '<'
//   xlsx_bench floor-all W1|W2 in.xlsx  the same over every part of the archive
//
// Workloads (the generator is shared with bench/openpyxl_bench.py and
// bench/xlsxwriter_bench.c, so every tool writes the same values):
//   W1: 100,000 rows x 10 columns. Columns 0-4 are numbers, integers in even columns
//       and fractions in odd ones; columns 5-9 are texts, where a cell with even
//       row + column takes one of 1,000 repeated texts and the others are unique.
//   W2: 1,000,000 rows x 4 numbers, integers in even columns and fractions in odd ones.
//
// The seconds printed are those of the step inside the process (the load of the
// program itself is left out, as it is for the Python tools), elapsed and processor. Reads also print the
// cell count, the sum of the numbers and the count of text characters, which the
// driver compares across readers of the same file.
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <time.h>

#include "core/book_factory.h"
#include "core/file_io.h"
#include "core/utf_convert.h"
#include "zip/zip_archive.h"

using namespace karvo;

namespace {

using Clock = std::chrono::steady_clock;

struct Workload {
    const char* name;
    int rows;
    int numberColumns;
    int textColumns;
};
constexpr Workload kWorkloads[] = {{"W1", 100000, 5, 5}, {"W2", 1000000, 4, 0}};

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The processor time of the process: on a machine shared with other work it moves
// less than the elapsed time, which counts the waits for a processor too.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

[[noreturn]] void fail(const char* what, const char* why) {
    std::fprintf(stderr, "%s failed: %s\n", what, why);
    std::exit(1);
}

double numberAt(int row, int col) {
    return col % 2 == 0 ? double(row) * 10 + col : row * 0.37 + col / 7.0;
}

// Appends the decimal digits of `n`; the text is built in a reused buffer so that
// the generator adds no allocation of its own to the measured step.
void appendNumber(std::u16string& text, unsigned n) {
    char digits[16];
    char* end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    text.append(digits, end);
}

void textAt(int row, int col, std::u16string& text) {
    text.clear();
    if ((row + col) % 2 == 0) {
        text.append(u"repeated ");
        appendNumber(text, unsigned(row * 7 + col) % 1000);
    } else {
        text.append(u"unique ");
        appendNumber(text, unsigned(row) * 10 + unsigned(col));
    }
}

int writeStep(const Workload& w, const char* path) {
    double cpuStart = cpuSeconds();
    auto start = Clock::now();
    IBook* book = createXmlBook();
    if (!book) fail("createXmlBook", "no book");
    ISheet* sheet = book->addSheet(u"Data");
    if (!sheet) fail("addSheet", book->errorMessage());
    std::u16string text;
    for (int r = 0; r < w.rows; ++r) {
        for (int c = 0; c < w.numberColumns; ++c)
            if (!sheet->writeNumber(r, c, numberAt(r, c))) fail("writeNumber", book->errorMessage());
        for (int c = w.numberColumns; c < w.numberColumns + w.textColumns; ++c) {
            textAt(r, c, text);
            if (!sheet->writeString(r, c, text.c_str())) fail("writeString", book->errorMessage());
        }
    }
    auto filled = Clock::now();
    if (!book->save(utf8ToUtf16(path).c_str())) fail("save", book->errorMessage());
    double total = secondsSince(start), cpu = cpuSeconds() - cpuStart;
    double fill = std::chrono::duration<double>(filled - start).count();
    book->release();
    std::printf("time %.3f s cpu %.3f s (fill %.3f, save %.3f)\n", total, cpu, fill, total - fill);
    return 0;
}

int readStep(const char* path) {
    double cpuStart = cpuSeconds();
    auto start = Clock::now();
    IBook* book = createXmlBook();
    if (!book) fail("createXmlBook", "no book");
    if (!book->load(utf8ToUtf16(path).c_str())) fail("load", book->errorMessage());
    auto loaded = Clock::now();
    ISheet* sheet = book->getSheet(0);
    if (!sheet) fail("getSheet", book->errorMessage());
    double sum = 0;
    std::size_t cells = 0, characters = 0;
    int lastRow = sheet->lastRow(), lastColumn = sheet->lastColumn();
    for (int r = sheet->firstRow(); r < lastRow; ++r)
        for (int c = sheet->firstColumn(); c < lastColumn; ++c) {
            CellType type = sheet->cellType(r, c);
            if (type == CellNumber) {
                sum += sheet->readNumber(r, c);
                ++cells;
            } else if (type == CellString) {
                if (const char16_t* value = sheet->readString(r, c))
                    characters += std::char_traits<char16_t>::length(value);
                ++cells;
            }
        }
    double total = secondsSince(start), cpu = cpuSeconds() - cpuStart;
    double load = std::chrono::duration<double>(loaded - start).count();
    std::printf("time %.3f s cpu %.3f s (load %.3f, cells %.3f) cells %zu sum %.6f chars %zu\n", total, cpu, load,
                total - load, cells, sum, characters);
    book->release();
    return 0;
}

// What no loader can avoid: reading the file, inflating the parts and looking at
// every byte of them once. `all` takes every entry, otherwise the first worksheet.
int floorStep(const char* path, bool all) {
    double cpuStart = cpuSeconds();
    auto start = Clock::now();
    FileBytes bytes = readWholeFile(utf8ToUtf16(path).c_str(), "can't open file for reading");
    zip::CZipArchive archive(bytes);
    std::size_t lessThan = 0, inflated = 0;
    auto buffer = std::make_unique<char[]>(1 << 16);
    for (std::size_t i = 0; i < archive.entryCount(); ++i) {
        if (!all && archive.header(i).fileName != u"xl/worksheets/sheet1.xml") continue;
        std::unique_ptr<zip::CZipEntryReader> reader = archive.open(i);
        while (std::size_t n = reader->read(buffer.get(), 1 << 16)) {
            inflated += n;
            const char* end = buffer.get() + n;
            for (const char* p = buffer.get(); p < end; ++p, ++lessThan) {
                p = static_cast<const char*>(std::memchr(p, '<', std::size_t(end - p)));
                if (!p) break;
            }
        }
    }
    if (inflated == 0) fail("floor", "no worksheet part xl/worksheets/sheet1.xml");
    std::printf("time %.3f s cpu %.3f s (%zu bytes inflated, %zu '<')\n", secondsSince(start),
                cpuSeconds() - cpuStart, inflated, lessThan);
    return 0;
}

const Workload* findWorkload(const char* name) {
    for (const Workload& w : kWorkloads)
        if (std::strcmp(w.name, name) == 0) return &w;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    const Workload* w = argc == 4 ? findWorkload(argv[2]) : nullptr;
    if (!w) {
        std::fprintf(stderr, "usage: xlsx_bench write|read|floor|floor-all W1|W2 FILE.xlsx\n");
        return 2;
    }
    std::string mode = argv[1];
    try {
        if (mode == "write") return writeStep(*w, argv[3]);
        if (mode == "read") return readStep(argv[3]);
        if (mode == "floor") return floorStep(argv[3], false);
        if (mode == "floor-all") return floorStep(argv[3], true);
    } catch (const std::exception& e) {
        fail(mode.c_str(), e.what());
    }
    std::fprintf(stderr, "unknown mode %s\n", argv[1]);
    return 2;
}
