// sheet_page_setup.cpp - page setup, margins, header and footer, protection, view settings and A1 addresses.
#include <algorithm>

#include "core/cell_address.h"
#include "core/xlerror.h"
#include "xls/sheet_impl.h"

namespace karvo {
namespace {

// Margins in inches that apply while the sheet has no margin record.
constexpr double kDefaultSideMargin = 0.75;
constexpr double kDefaultTopBottomMargin = 1.0;
// WsBool: print scaled to fit a number of pages.
constexpr std::uint16_t kFitToPage = 0x0100;
constexpr std::uint16_t kPrintGridBit = 0x0001;
// The most characters a header or footer may hold.
constexpr std::size_t kMaxHeaderFooter = 255;

template <class T>
void setBit(T& word, T bit, bool on) {
    word = static_cast<T>(on ? word | bit : word & ~bit);
}

std::uint16_t word(int v) { return static_cast<std::uint16_t>(std::clamp(v, 0, 0xFFFF)); }

std::u16string checkedText(const char16_t* text) {
    std::u16string s = text ? text : u"";
    if (s.size() > kMaxHeaderFooter) throw xlerror("string is too long");
    return s;
}

} // namespace

// ---- page setup ----

int SheetImplT::printScale() {
    return run(0, [&] {
        const SetupValues& s = data_.pageSetup.setup;
        return (s.grbit & setupflag::kNoPrinterData) ? 100 : s.iScale;
    });
}

void SheetImplT::setPrintScale(int scale) {
    run([&] {
        data_.pageSetup.setup.iScale = word(scale);
        setBit(data_.pageSetup.setup.grbit, setupflag::kNoPrinterData, false);
        setBit(data_.settings.wsBool, kFitToPage, false);
    });
}

bool SheetImplT::printFitPages(int* wPages, int* hPages) {
    return run(false, [&] {
        if (wPages) *wPages = data_.pageSetup.setup.iFitWidth;
        if (hPages) *hPages = data_.pageSetup.setup.iFitHeight;
        return (data_.settings.wsBool & kFitToPage) != 0;
    });
}

void SheetImplT::setPrintFitPages(int wPages, int hPages) {
    run([&] {
        data_.pageSetup.setup.iFitWidth = word(wPages);
        data_.pageSetup.setup.iFitHeight = word(hPages);
        data_.settings.wsBool |= kFitToPage;
    });
}

bool SheetImplT::isLandscape() {
    return run(false, [&] {
        std::uint16_t grbit = data_.pageSetup.setup.grbit;
        return !(grbit & setupflag::kNoPrinterData) && !(grbit & setupflag::kPortrait);
    });
}

void SheetImplT::setLandscape(bool landscape) {
    run([&] {
        std::uint16_t& grbit = data_.pageSetup.setup.grbit;
        setBit(grbit, setupflag::kPortrait, !landscape);
        setBit(grbit, setupflag::kNoPrinterData, false);
    });
}

int SheetImplT::paperSize() {
    return run(0, [&] {
        const SetupValues& s = data_.pageSetup.setup;
        return (s.grbit & setupflag::kNoPrinterData) ? 0 : s.iPaperSize;
    });
}

void SheetImplT::setPaperSize(int paper) {
    run([&] {
        data_.pageSetup.setup.iPaperSize = word(paper);
        setBit(data_.pageSetup.setup.grbit, setupflag::kNoPrinterData, false);
    });
}

const char16_t* SheetImplT::headerText() {
    return run<const char16_t*>(nullptr, [&] { return keepText(data_.pageSetup.header); });
}

bool SheetImplT::setHeader(const char16_t* header, double margin) {
    return run(false, [&] {
        data_.pageSetup.header = checkedText(header);
        data_.pageSetup.setup.numHdr = margin;
        return true;
    });
}

double SheetImplT::headerMargin() {
    return run(0.0, [&] { return data_.pageSetup.setup.numHdr; });
}

const char16_t* SheetImplT::footerText() {
    return run<const char16_t*>(nullptr, [&] { return keepText(data_.pageSetup.footer); });
}

bool SheetImplT::setFooter(const char16_t* footer, double margin) {
    return run(false, [&] {
        data_.pageSetup.footer = checkedText(footer);
        data_.pageSetup.setup.numFtr = margin;
        return true;
    });
}

double SheetImplT::footerMargin() {
    return run(0.0, [&] { return data_.pageSetup.setup.numFtr; });
}

bool SheetImplT::centeredHorizontally() {
    return run(false, [&] { return data_.pageSetup.hCenter != 0; });
}

void SheetImplT::setCenteredHorizontally(bool centered) {
    run([&] { data_.pageSetup.hCenter = centered ? 1 : 0; });
}

bool SheetImplT::centeredVertically() {
    return run(false, [&] { return data_.pageSetup.vCenter != 0; });
}

void SheetImplT::setCenteredVertically(bool centered) {
    run([&] { data_.pageSetup.vCenter = centered ? 1 : 0; });
}

double SheetImplT::leftMargin() {
    return run(0.0, [&] { return data_.pageSetup.leftMargin.value_or(kDefaultSideMargin); });
}

void SheetImplT::setLeftMargin(double margin) {
    run([&] { data_.pageSetup.leftMargin = margin; });
}

double SheetImplT::rightMargin() {
    return run(0.0, [&] { return data_.pageSetup.rightMargin.value_or(kDefaultSideMargin); });
}

void SheetImplT::setRightMargin(double margin) {
    run([&] { data_.pageSetup.rightMargin = margin; });
}

double SheetImplT::topMargin() {
    return run(0.0, [&] { return data_.pageSetup.topMargin.value_or(kDefaultTopBottomMargin); });
}

void SheetImplT::setTopMargin(double margin) {
    run([&] { data_.pageSetup.topMargin = margin; });
}

double SheetImplT::bottomMargin() {
    return run(0.0, [&] { return data_.pageSetup.bottomMargin.value_or(kDefaultTopBottomMargin); });
}

void SheetImplT::setBottomMargin(double margin) {
    run([&] { data_.pageSetup.bottomMargin = margin; });
}

bool SheetImplT::printsHeadings() {
    return run(false, [&] { return data_.settings.printRowCol != 0; });
}

void SheetImplT::setPrintsHeadings(bool print) {
    run([&] { data_.settings.printRowCol = print ? 1 : 0; });
}

// ---- protection ----

bool SheetImplT::isProtected() {
    return run(false, [&] { return data_.settings.protect.value_or(0) != 0; });
}

// Unprotecting a sheet that never had a Protect record adds none.
void SheetImplT::setProtected(bool protect) {
    run([&] {
        if (protect || data_.settings.protect) data_.settings.protect = protect ? 1 : 0;
    });
}

// ---- view ----

void SheetImplT::splitPanes(int row, int col) {
    run([&] {
        checkCell(row, col);
        std::uint8_t active = row == 0 ? (col == 0 ? 3 : 1) : (col == 0 ? 2 : 0);
        auto r = static_cast<std::uint16_t>(row);
        auto c = static_cast<std::uint16_t>(col);
        data_.pane = Pane{c, r, r, c, active, 0};
        data_.window2.grbit |= window2flag::kFrozen;
    });
}

bool SheetImplT::showsGridlines() {
    return run(false, [&] { return (data_.window2.grbit & window2flag::kGridlines) != 0; });
}

void SheetImplT::setShowsGridlines(bool show) {
    run([&] { setBit(data_.window2.grbit, window2flag::kGridlines, show); });
}

bool SheetImplT::printsGridlines() {
    return run(false, [&] { return (data_.settings.printGrid & kPrintGridBit) != 0; });
}

void SheetImplT::setPrintsGridlines(bool print) {
    run([&] { setBit(data_.settings.printGrid, kPrintGridBit, print); });
}

int SheetImplT::zoom() {
    return run(0, [&] {
        auto [num, den] = data_.settings.scl;
        return den == 0 ? 100 : num * 100 / den; // a zero denominator from a file reads as no zoom
    });
}

void SheetImplT::setZoom(int zoom) {
    run([&] { data_.settings.scl = {static_cast<std::int16_t>(std::clamp(zoom, 0, 0x7FFF)), 100}; });
}

// ---- A1 addresses ----

void SheetImplT::addressToRowCol(const char16_t* addr, int* row, int* col, bool* rowRelative, bool* colRelative) {
    run([&] { readCellAddress(addr, row, col, rowRelative, colRelative); });
}

const char16_t* SheetImplT::rowColToAddress(int row, int col, bool rowRelative, bool colRelative) {
    return run<const char16_t*>(nullptr,
                                [&] { return keepText(formatCellAddress({row, col, rowRelative, colRelative})); });
}

} // namespace karvo
