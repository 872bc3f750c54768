// book_impl.h - BookImplT, the binary (.xls) workbook.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/book_locale.h"
#include "core/interfaces.h"
#include "core/operation_frame.h"
#include "core/text_pair.h"
#include "xls/bof.h"
#include "xls/book_formulas.h"
#include "xls/book_names.h"
#include "xls/bound_sheet.h"
#include "xls/code_page.h"
#include "xls/defined_name.h"
#include "xls/drawing_group.h"
#include "xls/external_refs.h"
#include "xls/format_tables.h"
#include "xls/raw_record.h"
#include "xls/sheet_host.h"
#include "xls/sheet_impl.h"
#include "xls/sst.h"
#include "xls/workbook_globals.h"

namespace karvo {

class Xls;
class SaveFile;
class RecordWriter;

class BookImplT final : public IBook, public SheetHost {
public:
    BookImplT();
    ~BookImplT();
    BookImplT(const BookImplT&) = delete;
    BookImplT& operator=(const BookImplT&) = delete;

    // IBook
    bool load(const char16_t* filename) override;
    bool save(const char16_t* filename) override;
    bool loadFromMemory(const char* data, std::size_t size) override;
    bool saveToMemory(const char** data, std::size_t* size) override;
    ISheet* addSheet(const char16_t* name, ISheet* initSheet) override;
    ISheet* insertSheet(int index, const char16_t* name, ISheet* initSheet) override;
    ISheet* getSheet(int index) override;
    bool deleteSheet(int index) override;
    int sheetCount() override;
    IFormat* addFormat(IFormat* initFormat) override;
    IFont* addFont(IFont* initFont) override;
    int addCustomNumFormat(const char16_t* customNumFormat) override;
    const char16_t* customNumFormat(int fmt) override;
    IFormat* formatAt(int index) override;
    int formatCount() override;
    IFont* fontAt(int index) override;
    int fontCount() override;
    double packDate(int year, int month, int day, int hour, int min, int sec, int tenths) override;
    bool unpackDate(double value, int* year, int* month, int* day, int* hour, int* min, int* sec,
                    int* tenths) override;
    Color packColor(int red, int green, int blue) override;
    void unpackColor(Color color, int* red, int* green, int* blue) override;
    int activeSheetNumber() override;
    void setActiveSheetNumber(int index) override;
    int pictureCount() override;
    PictureType pictureAt(int index, const char** data, std::size_t* size) override;
    int addPictureFile(const char16_t* filename) override;
    int addPictureData(const char* data, std::size_t size) override;
    const char16_t* defaultFont(int* fontSize) override;
    void setDefaultFont(const char16_t* fontName, int fontSize) override;
    bool usesR1C1() override;
    void setUsesR1C1(bool r1c1) override;
    bool rgbColorMode() override;
    void setRgbColorMode(bool rgbMode) override;
    int binaryVersion() override;
    bool setLocale(const char* locale) override;
    const char* errorMessage() override;
    void release() override;

    // SheetHost
    BookMessage& message() override { return message_; }
    int formatIndex(IFormat* format) override;
    IFormat* formatAtIndex(int xf) override;
    SharedStrings& sharedStrings() override { return sst_; }
    FormulaBook& formulaBook() override { return formulas_; }
    DateSystem dateSystem() override;
    int maxDigitWidth() override;
    SheetState sheetState(const SheetImplT* sheet) override;
    bool setSheetState(const SheetImplT* sheet, SheetState state) override;
    int sheetPosition(const SheetImplT* sheet) override;
    BookNames& bookNames() override { return bookNames_; }
    DrawingGroup& drawingGroup() override { return drawingGroup_; }

private:
    void reset();
    void readFile(Xls& xls);
    void readGlobals(Xls& xls, NarrowCodePage::Scope& codePage);
    void readSheets(Xls& xls);
    std::vector<std::uint8_t> writeFile();
    void writeFile(SaveFile& file);
    void writeStream(RecordWriter& out);
    void writeGlobals(RecordWriter& out, std::vector<std::size_t>& positionFields);
    /// Replaces the book with what `open` opens; a failed load leaves an empty book.
    bool loadFrom(const std::function<Xls()>& open);
    int indexOfSheet(const SheetImplT* sheet) const;
    void shiftSheetReferences(int index, int delta);
    void renumberNameTokens(std::uint32_t removed);
    std::vector<DrawingIds> sheetDrawingIds() const;

    BookMessage message_;
    BookLocale locale_;
    Bof bof_;
    WorkbookGlobals globals_;
    std::uint16_t biffVersion_ = kBiff8;
    FormatTables formats_;
    SharedStrings sst_;
    std::vector<BoundSheet8> boundSheets_;
    std::vector<std::unique_ptr<SheetImplT>> sheets_;
    std::vector<ExternalGroup> externals_;
    std::vector<Lbl> names_;
    DrawingGroup drawingGroup_;
    std::vector<RawRecord> rawRecords_;
    bool usesR1C1_ = false;
    bool rgbColorMode_ = false;
    BookFormulas formulas_{sheets_, externals_, names_};
    BookNames bookNames_{names_, formulas_, [this](std::uint32_t number) { renumberNameTokens(number); }};
    TextPair text_;
    std::vector<std::uint8_t> savedBytes_;
    std::vector<std::uint8_t> pictureBytes_; ///< what pictureAt handed out last
};

} // namespace karvo
