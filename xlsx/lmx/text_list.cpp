// text_list.cpp - appending to a string table's entries.
#include "xlsx/lmx/text_list.h"

#include <limits>
#include <stdexcept>

#include "xlsx/lmx/value_text.h"

namespace lmx {

std::uint32_t text_list::next_start(std::size_t length) {
    // Offsets are 32 bits; a table read from a file stays far below, as no part
    // inflates that far.
    if (length >= std::numeric_limits<std::uint32_t>::max() - chars_.size())
        throw std::length_error("the texts of the string table are too long");
    if (entries_.size() >= std::numeric_limits<std::uint32_t>::max()) throw std::length_error("too many shared strings");
    return static_cast<std::uint32_t>(chars_.size());
}

text_list::entry text_list::append_text(std::u16string_view text) {
    std::uint32_t start = next_start(text.size());
    chars_.append(text);
    chars_.push_back(u'\0');
    return {start, static_cast<std::uint32_t>(text.size())};
}

void text_list::push_back(std::u16string_view text) {
    // Should a step fail, the texts hold a few characters no entry refers to.
    entries_.push_back(append_text(text));
}

elmx_error text_list::push_back_utf8(std::string_view text) {
    std::uint32_t start = next_start(text.size());
    if (elmx_error e = append_utf8_as_utf16(text, chars_)) {
        chars_.resize(start);
        return e;
    }
    auto length = static_cast<std::uint32_t>(chars_.size() - start);
    chars_.push_back(u'\0');
    entries_.push_back({start, length});
    return ELMX_OK;
}

void* text_list::push_back_object(const class_info& ci) {
    objects_.emplace_back(&ci, ci.create());
    try {
        entries_.push_back({static_cast<std::uint32_t>(objects_.size() - 1), kObject});
    } catch (...) {
        objects_.pop_back();  // later entries count on objects_ holding theirs only
        throw;
    }
    return objects_.back().get();
}

void text_list::make_last_text(std::u16string_view text) {
    entries_.back() = append_text(text);
    objects_.pop_back();
}

} // namespace lmx
