// sheet_names.cpp - SheetImplT: print area, print titles and named ranges, kept by the book.
#include "core/xlerror.h"
#include "xls/book_names.h"
#include "xls/sheet_impl.h"

namespace karvo {
namespace {

std::u16string_view nameText(const char16_t* name) {
    if (!name) throw xlerror("name is null");
    return name;
}

void giveArea(const NameArea& area, int* rowFirst, int* rowLast, int* colFirst, int* colLast) {
    if (rowFirst) *rowFirst = area.rowFirst;
    if (rowLast) *rowLast = area.rowLast;
    if (colFirst) *colFirst = area.colFirst;
    if (colLast) *colLast = area.colLast;
}

} // namespace

void SheetImplT::setPrintRepeatRows(int rowFirst, int rowLast) {
    run([&] { host_.bookNames().setPrintRepeatRows(host_.sheetPosition(this), rowFirst, rowLast); });
}

void SheetImplT::setPrintRepeatColumns(int colFirst, int colLast) {
    run([&] { host_.bookNames().setPrintRepeatColumns(host_.sheetPosition(this), colFirst, colLast); });
}

void SheetImplT::setPrintArea(int rowFirst, int rowLast, int colFirst, int colLast) {
    run([&] {
        host_.bookNames().setPrintArea(host_.sheetPosition(this), {rowFirst, rowLast, colFirst, colLast});
    });
}

void SheetImplT::clearPrintRepeats() {
    run([&] { host_.bookNames().clearBuiltIn(host_.sheetPosition(this), Lbl::kPrintTitles); });
}

void SheetImplT::clearPrintArea() {
    run([&] { host_.bookNames().clearBuiltIn(host_.sheetPosition(this), Lbl::kPrintArea); });
}

bool SheetImplT::namedRange(const char16_t* name, int* rowFirst, int* rowLast, int* colFirst, int* colLast) {
    return run(false, [&] {
        auto area = host_.bookNames().namedRange(host_.sheetPosition(this), nameText(name));
        if (area) giveArea(*area, rowFirst, rowLast, colFirst, colLast);
        return true;
    });
}

bool SheetImplT::setNamedRange(const char16_t* name, int rowFirst, int rowLast, int colFirst, int colLast) {
    return run(false, [&] {
        host_.bookNames().setNamedRange(host_.sheetPosition(this), nameText(name),
                                        {rowFirst, rowLast, colFirst, colLast});
        return true;
    });
}

bool SheetImplT::deleteNamedRange(const char16_t* name) {
    return run(false, [&] {
        host_.bookNames().deleteNamedRange(host_.sheetPosition(this), nameText(name));
        return true;
    });
}

int SheetImplT::namedRangeCount() {
    return run(0, [&] { return host_.bookNames().namedRangeCount(host_.sheetPosition(this)); });
}

const char16_t* SheetImplT::namedRangeAt(int index, int* rowFirst, int* rowLast, int* colFirst, int* colLast) {
    return run<const char16_t*>(nullptr, [&] {
        NameArea area;
        const Lbl& name = host_.bookNames().namedRangeAt(host_.sheetPosition(this), index, area);
        giveArea(area, rowFirst, rowLast, colFirst, colLast);
        return keepText(name.text);
    });
}

} // namespace karvo
