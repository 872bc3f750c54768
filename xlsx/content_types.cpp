// content_types.cpp - "/[Content_Types].xml".
#include "xlsx/content_types.h"

#include <algorithm>

namespace karvo::xlsx {
namespace {

enum : std::uint16_t { kDefault = 0, kOverride = 1 };

template <class T>
lmx::choice_item makeItem(std::uint16_t element, T* object) {
    return lmx::choice_item{element, lmx::any_object(&T::class_table, object)};
}

} // namespace

ContentTypes::ContentTypes(const char* data, std::size_t size) : XmlFile(data, size) { index(); }

// Where a file lists the same name twice, the first entry is the one that counts.
void ContentTypes::index() {
    for (const lmx::choice_item& item : root_.items) {
        if (auto* entry = item.object.as<contentypes::c_CT_Default>())
            defaults_.emplace(entry->Extension, entry->ContentType);
        else if (auto* entry = item.object.as<contentypes::c_CT_Override>())
            overrides_.emplace(normalisePartName(entry->PartName), entry->ContentType);
    }
}

std::u16string ContentTypes::contentType(std::u16string_view partName) const {
    std::u16string name = normalisePartName(partName);
    if (auto found = overrides_.find(name); found != overrides_.end()) return found->second;
    std::size_t dot = name.rfind(u'.');
    std::size_t slash = name.rfind(u'/');
    if (dot == std::u16string::npos || dot < slash) return {};
    if (auto found = defaults_.find(std::u16string_view(name).substr(dot + 1)); found != defaults_.end())
        return found->second;
    return {};
}

void ContentTypes::addDefault(std::u16string_view extension, std::u16string_view type) {
    if (defaults_.find(extension) != defaults_.end()) return;
    auto* entry = new contentypes::c_CT_Default{};
    entry->Extension = extension;
    entry->ContentType = type;
    root_.items.push_back(makeItem(kDefault, entry));
    defaults_.emplace(extension, type);
}

void ContentTypes::addOverride(std::u16string_view partName, std::u16string_view type) {
    if (overrides_.find(partName) != overrides_.end()) return;
    auto* entry = new contentypes::c_CT_Override{};
    entry->PartName = partName;
    entry->ContentType = type;
    root_.items.push_back(makeItem(kOverride, entry));
    overrides_.emplace(partName, type);
}

void ContentTypes::removeOverride(std::u16string_view partName) {
    std::erase_if(root_.items, [&](const lmx::choice_item& item) {
        auto* entry = item.object.as<contentypes::c_CT_Override>();
        return entry && entry->PartName == partName;
    });
    if (auto found = overrides_.find(partName); found != overrides_.end()) overrides_.erase(found);
}

} // namespace karvo::xlsx
