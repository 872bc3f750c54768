// book_formulas.cpp - sheet lookup, the XTI list and defined names for formulas.
#include "xls/book_formulas.h"

#include <array>

#include "core/byte_reader.h"
#include "xls/sheet_impl.h"

namespace karvo {
namespace {

// A SupBook for the book's own sheets: the sheet count, then the marker 0x0401.
constexpr std::uint8_t kOwnSheetsMarker[] = {0x01, 0x04};

bool isOwnSheets(const std::vector<std::uint8_t>& supBook) {
    return supBook.size() == 4 && supBook[2] == kOwnSheetsMarker[0] && supBook[3] == kOwnSheetsMarker[1];
}

std::vector<std::uint8_t> ownSheetsSupBook(std::size_t sheets) {
    return {static_cast<std::uint8_t>(sheets), static_cast<std::uint8_t>(sheets >> 8), kOwnSheetsMarker[0],
            kOwnSheetsMarker[1]};
}

// Built-in names are stored as a one-character code.
constexpr std::array<const char16_t*, 14> kBuiltInNames = {
    u"Consolidate_Area", u"Auto_Open", u"Auto_Close", u"Extract", u"Database", u"Criteria", u"Print_Area",
    u"Print_Titles", u"Recorder", u"Data_Form", u"Auto_Activate", u"Auto_Deactivate", u"Sheet_Title",
    u"_FilterDatabase"};

// Lbl: flags (u16, 0x0020 built-in), key (u8), name length (u8), formula length (u16),
// reserved (u16), sheet (u16), four reserved bytes; then the name's flags byte and characters.
constexpr std::uint16_t kLblBuiltIn = 0x0020;
constexpr std::size_t kLblFixedSize = 14;

} // namespace

int BookFormulas::sheetIndex(std::u16string_view name) const {
    for (std::size_t i = 0; i < sheets_.size(); ++i)
        if (sheets_[i]->name() == name) return static_cast<int>(i);
    return -1;
}

std::u16string BookFormulas::sheetNameAt(int index) const {
    if (index < 0 || index >= sheetCount()) return {};
    return std::u16string(sheets_[static_cast<std::size_t>(index)]->name());
}

// All SupBook records of the globals (the first of a group and the ones it absorbed)
// count, in order, for the SupBook index of an XTI entry.
int BookFormulas::ownSupBook() {
    int index = 0;
    for (const ExternalGroup& group : externals_) {
        if (isOwnSheets(group.supBook)) return index;
        ++index;
        for (const RawRecord& record : group.records) {
            if (record.id != raw(RecordId::SupBook)) continue;
            if (isOwnSheets(record.body)) return index;
            ++index;
        }
    }
    if (externals_.empty()) {
        ExternalGroup own;
        own.supBook = ownSheetsSupBook(sheets_.size());
        own.hasExternSheet = true;
        externals_.push_back(std::move(own));
        return 0;
    }
    externals_.front().records.push_back(RawRecord{raw(RecordId::SupBook), ownSheetsSupBook(sheets_.size()), {}});
    externals_.front().hasExternSheet = true;
    return index;
}

int BookFormulas::xtiForSheet(int sheet) {
    auto supBook = static_cast<std::uint16_t>(ownSupBook());
    std::vector<Xti>& list = externals_.front().xti;
    auto number = static_cast<std::uint16_t>(sheet);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] == Xti{supBook, number, number}) return static_cast<int>(i);
    list.push_back(Xti{supBook, number, number});
    externals_.front().hasExternSheet = true;
    return static_cast<int>(list.size() - 1);
}

std::optional<Xti> BookFormulas::xtiAt(int index) const {
    if (externals_.empty() || index < 0 || static_cast<std::size_t>(index) >= externals_.front().xti.size())
        return std::nullopt;
    return externals_.front().xti[static_cast<std::size_t>(index)];
}

std::optional<std::u16string> BookFormulas::definedName(int index) const {
    if (index < 1 || static_cast<std::size_t>(index) > names_.size()) return std::nullopt;
    ByteReader in(names_[static_cast<std::size_t>(index) - 1].body);
    std::uint16_t flags = in.u16();
    in.u8();
    std::uint8_t length = in.u8();
    in.skip(kLblFixedSize - 4);
    bool wide = in.u8() & 0x01;
    std::u16string name;
    for (std::uint8_t i = 0; i < length && in.ok(); ++i) name.push_back(wide ? in.u16() : in.u8());
    if (!in.ok()) return std::nullopt;
    if ((flags & kLblBuiltIn) && name.size() == 1 && name[0] < kBuiltInNames.size())
        return u"_xlnm." + std::u16string(kBuiltInNames[name[0]]);
    return name;
}

void BookFormulas::updateOwnSheetCount() {
    auto update = [&](std::vector<std::uint8_t>& body) {
        if (isOwnSheets(body)) body = ownSheetsSupBook(sheets_.size());
    };
    for (ExternalGroup& group : externals_) {
        update(group.supBook);
        for (RawRecord& record : group.records)
            if (record.id == raw(RecordId::SupBook)) update(record.body);
    }
}

} // namespace karvo
