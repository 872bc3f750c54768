// xml_reader.cpp - the pull reader's public face, its walk over element content and
// the tags it meets there. The walk and the tag readers share one file on purpose:
// they are the measured hot path, and calls between them inline only here.
#include "xlsx/lmx/xml_reader.h"

#include <cstring>

#include "xlsx/lmx/xml_reader_chars.h"
#include "xlsx/lmx/xml_reader_impl.h"

namespace lmx {

using detail::content;
using detail::st;
using namespace std::string_view_literals;

namespace {

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

namespace detail {

std::string char_at(const char* q, const char* end) {
    if (q >= end) return "end of input";
    auto lead = static_cast<unsigned char>(*q);
    std::size_t len = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (len > static_cast<std::size_t>(end - q)) len = 1;
    return std::string(q, len);
}

} // namespace detail

c_xml_reader::c_xml_reader(const char* begin, const char* end)
    : impl_(std::make_unique<impl>(*this, detail::xml_input(begin, end))) {}

c_xml_reader::c_xml_reader(chunk_source source)
    : impl_(std::make_unique<impl>(*this, detail::xml_input(std::move(source)))) {}

c_xml_reader::~c_xml_reader() = default;

void c_xml_reader::set_namespace_table(const ns_entry* table) {
    impl_->table = table;
    impl_->renumber_bindings();
}

elmx_error c_xml_reader::read_root() { return impl_->read_root(); }
elmx_error c_xml_reader::next(event& e) { return impl_->next(e); }
elmx_error c_xml_reader::read_text(std::string_view& text) { return impl_->read_text(text); }
elmx_error c_xml_reader::skip(std::string* capture) { return impl_->skip(capture); }
int c_xml_reader::line() const { return impl_->line(); }

int c_xml_reader::impl::line() const { return p ? in.line_at(p) : in.line_at(in.begin()); }

st c_xml_reader::impl::fail(elmx_error code, std::string_view item, const char* at) {
    if (at) p = at;
    err = code;
    owner.fail(code, item);
    return st::fail;
}

// The window ended inside the item starting at `item`: bring in more text and let
// the caller read the item again. Running out of input here is always an error,
// since only the walk around the root may end with the input.
st c_xml_reader::impl::refill(const char*& item) {
    switch (in.refill(item)) {
    case detail::fill::added: p = item; return st::ok;
    case detail::fill::end: return fail(ELMX_UNEXPECTED_EOM, "Unexpected end of file", in.end());
    case detail::fill::failed: break;
    }
    return fail(in.error_code(), in.error_item(), in.end());
}

elmx_error c_xml_reader::impl::walk_failed() {
    if (err == ELMX_OK) fail(ELMX_UNDEFINED_ERROR, "Reader used before read_root", nullptr);
    return err;
}

elmx_error c_xml_reader::impl::read_root() {
    if (err) return err;
    if (started) return fail(ELMX_UNDEFINED_ERROR, "read_root called twice", nullptr), err;
    started = true;
    if (detect_and_declare() != st::ok || misc(true) != st::ok) return err;
    return ELMX_OK;
}

// Reads one item of element content at `at`: a run of text, a CDATA section, a
// child's start tag (pushed), this element's end tag (popped), or a comment or
// processing instruction. With `partial_text` a run cut by the window end is
// handed out in pieces, so text nobody keeps never has to fit the window whole.
st c_xml_reader::impl::content_item(const char* at, content& kind, bool partial_text) {
    const char* end = in.end();
    if (at == end) return st::more;
    if (*at != '<') {
        auto q = static_cast<const char*>(std::memchr(at, '<', static_cast<std::size_t>(end - at)));
        if (!q) {
            if (!partial_text) return st::more;
            q = end;
        }
        kind = content::text;
        text_piece = std::string_view(at, static_cast<std::size_t>(q - at));
        p = q;
        return st::ok;
    }
    if (end - at < 2) return st::more;
    char c = at[1];
    if (c == '/') {
        kind = content::end;
        return end_tag(at);
    }
    if (c == '!') return markup_decl(at, kind);
    if (c == '?') {
        kind = content::misc;
        return processing_instruction(at);
    }
    if (detail::is(c, detail::ct_name_start)) {
        kind = content::child;
        return start_tag(at);
    }
    return fail(ELMX_NOT_WELL_FORMED, "XML not Well-Formed", at);
}

// '<!' inside an element: a comment, a CDATA section, or a misplaced DTD.
st c_xml_reader::impl::markup_decl(const char* at, content& kind) {
    const char* end = in.end();
    int m = detail::match(at, end, "<!--");
    if (m == 1) {
        kind = content::misc;
        return comment(at);
    }
    if (m < 0) return st::more;
    m = detail::match(at, end, "<![CDATA[");
    if (m < 0) return st::more;
    if (m == 1) {
        const char* body = at + 9;
        for (const char* q = body;;) {
            q = static_cast<const char*>(std::memchr(q, ']', static_cast<std::size_t>(end - q)));
            if (!q || end - q < 3) return st::more;
            if (q[1] == ']' && q[2] == '>') {
                kind = content::cdata;
                text_piece = std::string_view(body, static_cast<std::size_t>(q - body));
                p = q + 3;
                return st::ok;
            }
            ++q;
        }
    }
    m = detail::match(at, end, "<!DOCTYPE");
    if (m < 0) return st::more;
    if (m == 1) return fail(ELMX_BAD_DTD, "Document Type Declaration not at start of document", at);
    return fail(ELMX_NOT_WELL_FORMED, "XML not Well-Formed", at);
}

// Once the root has ended only comments, processing instructions and white space
// may follow; reading them now lets the call that ends the root report trailing junk.
elmx_error c_xml_reader::impl::after_end() {
    if (!stack.empty()) return ELMX_OK;
    return misc(false) == st::ok ? ELMX_OK : err;
}

elmx_error c_xml_reader::impl::next(event& e) {
    if (err || !started) return walk_failed();
    e = event::end;
    if (stack.empty()) return ELMX_OK;
    if (current_empty) {
        pop_element();
        return after_end();
    }
    for (;;) {
        const char* item = p;
        content kind;
        st s;
        // Worksheets put tags back to back: go straight to them.
        if (in.end() - item >= 2 && item[0] == '<' && detail::is(item[1], detail::ct_name_start)) {
            kind = content::child;
            s = start_tag(item);
        } else if (in.end() - item >= 2 && item[0] == '<' && item[1] == '/') {
            kind = content::end;
            s = end_tag(item);
        } else {
            s = content_item(item, kind, true);
        }
        if (s == st::more) {
            if (refill(item) != st::ok) return err;
            continue;
        }
        if (s == st::fail) return err;
        if (kind == content::child) {
            e = event::start;
            return ELMX_OK;
        }
        if (kind == content::end) return after_end();
    }
}

// Simple content is one run of text and the end tag; handing out a view of the
// input for it is what keeps reading cell values free of copies. `fallback` asks
// for the general path (references, line ends, CDATA, children, comments).
st c_xml_reader::impl::text_fast(const char* at, std::string_view& text, bool& fallback) {
    const char* end = in.end();
    const char* q = detail::scan_until(at, end, detail::ct_text_stop);
    if (end - q < 2) return st::more;
    if (q[0] != '<' || q[1] != '/') {
        fallback = true;
        return st::ok;
    }
    st s = end_tag(q);
    if (s == st::ok) text = std::string_view(at, static_cast<std::size_t>(q - at));
    return s;
}

elmx_error c_xml_reader::impl::read_text(std::string_view& text) {
    text = {};
    if (err || !started) return walk_failed();
    if (stack.empty()) return ELMX_OK;
    if (current_empty) {
        pop_element();
        return after_end();
    }
    for (;;) {
        const char* item = p;
        bool fallback = false;
        st s = text_fast(item, text, fallback);
        if (s == st::more) {
            if (refill(item) != st::ok) return err;
            continue;
        }
        if (s == st::fail) return err;
        if (fallback) return read_text_general(text);
        if (stack.empty() && chunked) {
            // Reading the epilogue may move the window under the view.
            scratch.assign(text);
            text = scratch;
        }
        return after_end();
    }
}

elmx_error c_xml_reader::impl::read_text_general(std::string_view& text) {
    scratch.clear();
    const std::size_t d = stack.size();
    for (;;) {
        const char* item = p;
        content kind;
        bool own = stack.size() == d;
        st s = content_item(item, kind, !own);
        if (s == st::more) {
            if (refill(item) != st::ok) return err;
            continue;
        }
        if (s == st::fail) return err;
        if (kind == content::text && own) {
            if (expand(text_piece, scratch, true, 0, item) != st::ok) return err;
        } else if (kind == content::cdata && own) {
            append_line_ends(text_piece, scratch);
        } else if (kind == content::child && current_empty) {
            pop_element();
        } else if (kind == content::end && stack.size() < d) {
            text = scratch;
            return after_end();
        }
    }
}

// The captured element must read the same on its own, so the namespace bindings
// it inherits are written into its start tag, innermost binding per prefix, except
// those the element makes itself.
void c_xml_reader::impl::append_start_tag(std::string& out) const {
    const detail::open_element& el = stack.back();
    const char* name_end = tag_begin + 1 + el.qname_len;
    out.append(tag_begin, name_end);
    auto declared_above = [&](std::size_t i) {
        for (std::size_t k = i + 1; k < live_bindings; ++k)
            if (bindings[k].prefix == bindings[i].prefix) return true;
        return false;
    };
    for (std::size_t i = 0; i < el.ns_mark; ++i) {
        const detail::ns_binding& b = bindings[i];
        if (b.uri.empty() || declared_above(i)) continue;
        out += b.prefix.empty() ? " xmlns=\"" : " xmlns:" + b.prefix + "=\"";
        for (char c : b.uri) {
            if (c == '&') out += "&amp;";
            else if (c == '<') out += "&lt;";
            else if (c == '"') out += "&quot;";
            else out += c;
        }
        out += '"';
    }
    out.append(name_end, tag_end);
}

elmx_error c_xml_reader::impl::skip(std::string* capture) {
    if (err || !started) return walk_failed();
    if (stack.empty()) return ELMX_OK;
    if (capture) {
        // Only the start tag just read is still in the window.
        if (!tag_valid) return fail(ELMX_UNDEFINED_ERROR, "Capture asked for after the start tag was passed", nullptr), err;
        append_start_tag(*capture);
    }
    if (current_empty) {
        pop_element();
        return after_end();
    }
    const std::size_t d = stack.size();
    for (;;) {
        const char* item = p;
        content kind;
        st s = content_item(item, kind, true);
        if (s == st::more) {
            if (refill(item) != st::ok) return err;
            continue;
        }
        if (s == st::fail) return err;
        if (capture) capture->append(item, p);
        if (kind == content::child && current_empty) {
            pop_element();
        } else if (kind == content::end && stack.size() < d) {
            return after_end();
        }
    }
}

// The failures of the tag readers build their items here, out of line, so that the
// hot readers keep short prologues.
st c_xml_reader::impl::fail_after_slash(const char* q) {
    return fail(ELMX_BAD_END_TAG, "Illegal character(s) after / at end of tag - " + detail::char_at(q + 1, in.end()), q);
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

inline st c_xml_reader::impl::finish_start_tag(const char* at, const char* name_end, const char* colon, const char* end_of_tag,
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

// Pushes `current`, whose name is a view of the window.
inline void c_xml_reader::impl::push_element(std::size_t mark) {
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
