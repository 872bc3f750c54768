// content_types.h - "/[Content_Types].xml": the media type of every part.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "xlsx/ooxml/opc-contentTypes.h"
#include "xlsx/package_part.h"
#include "xlsx/part_names.h"

namespace karvo::xlsx {

class ContentTypes : public XmlFile<contentypes::c_Types> {
public:
    ContentTypes() = default;
    ContentTypes(const char* data, std::size_t size);

    /// The type of a part: its Override, else the Default of its extension, else "".
    std::u16string contentType(std::u16string_view partName) const;
    /// Both add nothing when the extension or part name already has an entry.
    void addDefault(std::u16string_view extension, std::u16string_view type);
    void addOverride(std::u16string_view partName, std::u16string_view type);
    void removeOverride(std::u16string_view partName);

private:
    void index();

    std::map<std::u16string, std::u16string, PartNameLess> defaults_;
    std::map<std::u16string, std::u16string, PartNameLess> overrides_;
};

} // namespace karvo::xlsx
