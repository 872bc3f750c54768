// xml_book_impl.h - XMLBookImplT, the Open XML (.xlsx) workbook.
//
// The book holds the whole package as a map from part name to part object. Parts
// it interprets are trees of schema classes; every other part is kept as bytes and
// written back unchanged.
#pragma once

#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/book_locale.h"
#include "core/dates.h"
#include "core/interfaces.h"
#include "core/operation_frame.h"
#include "core/picture_info.h"
#include "xlsx/content_types.h"
#include "xlsx/ooxml/sml-workbook.h"
#include "xlsx/package_part.h"
#include "xlsx/part_names.h"
#include "xlsx/relationships.h"

namespace karvo::zip {
class CZipArchive;
class CZipArchiveWriter;
}

namespace karvo::xlsx {

class Drawing;
class SharedStrings;
class Styles;
class XMLSheetImplT;

using WorkbookPart = XmlFile<workbook::c_workbook>;
using PartMap = std::map<std::u16string, std::unique_ptr<XFile>, PartNameLess>;

class XMLBookImplT final : public IBook {
public:
    XMLBookImplT();
    ~XMLBookImplT();
    XMLBookImplT(const XMLBookImplT&) = delete;
    XMLBookImplT& operator=(const XMLBookImplT&) = delete;

    // ---- IBook, in slot order ----
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
    bool unpackDate(double value, int* year, int* month, int* day, int* hour, int* min, int* sec, int* tenths) override;
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

    // ---- what sheets and styles use ----
    BookMessage& message() { return message_; }
    /// The shared string table, made on first use.
    SharedStrings& sharedStrings();
    SharedStrings* sharedStringsIfAny() const { return sharedStrings_; }
    /// The stylesheet, made on first use.
    Styles& styles();
    Styles* stylesIfAny() const { return styles_; }
    bool rgbMode() const { return rgbColorMode_; }
    DateSystem dateSystem() const;
    /// The largest digit width in pixels of the stylesheet's first font.
    int maxDigitWidth() const;
    /// The `sheet` element at an index, or null.
    workbook::c_CT_Sheet* sheetElement(int index) const;
    /// A sheet name as a new name of the sheet at `except` (-1: a new sheet) may be:
    /// cut to 31 characters (`cut` tells), never empty, repeated or ill-formed.
    std::u16string checkedSheetName(const char16_t* name, int except, bool& cut) const;
    /// The workbook's defined names (sheet features use them).
    workbook::c_workbook& workbookTree();

    // ---- pictures, for the sheets (xml_book_pictures.cpp) ----
    /// A sheet's drawing part, its name, and its relationships (null while it has none).
    struct SheetDrawing {
        Drawing* drawing = nullptr;
        Relationships* rels = nullptr;
        std::u16string name;
    };
    /// The drawing of a sheet; "can't find drawing object" when it has none.
    SheetDrawing sheetDrawing(const XMLSheetImplT& sheet);
    /// The drawing of a sheet, or none.
    SheetDrawing findSheetDrawing(const XMLSheetImplT& sheet);
    /// The drawing of a sheet and its relationships, made and linked when missing.
    SheetDrawing makeSheetDrawing(XMLSheetImplT& sheet);
    /// The picture's size in pixels; "pictureId is out of range".
    PixelSize pictureSize(int index) const;
    const std::u16string& picturePartName(int index) const;
    /// The index of the picture held by the part, or -1.
    int pictureIndex(std::u16string_view partName) const;

private:
    void clear();
    void loadPackage(std::span<const std::uint8_t> bytes);
    void readPart(const zip::CZipArchive& archive, std::size_t entry, const std::u16string& name,
                  const std::u16string& officeDocument);
    std::unique_ptr<XFile> makePart(const std::u16string& type, const zip::CZipArchive& archive, std::size_t entry);
    void writePackage(zip::CZipArchiveWriter& archive);
    void dropCalcChain();
    void checkWritable();
    void makeNewPackage();
    template <class Part>
    Part* addPackagePart(const std::u16string& name, std::unique_ptr<Part> part, const char16_t* contentType,
                         const char16_t* relationshipType);
    XMLSheetImplT* sheetPart(int index) const;
    std::u16string sheetPartName(int index) const;
    void reindexSheets();
    void removeDefinedNamesOf(int index, const std::u16string& sheetName);
    int sheetTreeIndex(int index);
    void ensureRelationships();
    int carriedNumFormat(IFormat& init);
    int addPicture(std::span<const std::uint8_t> bytes);
    const std::string& pictureBytes(int index) const;
    Drawing* drawingPart(const std::u16string& name);
    Relationships* relationshipsOf(std::u16string_view partName) const;
    Relationships& makeRelationshipsOf(std::u16string_view partName);

    BookMessage message_;
    BookLocale locale_;
    PartMap parts_;
    WorkbookPart* workbook_ = nullptr;
    std::u16string workbookName_;
    std::u16string folder_;
    ContentTypes* contentTypes_ = nullptr;
    Relationships* workbookRels_ = nullptr;
    SharedStrings* sharedStrings_ = nullptr;
    Styles* styles_ = nullptr;
    std::vector<std::u16string> pictures_;  ///< part names of the book's images
    std::vector<std::uint8_t> savedBytes_;
    std::u16string text_;
    bool rgbColorMode_ = false;
};

} // namespace karvo::xlsx
