// xml_sheet_impl.h - XMLSheetImplT, a worksheet part of an Open XML book.
//
// The cells live in the part's own tree: loading is parsing and saving is
// marshalling, with no second cell store. Rows and cells are kept in order and
// found by binary search.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/interfaces.h"
#include "core/operation_frame.h"
#include "xlsx/ooxml/sml-sheet.h"
#include "xlsx/ooxml/sml-workbook.h"
#include "xlsx/package_part.h"

namespace karvo::xlsx {

class XMLBookImplT;

class XMLSheetImplT final : public XmlFile<sheet::c_worksheet>, public ISheet {
public:
    /// A new, empty worksheet.
    explicit XMLSheetImplT(XMLBookImplT& book);
    XMLSheetImplT(XMLBookImplT& book, const char* data, std::size_t size);
    XMLSheetImplT(XMLBookImplT& book, lmx::chunk_source source);
    /// A copy of another sheet's worksheet, for a sheet inserted with an initial sheet.
    XMLSheetImplT(XMLBookImplT& book, const XMLSheetImplT& other);

    /// Cleans what the tree cannot write back consistently, then marshals it.
    void write(std::string& buffer, const lmx::byte_drain& drain) override;

    // ---- what the book uses ----
    XMLBookImplT& book() const { return book_; }
    /// The position of the sheet among the book's sheets; -1 while it has none.
    /// The book keeps it current through every insert and delete.
    int index() const { return index_; }
    void setIndex(int index) { index_ = index; }
    /// The tab-selected flag of the sheet's first view.
    void setSelected(bool selected);

    // ---- ISheet, in slot order ----
    CellType cellType(int row, int col) override;
    bool cellIsFormula(int row, int col) override;
    IFormat* cellFormat(int row, int col) override;
    void setCellFormat(int row, int col, IFormat* format) override;
    const char16_t* readString(int row, int col, IFormat** format) override;
    bool writeString(int row, int col, const char16_t* value, IFormat* format) override;
    double readNumber(int row, int col, IFormat** format) override;
    bool writeNumber(int row, int col, double value, IFormat* format) override;
    bool readBool(int row, int col, IFormat** format) override;
    bool writeBool(int row, int col, bool value, IFormat* format) override;
    bool readBlank(int row, int col, IFormat** format) override;
    bool writeBlank(int row, int col, IFormat* format) override;
    const char16_t* readFormula(int row, int col, IFormat** format) override;
    bool writeFormula(int row, int col, const char16_t* expr, IFormat* format) override;
    const char16_t* readComment(int row, int col) override;
    void writeComment(int row, int col, const char16_t* value, const char16_t* author, int width, int height) override;
    bool cellIsDate(int row, int col) override;
    ErrorType readError(int row, int col) override;
    double columnWidth(int col) override;
    double rowHeight(int row) override;
    bool setColumns(int colFirst, int colLast, double width, IFormat* format, bool hidden) override;
    bool setRow(int row, double height, IFormat* format, bool hidden) override;
    bool rowIsHidden(int row) override;
    bool setRowHidden(int row, bool hidden) override;
    bool columnIsHidden(int col) override;
    bool setColumnHidden(int col, bool hidden) override;
    bool mergeAt(int row, int col, int* rowFirst, int* rowLast, int* colFirst, int* colLast) override;
    bool addMerge(int rowFirst, int rowLast, int colFirst, int colLast) override;
    bool removeMerge(int row, int col) override;
    int pictureCount() override;
    int pictureAt(int index, int* rowTop, int* colLeft, int* rowBottom, int* colRight, int* width, int* height, int* offsetX, int* offsetY) override;
    void placePictureScaled(int row, int col, int pictureId, double scale, int offsetX, int offsetY) override;
    void placePictureSized(int row, int col, int pictureId, int width, int height, int offsetX, int offsetY) override;
    int rowBreakAt(int index) override;
    int rowBreakCount() override;
    int columnBreakAt(int index) override;
    int columnBreakCount() override;
    bool setRowBreak(int row, bool pageBreak) override;
    bool setColumnBreak(int col, bool pageBreak) override;
    void splitPanes(int row, int col) override;
    bool groupRows(int rowFirst, int rowLast, bool collapsed) override;
    bool groupColumns(int colFirst, int colLast, bool collapsed) override;
    bool summaryRowsBelow() override;
    void setSummaryRowsBelow(bool below) override;
    bool summaryColumnsRight() override;
    void setSummaryColumnsRight(bool right) override;
    bool clearCells(int rowFirst, int rowLast, int colFirst, int colLast) override;
    bool insertColumns(int colFirst, int colLast) override;
    bool insertRows(int rowFirst, int rowLast) override;
    bool removeColumns(int colFirst, int colLast) override;
    bool removeRows(int rowFirst, int rowLast) override;
    bool copyCell(int rowSrc, int colSrc, int rowDst, int colDst) override;
    int firstRow() override;
    int lastRow() override;
    int firstColumn() override;
    int lastColumn() override;
    bool showsGridlines() override;
    void setShowsGridlines(bool show) override;
    bool printsGridlines() override;
    void setPrintsGridlines(bool print) override;
    int zoom() override;
    void setZoom(int zoom) override;
    int printScale() override;
    void setPrintScale(int zoom) override;
    bool printFitPages(int* wPages, int* hPages) override;
    void setPrintFitPages(int wPages, int hPages) override;
    bool isLandscape() override;
    void setLandscape(bool landscape) override;
    int paperSize() override;
    void setPaperSize(int paper) override;
    const char16_t* headerText() override;
    bool setHeader(const char16_t* header, double margin) override;
    double headerMargin() override;
    const char16_t* footerText() override;
    bool setFooter(const char16_t* footer, double margin) override;
    double footerMargin() override;
    bool centeredHorizontally() override;
    void setCenteredHorizontally(bool centered) override;
    bool centeredVertically() override;
    void setCenteredVertically(bool centered) override;
    double leftMargin() override;
    void setLeftMargin(double margin) override;
    double rightMargin() override;
    void setRightMargin(double margin) override;
    double topMargin() override;
    void setTopMargin(double margin) override;
    double bottomMargin() override;
    void setBottomMargin(double margin) override;
    bool printsHeadings() override;
    void setPrintsHeadings(bool print) override;
    void setPrintRepeatRows(int rowFirst, int rowLast) override;
    void setPrintRepeatColumns(int colFirst, int colLast) override;
    void setPrintArea(int rowFirst, int rowLast, int colFirst, int colLast) override;
    void clearPrintRepeats() override;
    void clearPrintArea() override;
    bool namedRange(const char16_t* name, int* rowFirst, int* rowLast, int* colFirst, int* colLast) override;
    bool setNamedRange(const char16_t* name, int rowFirst, int rowLast, int colFirst, int colLast) override;
    bool deleteNamedRange(const char16_t* name) override;
    int namedRangeCount() override;
    const char16_t* namedRangeAt(int index, int* rowFirst, int* rowLast, int* colFirst, int* colLast) override;
    const char16_t* sheetName() override;
    void setSheetName(const char16_t* name) override;
    bool isProtected() override;
    void setProtected(bool protect) override;
    SheetState sheetState() override;
    bool setSheetState(SheetState state) override;
    void addressToRowCol(const char16_t* addr, int* row, int* col, bool* rowRelative, bool* colRelative) override;
    const char16_t* rowColToAddress(int row, int col, bool rowRelative, bool colRelative) override;

private:
    struct UsedRange {
        int firstRow = 0, lastRow = 0, firstCol = 0, lastCol = 0;  ///< last ones exclusive
        bool stale = true;
    };
    struct CellPosition {
        int row = 0, col = 0;
    };

