// relationships.cpp - a ".rels" part.
#include "xlsx/relationships.h"

#include <algorithm>
#include <charconv>

namespace karvo::xlsx {
namespace {

// The number after "rId"; ids of other shapes count as 0.
std::uint64_t idNumber(const std::u16string& id) {
    if (id.size() <= 3) return 0;
    std::uint64_t number = 0;
    for (std::size_t i = 3; i < id.size(); ++i) {
        char16_t c = id[i];
        if (c < u'0' || c > u'9' || number > UINT32_MAX) return 0;
        number = number * 10 + (c - u'0');
    }
    return number;
}

} // namespace

std::u16string Relationships::add(std::u16string_view type, std::u16string_view target) {
    std::uint64_t largest = 0;
    for (const auto& relationship : root_.Relationship) largest = std::max(largest, idNumber(relationship->Id));
    std::string digits = std::to_string(largest + 1);
    auto relationship = std::make_unique<relationships::c_CT_Relationship>();
    relationship->Id = u"rId" + std::u16string(digits.begin(), digits.end());
    relationship->Type = type;
    relationship->Target = target;
    std::u16string id = relationship->Id;
    root_.Relationship.emplace_back(std::move(relationship));
    return id;
}

std::u16string Relationships::target(std::u16string_view type) const {
    for (const auto& relationship : root_.Relationship)
        if (relationship->Type == type) return relationship->Target;
    return {};
}

std::vector<std::u16string> Relationships::targets(std::u16string_view type) const {
    std::vector<std::u16string> found;
    for (const auto& relationship : root_.Relationship)
        if (relationship->Type == type) found.push_back(relationship->Target);
    return found;
}

const relationships::c_CT_Relationship* Relationships::byId(std::u16string_view id) const {
    for (const auto& relationship : root_.Relationship)
        if (relationship->Id == id) return relationship.get();
    return nullptr;
}

std::u16string Relationships::targetById(std::u16string_view id) const {
    const auto* relationship = byId(id);
    return relationship ? relationship->Target : std::u16string();
}

bool Relationships::isExternal(std::u16string_view id) const {
    const auto* relationship = byId(id);
    return relationship && relationship->TargetMode.has() && relationship->TargetMode.get() == u"External";
}

void Relationships::removeByTarget(std::u16string_view target) {
    auto& list = root_.Relationship;
    auto found = std::find_if(list.begin(), list.end(), [&](const auto& r) { return r->Target == target; });
    if (found != list.end()) list.erase(found);
}

void Relationships::removeById(std::u16string_view id) {
    auto& list = root_.Relationship;
    auto found = std::find_if(list.begin(), list.end(), [&](const auto& r) { return r->Id == id; });
    if (found != list.end()) list.erase(found);
}

} // namespace karvo::xlsx
