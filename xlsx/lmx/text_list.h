// text_list.h - the entries of a shared string table as they are held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/huge_pages.h"
#include "xlsx/lmx/schema.h"
#include "xlsx/lmx/xml_error.h"

namespace lmx {

/// A string table holds hundreds of thousands of entries, nearly all of them one
/// plain text. Those are not objects of their own: their texts lie in one buffer,
/// each followed by a zero, and an entry is 8 bytes. Entries of any other shape
/// (formatting runs, phonetic parts) are objects of the entry class, kept beside.
class text_list {
public:
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    /// Whether entry `i` is a plain text rather than an object.
    bool is_text(std::size_t i) const { return entries_[i].length != kObject; }
    /// The text of a plain entry, zero-terminated in place; valid until the list changes.
    std::u16string_view text(std::size_t i) const { return {chars_.data() + entries_[i].start, entries_[i].length}; }
    /// The object of an entry that is not plain.
    const any_object& object(std::size_t i) const { return objects_[entries_[i].start]; }

    void push_back(std::u16string_view text);
    /// Appends a text given as UTF-8; a text that is not leaves the list as it was.
    elmx_error push_back_utf8(std::string_view text);
    /// Appends a new, empty object of class `ci` and returns it.
    void* push_back_object(const class_info& ci);
    /// Turns the last entry, an object, into the plain text `text` (which may be
    /// held by that object).
    void make_last_text(std::u16string_view text);

private:
    static constexpr std::uint32_t kObject = 0xFFFFFFFF;
    struct entry {
        std::uint32_t start;   ///< offset in chars_, or index in objects_
        std::uint32_t length;  ///< of the text, or kObject
    };
    /// Where a text of `length` units goes; the texts and their zeros must stay
    /// within 32-bit offsets.
    std::uint32_t next_start(std::size_t length);
    /// Appends a text and its zero; the entry that refers to it is the caller's.
    entry append_text(std::u16string_view text);

    karvo::HugePageU16String chars_;
    std::vector<entry, karvo::HugePageAllocator<entry>> entries_;
    std::vector<any_object> objects_;
};

} // namespace lmx
