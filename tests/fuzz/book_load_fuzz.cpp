// book_load_fuzz.cpp - libFuzzer target: a whole book from untrusted bytes, binary
// or (built with KARVO_FUZZ_XML_BOOK) Open XML; built with KARVO_FUZZ_FROM_FILE, the
// bytes are loaded from a file, as a path is loaded.
//
// Whatever loads must also read cell by cell, save, and load again: a book we
// accepted and then wrote must never be one we reject.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/book_factory.h"
#include "core/utf_convert.h"
#include "support/format_description.h"

using namespace karvo;

namespace {

#ifdef KARVO_FUZZ_XML_BOOK
IBook* createBook() { return createXmlBook(); }
#else
IBook* createBook() { return createBinaryBook(); }
#endif

// Bounds the cell walk so that a sheet claiming every cell stays fast to fuzz.
constexpr int kMaxCellsVisited = 20000;

// The pictures of the book and those placed on each sheet.
void readPictures(IBook& book) {
    const char* data = nullptr;
    std::size_t size = 0;
    for (int i = 0; i < book.pictureCount(); ++i) book.pictureAt(i, &data, &size);
    for (int s = 0; s < book.sheetCount(); ++s) {
        ISheet* sheet = book.getSheet(s);
        if (!sheet) continue;  // a chart sheet of an Open XML book
        int v[8];
        for (int i = 0; i < sheet->pictureCount(); ++i)
            sheet->pictureAt(i, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]);
    }
}

// Every property of every format and font, which reaches into the stylesheet by
// the ids the file gives.
void readFormats(IBook& book) {
    for (int i = 0; i < book.formatCount(); ++i) karvo::testing::formatDescription(*book.formatAt(i));
    for (int i = 0; i < book.fontCount(); ++i) karvo::testing::fontDescription(*book.fontAt(i));
}

// Bounds the names listed: each lookup by position walks the book's names.
constexpr int kMaxNamesVisited = 100;

// The sheet features, which read merged ranges, page breaks, defined names and page
// setup as the file gives them.
void readFeatures(IBook& book) {
    for (int s = 0; s < book.sheetCount(); ++s) {
        ISheet* sheet = book.getSheet(s);
        if (!sheet) continue;
        int v[4];
        sheet->mergeAt(sheet->firstRow(), sheet->firstColumn(), &v[0], &v[1], &v[2], &v[3]);
        for (int i = 0; i < sheet->rowBreakCount(); ++i) sheet->rowBreakAt(i);
        for (int i = 0; i < sheet->columnBreakCount(); ++i) sheet->columnBreakAt(i);
        for (int i = 0; i < sheet->namedRangeCount() && i < kMaxNamesVisited; ++i)
            sheet->namedRangeAt(i, &v[0], &v[1], &v[2], &v[3]);
        sheet->printFitPages(&v[0], &v[1]);
        sheet->headerText();
        sheet->footerText();
        sheet->zoom();
        sheet->printScale();
        sheet->paperSize();
        sheet->isLandscape();
        sheet->leftMargin();
        sheet->summaryRowsBelow();
        sheet->isProtected();
    }
}

void readEveryCell(IBook& book) {
    int visited = 0;
    for (int s = 0; s < book.sheetCount(); ++s) {
        ISheet* sheet = book.getSheet(s);
        if (!sheet) continue;
        sheet->sheetName();
        for (int r = sheet->firstRow(); r < sheet->lastRow(); ++r)
            for (int c = sheet->firstColumn(); c < sheet->lastColumn() && visited < kMaxCellsVisited; ++c, ++visited) {
                IFormat* format = nullptr;
                switch (sheet->cellType(r, c)) {
                case CellNumber: sheet->readNumber(r, c, &format); break;
                case CellString: sheet->readString(r, c, &format); break;
                case CellBoolean: sheet->readBool(r, c, &format); break;
                case CellError: sheet->readError(r, c); break;
                default: sheet->cellFormat(r, c); break;
                }
                sheet->cellIsDate(r, c);
                sheet->readComment(r, c);
                if (sheet->cellIsFormula(r, c)) sheet->readFormula(r, c);
            }
    }
}

#ifdef KARVO_FUZZ_FROM_FILE
// A binary book loaded from a path reads the container's sectors and the workbook
// stream from the file as it goes, not from one buffer. The input is written to a file
// of the process's own, removed when the fuzzer exits.
struct InputFile {
    std::string path =
        (std::filesystem::temp_directory_path() / ("karvo_fuzz_" + std::to_string(getpid()) + ".xls")).string();
    ~InputFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

const std::string& inputPath() {
    static const InputFile file;
    return file.path;
}

bool load(IBook& book, const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream out(inputPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) std::abort();
    }
    return book.load(utf8ToUtf16(inputPath()).c_str());
}
#else
bool load(IBook& book, const std::uint8_t* data, std::size_t size) {
    return book.loadFromMemory(reinterpret_cast<const char*>(data), size);
}
#endif

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IBook* book = createBook();
    if (load(*book, data, size)) {
        readEveryCell(*book);
        readFormats(*book);
        readPictures(*book);
        readFeatures(*book);
        const char* saved = nullptr;
        std::size_t savedSize = 0;
        if (book->saveToMemory(&saved, &savedSize)) {
            IBook* again = createBook();
            if (!again->loadFromMemory(saved, savedSize)) std::abort();
            again->release();
        }
    }
    book->release();
    return 0;
}
