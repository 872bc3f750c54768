// styles.cpp - the stylesheet part and its cell formats.
#include "xlsx/styles.h"

#include <cmath>
#include <string_view>

#include "core/format_copy.h"
#include "xlsx/xml_font_impl.h"
#include "xlsx/xml_format_impl.h"

namespace karvo::xlsx {
namespace {

constexpr std::string_view kNewStylesheet =
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill>)"
    R"(<fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(</styleSheet>)";

// Consumers reserve the first two fills for "none" and "gray125", whatever the
// file says; a fill of our own must come after them.
constexpr std::size_t kReservedFills = 2;

// The record at an id of an `xf`; null for id 0, an absent id and ids past the list.
template <class Record>
Record* pointedRecord(const std::vector<lmx::owned<Record>>* records, const lmx::opt<std::uint32_t>& id) {
    if (!records || !id.has() || id.get() == 0 || id.get() >= records->size()) return nullptr;
    return (*records)[id.get()].get();
}

// Appends a record to a list element (`borders`, `fills`), keeps its count, and
// points `id` at the record.
template <class List, class Record>
Record& appendRecord(List& list, std::vector<lmx::owned<Record>>& records, std::unique_ptr<Record> record,
                     lmx::opt<std::uint32_t>& id) {
    id.set(static_cast<std::uint32_t>(records.size()));
    Record& added = *records.emplace_back(std::move(record));
    list.count.set(static_cast<std::uint32_t>(records.size()));
    return added;
}

std::unique_ptr<styles::c_CT_Border> emptyBorder() {
    auto border = std::make_unique<styles::c_CT_Border>();
    border->left.make();
    border->right.make();
    border->top.make();
    border->bottom.make();
    border->diagonal.make();
    return border;
}

std::unique_ptr<styles::c_CT_Fill> patternFill(const char16_t* type) {
    auto fill = std::make_unique<styles::c_CT_Fill>();
    fill->patternFill.make().patternType.set(type);
    return fill;
}

} // namespace

Styles::Styles(XMLBookImplT& book) : XmlFile(kNewStylesheet.data(), kNewStylesheet.size()), book_(book) {
    makeFormats();
}

Styles::Styles(XMLBookImplT& book, const char* data, std::size_t size) : XmlFile(data, size), book_(book) {
    makeFormats();
}

Styles::~Styles() = default;

void Styles::makeFormats() {
    std::size_t fontCount = root_.fonts ? root_.fonts->font.size() : 0;
    fonts_.reserve(fontCount);
    for (std::size_t i = 0; i < fontCount; ++i)
        fonts_.push_back(std::make_unique<XMLFontImplT>(*this, static_cast<std::uint32_t>(i)));
    std::size_t count = root_.cellXfs ? root_.cellXfs->xf.size() : 0;
    formats_.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        formats_.push_back(std::make_unique<XMLFormatImplT>(*this, static_cast<std::uint32_t>(i)));
}

XMLFormatImplT* Styles::addFormatObject() {
    auto index = static_cast<std::uint32_t>(formats_.size());
    return formats_.emplace_back(std::make_unique<XMLFormatImplT>(*this, index)).get();
}

XMLFormatImplT* Styles::formatAt(std::size_t index) const {
    return index < formats_.size() ? formats_[index].get() : nullptr;
}

std::uint32_t Styles::indexOf(const IFormat* format) const {
    for (const auto& candidate : formats_)
        if (static_cast<const IFormat*>(candidate.get()) == format) return candidate->index();
    throw xlerror("specified format not found");
}

XMLFontImplT* Styles::fontAt(std::size_t index) const {
    return index < fonts_.size() ? fonts_[index].get() : nullptr;
}

XMLFontImplT* Styles::addFont(IFont* init) {
    auto& fonts = root_.fonts.make();
    auto font = std::make_unique<styles::c_CT_Font>();
    // A new font looks like the book's default one until it is changed, as every
    // consumer shows a font without size or name differently.
    if (!fonts.font.empty()) {
        font->sz = fonts.font.front()->sz;
        font->name = fonts.font.front()->name;
    }
    fonts.font.emplace_back(std::move(font));
    fonts.count.set(static_cast<std::uint32_t>(fonts.font.size()));
    auto index = static_cast<std::uint32_t>(fonts_.size());
    XMLFontImplT* added = fonts_.emplace_back(std::make_unique<XMLFontImplT>(*this, index)).get();
    if (init) copyFontProperties(*init, *added);
    return added;
}

std::uint32_t Styles::fontIndexOf(const IFont* font) const {
    for (const auto& candidate : fonts_)
        if (static_cast<const IFont*>(candidate.get()) == font) return candidate->index();
    throw xlerror("unknown font");
}

styles::c_CT_Border* Styles::borderAt(const lmx::opt<std::uint32_t>& id) const {
    return pointedRecord(root_.borders ? &root_.borders->border : nullptr, id);
}

styles::c_CT_Fill* Styles::fillAt(const lmx::opt<std::uint32_t>& id) const {
    return pointedRecord(root_.fills ? &root_.fills->fill : nullptr, id);
}

styles::c_CT_Border& Styles::addBorder(lmx::opt<std::uint32_t>& id) {
    auto& borders = root_.borders.make();
    // Border 0 is what cells without a format show; a record of our own never takes its place.
    if (borders.border.empty()) borders.border.emplace_back(emptyBorder());
    return appendRecord(borders, borders.border, emptyBorder(), id);
}

styles::c_CT_Fill& Styles::addFill(lmx::opt<std::uint32_t>& id) {
    auto& fills = root_.fills.make();
    static const char16_t* const kReserved[kReservedFills] = {u"none", u"gray125"};
    while (fills.fill.size() < kReservedFills) fills.fill.emplace_back(patternFill(kReserved[fills.fill.size()]));
    return appendRecord(fills, fills.fill, patternFill(u"none"), id);
}

bool Styles::firstFont(std::u16string& name, int& size) const {
    if (!root_.fonts || root_.fonts->font.empty()) return false;
    const styles::c_CT_Font& font = *root_.fonts->font.front();
    if (font.name) name = font.name->val;
    if (font.sz && std::isfinite(font.sz->val)) size = static_cast<int>(std::clamp(font.sz->val, 0.0, 409.0));
    return true;
}

const std::u16string* Styles::numFormatText(std::uint32_t id) const {
    if (!root_.numFmts) return nullptr;
    for (const auto& format : root_.numFmts->numFmt)
        if (format->numFmtId == id) return &format->formatCode;
    return nullptr;
}

std::uint32_t Styles::numFormatId(std::size_t index) const {
    if (!root_.cellXfs || index >= root_.cellXfs->xf.size()) return 0;
    return root_.cellXfs->xf[index]->numFmtId.get();
}

} // namespace karvo::xlsx
