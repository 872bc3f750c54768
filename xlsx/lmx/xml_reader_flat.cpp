// xml_reader_flat.cpp - reading a small child whole, straight from the window: the
// shape of nearly every worksheet cell, where the element walk cost most of the time.
// Only a child the walk would read the same way is taken; anything unusual is left
// to the walk, which also reports whatever is wrong with it.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "xlsx/lmx/xml_reader_chars.h"
#include "xlsx/lmx/xml_reader_impl.h"

namespace lmx {

namespace {

// Whether `name` starts at `q`, with room left in the window for `after` more bytes.
// Names here are a letter or two, shorter than a call to memcmp.
bool name_at(const char* q, const char* end, std::string_view name, std::size_t after) {
    if (static_cast<std::size_t>(end - q) < name.size() + after) return false;
    for (char c : name)
        if (*q++ != c) return false;
    return true;
}

// Passes over the blanks between tags. The walk passes over any text between
// children, so ending the run at the first byte above a blank reads the same. Eight
// bytes at a time: adding 0x5F sets the top bit of a byte above 0x20, and a byte
// with the top bit set already ends the run too (a carry it sends on only reaches
// bytes after it).
const char* skip_blanks(const char* q, const char* end) {
    if constexpr (std::endian::native == std::endian::little) {
        while (end - q >= 8) {
            std::uint64_t word;
            std::memcpy(&word, q, 8);
            std::uint64_t above = ((word + 0x5F5F5F5F5F5F5F5Full) | word) & 0x8080808080808080ull;
            if (above) return q + (std::countr_zero(above) >> 3);
            q += 8;
        }
    }
    while (q < end && static_cast<unsigned char>(*q) <= 0x20) ++q;
    return q;
}

// '<' name '>' at `q`; the position past it, or null.
const char* open_tag(const char* q, const char* end, std::string_view name) {
    if (q == end || *q != '<' || !name_at(q + 1, end, name, 1) || q[1 + name.size()] != '>') return nullptr;
    return q + 2 + name.size();
}

// '</' name '>' at `q`; the position past it, or null.
const char* close_tag(const char* q, const char* end, std::string_view name) {
    if (end - q < 2 || q[0] != '<' || q[1] != '/' || !name_at(q + 2, end, name, 1) || q[2 + name.size()] != '>')
        return nullptr;
    return q + 3 + name.size();
}

} // namespace

bool c_xml_reader::peek_flat(int ns, std::string_view name, std::span<const std::string_view> attribute_names,
                             std::string_view child, flat_element& out) {
    return impl_->peek_flat(ns, name, attribute_names, child, out);
}

void c_xml_reader::take_flat() { impl_->take_flat(); }

bool c_xml_reader::impl::peek_flat(int ns, std::string_view name, std::span<const std::string_view> attribute_names,
                                   std::string_view child, flat_element& out) {
    using detail::is;
    flat_end = nullptr;
    // The walk would push the child and its own child: the depth bound must fail the same way.
    if (err || !started || stack.empty() || current_empty || default_ns != ns ||
        stack.size() + 2 > detail::kMaxDepth || attribute_names.size() > flat_element::kMaxAttributes)
        return false;
    std::fill_n(out.attributes, attribute_names.size(), std::string_view());
    out.text = {};
    out.has_child = false;
    const char* end = in.end();
    const char* q = skip_blanks(p, end);
    if (q == end || *q != '<' || !name_at(q + 1, end, name, 0)) return false;
    q += 1 + name.size();
    for (;;) {
        const char* blank = q;
        q = detail::scan_while(q, end, detail::ct_space);
        if (q == end) return false;
        if (*q == '>') {
            ++q;
            break;
        }
        if (*q == '/') {
            if (end - q < 2 || q[1] != '>') return false;
            flat_end = q + 2;
            return true;
        }
        // No blank before it: the name runs on (another element) or the tag is malformed.
        if (q == blank) return false;
        const char* an = q;
        while (q < end && is(*q, detail::ct_name) && *q != ':') ++q;
        std::string_view attribute(an, static_cast<std::size_t>(q - an));
        std::size_t i = 0;
        while (i < attribute_names.size() && !(attribute_names[i].size() == attribute.size() &&
                                               name_at(an, q, attribute_names[i], 0)))
            ++i;
        if (i == attribute_names.size() || out.attributes[i].data() || end - q < 2 || q[0] != '=') return false;
        char quote = q[1];
        if (quote != '"' && quote != '\'') return false;
        const char* v = q + 2;
        q = detail::scan_until(v, end, quote == '"' ? detail::ct_attr_dq : detail::ct_attr_sq);
        if (q == end || *q != quote) return false;
        out.attributes[i] = std::string_view(v, static_cast<std::size_t>(q - v));
        ++q;
    }
    q = skip_blanks(q, end);
    if (const char* text = open_tag(q, end, child)) {
        q = detail::scan_until(text, end, detail::ct_text_stop);
        const char* after = close_tag(q, end, child);
        if (!after) return false;
        out.text = std::string_view(text, static_cast<std::size_t>(q - text));
        out.has_child = true;
        q = skip_blanks(after, end);
    }
    flat_end = close_tag(q, end, name);
    return flat_end != nullptr;
}

void c_xml_reader::impl::take_flat() {
    if (!flat_end) return;
    p = flat_end;
    flat_end = nullptr;
    // As after a child read by the walk: the parent's attributes and start tag are gone.
    attrs.clear();
    tag_valid = false;
}

} // namespace lmx
