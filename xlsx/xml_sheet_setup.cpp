// xml_sheet_setup.cpp - XMLSheetImplT: view, page setup, print options, margins,
// header and footer, protection and frozen panes.
//
// Each setting is one attribute of one element. The element is found through a
// "place" (null while absent, the setting then reads as its default) and made by
// the place on the first write.
#include <algorithm>
#include <cmath>

#include "core/cell_address.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {

using sheet::c_CT_PageMargins;
using sheet::c_CT_PageSetup;
using sheet::c_CT_PrintOptions;
using sheet::c_CT_SheetView;
using sheet::c_CT_Worksheet;

namespace {

// Margins in inches while the sheet has no pageMargins, as consumers assume them.
constexpr double kSideMargin = 0.7, kTopBottomMargin = 0.75, kHeaderFooterMargin = 0.3;
// Consumers show and print at 10% to 400%.
constexpr int kMinScale = 10, kMaxScale = 400;
// Consumers refuse a header or footer of more characters (binary books too).
constexpr std::size_t kMaxHeaderFooter = 255;

// ---- places ----

template <auto Member>
struct Child {
    static auto* find(const c_CT_Worksheet& root) { return (root.*Member).get(); }
    static auto& make(c_CT_Worksheet& root) { return (root.*Member).make(); }
};
using Print = Child<&c_CT_Worksheet::printOptions>;
using Setup = Child<&c_CT_Worksheet::pageSetup>;
using Protection = Child<&c_CT_Worksheet::sheetProtection>;
using HeaderFooter = Child<&c_CT_Worksheet::headerFooter>;

struct FirstView {
    static const c_CT_SheetView* find(const c_CT_Worksheet& root) {
        return root.sheetViews && !root.sheetViews->sheetView.empty() ? root.sheetViews->sheetView[0].get() : nullptr;
    }
    static c_CT_SheetView& make(c_CT_Worksheet& root) {
        auto& views = root.sheetViews.make().sheetView;
        if (views.empty()) views.emplace_back(std::make_unique<c_CT_SheetView>());
        return *views[0];
    }
};

// Children of sheetPr.
template <auto Member>
struct Property {
    static auto* find(const c_CT_Worksheet& root) { return root.sheetPr ? (*root.sheetPr.*Member).get() : nullptr; }
    static auto& make(c_CT_Worksheet& root) { return (root.sheetPr.make().*Member).make(); }
};
using Outline = Property<&sheet::c_CT_SheetPr::outlinePr>;
using FitToPage = Property<&sheet::c_CT_SheetPr::pageSetUpPr>;

// Every margin is required once the element exists: a new one states the defaults.
struct Margins {
    static const c_CT_PageMargins* find(const c_CT_Worksheet& root) { return root.pageMargins.get(); }
    static c_CT_PageMargins& make(c_CT_Worksheet& root) {
        if (!root.pageMargins)
            root.pageMargins.make() = {kSideMargin,      kSideMargin,         kTopBottomMargin,
                                        kTopBottomMargin, kHeaderFooterMargin, kHeaderFooterMargin};
        return *root.pageMargins;
    }
};

// ---- reading and writing a setting ----

template <class Place, class Element, class T>
T readSetting(const c_CT_Worksheet& root, lmx::opt<T> Element::*attribute, std::type_identity_t<T> absent) {
    const Element* element = Place::find(root);
    return element && (element->*attribute).has() ? (element->*attribute).get() : absent;
}

template <class Place, class Element, class T>
void writeSetting(c_CT_Worksheet& root, lmx::opt<T> Element::*attribute, std::type_identity_t<T> value) {
    (Place::make(root).*attribute).set(std::move(value));
}

double readMargin(const c_CT_Worksheet& root, double c_CT_PageMargins::*margin, double absent) {
    const c_CT_PageMargins* margins = Margins::find(root);
    return margins ? margins->*margin : absent;
}

void writeMargin(c_CT_Worksheet& root, double c_CT_PageMargins::*margin, double inches) {
    if (!std::isfinite(inches) || inches < 0) throw xlerror("margin is out of range");
    Margins::make(root).*margin = inches;
}

int toInt(std::uint32_t value) { return static_cast<int>(std::min<std::uint32_t>(value, INT32_MAX)); }
std::uint32_t toCount(int value) { return static_cast<std::uint32_t>(std::max(value, 0)); }
std::uint32_t toScale(int value) { return static_cast<std::uint32_t>(std::clamp(value, kMinScale, kMaxScale)); }

} // namespace

// ---- view ----

bool XMLSheetImplT::showsGridlines() {
    message_.ok();
    return readSetting<FirstView>(root_, &c_CT_SheetView::showGridLines, true);
}

