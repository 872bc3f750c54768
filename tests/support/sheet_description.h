// sheet_description.h - what the interfaces report of a sheet's features (named
// ranges, page breaks, view, page setup, protection, placed pictures) and of a
// book's pictures, as text, for comparing books before and after a round trip.
#pragma once

#include <sstream>
#include <string>

#include "core/interfaces.h"
#include "core/utf_convert.h"
#include "support/placed_pictures.h"

namespace karvo::testing {

inline std::string sheetDescription(ISheet& s) {
    std::ostringstream out;
    for (int i = 0; i < s.namedRangeCount(); ++i) {
        int r0 = 0, r1 = 0, c0 = 0, c1 = 0;
        const char16_t* name = s.namedRangeAt(i, &r0, &r1, &c0, &c1);
        out << "name " << (name ? utf16ToUtf8(name) : "?") << " " << r0 << ":" << r1 << "," << c0 << ":" << c1 << "\n";
    }
    out << "row breaks";
    for (int i = 0; i < s.rowBreakCount(); ++i) out << " " << s.rowBreakAt(i);
    out << "\ncolumn breaks";
    for (int i = 0; i < s.columnBreakCount(); ++i) out << " " << s.columnBreakAt(i);
    int wide = 0, tall = 0;
    bool fit = s.printFitPages(&wide, &tall);
    auto text = [](const char16_t* t) { return t ? utf16ToUtf8(t) : std::string("(none)"); };
    out << "\nview " << s.showsGridlines() << " " << s.zoom() << " summary " << s.summaryRowsBelow()
        << s.summaryColumnsRight() << "\nprint " << s.printsGridlines() << s.printsHeadings() << s.centeredHorizontally()
        << s.centeredVertically() << " scale " << s.printScale() << " fit " << fit << " " << wide << "x" << tall
        << " landscape " << s.isLandscape() << " paper " << s.paperSize() << "\nmargins " << s.leftMargin() << " "
        << s.rightMargin() << " " << s.topMargin() << " " << s.bottomMargin() << " header " << s.headerMargin() << " "
        << text(s.headerText()) << " footer " << s.footerMargin() << " " << text(s.footerText()) << "\nprotected "
        << s.isProtected() << "\n";
    for (int i = 0; i < s.pictureCount(); ++i) out << "picture " << placed(s, i) << "\n";
    return out.str();
}

inline std::string bookPicturesDescription(IBook& book) {
    std::string out;
    for (int i = 0; i < book.pictureCount(); ++i) {
        const char* data = nullptr;
        std::size_t size = 0;
        int type = book.pictureAt(i, &data, &size);
        out += "picture " + std::to_string(type) + " " + (data ? std::string(data, size) : std::string()) + "\n";
    }
    return out;
}

} // namespace karvo::testing
