// xls_bench.cpp - write and read a large binary book; prints seconds and peak memory.
//
//   build/bench/xls_bench [rows] [path]
//
// The sheet has 20 columns: 10 numeric (integers and fractions alternating) and 10
// text (half drawn from 1,000 repeated strings, half unique per cell).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/resource.h>

#include "core/book_factory.h"
#include "core/utf_convert.h"

using namespace karvo;

namespace {

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

[[noreturn]] void fail(IBook* book) {
    std::fprintf(stderr, "failed: %s\n", book->errorMessage());
    std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    int rows = argc > 1 ? std::atoi(argv[1]) : 65000;
    std::string path = argc > 2 ? argv[2] : "/tmp/karvo_bench.xls";
    std::u16string widePath = utf8ToUtf16(path);

    auto start = std::chrono::steady_clock::now();
    IBook* book = createBinaryBook();
    ISheet* sheet = book->addSheet(u"Data");
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 10; ++c) {
            double value = c % 2 == 0 ? double(r * 10 + c) : r * 0.37 + c / 7.0;
            if (!sheet->writeNumber(r, c, value)) fail(book);
        }
        for (int c = 10; c < 20; ++c) {
            std::u16string text = c < 15 ? u"repeated " + utf8ToUtf16(std::to_string((r * 7 + c) % 1000))
                                         : u"unique " + utf8ToUtf16(std::to_string(r * 20 + c));
            if (!sheet->writeString(r, c, text.c_str())) fail(book);
        }
    }
    if (!book->save(widePath.c_str())) fail(book);
    double writeSeconds = seconds(start);
    book->release();
    double writePeak = peakMegabytes();

    start = std::chrono::steady_clock::now();
    IBook* loaded = createBinaryBook();
    if (!loaded->load(widePath.c_str())) fail(loaded);
    ISheet* data = loaded->getSheet(0);
    double sum = 0;
    std::size_t characters = 0;
    for (int r = data->firstRow(); r < data->lastRow(); ++r)
        for (int c = data->firstColumn(); c < data->lastColumn(); ++c) {
            if (data->cellType(r, c) == CellNumber) sum += data->readNumber(r, c);
            else if (const char16_t* text = data->readString(r, c)) characters += std::char_traits<char16_t>::length(text);
        }
    double readSeconds = seconds(start);
    std::printf("rows %d x 20 columns\n", rows);
    std::printf("write+save: %.3f s (peak %.1f MB)\n", writeSeconds, writePeak);
    std::printf("load+read:  %.3f s (peak %.1f MB, checksum %.1f / %zu chars)\n", readSeconds, peakMegabytes(), sum,
                characters);
    loaded->release();
    return 0;
}
