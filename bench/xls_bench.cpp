// xls_bench.cpp - write and read a large binary book; prints seconds and peak memory.
//
//   build/bench/xls_bench [rows] [path]
//
// The sheet has 20 columns: 10 numeric (integers and fractions alternating) and 10
// text (half drawn from 1,000 repeated strings, half unique per cell). The load runs
// in a fresh process (the program runs itself with "read") so that its peak memory
// is that of the loaded book alone.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/book_factory.h"
#include "core/utf_convert.h"

using namespace karvo;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double peakMegabytes(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss / 1024.0;
}

[[noreturn]] void fail(IBook* book) {
    std::fprintf(stderr, "failed: %s\n", book->errorMessage());
    std::exit(1);
}

int writeBook(int rows, const std::u16string& path) {
    auto start = std::chrono::steady_clock::now();
    IBook* book = createBinaryBook();
    ISheet* sheet = book->addSheet(u"Data");
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 10; ++c) {
            double value = c % 2 == 0 ? double(r * 10 + c) : r * 0.37 + c / 7.0;
            if (!sheet->writeNumber(r, c, value)) fail(book);
        }
        for (int c = 10; c < 20; ++c) {
            std::string text = c < 15 ? "repeated " + std::to_string((r * 7 + c) % 1000)
                                      : "unique " + std::to_string(r * 20 + c);
            if (!sheet->writeString(r, c, utf8ToUtf16(text).c_str())) fail(book);
        }
    }
    if (!book->save(path.c_str())) fail(book);
    book->release();
    std::printf("write+save: %.3f s (peak %.1f MB)\n", secondsSince(start), peakMegabytes(RUSAGE_SELF));
    return 0;
}

int readBook(const std::u16string& path) {
    auto start = std::chrono::steady_clock::now();
    IBook* book = createBinaryBook();
    if (!book->load(path.c_str())) fail(book);
    ISheet* data = book->getSheet(0);
    double sum = 0;
    std::size_t characters = 0;
    for (int r = data->firstRow(); r < data->lastRow(); ++r)
        for (int c = data->firstColumn(); c < data->lastColumn(); ++c) {
            if (data->cellType(r, c) == CellNumber)
                sum += data->readNumber(r, c);
            else if (const char16_t* text = data->readString(r, c))
                characters += std::char_traits<char16_t>::length(text);
        }
    std::printf("load+read:  %.3f s (peak %.1f MB; checksum %.1f, %zu characters)\n", secondsSince(start),
                peakMegabytes(RUSAGE_SELF), sum, characters);
    book->release();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "read") == 0) return readBook(utf8ToUtf16(argv[2]));
    int rows = argc > 1 ? std::atoi(argv[1]) : 65000;
    std::string path = argc > 2 ? argv[2] : "/tmp/karvo_bench.xls";
    std::printf("rows %d x 20 columns\n", rows);
    std::fflush(stdout);
    if (writeBook(rows, utf8ToUtf16(path)) != 0) return 1;
    std::fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", argv[0], "read", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
