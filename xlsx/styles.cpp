// styles.cpp - the stylesheet part and its cell formats.
#include "xlsx/styles.h"

#include <cmath>
#include <string_view>

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

} // namespace

Styles::Styles(XMLBookImplT& book) : XmlFile(kNewStylesheet.data(), kNewStylesheet.size()), book_(book) {
    makeFormats();
}

Styles::Styles(XMLBookImplT& book, const char* data, std::size_t size) : XmlFile(data, size), book_(book) {
    makeFormats();
}

Styles::~Styles() = default;

void Styles::makeFormats() {
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