void XMLSheetImplT::setShowsGridlines(bool show) {
    run([&] { writeSetting<FirstView>(root_, &c_CT_SheetView::showGridLines, show); });
}

int XMLSheetImplT::zoom() {
    message_.ok();
    return toInt(readSetting<FirstView>(root_, &c_CT_SheetView::zoomScale, 100));
}

void XMLSheetImplT::setZoom(int zoom) {
    run([&] { writeSetting<FirstView>(root_, &c_CT_SheetView::zoomScale, toScale(zoom)); });
}

// The pane keeps the rows above and the columns left of the cell in view; at A1
// nothing is frozen and the pane goes.
void XMLSheetImplT::splitPanes(int row, int col) {
    run([&] {
        std::u16string topLeft = formatCellAddress({row, col});
        c_CT_SheetView& view = FirstView::make(root_);
        if (row == 0 && col == 0) {
            view.pane.reset();
            return;
        }
        sheet::c_CT_Pane& pane = view.pane.make();
        pane = {};
        if (col > 0) pane.xSplit.set(static_cast<double>(col));
        if (row > 0) pane.ySplit.set(static_cast<double>(row));
        pane.topLeftCell.set(topLeft);
        // Consumers refuse an active pane that the split does not make.
        pane.activePane.set(row > 0 && col > 0 ? u"bottomRight" : row > 0 ? u"bottomLeft" : u"topRight");
        pane.state.set(u"frozenSplit");
    });
}

// ---- outline summaries ----

bool XMLSheetImplT::summaryRowsBelow() {
    message_.ok();
    return readSetting<Outline>(root_, &sheet::c_CT_OutlinePr::summaryBelow, true);
}

void XMLSheetImplT::setSummaryRowsBelow(bool below) {
    run([&] { writeSetting<Outline>(root_, &sheet::c_CT_OutlinePr::summaryBelow, below); });
}

bool XMLSheetImplT::summaryColumnsRight() {
    message_.ok();
    return readSetting<Outline>(root_, &sheet::c_CT_OutlinePr::summaryRight, true);
}

void XMLSheetImplT::setSummaryColumnsRight(bool right) {
    run([&] { writeSetting<Outline>(root_, &sheet::c_CT_OutlinePr::summaryRight, right); });
}

// ---- print options ----

bool XMLSheetImplT::printsGridlines() {
    message_.ok();
    return readSetting<Print>(root_, &c_CT_PrintOptions::gridLines, false);
}

void XMLSheetImplT::setPrintsGridlines(bool print) {
    run([&] { writeSetting<Print>(root_, &c_CT_PrintOptions::gridLines, print); });
}

bool XMLSheetImplT::centeredHorizontally() {
    message_.ok();
    return readSetting<Print>(root_, &c_CT_PrintOptions::horizontalCentered, false);
}

void XMLSheetImplT::setCenteredHorizontally(bool centered) {
    run([&] { writeSetting<Print>(root_, &c_CT_PrintOptions::horizontalCentered, centered); });
}

bool XMLSheetImplT::centeredVertically() {
    message_.ok();
    return readSetting<Print>(root_, &c_CT_PrintOptions::verticalCentered, false);
}

void XMLSheetImplT::setCenteredVertically(bool centered) {
    run([&] { writeSetting<Print>(root_, &c_CT_PrintOptions::verticalCentered, centered); });
}

bool XMLSheetImplT::printsHeadings() {
    message_.ok();
    return readSetting<Print>(root_, &c_CT_PrintOptions::headings, false);
}

void XMLSheetImplT::setPrintsHeadings(bool print) {
    run([&] { writeSetting<Print>(root_, &c_CT_PrintOptions::headings, print); });
}

// ---- page setup ----

int XMLSheetImplT::printScale() {
    message_.ok();
    return toInt(readSetting<Setup>(root_, &c_CT_PageSetup::scale, 100));
}

// A scale and fitting to pages exclude each other.
void XMLSheetImplT::setPrintScale(int zoom) {
    run([&] {
        writeSetting<Setup>(root_, &c_CT_PageSetup::scale, toScale(zoom));
        if (FitToPage::find(root_)) writeSetting<FitToPage>(root_, &sheet::c_CT_PageSetUpPr::fitToPage, false);
    });
}

bool XMLSheetImplT::printFitPages(int* wPages, int* hPages) {
    message_.ok();
    if (wPages) *wPages = toInt(readSetting<Setup>(root_, &c_CT_PageSetup::fitToWidth, 1));
    if (hPages) *hPages = toInt(readSetting<Setup>(root_, &c_CT_PageSetup::fitToHeight, 1));
    return readSetting<FitToPage>(root_, &sheet::c_CT_PageSetUpPr::fitToPage, false);
}

