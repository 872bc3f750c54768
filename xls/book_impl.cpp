// book_impl.cpp - BookImplT: the sheet list, the book-level operations and the frame
// around load and save. The globals substream itself is book_globals.cpp.
#include "xls/book_impl.h"

#include <algorithm>

#include "core/book_factory.h"
#include "core/dates.h"
#include "core/file_io.h"
#include "core/text_compare.h"
#include "core/utf_convert.h"
#include "core/xlerror.h"
#include "xls/name_tokens.h"
#include "xls/xls.h"

namespace karvo {
namespace {

// Sheet names longer than this are cut; the format allows no more.
constexpr std::size_t kMaxSheetName = 31;


} // namespace

IBook* createBinaryBook() noexcept {
    try {
        return new BookImplT();
    } catch (...) {
        return nullptr;
    }
}

BookImplT::BookImplT() : formats_(message_) {
    reset();
    locale_.select("", message_);
}

BookImplT::~BookImplT() = default;

void BookImplT::reset() {
    for (auto& sheet : sheets_) sheet->releaseStrings();
    sheets_.clear();
    boundSheets_.clear();
    bof_ = Bof{};
    bof_.dt = 0x0005;  // workbook globals
    globals_ = WorkbookGlobals{};
    biffVersion_ = 0x0600;
    formats_.resetToNewBook();
    sst_.clear();
    externals_.clear();
    names_.clear();
    drawingGroup_.clear();
    rawRecords_.clear();
}

// ---- load and save ----

bool BookImplT::loadFrom(const std::function<Xls()>& open) {
    // A file brings its own fonts and XFs; the new-book ones would shift every index.
    formats_.clear();
    try {
        Xls xls = open();
        readFile(xls);
        return true;
    } catch (...) {
        reset();  // a failed load leaves an empty book, never a half-read one
        throw;
    }
}

bool BookImplT::load(const char16_t* filename) {
    return runOperation(message_, false, [&] {
        reset();
        // Read where the records are, so that a large file is never held whole.
        return loadFrom([&] { return Xls::openFile(filename, "can't open file for reading"); });
    });
}

bool BookImplT::loadFromMemory(const char* data, std::size_t size) {
    return runOperation(message_, false, [&] {
        reset();
        if (!data && size) throw xlerror("invalid file format");
        return loadFrom([&] { return Xls::openRead({reinterpret_cast<const std::uint8_t*>(data), size}); });
    });
}

bool BookImplT::save(const char16_t* filename) {
    return runOperation(message_, false, [&] {
        SaveFile file(filename, "can't open file for writing");
        if (file.seekable())
            writeFile(file);
        else
            file.append(writeFile());
        file.commit();
        return true;
    });
}

bool BookImplT::saveToMemory(const char** data, std::size_t* size) {
    return runOperation(message_, false, [&] {
        savedBytes_ = writeFile();
        if (data) *data = reinterpret_cast<const char*>(savedBytes_.data());
        if (size) *size = savedBytes_.size();
        return true;
    });
}

// ---- sheets ----

ISheet* BookImplT::addSheet(const char16_t* name, ISheet* initSheet) {
    if (boundSheets_.size() != sheets_.size()) {
        message_.set("integrity error: _boundSheets.size() != _sheets.size()");
        return nullptr;
    }
    return insertSheet(sheetCount(), name, initSheet);
}

ISheet* BookImplT::insertSheet(int index, const char16_t* name, ISheet* initSheet) {
    return runOperation(message_, nullptr, [&]() -> ISheet* {
        if (index < 0 || index > sheetCount()) throw xlerror("index is out of range");
        if (!name) throw xlerror("sheet name is null");
        std::u16string sheetName(name);
        bool cut = sheetName.size() > kMaxSheetName;
        if (cut) sheetName.resize(utf16Prefix(sheetName, kMaxSheetName).size());
        for (const auto& sheet : sheets_)
            if (sameTextIgnoringCase(sheet->name(), sheetName)) throw xlerror("book already contains such sheet name");
        const SheetImplT* source = nullptr;
        if (initSheet) {
            source = dynamic_cast<const SheetImplT*>(initSheet);
            if (!source || indexOfSheet(source) < 0) throw xlerror("initSheet must be a sheet of this book");
        }
        auto sheet = std::make_unique<SheetImplT>(*this, sheetName);
        if (source) sheet->copyFrom(*source);
        BoundSheet8 entry;
        entry.name = sheetName;
        sheets_.insert(sheets_.begin() + index, std::move(sheet));
        boundSheets_.insert(boundSheets_.begin() + index, std::move(entry));
        shiftSheetReferences(index, +1);
        // The first sheet of a book is its active one: its tab is shown selected.
        if (sheets_.size() == 1) sheets_.front()->setSelected(true);
        if (cut) message_.warn("sheet's name is cut to 31 characters");
        return sheets_[static_cast<std::size_t>(index)].get();
    });
}

ISheet* BookImplT::getSheet(int index) {
    return runOperation(message_, nullptr, [&]() -> ISheet* {
        if (index < 0 || index >= sheetCount()) throw xlerror("index is out of range");
        return sheets_[static_cast<std::size_t>(index)].get();
    });
}

bool BookImplT::deleteSheet(int index) {
    return runOperation(message_, false, [&] {
        if (index < 0 || index >= sheetCount()) throw xlerror("index is out of range");
        if (sheetCount() == 1) throw xlerror("can't remove the last sheet in workbook");
        auto position = static_cast<std::size_t>(index);
        sheets_[position]->releaseStrings();
        sheets_.erase(sheets_.begin() + index);
        boundSheets_.erase(boundSheets_.begin() + index);
        shiftSheetReferences(index, -1);
        int active = globals_.window1.itabCur;
        globals_.window1.itabCur = static_cast<std::uint16_t>(active < sheetCount() ? active : sheetCount() - 1);
        return true;
    });
}

int BookImplT::sheetCount() {
    message_.ok();
    return static_cast<int>(sheets_.size());
}

int BookImplT::indexOfSheet(const SheetImplT* sheet) const {
    for (std::size_t i = 0; i < sheets_.size(); ++i)
        if (sheets_[i].get() == sheet) return static_cast<int>(i);
    return -1;
}

int BookImplT::sheetPosition(const SheetImplT* sheet) { return std::max(indexOfSheet(sheet), 0); }

// Keeps sheet-scoped names and the XTI entries of the book's own sheets pointing at
// the same sheets when a sheet is inserted at `index` (delta +1) or deleted there
// (delta -1). Names of a deleted sheet go with it; an XTI entry that referred only to
// it becomes the deleted-sheet marker 0xFFFF, and a 3-D range loses or gains the sheet.
void BookImplT::shiftSheetReferences(int index, int delta) {
    bookNames_.shiftSheets(index, delta);

    // The book's one XTI list sits in the first group; only its entries through the
    // own-sheets SupBook count sheets of this book.
    auto own = formulas_.findOwnSupBook();
    if (!own) return;
    constexpr int kFirstMarker = 0xFFFE;  // 0xFFFE and 0xFFFF are markers, not sheets
    for (Xti& xti : externals_.front().xti) {
        if (xti.supBook != *own) continue;
        int first = xti.firstSheet, last = xti.lastSheet;
        if (first >= kFirstMarker || last >= kFirstMarker) continue;
        if (delta < 0 && first == index && last == index) {
            first = last = 0xFFFF;
        } else if (delta < 0) {
            if (index < first) --first, --last;
            else if (index <= last) --last;
        } else {
            if (first >= index) ++first, ++last;
            else if (index <= last) ++last;
        }
        xti.firstSheet = static_cast<std::uint16_t>(first);
        xti.lastSheet = static_cast<std::uint16_t>(last);
    }
}

// The formulas of names and cells follow a name that left the list; names of other
// books, reached through PtgNameX and their own SupBook, keep their numbers.
void BookImplT::renumberNameTokens(std::uint32_t removed) {
    const auto own = formulas_.findOwnSupBook();
    const auto ownBook = [&](std::uint16_t xti) {
        const auto entry = formulas_.xtiAt(xti);
        return own && entry && entry->supBook == *own;
    };
    for (Lbl& name : names_)
        if (name.parsed) karvo::renumberNameTokens(name.formula, removed, ownBook);
    for (const auto& sheet : sheets_) sheet->renumberNameTokens(removed, ownBook);
}

int BookImplT::activeSheetNumber() {
    message_.ok();
    return globals_.window1.itabCur;
}

void BookImplT::setActiveSheetNumber(int index) {
    runOperation(message_, [&] {
        if (index < 0 || index >= sheetCount()) throw xlerror("index is out of range");
        globals_.window1.itabCur = static_cast<std::uint16_t>(index);
        for (std::size_t i = 0; i < sheets_.size(); ++i) sheets_[i]->setSelected(static_cast<int>(i) == index);
    });
}

SheetState BookImplT::sheetState(const SheetImplT* sheet) {
    int index = indexOfSheet(sheet);
    if (index < 0) throw xlerror("book not found");
    return static_cast<SheetState>(boundSheets_[static_cast<std::size_t>(index)].visibility);
}

bool BookImplT::setSheetState(const SheetImplT* sheet, SheetState state) {
    int index = indexOfSheet(sheet);
    if (index < 0) throw xlerror("book not found");
    if (state < SheetVisible || state > SheetVeryHidden) throw xlerror("hidden is out of range");
    if (state != SheetVisible) {
        int otherVisible = 0;
        for (std::size_t i = 0; i < boundSheets_.size(); ++i)
            if (static_cast<int>(i) != index && boundSheets_[i].visibility == SheetVisible) ++otherVisible;
        if (otherVisible == 0) throw xlerror("a workbook must contain at least one visible worksheet");
    }
    boundSheets_[static_cast<std::size_t>(index)].visibility = static_cast<std::uint8_t>(state);
    return true;
}

// ---- formats, fonts, colours ----

IFormat* BookImplT::addFormat(IFormat* initFormat) {
    return runOperation(message_, nullptr, [&] { return formats_.addFormat(initFormat); });
}

IFont* BookImplT::addFont(IFont* initFont) {
    return runOperation(message_, nullptr, [&] { return formats_.addFont(initFont); });
}

int BookImplT::addCustomNumFormat(const char16_t* customNumFormat) {
    return runOperation(message_, 0, [&] { return formats_.addCustomNumFormat(customNumFormat); });
}

const char16_t* BookImplT::customNumFormat(int fmt) {
    return runOperation(message_, nullptr, [&] { return formats_.customNumFormat(fmt); });
}

IFormat* BookImplT::formatAt(int index) {
    return runOperation(message_, nullptr, [&] { return formats_.formatAt(index); });
}

int BookImplT::formatCount() {
    message_.ok();
    return formats_.formatCount();
}

IFont* BookImplT::fontAt(int index) {
    return runOperation(message_, nullptr, [&] { return formats_.fontAt(index); });
}

int BookImplT::fontCount() {
    message_.ok();
    return formats_.fontCount();
}

Color BookImplT::packColor(int red, int green, int blue) {
    return runOperation(message_, ColorAutomaticFont, [&] { return formats_.packColor(red, green, blue); });
}

void BookImplT::unpackColor(Color color, int* red, int* green, int* blue) {
    runOperation(message_, [&] { formats_.unpackColor(color, red, green, blue); });
}

const char16_t* BookImplT::defaultFont(int* fontSize) {
    return runOperation(message_, nullptr, [&] { return formats_.defaultFont(fontSize); });
}

void BookImplT::setDefaultFont(const char16_t* fontName, int fontSize) {
    runOperation(message_, [&] { formats_.setDefaultFont(fontName, fontSize); });
}

int BookImplT::formatIndex(IFormat* format) { return formats_.indexOf(format); }

IFormat* BookImplT::formatAtIndex(int xf) { return formats_.formatAtIndex(xf); }

int BookImplT::maxDigitWidth() { return formats_.maxDigitWidth(); }

// ---- dates and settings ----

DateSystem BookImplT::dateSystem() { return globals_.date1904 ? DateSystem::From1904 : DateSystem::From1900; }

double BookImplT::packDate(int year, int month, int day, int hour, int min, int sec, int tenths) {
    message_.ok();
    return karvo::packDate(dateSystem(), year, month, day, hour, min, sec, tenths);
}

bool BookImplT::unpackDate(double value, int* year, int* month, int* day, int* hour, int* min, int* sec,
                           int* tenths) {
    if (!karvo::unpackDate(dateSystem(), value, year, month, day, hour, min, sec, tenths)) return false;
    message_.ok();
    return true;
}

bool BookImplT::usesR1C1() { return usesR1C1_; }
void BookImplT::setUsesR1C1(bool r1c1) { usesR1C1_ = r1c1; }
bool BookImplT::rgbColorMode() { return rgbColorMode_; }
void BookImplT::setRgbColorMode(bool rgbMode) { rgbColorMode_ = rgbMode; }
int BookImplT::binaryVersion() { return biffVersion_; }

bool BookImplT::setLocale(const char* locale) { return locale_.select(locale, message_); }

const char* BookImplT::errorMessage() { return message_.text(); }

void BookImplT::release() { delete this; }

} // namespace karvo
