// xml_reader_tags.cpp - start and end tags, and the namespaces their names resolve in.
#include <cstring>

#include "xlsx/lmx/xml_reader_chars.h"
#include "xlsx/lmx/xml_reader_impl.h"

namespace lmx {

using detail::st;
using namespace std::string_view_literals;

namespace {

constexpr std::string_view kXsiUri = "http://www.w3.org/2001/XMLSchema-instance";
constexpr std::string_view kXmlUri = "http://www.w3.org/XML/1998/namespace";

bool is_namespace_declaration(std::string_view qname) {
    return qname.starts_with("xmlns"sv) && (qname.size() == 5 || qname[5] == ':');
}

// Scans a name; `colon` is left at its first colon, or null. Names are a few bytes,
// so a loop beats calling memchr afterwards.
const char* scan_name(const char* q, const char* end, const char*& colon) {
    colon = nullptr;
    for (; q < end && detail::is(*q, detail::ct_name); ++q)
        if (*q == ':' && !colon) colon = q;
    return q;
}

std::string_view local_part(std::string_view qname, const char* colon) {
    return colon ? qname.substr(static_cast<std::size_t>(colon + 1 - qname.data())) : qname;
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

std::string_view prefix_part(const xml_name& name) {
    return name.qname.substr(0, name.qname.size() - name.local.size() - 1);
}

} // namespace

// The failures of the tag readers build their items here, out of line, so that the
// hot readers keep short prologues.
st c_xml_reader::impl::fail_after_slash(const char* q) {
    return fail(ELMX_BAD_END_TAG, "Illegal character(s) after / at end of tag - " + detail::char_at(q + 1, in.end()), q);
}

st c_xml_reader::impl::fail_prefix(std::string_view prefix, const char* at) {
    return fail(ELMX_NOT_WELL_FORMED, "Namespace prefix not declared: " + std::string(prefix), at);
}

st c_xml_reader::impl::fail_end_tag(std::string_view name, const char* at) {
    return fail(ELMX_NOT_WELL_FORMED,
                "Element start tag (" + std::string(current.qname) + ") and end tag (" + std::string(name) + ") do not match", at);
}

// '<' name (S name S? '=' S? quoted-value)* S? ('>' | '/>'). Values are only found
// here; decoding them waits for the whole tag, so a tag read again after a refill
// has not spent entity budget twice.
st c_xml_reader::impl::start_tag(const char* at) {
    const char* end = in.end();
    const char* name_colon;
    const char* q = scan_name(at + 1, end, name_colon);
    const char* name_end = q;
    attrs.clear();
    decoded.clear();
    tag_declares = false;
    tag_prefixed = false;
    bool spaced = false;
    for (;;) {
        if (q == end) return st::more;
        if (detail::is(*q, detail::ct_space)) {
            q = detail::scan_while(q, end, detail::ct_space);
            if (q == end) return st::more;
            spaced = true;
        }
        char c = *q;
        if (c == '>') return finish_start_tag(at, name_end, name_colon, q + 1, false);
        if (c == '/') {
            if (end - q < 2) return st::more;
            if (q[1] != '>')
                return fail_after_slash(q);
            return finish_start_tag(at, name_end, name_colon, q + 2, true);
        }
        if (!spaced || !detail::is(c, detail::ct_name_start)) return fail(ELMX_NOT_WELL_FORMED, "XML not Well-Formed", q);
        const char* an = q;
        const char* colon;
        q = scan_name(q, end, colon);
        std::string_view qname(an, static_cast<std::size_t>(q - an));
        q = detail::scan_while(q, end, detail::ct_space);
        if (q == end) return st::more;
        if (*q != '=') return fail(ELMX_NOT_WELL_FORMED, "XML not Well-Formed", q);
        q = detail::scan_while(q + 1, end, detail::ct_space);
        if (q == end) return st::more;
        char quote = *q;
        if (quote != '"' && quote != '\'') return fail(ELMX_NOT_WELL_FORMED, "XML not Well-Formed", q);
        const std::uint8_t stop = quote == '"' ? detail::ct_attr_dq : detail::ct_attr_sq;
        const char* v = ++q;
        bool has_reference = false;
        for (;;) {
            q = detail::scan_until(q, end, stop);
            if (q == end) return st::more;
            if (*q == quote) break;
            if (*q == '<') return fail(ELMX_NOT_WELL_FORMED, "Character '<' in attribute value", q);
            has_reference = true;
            ++q;
        }
        if (attrs.size() == detail::kMaxAttributes)
            return fail(ELMX_BADLY_FORMED, "More than 8192 attributes on one element", an);
        if (has_reference) decoded.push_back({attrs.size(), 0, 0});
        xml_attribute& a = attrs.emplace_back();
        a.name.qname = qname;
        a.name.local = local_part(qname, colon);
        a.value = std::string_view(v, static_cast<std::size_t>(q - v));
        a.is_namespace_declaration = *an == 'x' && is_namespace_declaration(qname);
        tag_declares |= a.is_namespace_declaration;
        tag_prefixed |= colon != nullptr;
        ++q;
        spaced = false;
    }
}

st c_xml_reader::impl::finish_start_tag(const char* at, const char* name_end, const char* colon, const char* end_of_tag,
                                        bool empty) {
    if (stack.size() == detail::kMaxDepth) return fail(ELMX_BADLY_FORMED, "Elements nested deeper than 256", at);
    if (!decoded.empty()) {
        attr_scratch.clear();
        for (detail::decoded_value& d : decoded) {
            d.offset = attr_scratch.size();
            if (expand(attrs[d.attr].value, attr_scratch, false, 0, at) != st::ok) return st::fail;
            d.length = attr_scratch.size() - d.offset;
        }
        for (const detail::decoded_value& d : decoded)
            attrs[d.attr].value = std::string_view(attr_scratch.data() + d.offset, d.length);
    }
    const std::size_t mark = live_bindings;
    if (tag_declares && declare_namespaces(at) != st::ok) return st::fail;
    // Written in place: a copy of a freshly built name stalls on store forwarding.
    xml_name& name = current;
    name.qname = std::string_view(at + 1, static_cast<std::size_t>(name_end - at - 1));
    name.local = local_part(name.qname, colon);
    name.ns = default_ns;
    if (colon) {
        name.ns = prefix_id(prefix_part(name));
        if (name.ns < 0) return fail_prefix(prefix_part(name), at);
    }
    // Attributes start out in no namespace, which is all most of them need.
    if ((tag_prefixed || tag_declares) && resolve_names(at) != st::ok) return st::fail;
    push_element(mark);
    tag_begin = at;
    tag_end = end_of_tag;
    tag_valid = true;
    current_empty = empty;
    p = end_of_tag;
    return st::ok;
}

st c_xml_reader::impl::declare_namespaces(const char* at) {
    bool changed = false;
    for (xml_attribute& a : attrs) {
        if (!a.is_namespace_declaration) continue;
        std::string_view prefix = a.name.qname.size() == 5 ? std::string_view() : a.name.qname.substr(6);
        a.name.ns = kNoNamespace;
        a.name.local = prefix.empty() ? a.name.qname : prefix;
        // "xml" is bound for good and "xmlns" is reserved: declaring them changes nothing.
        if (prefix == "xml"sv || prefix == "xmlns"sv) continue;
        if (live_bindings == detail::kMaxNamespaceBindings)
            return fail(ELMX_BADLY_FORMED, "More than 1024 namespace declarations in scope", at);
        if (bindings.size() == live_bindings) bindings.emplace_back();
        detail::ns_binding& b = bindings[live_bindings++];
        b.prefix.assign(prefix);
        b.uri.assign(a.value);
        b.id = uri_id(b.uri);
        changed = true;
    }
    if (changed) refresh_default_ns();
    return st::ok;
}

// Unprefixed attributes are in no namespace whatever the default is.
st c_xml_reader::impl::resolve_names(const char* at) {
    for (xml_attribute& a : attrs) {
        if (a.is_namespace_declaration) continue;
        if (a.name.local.size() == a.name.qname.size()) {
            a.name.ns = kNoNamespace;
            continue;
        }
        a.name.ns = prefix_id(prefix_part(a.name));
        if (a.name.ns < 0) return fail_prefix(prefix_part(a.name), at);
    }
    return st::ok;
}

// -1 for a prefix with no binding in scope (or one undeclared with an empty URI).
int c_xml_reader::impl::prefix_id(std::string_view prefix) const {
    if (prefix == "xml"sv) return kXmlNamespace;
    for (std::size_t i = live_bindings; i-- > 0;)
        if (bindings[i].prefix == prefix) return bindings[i].uri.empty() ? -1 : bindings[i].id;
    return -1;
}

int c_xml_reader::impl::uri_id(std::string_view uri) const {
    if (uri.empty()) return kNoNamespace;
    if (uri == kXsiUri) return kXsiNamespace;
    if (uri == kXmlUri) return kXmlNamespace;
    for (const ns_entry* row = table; row && row->id != 0; ++row)
        if (row->uri && uri == row->uri) return row->id;
    return kUnknownNamespace;
}

void c_xml_reader::impl::refresh_default_ns() {
    default_ns = kNoNamespace;
    for (std::size_t i = live_bindings; i-- > 0;) {
        if (bindings[i].prefix.empty()) {
            default_ns = bindings[i].id;
            return;
        }
    }
}

void c_xml_reader::impl::renumber_bindings() {
    for (std::size_t i = 0; i < live_bindings; ++i) bindings[i].id = uri_id(bindings[i].uri);
    refresh_default_ns();
}

// Pushes `current`, whose name is a view of the window.
void c_xml_reader::impl::push_element(std::size_t mark) {
    detail::open_element& el = stack.emplace_back();
    el.qname_len = current.qname.size();
    el.local_off = current.qname.size() - current.local.size();
    el.ns_mark = mark;
    el.ns = current.ns;
    el.name = current.qname.data();
    owner.depth_ = static_cast<int>(stack.size());
    if (chunked) keep_name(el);
}

// Chunked input drops the text the name is in; the arena keeps a copy.
void c_xml_reader::impl::keep_name(detail::open_element& el) {
    el.name = nullptr;
    el.arena_off = arena.size();
    arena.append(current.qname);
    set_current();
}

void c_xml_reader::impl::pop_element() {
    const detail::open_element& el = stack.back();
    if (!el.name) arena.resize(el.arena_off);
    if (live_bindings != el.ns_mark) {
        live_bindings = el.ns_mark;
        refresh_default_ns();
    }
    stack.pop_back();
    owner.depth_ = static_cast<int>(stack.size());
    attrs.clear();
    tag_valid = false;
    current_empty = false;
    set_current();
}

void c_xml_reader::impl::set_current() {
    if (stack.empty()) {
        current = xml_name{};
        return;
    }
    const detail::open_element& el = stack.back();
    const char* name = el.name ? el.name : arena.data() + el.arena_off;
    current.qname = std::string_view(name, el.qname_len);
    current.local = current.qname.substr(el.local_off);
    current.ns = el.ns;
}

// '</' name S? '>', naming the open element.
st c_xml_reader::impl::end_tag(const char* at) {
    const char* end = in.end();
    const char* q = detail::scan_while(at + 2, end, detail::ct_name);
    std::string_view name(at + 2, static_cast<std::size_t>(q - at - 2));
    q = detail::scan_while(q, end, detail::ct_space);
    if (q == end) return st::more;
    if (name.empty() || *q != '>') return fail(ELMX_NOT_WELL_FORMED, "XML not Well-Formed", q);
    if (!same_name(name, current.qname)) return fail_end_tag(name, at);
    p = q + 1;
    pop_element();
    return st::ok;
}

} // namespace lmx
