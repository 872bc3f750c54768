// sst.h - the shared string table of a binary book.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xls/biff_strings.h"
#include "core/text_index.h"

namespace karvo {

/// Strings that LabelSst cells refer to by index. Strings read from a file keep
/// their file positions (duplicates included); strings added by the program are
/// shared with an equal string already present.
class SharedStrings {
public:
    SharedStrings() = default;
    // The index refers to this object's own list.
    SharedStrings(const SharedStrings&) = delete;
    SharedStrings& operator=(const SharedStrings&) = delete;

    std::uint32_t size() const { return static_cast<std::uint32_t>(strings_.size()); }
    const RichString& at(std::uint32_t index) const { return strings_.at(index); }
    bool contains(std::uint32_t index) const { return index < strings_.size(); }

    /// Index of an equal string, or of `text` appended as a new plain string.
    std::uint32_t add(std::u16string_view text);
    /// Appends a string read from a file, without looking for an equal one.
    void append(RichString s);
    /// Replaces the text of a string that no other cell refers to.
    void replace(std::uint32_t index, std::u16string_view text);

    /// Cells keep use counts so that a cell can tell whether it is the only user of
    /// its string (then a new text replaces it in place) without scanning every sheet.
    void retain(std::uint32_t index);
    void release(std::uint32_t index);
    std::uint32_t uses(std::uint32_t index) const { return index < uses_.size() ? uses_[index] : 0; }
    /// The number of LabelSst cells referring to the table: what the SST header counts.
    std::uint32_t totalCount() const { return totalCount_; }

    void clear();

    /// The SST record and its CONTINUE records; reading checks every count.
    void read(RecordReader& records, const Record& sst);
    void write(RecordWriter& out) const;

private:
    // The index finds an equal string for add(). It is built on the first add()
    // only: a book that is loaded and read never pays for it.
    void buildIndex();

    std::vector<RichString> strings_;
    TextIndex index_{[this](std::uint32_t i) { return std::u16string_view(strings_[i].text); }};
    bool indexed_ = false;
    std::vector<std::uint32_t> uses_;
    std::uint32_t totalCount_ = 0;
};

} // namespace karvo
