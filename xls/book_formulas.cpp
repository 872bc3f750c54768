// book_formulas.cpp - sheet lookup, the XTI list, defined and external names for formulas.
#include "xls/book_formulas.h"

#include <array>

#include "core/byte_reader.h"
#include "xls/biff_strings.h"
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

// ExternName: flags (u16), four bytes whose meaning depends on the kind of name, then
// the name as a short string with a u8 count; the same for add-in functions, names of
// other books and DDE or OLE links.
constexpr std::size_t kExternNameTextAt = 6;

std::optional<std::u16string> externNameText(const std::vector<std::uint8_t>& body) {
    ByteReader in(body);
    in.skip(kExternNameTextAt);
    std::u16string text = readShortString(in, ShortForm::Count8);
    if (!in.ok()) return std::nullopt;
    return text;
}

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
std::optional<int> BookFormulas::findOwnSupBook() const {
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
    return std::nullopt;
}

int BookFormulas::ownSupBook() {
    if (auto found = findOwnSupBook()) return *found;
    if (externals_.empty()) {
        ExternalGroup own;
        own.supBook = ownSheetsSupBook(sheets_.size());
        own.hasExternSheet = true;
        externals_.push_back(std::move(own));
        return 0;
    }
    // The book's one ExternSheet list follows all SupBooks, so the new SupBook joins
    // the first group, after the ones already there.
    int index = 0;
    for (const ExternalGroup& group : externals_) {
        ++index;
        for (const RawRecord& record : group.records) index += record.id == raw(RecordId::SupBook) ? 1 : 0;
    }
    externals_.front().records.push_back(RawRecord{raw(RecordId::SupBook), ownSheetsSupBook(sheets_.size()), {}});
    externals_.front().hasExternSheet = true;
    return index;
}

int BookFormulas::xtiForSheets(int first, int last) {
    const Xti wanted{static_cast<std::uint16_t>(ownSupBook()), static_cast<std::uint16_t>(first),
                     static_cast<std::uint16_t>(last)};
    std::vector<Xti>& list = externals_.front().xti;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] == wanted) return static_cast<int>(i);
    list.push_back(wanted);
    externals_.front().hasExternSheet = true;
    return static_cast<int>(list.size() - 1);
}

int BookFormulas::appendXti(int sheet) {
    auto supBook = static_cast<std::uint16_t>(ownSupBook());
    auto number = static_cast<std::uint16_t>(sheet);
    externals_.front().xti.push_back(Xti{supBook, number, number});
    externals_.front().hasExternSheet = true;
    return static_cast<int>(externals_.front().xti.size() - 1);
}

std::optional<Xti> BookFormulas::xtiAt(int index) const {
    if (externals_.empty() || index < 0 || static_cast<std::size_t>(index) >= externals_.front().xti.size())
        return std::nullopt;
    return externals_.front().xti[static_cast<std::size_t>(index)];
}

std::optional<std::u16string> BookFormulas::definedName(int index) const {
    if (index < 1 || static_cast<std::size_t>(index) > names_.size()) return std::nullopt;
    const Lbl& name = names_[static_cast<std::size_t>(index) - 1];
    if (!name.parsed) return std::nullopt;
    if ((name.flags & Lbl::kBuiltIn) && name.text.size() == 1 && name.text[0] < kBuiltInNames.size())
        return u"_xlnm." + std::u16string(kBuiltInNames[name.text[0]]);
    return name.text;
}

std::optional<std::u16string> BookFormulas::externalName(int xti, int index) const {
    const auto entry = xtiAt(xti);
    if (!entry || index < 1) return std::nullopt;
    // SupBook records count in file order, the first of each group and the ones it
    // absorbed alike; the ExternName records after a SupBook are its names.
    int supBook = 0;
    int name = 0;
    for (const ExternalGroup& group : externals_) {
        if (supBook == entry->supBook && isOwnSheets(group.supBook)) return definedName(index);
        for (const RawRecord& record : group.records) {
            if (record.id == raw(RecordId::SupBook)) {
                if (++supBook == entry->supBook && isOwnSheets(record.body)) return definedName(index);
                name = 0;
            } else if (record.id == raw(RecordId::ExternName) && supBook == entry->supBook && ++name == index) {
                return externNameText(record.body);
            }
        }
        ++supBook;
        name = 0;
    }
    return std::nullopt;
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
