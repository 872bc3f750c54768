// xml_sheet_features.cpp - XMLSheetImplT: the sheet features of Open XML books that
// are not available yet (merged ranges, pictures, page breaks, panes, outlines,
// view, page setup, print settings, named ranges and protection). Each answers
// "not supported" with its failure value.
#include "xlsx/not_supported.h"
#include "xlsx/xml_sheet_impl.h"

namespace karvo::xlsx {

bool XMLSheetImplT::mergeAt(int, int, int*, int*, int*, int*) { return notSupported(message_, false); }
bool XMLSheetImplT::addMerge(int, int, int, int) { return notSupported(message_, false); }
bool XMLSheetImplT::removeMerge(int, int) { return notSupported(message_, false); }
int XMLSheetImplT::rowBreakAt(int) { return notSupported(message_, 0); }
int XMLSheetImplT::rowBreakCount() { return notSupported(message_, 0); }
int XMLSheetImplT::columnBreakAt(int) { return notSupported(message_, 0); }
int XMLSheetImplT::columnBreakCount() { return notSupported(message_, 0); }
bool XMLSheetImplT::setRowBreak(int, bool) { return notSupported(message_, false); }
bool XMLSheetImplT::setColumnBreak(int, bool) { return notSupported(message_, false); }
void XMLSheetImplT::splitPanes(int, int) { notSupported(message_, 0); }
bool XMLSheetImplT::groupRows(int, int, bool) { return notSupported(message_, false); }
bool XMLSheetImplT::groupColumns(int, int, bool) { return notSupported(message_, false); }
bool XMLSheetImplT::summaryRowsBelow() { return notSupported(message_, false); }
void XMLSheetImplT::setSummaryRowsBelow(bool) { notSupported(message_, 0); }
bool XMLSheetImplT::summaryColumnsRight() { return notSupported(message_, false); }
void XMLSheetImplT::setSummaryColumnsRight(bool) { notSupported(message_, 0); }
bool XMLSheetImplT::showsGridlines() { return notSupported(message_, false); }
void XMLSheetImplT::setShowsGridlines(bool) { notSupported(message_, 0); }
bool XMLSheetImplT::printsGridlines() { return notSupported(message_, false); }
void XMLSheetImplT::setPrintsGridlines(bool) { notSupported(message_, 0); }
int XMLSheetImplT::zoom() { return notSupported(message_, 0); }
void XMLSheetImplT::setZoom(int) { notSupported(message_, 0); }
int XMLSheetImplT::printScale() { return notSupported(message_, 0); }
void XMLSheetImplT::setPrintScale(int) { notSupported(message_, 0); }
bool XMLSheetImplT::printFitPages(int*, int*) { return notSupported(message_, false); }
void XMLSheetImplT::setPrintFitPages(int, int) { notSupported(message_, 0); }
bool XMLSheetImplT::isLandscape() { return notSupported(message_, false); }
void XMLSheetImplT::setLandscape(bool) { notSupported(message_, 0); }
int XMLSheetImplT::paperSize() { return notSupported(message_, 0); }
void XMLSheetImplT::setPaperSize(int) { notSupported(message_, 0); }
const char16_t* XMLSheetImplT::headerText() { return notSupported<const char16_t*>(message_, nullptr); }
bool XMLSheetImplT::setHeader(const char16_t*, double) { return notSupported(message_, false); }
double XMLSheetImplT::headerMargin() { return notSupported(message_, 0.0); }
const char16_t* XMLSheetImplT::footerText() { return notSupported<const char16_t*>(message_, nullptr); }
bool XMLSheetImplT::setFooter(const char16_t*, double) { return notSupported(message_, false); }
double XMLSheetImplT::footerMargin() { return notSupported(message_, 0.0); }
bool XMLSheetImplT::centeredHorizontally() { return notSupported(message_, false); }
void XMLSheetImplT::setCenteredHorizontally(bool) { notSupported(message_, 0); }
bool XMLSheetImplT::centeredVertically() { return notSupported(message_, false); }
void XMLSheetImplT::setCenteredVertically(bool) { notSupported(message_, 0); }
double XMLSheetImplT::leftMargin() { return notSupported(message_, 0.0); }
void XMLSheetImplT::setLeftMargin(double) { notSupported(message_, 0); }
double XMLSheetImplT::rightMargin() { return notSupported(message_, 0.0); }
void XMLSheetImplT::setRightMargin(double) { notSupported(message_, 0); }
double XMLSheetImplT::topMargin() { return notSupported(message_, 0.0); }
void XMLSheetImplT::setTopMargin(double) { notSupported(message_, 0); }
double XMLSheetImplT::bottomMargin() { return notSupported(message_, 0.0); }
void XMLSheetImplT::setBottomMargin(double) { notSupported(message_, 0); }
bool XMLSheetImplT::printsHeadings() { return notSupported(message_, false); }
void XMLSheetImplT::setPrintsHeadings(bool) { notSupported(message_, 0); }
void XMLSheetImplT::setPrintRepeatRows(int, int) { notSupported(message_, 0); }
void XMLSheetImplT::setPrintRepeatColumns(int, int) { notSupported(message_, 0); }
void XMLSheetImplT::setPrintArea(int, int, int, int) { notSupported(message_, 0); }
void XMLSheetImplT::clearPrintRepeats() { notSupported(message_, 0); }
void XMLSheetImplT::clearPrintArea() { notSupported(message_, 0); }
bool XMLSheetImplT::namedRange(const char16_t*, int*, int*, int*, int*) { return notSupported(message_, false); }
bool XMLSheetImplT::setNamedRange(const char16_t*, int, int, int, int) { return notSupported(message_, false); }
bool XMLSheetImplT::deleteNamedRange(const char16_t*) { return notSupported(message_, false); }
int XMLSheetImplT::namedRangeCount() { return notSupported(message_, 0); }
const char16_t* XMLSheetImplT::namedRangeAt(int, int*, int*, int*, int*) { return notSupported<const char16_t*>(message_, nullptr); }
bool XMLSheetImplT::isProtected() { return notSupported(message_, false); }
void XMLSheetImplT::setProtected(bool) { notSupported(message_, 0); }

} // namespace karvo::xlsx
