// relationships.h - a ".rels" part: the links from one part to the parts it uses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "xlsx/ooxml/opc-relationships.h"
#include "xlsx/package_part.h"

namespace karvo::xlsx {

/// Lookups walk the element vector: a part has a handful of relationships, and the
/// element order is what gets written.
class Relationships : public XmlFile<relationships::c_Relationships> {
public:
    Relationships() = default;
    Relationships(const char* data, std::size_t size) : XmlFile(data, size) {}

    /// Appends a relationship and returns its new id ("rId" + one more than the
    /// largest number in use).
    std::u16string add(std::u16string_view type, std::u16string_view target);
    /// The target of the first relationship of the type, or "".
    std::u16string target(std::u16string_view type) const;
    /// Every target of the type, in element order.
    std::vector<std::u16string> targets(std::u16string_view type) const;
    std::u16string targetById(std::u16string_view id) const;
    /// Whether the relationship with this id points outside the package.
    bool isExternal(std::u16string_view id) const;
    void removeByTarget(std::u16string_view target);
    void removeById(std::u16string_view id);

private:
    const relationships::c_CT_Relationship* byId(std::u16string_view id) const;
};

} // namespace karvo::xlsx
