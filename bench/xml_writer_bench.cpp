// xml_writer_bench.cpp - marshals a worksheet-shaped document and prints MB/s.
//
//   build/bench/xml_writer_bench [rows] [repeats]
//
// Each row is <row r="N"> holding four <c r="A1"><v>1.5</v></c> cells, written with
// the default indentation through start_element, attribute_unescaped, text and
// end_element, the calls a generated worksheet class makes.
// The output string is reused between repeats, as a part writer reusing its buffer
// would; the best repeat is reported, by wall clock and by the process's CPU time
// (the latter is the steadier figure on a machine shared with compilers).
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <ctime>

#include "xlsx/lmx/xml_writer.h"

using namespace lmx;

namespace {

constexpr int kMain = 1000;
constexpr int kRel = 1001;
const ns_entry kTable[] = {
    {kMain, "", "http://example.com/sheet/main"},
    {kRel, "r", "http://example.com/sheet/relationships"},
    {0, nullptr, nullptr},
};

// Row numbers and cell references are formatted into a stack buffer, as a part
// writer would, so the figure is the writer's and not std::string's.
void write_row(c_xml_writer& writer, std::uint64_t row) {
    static const char kColumns[] = "ABCD";
    char digits[24];
    char* end = std::to_chars(digits + 1, digits + sizeof digits, row).ptr;
    std::string_view number(digits + 1, end - digits - 1);
    writer.start_element(kMain, "row");
    writer.attribute_unescaped(kNoNamespace, "r", number);
    for (int c = 0; c < 4; ++c) {
        digits[0] = kColumns[c];
        writer.start_element(kMain, "c");
        writer.attribute_unescaped(kNoNamespace, "r", std::string_view(digits, end - digits));
        writer.start_element(kMain, "v");
        writer.text("1.5");
        writer.end_element();
        writer.end_element();
    }
    writer.end_element();
}

void write_sheet(std::string& out, std::uint64_t rows) {
    c_xml_writer writer(out);
    writer.set_namespace_table(kTable);
    writer.start_element(kMain, "worksheet");
    writer.start_element(kMain, "sheetData");
    for (std::uint64_t r = 1; r <= rows; ++r) write_row(writer, r);
    writer.end_element();
    writer.end_element();
}

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    std::uint64_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    std::string out;
    double best = 1e30, best_cpu = 1e30;
    for (int i = 0; i < repeats; ++i) {
        out.clear();
        auto start = std::chrono::steady_clock::now();
        double cpu_start = cpu_seconds();
        write_sheet(out, rows);
        double cpu = cpu_seconds() - cpu_start;
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, seconds);
        best_cpu = std::min(best_cpu, cpu);
        std::printf("repeat %d: %.3f s wall, %.3f s cpu\n", i + 1, seconds, cpu);
    }
    double megabytes = out.size() / 1e6;
    std::printf("rows %llu x 4 cells: %.1f MB; best of %d: %.3f s wall = %.0f MB/s, %.3f s cpu = %.0f MB/s\n",
                static_cast<unsigned long long>(rows), megabytes, repeats, best, megabytes / best, best_cpu,
                megabytes / best_cpu);
    return 0;
}
