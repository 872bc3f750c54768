// sheet_impl.h - SheetImplT, the worksheet of a binary book.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/interfaces.h"
#include "core/operation_frame.h"
#include "xls/record_reader.h"
#include "xls/record_writer.h"
#include "xls/sheet_data.h"
#include "xls/sheet_host.h"

namespace karvo {

/// A sheet of a binary book: the ISheet operations over SheetData. Operations report
/// through the host's message; the book calls load, save and the rest directly.
class SheetImplT final : public ISheet {
public:
    /// A new, empty worksheet with a new sheet's settings.
    SheetImplT(SheetHost& host, std::u16string name);
    ~SheetImplT() = default;
    SheetImplT(const SheetImplT&) = delete;
    SheetImplT& operator=(const SheetImplT&) = delete;

    // ---- what the book uses ----
    /// Reads the substream whose BOF is the reader's next record, through its EOF.
    void load(RecordReader& records, std::uint16_t biffVersion);
    /// Rewrites the formulas that a BIFF5 file stored in BIFF8 form (sheet_formulas.cpp).
    void translateBiff5Formulas();
    /// Renumbers the name tokens of the sheet's formulas after a defined name left the
    /// book (see renumberNameTokens in name_tokens.h).
    void renumberNameTokens(std::uint32_t removed, const std::function<bool(std::uint16_t)>& ownBook);
    void save(RecordWriter& out);
    std::u16string_view name() const { return name_; }
    /// Renames without checks; the book has checked the name.
    void rename(std::u16string name) { name_ = std::move(name); }
    /// Copies everything but the name from a sheet of the same book.
    void copyFrom(const SheetImplT& other);
    /// Gives back every shared-string use of the cells, before the book drops the sheet.
    void releaseStrings();
    std::uint16_t bofType() const { return data_.bof.dt; }
    /// The Window2 selected flag: the book sets it on its active sheet only.
    void setSelected(bool selected);
    /// Sizes in pixels, for placing drawings.
    int columnPixels(int col) const;
    int rowPixels(int row) const;
    const SheetData& data() const { return data_; }
    /// The drawings of the sheet and of its embedded charts, for the book's drawing group.
    std::vector<DrawingIds> drawingIds() const;

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
    void writeComment(int row, int col, const char16_t* value, const char16_t* author, int width,
                      int height) override;
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
    int pictureAt(int index, int* rowTop, int* colLeft, int* rowBottom, int* colRight, int* width, int* height,
                  int* offsetX, int* offsetY) override;
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
    template <class Result, class Body>
    Result run(Result failure, Body&& body) {
        return runOperation(host_.message(), failure, std::forward<Body>(body));
    }
    template <class Body>
    void run(Body&& body) {
        runOperation(host_.message(), std::forward<Body>(body));
    }
    const char16_t* keepText(std::u16string_view text);

    // cells (sheet_cells.cpp)
    std::uint16_t xfOf(IFormat* format);
    std::uint16_t writeXf(int row, int col, IFormat* format);
    template <class Entry>
    Entry& writable(int row, int col, std::uint16_t xf);
    void dropCell(int row, int col);
    void handOverShared(int row, int col);
    CellHandle usedHandle(int row, int col);
    void giveFormat(IFormat** format, CellHandle h);
    void storeString(int row, int col, std::u16string_view text, std::uint16_t xf);
    const FormulaBlock* formulaResult(CellHandle h, FormulaResult type);
    const Dimensions& bounds();

    // rows and columns (sheet_layout.cpp)
    const RowEntry* rowEntry(int row) const;
    const ColEntry* colEntry(int col) const;
    int rowTwips(int row) const;
    double widthOf(const ColEntry* entry) const;
    void applyRow(int row, int twips, int xf, bool hidden);
    void applyColumns(int colFirst, int colLast, double width, int xf, bool hidden);
    void moveRowHeightsUp(int first, int n);
    void moveColumnWidthsLeft(int first, int n);

    // drawings (sheet_pictures.cpp, sheet_comments.cpp)
    void loadDrawing(bool biff5);
    OfficeArtClientAnchorSheet anchorAt(int row, int col, int width, int height, int offsetX, int offsetY) const;
    void addComment(int row, int col, std::u16string_view text, std::u16string_view author, int width, int height);
    void shiftDrawing(bool rows, int first, int last, bool insert);
    void removeComments(int rowFirst, int rowLast, int colFirst, int colLast);

    SheetHost& host_;
    std::u16string name_;
    SheetData data_;
    std::u16string text_; ///< the text a text-returning operation handed out last
};

} // namespace karvo