    void afterLoad();
    template <class Result, class Body>
    Result run(std::type_identity_t<Result> failure, Body&& body) {
        return runOperation<Body, Result>(message_, failure, std::forward<Body>(body));
    }
    template <class Body>
    void run(Body&& body) {
        runOperation(message_, std::forward<Body>(body));
    }

    // Rows and cells (xml_sheet_cells.cpp).
    std::size_t rowPosition(std::uint32_t r) const;
    sheet::c_CT_Row* findRow(int row) const;
    sheet::c_CT_Row& makeRow(int row);
    sheet::c_CT_Cell* findCell(int row, int col) const;
    sheet::c_CT_Cell& requireCell(int row, int col) const;
    sheet::c_CT_Cell& prepareCell(int row, int col, IFormat* format, bool clear);
    void widen(int row, int col);
    void recomputeUsedRange();
    IFormat* formatOf(const sheet::c_CT_Cell& cell) const;
    void handOutFormat(const sheet::c_CT_Cell& cell, IFormat** format) const;

    // Shared formulas (xml_sheet_formulas.cpp).
    std::u16string storedFormula(int row, const sheet::c_CT_Cell& cell);
    const CellPosition* sharedHead(std::uint32_t si);
    void expandSharedGroup(int row, sheet::c_CT_Cell& head);

    // Moving cells (xml_sheet_shift.cpp).
    template <class Change>
    void changeMerges(Change&& change);
    void cellsMoved();
    void shiftDrawing(bool rows, int first, int last, bool insert);

    // Defined names of the sheet (xml_sheet_names.cpp).
    workbook::c_workbook& namesBook() const;
    std::u16string namePrefix() const;
    std::u16string rangeText(int rowFirst, int rowLast, int colFirst, int colLast) const;
    void setPrintTitles(bool rows, std::u16string part);
    void renameInNames(const std::u16string& oldName);

    // Columns (xml_sheet_rows.cpp).
    const sheet::c_CT_Col* findColumn(int col) const;
    double defaultColumnWidth() const;
    std::vector<sheet::c_CT_Col*> columnRanges(int colFirst, int colLast);

    // Cell sizes for pictures (xml_sheet_pictures.cpp).
    int columnPixels(int col) const;
    int rowPixels(int row) const;

    XMLBookImplT& book_;
    BookMessage& message_;
    int index_ = -1;
    UsedRange used_;
    std::unordered_map<std::uint32_t, CellPosition> sharedHeads_;
    bool sharedHeadsStale_ = true;
    std::u16string text_;  ///< the last text handed out
};

} // namespace karvo::xlsx
