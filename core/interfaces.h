// interfaces.h - the four abstract interfaces every workbook family implements.
// Operations are declared in slot order; the binding and callers hold only these.
#pragma once

#include <cstddef>

// Siblings are included by plain name, so these headers work both from the source
// tree and installed together under include/karvo/.
#include "api.h"
#include "enums.h"

namespace karvo {

template <class TCHAR> class ISheetT;
template <class TCHAR> class IFormatT;
template <class TCHAR> class IFontT;

template <class TCHAR>
class KARVO_API IBookT {
public:
    virtual bool load(const TCHAR* filename) = 0;
    virtual bool save(const TCHAR* filename) = 0;
    virtual bool loadFromMemory(const char* data, std::size_t size) = 0;
    virtual bool saveToMemory(const char** data, std::size_t* size) = 0;
    virtual ISheetT<TCHAR>* addSheet(const TCHAR* name, ISheetT<TCHAR>* initSheet = nullptr) = 0;
    virtual ISheetT<TCHAR>* insertSheet(int index, const TCHAR* name, ISheetT<TCHAR>* initSheet = nullptr) = 0;
    virtual ISheetT<TCHAR>* getSheet(int index) = 0;
    virtual bool deleteSheet(int index) = 0;
    virtual int sheetCount() = 0;
    virtual IFormatT<TCHAR>* addFormat(IFormatT<TCHAR>* initFormat = nullptr) = 0;
    virtual IFontT<TCHAR>* addFont(IFontT<TCHAR>* initFont = nullptr) = 0;
    virtual int addCustomNumFormat(const TCHAR* customNumFormat) = 0;
    virtual const TCHAR* customNumFormat(int fmt) = 0;
    virtual IFormatT<TCHAR>* formatAt(int index) = 0;
    virtual int formatCount() = 0;
    virtual IFontT<TCHAR>* fontAt(int index) = 0;
    virtual int fontCount() = 0;
    virtual double packDate(int year, int month, int day, int hour, int min, int sec, int tenths) = 0;
    virtual bool unpackDate(double value, int* year, int* month, int* day, int* hour, int* min, int* sec,
                            int* tenths) = 0;
    virtual Color packColor(int red, int green, int blue) = 0;
    virtual void unpackColor(Color color, int* red, int* green, int* blue) = 0;
    virtual int activeSheetNumber() = 0;
    virtual void setActiveSheetNumber(int index) = 0;
    virtual int pictureCount() = 0;
    virtual PictureType pictureAt(int index, const char** data, std::size_t* size) = 0;
    virtual int addPictureFile(const TCHAR* filename) = 0;
    virtual int addPictureData(const char* data, std::size_t size) = 0;
    virtual const TCHAR* defaultFont(int* fontSize) = 0;
    virtual void setDefaultFont(const TCHAR* fontName, int fontSize) = 0;
    virtual bool usesR1C1() = 0;
    virtual void setUsesR1C1(bool r1c1) = 0;
    virtual bool rgbColorMode() = 0;
    virtual void setRgbColorMode(bool rgbMode) = 0;
    virtual int binaryVersion() = 0;
    virtual bool setLocale(const char* locale) = 0;
    virtual const char* errorMessage() = 0;
    virtual void release() = 0;

protected:
    ~IBookT() = default;  // books are destroyed through release()
};

template <class TCHAR>
class KARVO_API ISheetT {
public:
    virtual CellType cellType(int row, int col) = 0;
    virtual bool cellIsFormula(int row, int col) = 0;
    virtual IFormatT<TCHAR>* cellFormat(int row, int col) = 0;
    virtual void setCellFormat(int row, int col, IFormatT<TCHAR>* format) = 0;
    virtual const TCHAR* readString(int row, int col, IFormatT<TCHAR>** format = nullptr) = 0;
    virtual bool writeString(int row, int col, const TCHAR* value, IFormatT<TCHAR>* format = nullptr) = 0;
    virtual double readNumber(int row, int col, IFormatT<TCHAR>** format = nullptr) = 0;
    virtual bool writeNumber(int row, int col, double value, IFormatT<TCHAR>* format = nullptr) = 0;
    virtual bool readBool(int row, int col, IFormatT<TCHAR>** format = nullptr) = 0;
    virtual bool writeBool(int row, int col, bool value, IFormatT<TCHAR>* format = nullptr) = 0;
    virtual bool readBlank(int row, int col, IFormatT<TCHAR>** format) = 0;
    virtual bool writeBlank(int row, int col, IFormatT<TCHAR>* format) = 0;
    virtual const TCHAR* readFormula(int row, int col, IFormatT<TCHAR>** format = nullptr) = 0;
    virtual bool writeFormula(int row, int col, const TCHAR* expr, IFormatT<TCHAR>* format = nullptr) = 0;
    virtual const TCHAR* readComment(int row, int col) = 0;
    virtual void writeComment(int row, int col, const TCHAR* value, const TCHAR* author = nullptr, int width = 129,
                              int height = 75) = 0;
    virtual bool cellIsDate(int row, int col) = 0;
    virtual ErrorType readError(int row, int col) = 0;
    virtual double columnWidth(int col) = 0;
    virtual double rowHeight(int row) = 0;
    virtual bool setColumns(int colFirst, int colLast, double width, IFormatT<TCHAR>* format = nullptr,
                            bool hidden = false) = 0;
    virtual bool setRow(int row, double height, IFormatT<TCHAR>* format = nullptr, bool hidden = false) = 0;
    virtual bool rowIsHidden(int row) = 0;
    virtual bool setRowHidden(int row, bool hidden) = 0;
    virtual bool columnIsHidden(int col) = 0;
    virtual bool setColumnHidden(int col, bool hidden) = 0;
    virtual bool mergeAt(int row, int col, int* rowFirst, int* rowLast, int* colFirst, int* colLast) = 0;
    virtual bool addMerge(int rowFirst, int rowLast, int colFirst, int colLast) = 0;
    virtual bool removeMerge(int row, int col) = 0;
    virtual int pictureCount() = 0;
    virtual int pictureAt(int index, int* rowTop, int* colLeft, int* rowBottom, int* colRight, int* width,
                          int* height, int* offsetX, int* offsetY) = 0;
    virtual void placePictureScaled(int row, int col, int pictureId, double scale, int offsetX = 0,
                                    int offsetY = 0) = 0;
    virtual void placePictureSized(int row, int col, int pictureId, int width, int height, int offsetX = 0,
                                   int offsetY = 0) = 0;
    virtual int rowBreakAt(int index) = 0;
    virtual int rowBreakCount() = 0;
    virtual int columnBreakAt(int index) = 0;
    virtual int columnBreakCount() = 0;
    virtual bool setRowBreak(int row, bool pageBreak = true) = 0;
    virtual bool setColumnBreak(int col, bool pageBreak = true) = 0;
    virtual void splitPanes(int row, int col) = 0;
    virtual bool groupRows(int rowFirst, int rowLast, bool collapsed = true) = 0;
    virtual bool groupColumns(int colFirst, int colLast, bool collapsed = true) = 0;
    virtual bool summaryRowsBelow() = 0;
    virtual void setSummaryRowsBelow(bool below) = 0;
    virtual bool summaryColumnsRight() = 0;
    virtual void setSummaryColumnsRight(bool right) = 0;
    virtual bool clearCells(int rowFirst, int rowLast, int colFirst, int colLast) = 0;
    virtual bool insertColumns(int colFirst, int colLast) = 0;
    virtual bool insertRows(int rowFirst, int rowLast) = 0;
    virtual bool removeColumns(int colFirst, int colLast) = 0;
    virtual bool removeRows(int rowFirst, int rowLast) = 0;
    virtual bool copyCell(int rowSrc, int colSrc, int rowDst, int colDst) = 0;
    virtual int firstRow() = 0;
    virtual int lastRow() = 0;
    virtual int firstColumn() = 0;
    virtual int lastColumn() = 0;
    virtual bool showsGridlines() = 0;
    virtual void setShowsGridlines(bool show) = 0;
    virtual bool printsGridlines() = 0;
    virtual void setPrintsGridlines(bool print) = 0;
    virtual int zoom() = 0;
    virtual void setZoom(int zoom) = 0;
    virtual int printScale() = 0;
    virtual void setPrintScale(int zoom) = 0;
    virtual bool printFitPages(int* wPages, int* hPages) = 0;
    virtual void setPrintFitPages(int wPages, int hPages) = 0;
    virtual bool isLandscape() = 0;
    virtual void setLandscape(bool landscape) = 0;
    virtual int paperSize() = 0;
    virtual void setPaperSize(int paper) = 0;
    virtual const TCHAR* headerText() = 0;
    virtual bool setHeader(const TCHAR* header, double margin = 0.5) = 0;
    virtual double headerMargin() = 0;
    virtual const TCHAR* footerText() = 0;
    virtual bool setFooter(const TCHAR* footer, double margin = 0.5) = 0;
    virtual double footerMargin() = 0;
    virtual bool centeredHorizontally() = 0;
    virtual void setCenteredHorizontally(bool centered) = 0;
    virtual bool centeredVertically() = 0;
    virtual void setCenteredVertically(bool centered) = 0;
    virtual double leftMargin() = 0;
    virtual void setLeftMargin(double margin) = 0;
    virtual double rightMargin() = 0;
    virtual void setRightMargin(double margin) = 0;
    virtual double topMargin() = 0;
    virtual void setTopMargin(double margin) = 0;
    virtual double bottomMargin() = 0;
    virtual void setBottomMargin(double margin) = 0;
    virtual bool printsHeadings() = 0;
    virtual void setPrintsHeadings(bool print) = 0;
    virtual void setPrintRepeatRows(int rowFirst, int rowLast) = 0;
    virtual void setPrintRepeatColumns(int colFirst, int colLast) = 0;
    virtual void setPrintArea(int rowFirst, int rowLast, int colFirst, int colLast) = 0;
    virtual void clearPrintRepeats() = 0;
    virtual void clearPrintArea() = 0;
    virtual bool namedRange(const TCHAR* name, int* rowFirst, int* rowLast, int* colFirst, int* colLast) = 0;
    virtual bool setNamedRange(const TCHAR* name, int rowFirst, int rowLast, int colFirst, int colLast) = 0;
    virtual bool deleteNamedRange(const TCHAR* name) = 0;
    virtual int namedRangeCount() = 0;
    virtual const TCHAR* namedRangeAt(int index, int* rowFirst, int* rowLast, int* colFirst, int* colLast) = 0;
    virtual const TCHAR* sheetName() = 0;
    virtual void setSheetName(const TCHAR* name) = 0;
    virtual bool isProtected() = 0;
    virtual void setProtected(bool protect) = 0;
    virtual SheetState sheetState() = 0;
    virtual bool setSheetState(SheetState state) = 0;
    virtual void addressToRowCol(const TCHAR* addr, int* row, int* col, bool* rowRelative = nullptr,
                                 bool* colRelative = nullptr) = 0;
    virtual const TCHAR* rowColToAddress(int row, int col, bool rowRelative = true, bool colRelative = true) = 0;

protected:
    ~ISheetT() = default;  // sheets belong to their book
};

template <class TCHAR>
class KARVO_API IFormatT {
public:
    virtual IFontT<TCHAR>* font() = 0;
    virtual bool setFont(IFontT<TCHAR>* font) = 0;
    virtual int numFormat() = 0;
    virtual void setNumFormat(int numFormat) = 0;
    virtual AlignH alignH() = 0;
    virtual void setAlignH(AlignH align) = 0;
    virtual AlignV alignV() = 0;
    virtual void setAlignV(AlignV align) = 0;
    virtual bool wrap() = 0;
    virtual void setWrap(bool wrap) = 0;
    virtual int rotation() = 0;
    virtual bool setRotation(int rotation) = 0;
    virtual int indent() = 0;
    virtual void setIndent(int indent) = 0;
    virtual bool shrinkToFit() = 0;
    virtual void setShrinkToFit(bool shrinkToFit) = 0;
    virtual void setBorder(BorderStyle style) = 0;
    virtual void setBorderColor(Color color) = 0;
    virtual BorderStyle borderLeft() = 0;
    virtual void setBorderLeft(BorderStyle style) = 0;
    virtual BorderStyle borderRight() = 0;
    virtual void setBorderRight(BorderStyle style) = 0;
    virtual BorderStyle borderTop() = 0;
    virtual void setBorderTop(BorderStyle style) = 0;
    virtual BorderStyle borderBottom() = 0;
    virtual void setBorderBottom(BorderStyle style) = 0;
    virtual Color borderLeftColor() = 0;
    virtual void setBorderLeftColor(Color color) = 0;
    virtual Color borderRightColor() = 0;
    virtual void setBorderRightColor(Color color) = 0;
    virtual Color borderTopColor() = 0;
    virtual void setBorderTopColor(Color color) = 0;
    virtual Color borderBottomColor() = 0;
    virtual void setBorderBottomColor(Color color) = 0;
    virtual BorderDiagonal borderDiagonal() = 0;
    virtual void setBorderDiagonal(BorderDiagonal border) = 0;
    virtual BorderStyle borderDiagonalStyle() = 0;
    virtual void setBorderDiagonalStyle(BorderStyle style) = 0;
    virtual Color borderDiagonalColor() = 0;
    virtual void setBorderDiagonalColor(Color color) = 0;
    virtual FillPattern fillPattern() = 0;
    virtual void setFillPattern(FillPattern pattern) = 0;
    virtual Color patternForegroundColor() = 0;
    virtual void setPatternForegroundColor(Color color) = 0;
    virtual Color patternBackgroundColor() = 0;
    virtual void setPatternBackgroundColor(Color color) = 0;
    virtual bool locked() = 0;
    virtual void setLocked(bool locked) = 0;
    virtual bool hidden() = 0;
    virtual void setHidden(bool hidden) = 0;

protected:
    ~IFormatT() = default;  // formats belong to their book
};

template <class TCHAR>
class KARVO_API IFontT {
public:
    virtual int size() = 0;
    virtual void setSize(int size) = 0;
    virtual bool italic() = 0;
    virtual void setItalic(bool italic) = 0;
    virtual bool strikeOut() = 0;
    virtual void setStrikeOut(bool strikeOut) = 0;
    virtual Color color() = 0;
    virtual void setColor(Color color) = 0;
    virtual bool bold() = 0;
    virtual void setBold(bool bold) = 0;
    virtual Script script() = 0;
    virtual void setScript(Script script) = 0;
    virtual Underline underline() = 0;
    virtual void setUnderline(Underline underline) = 0;
    virtual const TCHAR* name() = 0;
    virtual bool setName(const TCHAR* name) = 0;

protected:
    ~IFontT() = default;  // fonts belong to their book
};

/// Wide text is UTF-16 on every platform, whatever the size of wchar_t.
using IBook = IBookT<char16_t>;
using ISheet = ISheetT<char16_t>;
using IFormat = IFormatT<char16_t>;
using IFont = IFontT<char16_t>;

// The vtables and type information live in the library, exported (KARVO_API above):
// a program may derive a test double from an interface, or dynamic_cast through one.
extern template class IBookT<char16_t>;
extern template class ISheetT<char16_t>;
extern template class IFormatT<char16_t>;
extern template class IFontT<char16_t>;

} // namespace karvo