void XMLSheetImplT::setPrintFitPages(int wPages, int hPages) {
    run([&] {
        writeSetting<FitToPage>(root_, &sheet::c_CT_PageSetUpPr::fitToPage, true);
        writeSetting<Setup>(root_, &c_CT_PageSetup::fitToWidth, toCount(wPages));
        writeSetting<Setup>(root_, &c_CT_PageSetup::fitToHeight, toCount(hPages));
    });
}

bool XMLSheetImplT::isLandscape() {
    message_.ok();
    return readSetting<Setup>(root_, &c_CT_PageSetup::orientation, u"") == u"landscape";
}

void XMLSheetImplT::setLandscape(bool landscape) {
    run([&] { writeSetting<Setup>(root_, &c_CT_PageSetup::orientation, landscape ? u"landscape" : u"portrait"); });
}

int XMLSheetImplT::paperSize() {
    message_.ok();
    return toInt(readSetting<Setup>(root_, &c_CT_PageSetup::paperSize, 0));
}

void XMLSheetImplT::setPaperSize(int paper) {
    run([&] { writeSetting<Setup>(root_, &c_CT_PageSetup::paperSize, toCount(paper)); });
}

// ---- header and footer ----

namespace {

std::u16string checkedText(const char16_t* text) {
    std::u16string checked = text ? text : u"";
    if (checked.size() > kMaxHeaderFooter) throw xlerror("string is too long");
    return checked;
}

} // namespace

const char16_t* XMLSheetImplT::headerText() {
    message_.ok();
    text_ = readSetting<HeaderFooter>(root_, &sheet::c_CT_HeaderFooter::oddHeader, u"");
    return text_.c_str();
}

bool XMLSheetImplT::setHeader(const char16_t* header, double margin) {
    return run<bool>(false, [&] {
        std::u16string text = checkedText(header);
        writeMargin(root_, &c_CT_PageMargins::header, margin);
        writeSetting<HeaderFooter>(root_, &sheet::c_CT_HeaderFooter::oddHeader, std::move(text));
        return true;
    });
}

double XMLSheetImplT::headerMargin() {
    message_.ok();
    return readMargin(root_, &c_CT_PageMargins::header, kHeaderFooterMargin);
}

const char16_t* XMLSheetImplT::footerText() {
    message_.ok();
    text_ = readSetting<HeaderFooter>(root_, &sheet::c_CT_HeaderFooter::oddFooter, u"");
    return text_.c_str();
}

bool XMLSheetImplT::setFooter(const char16_t* footer, double margin) {
    return run<bool>(false, [&] {
        std::u16string text = checkedText(footer);
        writeMargin(root_, &c_CT_PageMargins::footer, margin);
        writeSetting<HeaderFooter>(root_, &sheet::c_CT_HeaderFooter::oddFooter, std::move(text));
        return true;
    });
}

double XMLSheetImplT::footerMargin() {
    message_.ok();
    return readMargin(root_, &c_CT_PageMargins::footer, kHeaderFooterMargin);
}

// ---- margins ----

double XMLSheetImplT::leftMargin() {
    message_.ok();
    return readMargin(root_, &c_CT_PageMargins::left, kSideMargin);
}

void XMLSheetImplT::setLeftMargin(double margin) {
    run([&] { writeMargin(root_, &c_CT_PageMargins::left, margin); });
}

double XMLSheetImplT::rightMargin() {
    message_.ok();
    return readMargin(root_, &c_CT_PageMargins::right, kSideMargin);
}

void XMLSheetImplT::setRightMargin(double margin) {
    run([&] { writeMargin(root_, &c_CT_PageMargins::right, margin); });
}

double XMLSheetImplT::topMargin() {
    message_.ok();
    return readMargin(root_, &c_CT_PageMargins::top, kTopBottomMargin);
}

void XMLSheetImplT::setTopMargin(double margin) {
    run([&] { writeMargin(root_, &c_CT_PageMargins::top, margin); });
}

double XMLSheetImplT::bottomMargin() {
    message_.ok();
    return readMargin(root_, &c_CT_PageMargins::bottom, kTopBottomMargin);
}

void XMLSheetImplT::setBottomMargin(double margin) {
    run([&] { writeMargin(root_, &c_CT_PageMargins::bottom, margin); });
}

// ---- protection ----

bool XMLSheetImplT::isProtected() {
    message_.ok();
    return readSetting<Protection>(root_, &sheet::c_CT_SheetProtection::sheet, false);
}

void XMLSheetImplT::setProtected(bool protect) {
    run([&] { writeSetting<Protection>(root_, &sheet::c_CT_SheetProtection::sheet, protect); });
}

} // namespace karvo::xlsx
