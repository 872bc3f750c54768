// format_tables.h - a binary book's fonts, number formats, XFs, styles and palette.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/interfaces.h"
#include "core/operation_frame.h"
#include "xls/biff_strings.h"
#include "xls/font_impl.h"
#include "xls/format_impl.h"
#include "xls/palette.h"
#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

/// A Format record: a number-format id with its format string.
struct CustomNumFormat {
    std::uint16_t id = 0;
    std::u16string text;
    CharWidth width = CharWidth::wide; ///< 8-bit strings read from a file stay 8-bit
    bool operator==(const CustomNumFormat&) const = default;
};

/// A Style record. A built-in style has an id and an outline level, a user style a name.
struct StyleEntry {
    static constexpr std::uint16_t kBuiltIn = 0x8000;
    std::uint16_t ixfe = 0; ///< XF index in bits 0-11, kBuiltIn in bit 15
    std::uint8_t builtInId = 0;
    std::uint8_t level = 0xFF;
    std::u16string name;
    CharWidth nameWidth = CharWidth::wide;

    bool builtIn() const { return ixfe & kBuiltIn; }
    bool operator==(const StyleEntry&) const = default;
};

/// The format tables the binary book owns and delegates to. The book operations
/// below are the bodies of IBook operations: the book runs them in its operation
/// frame, so they throw xlerror for their failure messages. packColor and
/// addCustomNumFormat are the exceptions: their failures still answer with a value
/// (the automatic colour, id 0), so they set the message themselves.
class FormatTables {
public:
    static constexpr std::uint16_t kBiff8 = 0x0600;
    static constexpr std::uint16_t kBiff5 = 0x0500;

    explicit FormatTables(BookMessage& message) : message_(message) {}
    FormatTables(const FormatTables&) = delete;
    FormatTables& operator=(const FormatTables&) = delete;

    BookMessage& message() { return message_; }

    /// The version of the file being read; older records are read in their BIFF5 form.
    std::uint16_t biffVersion() const { return biffVersion_; }
    void setBiffVersion(std::uint16_t version) { biffVersion_ = version; }

    /// The tables of a new book: 21 XFs, 5 fonts, 6 built-in styles, the default palette.
    void resetToNewBook();
    /// Empty tables, ready to be filled by a load.
    void clear();

    // Book operations.
    IFormat* addFormat(IFormat* init);
    IFont* addFont(IFont* init);
    int addCustomNumFormat(const char16_t* text);
    const char16_t* customNumFormat(int id);
    IFormat* formatAt(int index);
    int formatCount() const { return static_cast<int>(formats_.size()); }
    IFont* fontAt(int index);
    int fontCount() const { return static_cast<int>(fonts_.size()); }
    Color packColor(int red, int green, int blue);
    void unpackColor(Color color, int* red, int* green, int* blue);
    const char16_t* defaultFont(int* size);
    void setDefaultFont(const char16_t* name, int size);

    // For the sheets.
    /// The XF index of one of this book's formats, -1 for any other pointer.
    int indexOf(const IFormat* format) const;
    /// The format at an XF index; null when there is none.
    IFormat* formatAtIndex(int xf);
    /// Largest digit width in pixels of the first font; 7 without fonts.
    int maxDigitWidth() const;

    // For the formats.
    const std::vector<std::unique_ptr<FontImplT>>& fonts() const { return fonts_; }
    /// List position of one of this book's fonts, -1 for any other pointer.
    int fontPosition(const IFont* font) const;
    /// The string of a Format entry, null when no entry has the id.
    const std::u16string* findCustomNumFormat(int id) const;

    const std::vector<CustomNumFormat>& customNumFormats() const { return custom_; }
    const std::vector<StyleEntry>& styles() const { return styles_; }
    const Palette& palette() const { return palette_; }

    // The records of the workbook globals. Readers append (Palette replaces) and
    // throw "<Name> size is incorrect"; write() emits every Font, Format, XF and
    // Style record, and the Palette record when the palette was changed or read.
    void readFont(const Record& rec);
    void readFormat(const Record& rec);
    void readXF(const Record& rec);
    void readStyle(const Record& rec);
    void readPalette(const Record& rec);
    void write(RecordWriter& out) const;

private:
    bool biff5() const { return biffVersion_ <= kBiff5; }
    FormatImplT& appendFormat(std::unique_ptr<FormatImplT> format);
    /// Id of an equal format string, else of the string added under the lowest free id; 0 when none is free.
    int findOrAddNumFormat(std::u16string_view text);
    /// The id `init` uses, carried over to this book's custom list when it is custom.
    int carryNumFormat(IFormat& init);
    void copyFormat(IFormat& from, FormatImplT& to);

    BookMessage& message_;
    std::uint16_t biffVersion_ = kBiff8;
    std::vector<std::unique_ptr<FontImplT>> fonts_;
    std::vector<CustomNumFormat> custom_;
    std::vector<std::unique_ptr<FormatImplT>> formats_;
    std::unordered_map<const IFormat*, int> formatIndex_; ///< sheets look formats up per cell write
    std::vector<StyleEntry> styles_;
    Palette palette_;
};

} // namespace karvo
