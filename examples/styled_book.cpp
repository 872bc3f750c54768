// styled_book.cpp - the library from C++: fonts, fills, merges and column widths,
// which the script functions do not reach.
//
//   build/examples/styled_book [output.xls]
#include <cstdio>
#include <string>

#include "core/book_factory.h"
#include "core/utf_convert.h"

using namespace karvo;

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : "styled.xls";
    IBook* book = createBinaryBook();
    ISheet* sheet = book->addSheet(u"Report");

    IFont* bold = book->addFont();
    bold->setBold(true);
    bold->setSize(12);
    IFormat* title = book->addFormat();
    title->setFont(bold);
    title->setAlignH(AlignHCenter);
    title->setFillPattern(FillSolid);
    title->setPatternForegroundColor(book->packColor(0xDD, 0xEB, 0xF7));

    sheet->writeString(0, 0, u"Quarterly figures", title);
    sheet->addMerge(0, 0, 0, 3);  // the title spans four columns
    sheet->setColumns(0, 0, 18.0);
    sheet->setColumns(1, 3, 12.0);
    const char16_t* quarters[] = {u"Q1", u"Q2", u"Q3"};
    for (int q = 0; q < 3; ++q) {
        sheet->writeString(1, q + 1, quarters[q]);
        sheet->writeNumber(2, q + 1, 1000.0 * (q + 1) + 0.5);
    }
    sheet->writeString(2, 0, u"Revenue");

    bool saved = book->save(utf8ToUtf16(path).c_str());
    std::printf("%s %s: %s\n", saved ? "saved" : "could not save", path.c_str(), book->errorMessage());
    book->release();
    return saved ? 0 : 1;
}
