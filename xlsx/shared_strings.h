// shared_strings.h - "/xl/sharedStrings.xml": the texts string cells point to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/text_index.h"
#include "xlsx/ooxml/sml-sharedStringTable.h"
#include "xlsx/package_part.h"

namespace karvo::xlsx {

class SharedStrings : public XmlFile<sharedStringTable::c_sst> {
public:
    SharedStrings() = default;
    SharedStrings(const char* data, std::size_t size) : XmlFile(data, size) {}
    explicit SharedStrings(lmx::chunk_source source) : XmlFile(std::move(source)) {}
    // The index reads the texts of this table.
    SharedStrings(const SharedStrings&) = delete;
    SharedStrings& operator=(const SharedStrings&) = delete;

    /// The index of the text, appending an entry when no equal text has one.
    std::uint32_t add(std::u16string_view text);
    /// The plain text of an entry: its own text, which stays valid until the table
    /// changes, or its runs joined into `scratch`. No copy of a plain entry is made,
    /// so a long text that many cells share costs nothing per cell read.
    const char16_t* text(std::uint32_t index, std::u16string& scratch) const;
    std::size_t size() const { return root_.si.size(); }

private:
    void indexEntries();
    /// An entry held as an object: one with runs or phonetic parts.
    const sharedStringTable::c_CT_Rst& richEntry(std::uint32_t index) const;
    std::u16string_view storedText(std::uint32_t index) const;

    // Built on the first add: a book that is only read never pays for it. It reads
    // the entries' own texts, or for entries made of runs their texts in `joined_`.
    TextIndex index_{[this](std::uint32_t i) { return storedText(i); }};
    std::unordered_map<std::uint32_t, std::u16string> joined_;
    bool indexed_ = false;
};

} // namespace karvo::xlsx
