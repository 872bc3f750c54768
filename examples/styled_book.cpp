// styled_book.cpp - the library from C++: one report, styled with fonts, fills,
// borders, number formats, a merged title, column widths, a frozen header row, a
// print area and a picture, written as .xls and as .xlsx by the same code. Only
// the factory differs between the two books.
//
//   build/examples/styled_book [output-stem]     writes <stem>.xls and <stem>.xlsx
#include <cstdio>
#include <string>

#include "core/book_factory.h"
#include "core/utf_convert.h"

using namespace karvo;

namespace {

// An 8 x 8 pixel PNG, so that the example needs no file beside it.
const unsigned char kLogo[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x08, 0x08, 0x02, 0x00, 0x00, 0x00, 0x4B, 0x6D, 0x29,
    0xDC, 0x00, 0x00, 0x00, 0x7C, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x0D, 0xC9, 0x21, 0x01, 0x44,
    0x21, 0x14, 0x00, 0xB0, 0x8B, 0xF3, 0x43, 0x60, 0x68, 0x80, 0x9E, 0xA6, 0x01, 0x86, 0x10, 0x2F,
    0x04, 0x86, 0x06, 0x68, 0x34, 0x0D, 0xA8, 0x73, 0xCC, 0xEE, 0xF7, 0x39, 0xD9, 0xE1, 0x34, 0x27,
    0x9C, 0xE9, 0x6C, 0xE7, 0x3A, 0xBF, 0xCF, 0xCA, 0x16, 0xAB, 0x59, 0x61, 0x4D, 0x6B, 0x5B, 0xD7,
    0x7A, 0x31, 0xB2, 0xC1, 0x68, 0x46, 0x18, 0xD3, 0xD8, 0xC6, 0x35, 0x5E, 0x44, 0x16, 0x44, 0x13,
    0x21, 0xA6, 0xD8, 0xE2, 0x8A, 0x17, 0x3D, 0xEB, 0xF4, 0xA6, 0x87, 0x3E, 0xF5, 0xAD, 0x5F, 0xFD,
    0x45, 0xCD, 0x2A, 0xB5, 0xA9, 0xA1, 0x4E, 0x75, 0xAB, 0x57, 0x7D, 0x51, 0xB2, 0x42, 0x69, 0x4A,
    0x28, 0x53, 0xD9, 0xCA, 0x55, 0x5E, 0xA4, 0x2C, 0x91, 0x9A, 0x14, 0xD2, 0x94, 0xB6, 0x74, 0xA5,
    0x3F, 0x1F, 0x94, 0x56, 0xE1, 0x2E, 0x9D, 0x0F, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E,
    0x44, 0xAE, 0x42, 0x60, 0x82};

// Every call below reports through the book's message; the first that fails is named.
bool check(IBook& book, bool ok, const char* what) {
    if (!ok) std::printf("  %s failed: %s\n", what, book.errorMessage());
    return ok;
}

bool buildReport(IBook& book) {
    ISheet* sheet = book.addSheet(u"Report");
    if (!check(book, sheet != nullptr, "addSheet")) return false;

    IFont* bold = book.addFont();
    bold->setBold(true);
    bold->setSize(12);
    IFormat* title = book.addFormat();
    title->setFont(bold);
    title->setAlignH(AlignHCenter);
    title->setFillPattern(FillSolid);
    title->setPatternForegroundColor(static_cast<Color>(44));  // a pale blue of the default palette

    IFormat* header = book.addFormat(title);
    header->setBorder(BorderThin);
    header->setBorderBottom(BorderMedium);

    IFormat* money = book.addFormat();
    money->setNumFormat(book.addCustomNumFormat(u"#,##0.00"));
    money->setBorder(BorderThin);
    IFormat* date = book.addFormat();
    date->setNumFormat(14);  // the built-in short date
    date->setBorder(BorderThin);

    sheet->writeString(0, 0, u"Quarterly figures", title);
    bool ok = check(book, sheet->addMerge(0, 0, 0, 3), "addMerge");  // the title spans four columns
    const char16_t* headings[] = {u"Closed", u"Q1", u"Q2", u"Q3"};
    for (int col = 0; col < 4; ++col) sheet->writeString(1, col, headings[col], header);
    for (int row = 2; row < 8; ++row) {
        sheet->writeNumber(row, 0, book.packDate(2026, 3 * (row - 1), 28, 0, 0, 0, 0), date);
        for (int q = 1; q < 4; ++q) sheet->writeNumber(row, q, 1000.0 * q + 17.25 * row, money);
    }
    ok &= check(book, sheet->setColumns(0, 0, 14.0), "setColumns");
    ok &= check(book, sheet->setColumns(1, 3, 12.0), "setColumns");
    sheet->splitPanes(2, 0);  // the title and headings stay in view
    ok &= check(book, book.errorMessage() == std::string("ok"), "splitPanes");
    sheet->setPrintArea(0, 7, 0, 3);
    ok &= check(book, book.errorMessage() == std::string("ok"), "setPrintArea");
    int logo = book.addPictureData(reinterpret_cast<const char*>(kLogo), sizeof kLogo);
    ok &= check(book, logo >= 0, "addPictureData");
    if (logo >= 0) {
        sheet->placePictureScaled(1, 5, logo, 4.0, 0, 0);
        ok &= check(book, book.errorMessage() == std::string("ok"), "placePictureScaled");
    }
    return ok;
}

// Loads the file back and prints what a reader of it sees.
void showReport(IBook& book, const std::string& path) {
    if (!book.load(utf8ToUtf16(path).c_str())) {
        std::printf("  could not load %s: %s\n", path.c_str(), book.errorMessage());
        return;
    }
    ISheet* sheet = book.getSheet(0);
    IFormat* titleFormat = sheet->cellFormat(0, 0);
    int firstRow = 0, lastRow = 0, firstCol = 0, lastCol = 0;
    bool merged = sheet->mergeAt(0, 1, &firstRow, &lastRow, &firstCol, &lastCol);
    std::printf("  read back: \"%s\" (bold %s, merged over %d columns), Q3 of the last row %.2f, %d picture(s)\n",
                utf16ToUtf8(sheet->readString(0, 0)).c_str(),
                titleFormat && titleFormat->font() && titleFormat->font()->bold() ? "yes" : "no",
                merged ? lastCol - firstCol + 1 : 0, sheet->readNumber(7, 3), book.pictureCount());
}

} // namespace

int main(int argc, char** argv) {
    std::string stem = argc > 1 ? argv[1] : "styled";
    struct Family {
        IBook* (*create)() noexcept;
        const char* extension;
    };
    const Family families[] = {{createBinaryBook, ".xls"}, {createXmlBook, ".xlsx"}};
    bool allSaved = true;
    for (const Family& family : families) {
        std::string path = stem + family.extension;
        IBook* book = family.create();
        bool built = buildReport(*book);
        bool saved = book->save(utf8ToUtf16(path).c_str());
        std::printf("%s %s%s: %s\n", saved ? "saved" : "could not save", path.c_str(),
                    built ? "" : " (with the failures above)", book->errorMessage());
        book->release();
        allSaved &= saved;
        if (!saved) continue;
        IBook* reader = family.create();
        showReport(*reader, path);
        reader->release();
    }
    return allSaved ? 0 : 1;
}
