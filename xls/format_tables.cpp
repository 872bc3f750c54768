// format_tables.cpp - the book-level format operations, the new-book tables and the globals records.
#include "xls/format_tables.h"

#include <algorithm>
#include <bitset>
#include <utility>

#include "core/format_copy.h"
#include "core/text_metrics.h"
#include "core/utf_convert.h"
#include "core/xlerror.h"

namespace karvo {

namespace {

// A Format or Style record must fit one record body, or a reader (ours included)
// would find its string cut at the CONTINUE boundary. Only hostile or broken input
// carries such a string; real format texts stop at 255 characters.
std::u16string_view fitOneRecord(std::u16string_view text, std::size_t fixed) {
    std::size_t room = (kMaxRecordBody - fixed - 3) / 2;  // u16 count, flags, 16-bit characters
    return utf16Prefix(text, room);
}

constexpr const char* kOutOfRange = "index is out of range";
constexpr const char* kTooManyCustom = "maximum number of custom formats is exceeded";

constexpr int kCustomIdCount = kLastCustomNumFormat - kFirstCustomNumFormatBinary + 1;
constexpr std::uint16_t kCellXf = 0x0001; // locked cell XF whose parent is style XF 0
constexpr int kUnmeasuredDigitWidth = 7;  // what the display gives for the default font
constexpr int kTwipsPerPoint = 20;

// The XFs of a new book; every other field keeps the construction value.
struct NewXf {
    std::uint16_t ifnt, ifmt, typeProt;
    std::uint32_t alignment;
};
constexpr std::uint16_t kStyleXf = 0xFFF5;
constexpr std::uint32_t kAllUsed = 0xFC000020;
constexpr std::uint32_t kNumberStyle = 0xF8000020; // the currency/percent/comma styles
constexpr NewXf kNewBookXfs[] = {
    {0, 0, kStyleXf, 0x00000020},  // 0: Normal
    {1, 0, kStyleXf, kAllUsed},    {1, 0, kStyleXf, kAllUsed},   {2, 0, kStyleXf, kAllUsed},
    {2, 0, kStyleXf, kAllUsed},    {0, 0, kStyleXf, kAllUsed},   {0, 0, kStyleXf, kAllUsed},
    {0, 0, kStyleXf, kAllUsed},    {0, 0, kStyleXf, kAllUsed},   {0, 0, kStyleXf, kAllUsed},
    {0, 0, kStyleXf, kAllUsed},    {0, 0, kStyleXf, kAllUsed},   {0, 0, kStyleXf, kAllUsed},
    {0, 0, kStyleXf, kAllUsed},    {0, 0, kStyleXf, kAllUsed},   // 1-14
    {0, 0, kCellXf, 0x00000020},   // 15: the default cell XF
    {1, 44, kStyleXf, kNumberStyle}, {1, 42, kStyleXf, kNumberStyle}, {1, 9, kStyleXf, kNumberStyle},
    {1, 43, kStyleXf, kNumberStyle}, {1, 41, kStyleXf, 0x00000000}, // 16-20
};
constexpr int kNewBookFonts = 5;

// The built-in styles of a new book: (XF index, built-in style id).
constexpr std::pair<std::uint16_t, std::uint8_t> kNewBookStyles[] = {
    {16, 4}, {17, 7}, {0, 0}, {18, 5}, {19, 3}, {20, 6},
};

template <class List>
bool inRange(const List& list, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

// The width a BIFF8 string with a u16 count, about to be read from `in`, was
// stored with; kept so that the string is written back the same way.
CharWidth storedWidth(ByteReader in) {
    in.skip(2);
    return in.u8() & richflag::kHighByte ? CharWidth::wide : CharWidth::narrow;
}

} // namespace

void FormatTables::clear() {
    fonts_.clear();
    custom_.clear();
    formats_.clear();
    formatIndex_.clear();
    styles_.clear();
    palette_.reset();
    biffVersion_ = kBiff8;
}

void FormatTables::resetToNewBook() {
    clear();
    for (int i = 0; i < kNewBookFonts; ++i) fonts_.push_back(std::make_unique<FontImplT>(message_));
    for (const NewXf& init : kNewBookXfs) {
        auto format = std::make_unique<FormatImplT>(*this);
        XfFields& xf = format->fields();
        xf.ifnt = init.ifnt;
        xf.ifmt = init.ifmt;
        xf.typeProt = init.typeProt;
        xf.alignment = init.alignment;
        appendFormat(std::move(format));
    }
    for (auto [xf, id] : kNewBookStyles)
        styles_.push_back({static_cast<std::uint16_t>(StyleEntry::kBuiltIn | xf), id, 0xFF, {}, CharWidth::wide});
}

FormatImplT& FormatTables::appendFormat(std::unique_ptr<FormatImplT> format) {
    formatIndex_[format.get()] = static_cast<int>(formats_.size());
    formats_.push_back(std::move(format));
    return *formats_.back();
}

IFormat* FormatTables::addFormat(IFormat* init) {
    auto format = std::make_unique<FormatImplT>(*this);
    format->fields().typeProt = kCellXf;
    if (init) copyFormat(*init, *format);
    FormatImplT& added = appendFormat(std::move(format));
    message_.ok();
    return &added;
}

void FormatTables::copyFormat(IFormat& from, FormatImplT& to) {
    // Every copy gets a font of its own, even within one book.
    to.setFont(addFont(from.font()));
    to.setNumFormat(carryNumFormat(from));
    copyFormatLook(from, to);
}

int FormatTables::carryNumFormat(IFormat& init) {
    const int id = init.numFormat();
    if (id < kFirstCustomNumFormatBinary) return id;
    // A custom id means something only in its own book: carry the string over and
    // use whatever id this book gives it. A format of another family, or an id its
    // book has no string for, keeps the id as it is.
    const auto* source = dynamic_cast<const FormatImplT*>(&init);
    const std::u16string* text = source ? source->tables().findCustomNumFormat(id) : nullptr;
    if (!text) return id;
    const int carried = findOrAddNumFormat(*text);
    if (carried == 0) throw xlerror(kTooManyCustom);
    return carried;
}

IFont* FormatTables::addFont(IFont* init) {
    auto font = std::make_unique<FontImplT>(message_);
    if (init) {
        copyFontProperties(*init, *font);
    }
    fonts_.push_back(std::move(font));
    message_.ok();
    return fonts_.back().get();
}

int FormatTables::findOrAddNumFormat(std::u16string_view text) {
    std::bitset<kCustomIdCount> used;
    for (const CustomNumFormat& entry : custom_) {
        if (entry.text == text) return entry.id;
        if (entry.id >= kFirstCustomNumFormatBinary && entry.id <= kLastCustomNumFormat)
            used.set(entry.id - kFirstCustomNumFormatBinary);
    }
    for (int i = 0; i < kCustomIdCount; ++i) {
        if (used.test(i)) continue;
        const auto id = static_cast<std::uint16_t>(kFirstCustomNumFormatBinary + i);
        custom_.push_back({id, std::u16string(text), CharWidth::wide});
        return id;
    }
    return 0;
}

int FormatTables::addCustomNumFormat(const char16_t* text) {
    const int id = findOrAddNumFormat(text ? text : u"");
    if (id == 0) message_.set(kTooManyCustom);
    return id;
}

const char16_t* FormatTables::customNumFormat(int id) {
    const std::u16string* text = findCustomNumFormat(id);
    if (!text) throw xlerror("custom number format not found");
    return text->c_str();
}

const std::u16string* FormatTables::findCustomNumFormat(int id) const {
    auto it = std::find_if(custom_.begin(), custom_.end(), [id](const CustomNumFormat& e) { return e.id == id; });
    return it == custom_.end() ? nullptr : &it->text;
}

IFormat* FormatTables::formatAt(int index) {
    if (!inRange(formats_, index)) throw xlerror(kOutOfRange);
    return formats_[index].get();
}

IFont* FormatTables::fontAt(int index) {
    if (!inRange(fonts_, index)) throw xlerror(kOutOfRange);
    return fonts_[index].get();
}

Color FormatTables::packColor(int red, int green, int blue) {
    // Components are bytes in the record; larger values wrap as the byte would.
    if (auto color = palette_.pack(std::uint8_t(red), std::uint8_t(green), std::uint8_t(blue))) return *color;
    message_.set(Palette::kNoFreeIndex);
    return ColorAutomaticFont;
}

void FormatTables::unpackColor(Color color, int* red, int* green, int* blue) {
    const Palette::Rgb rgb = palette_.unpack(color);
    if (red) *red = rgb.red;
    if (green) *green = rgb.green;
    if (blue) *blue = rgb.blue;
}

const char16_t* FormatTables::defaultFont(int* size) {
    if (fonts_.empty()) throw xlerror("fonts is empty");
    if (size) *size = fonts_.front()->size();
    return fonts_.front()->record().name.c_str();
}

void FormatTables::setDefaultFont(const char16_t* name, int size) {
    if (fonts_.empty()) throw xlerror("fonts is empty");
    fonts_.front()->setSize(size);
    fonts_.front()->setName(name); // last, so that its message ("string is too long") stays
}

int FormatTables::indexOf(const IFormat* format) const {
    auto it = formatIndex_.find(format);
    return it == formatIndex_.end() ? -1 : it->second;
}

IFormat* FormatTables::formatAtIndex(int xf) { return inRange(formats_, xf) ? formats_[xf].get() : nullptr; }

int FormatTables::fontPosition(const IFont* font) const {
    auto it = std::find_if(fonts_.begin(), fonts_.end(), [font](const auto& f) { return f.get() == font; });
    return it == fonts_.end() ? -1 : static_cast<int>(it - fonts_.begin());
}

int FormatTables::maxDigitWidth() const {
    if (fonts_.empty()) return kUnmeasuredDigitWidth;
    const FontRecord& first = fonts_.front()->record();
    return karvo::maxDigitWidth(first.name, first.height / kTwipsPerPoint);
}

void FormatTables::readFont(const Record& rec) {
    auto font = std::make_unique<FontImplT>(message_);
    font->read(rec, biff5());
    fonts_.push_back(std::move(font));
}

void FormatTables::readXF(const Record& rec) {
    auto format = std::make_unique<FormatImplT>(*this);
    format->read(rec, biff5());
    appendFormat(std::move(format));
}

void FormatTables::readFormat(const Record& rec) {
    // BIFF8: id, u16 count, flags; BIFF5: id, u8 count and 8-bit characters.
    constexpr std::size_t kHeader8 = 5, kHeader5 = 3;
    ByteReader in = rec.reader();
    if (in.size() < (biff5() ? kHeader5 : kHeader8)) throw xlerror("Format size is incorrect");
    CustomNumFormat entry;
    entry.id = in.u16();
    entry.width = biff5() ? CharWidth::narrow : storedWidth(in);
    entry.text = readShortString(in, biff5() ? ShortForm::Count8NoFlags : ShortForm::Count16);
    if (!in.ok()) throw xlerror("Format size is incorrect");
    custom_.push_back(std::move(entry));
}

void FormatTables::readStyle(const Record& rec) {
    ByteReader in = rec.reader();
    StyleEntry style;
    style.ixfe = in.u16();
    if (style.builtIn()) {
        style.builtInId = in.u8();
        style.level = in.u8();
    } else {
        style.nameWidth = biff5() ? CharWidth::narrow : storedWidth(in);
        style.name = readShortString(in, biff5() ? ShortForm::Count8NoFlags : ShortForm::Count16);
    }
    if (!in.ok() || !in.atEnd()) throw xlerror("Style size is incorrect");
    styles_.push_back(std::move(style));
}

void FormatTables::readPalette(const Record& rec) { palette_.read(rec); }

void FormatTables::write(RecordWriter& out) const {
    for (const auto& font : fonts_) font->write(out);
    for (const CustomNumFormat& entry : custom_) {
        std::vector<std::uint8_t> body;
        putLittle(body, entry.id, 2);
        writeShortString(body, fitOneRecord(entry.text, 2), ShortForm::Count16, entry.width);
        out.record(RecordId::Format, body);
    }
    for (const auto& format : formats_) format->write(out);
    for (const StyleEntry& style : styles_) {
        std::vector<std::uint8_t> body;
        putLittle(body, style.ixfe, 2);
        if (style.builtIn()) {
            body.push_back(style.builtInId);
            body.push_back(style.level);
        } else {
            writeShortString(body, fitOneRecord(style.name, 2), ShortForm::Count16, style.nameWidth);
        }
        out.record(RecordId::Style, body);
    }
    if (palette_.modified()) palette_.write(out);
}

} // namespace karvo
