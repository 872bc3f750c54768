// xml_sheet_features.cpp - XMLSheetImplT: the sheet features of Open XML books that
// are not available yet (merged ranges, pictures, page breaks, panes, outlines,
// view, page setup, print settings, named ranges and protection). Each answers
// "not supported" with its failure value.
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {
namespace {

template <class T>
T unsupported(BookMessage& message, T result) {
    message.set("not supported");
    return result;
}

} // namespace

bool XMLSheetImplT::mergeAt(int, int, int*, int*, int*, int*) { return unsupported(message_, false); }
bool XMLSheetImplT::addMerge(int, int, int, int) { return unsupported(message_, false); }
bool XMLSheetImplT::removeMerge(int, int) { return unsupported(message_, false); }
int XMLSheetImplT::pictureCount() { return unsupported(message_, 0); }
int XMLSheetImplT::pictureAt(int, int*, int*, int*, int*, int*, int*, int*, int*) { return unsupported(message_, -1); }
void XMLSheetImplT::placePictureScaled(int, int, int, double, int, int) { unsupported(message_, 0); }
void XMLSheetImplT::placePictureSized(int, int, int, int, int, int, int) { unsupported(message_, 0); }
int XMLSheetImplT::rowBreakAt(int) { return unsupported(message_, 0); }
int XMLSheetImplT::rowBreakCount() { return unsupported(message_, 0); }
int XMLSheetImplT::columnBreakAt(int) { return unsupported(message_, 0); }
int XMLSheetImplT::columnBreakCount() { return unsupported(message_, 0); }
bool XMLSheetImplT::setRowBreak(int, bool) { return unsupported(message_, false); }
bool XMLSheetImplT::setColumnBreak(int, bool) { return unsupported(message_, false); }
void XMLSheetImplT::splitPanes(int, int) { unsupported(message_, 0); }
bool XMLSheetImplT::groupRows(int, int, bool) { return unsupported(message_, false); }
bool XMLSheetImplT::groupColumns(int, int, bool) { return unsupported(message_, false); }
bool XMLSheetImplT::summaryRowsBelow() { return unsupported(message_, false); }
void XMLSheetImplT::setSummaryRowsBelow(bool) { unsupported(message_, 0); }
bool XMLSheetImplT::summaryColumnsRight() { return unsupported(message_, false); }
void XMLSheetImplT::setSummaryColumnsRight(bool) { unsupported(message_, 0); }
bool XMLSheetImplT::showsGridlines() { return unsupported(message_, false); }
void XMLSheetImplT::setShowsGridlines(bool) { unsupported(message_, 0); }
bool XMLSheetImplT::printsGridlines() { return unsupported(message_, false); }
void XMLSheetImplT::setPrintsGridlines(bool) { unsupported(message_, 0); }
int XMLSheetImplT::zoom() { return unsupported(message_, 0); }
void XMLSheetImplT::setZoom(int) { unsupported(message_, 0); }
int XMLSheetImplT::printScale() { return unsupported(message_, 0); }
void XMLSheetImplT::setPrintScale(int) { unsupported(message_, 0); }
bool XMLSheetImplT::printFitPages(int*, int*) { return unsupported(message_, false); }
void XMLSheetImplT::setPrintFitPages(int, int) { unsupported(message_, 0); }
bool XMLSheetImplT::isLandscape() { return unsupported(message_, false); }
void XMLSheetImplT::setLandscape(bool) { unsupported(message_, 0); }
int XMLSheetImplT::paperSize() { return unsupported(message_, 0); }
void XMLSheetImplT::setPaperSize(int) { unsupported(message_, 0); }
const char16_t* XMLSheetImplT::headerText() { return unsupported<const char16_t*>(message_, nullptr); }
bool XMLSheetImplT::setHeader(const char16_t*, double) { return unsupported(message_, false); }
double XMLSheetImplT::headerMargin() { return unsupported(message_, 0.0); }
const char16_t* XMLSheetImplT::footerText() { return unsupported<const char16_t*>(message_, nullptr); }
bool XMLSheetImplT::setFooter(const char16_t*, double) { return unsupported(message_, false); }
double XMLSheetImplT::footerMargin() { return unsupported(message_, 0.0); }
bool XMLSheetImplT::centeredHorizontally() { return unsupported(message_, false); }
void XMLSheetImplT::setCenteredHorizontally(bool) { unsupported(message_, 0); }
bool XMLSheetImplT::centeredVertically() { return unsupported(message_, false); }
void XMLSheetImplT::setCenteredVertically(bool) { unsupported(message_, 0); }
double XMLSheetImplT::leftMargin() { return unsupported(message_, 0.0); }
void XMLSheetImplT::setLeftMargin(double) { unsupported(message_, 0); }
double XMLSheetImplT::rightMargin() { return unsupported(message_, 0.0); }
void XMLSheetImplT::setRightMargin(double) { unsupported(message_, 0); }
double XMLSheetImplT::topMargin() { return unsupported(message_, 0.0); }
void XMLSheetImplT::setTopMargin(double) { unsupported(message_, 0); }
double XMLSheetImplT::bottomMargin() { return unsupported(message_, 0.0); }
void XMLSheetImplT::setBottomMargin(double) { unsupported(message_, 0); }
bool XMLSheetImplT::printsHeadings() { return unsupported(message_, false); }
void XMLSheetImplT::setPrintsHeadings(bool) { unsupported(message_, 0); }
void XMLSheetImplT::setPrintRepeatRows(int, int) { unsupported(message_, 0); }
void XMLSheetImplT::setPrintRepeatColumns(int, int) { unsupported(message_, 0); }
void XMLSheetImplT::setPrintArea(int, int, int, int) { unsupported(message_, 0); }
void XMLSheetImplT::clearPrintRepeats() { unsupported(message_, 0); }
void XMLSheetImplT::clearPrintArea() { unsupported(message_, 0); }
bool XMLSheetImplT::namedRange(const char16_t*, int*, int*, int*, int*) { return unsupported(message_, false); }
bool XMLSheetImplT::setNamedRange(const char16_t*, int, int, int, int) { return unsupported(message_, false); }
bool XMLSheetImplT::deleteNamedRange(const char16_t*) { return unsupported(message_, false); }
int XMLSheetImplT::namedRangeCount() { return unsupported(message_, 0); }
const char16_t* XMLSheetImplT::namedRangeAt(int, int*, int*, int*, int*) { return unsupported<const char16_t*>(message_, nullptr); }
bool XMLSheetImplT::isProtected() { return unsupported(message_, false); }
void XMLSheetImplT::setProtected(bool) { unsupported(message_, 0); }

} // namespace karvo::xlsx
