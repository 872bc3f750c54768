// xml_reader_dtd.cpp - the document type declaration. Only entity definitions in
// the internal subset mean anything to us; every other declaration is passed over.
#include <cstring>

#include "xlsx/lmx/xml_reader_chars.h"
#include "xlsx/lmx/xml_reader_impl.h"

namespace lmx {

using detail::st;

/// Where the DTD is being read: the window, or the replacement text of a parameter
/// entity. Only the window can ask for more input; a replacement text that ends
/// inside a declaration is malformed.
struct c_xml_reader::impl::dtd_cursor {
    const char* p;
    const char* end;
    bool window;
};

namespace {

std::string got(const char* q, const char* end) { return "DTD not Well Formed (got " + detail::char_at(q, end) + ")"; }

template <class Cursor>
bool skip_blanks(Cursor& c) {
    const char* from = c.p;
    c.p = detail::scan_while(c.p, c.end, detail::ct_space);
    return c.p > from;
}

} // namespace

st c_xml_reader::impl::dtd_end(dtd_cursor& c) {
    if (c.window) return st::more;
    return fail(ELMX_BAD_DTD, "DTD not Well Formed (got end of entity)", dtd_anchor);
}

// '<!DOCTYPE' S name (S external-id)? S? ('[' subset ']' S?)? '>'. The external
// subset is never fetched.
st c_xml_reader::impl::doctype(const char* at) {
    // A read cut by the window starts again from here; forget what it defined.
    general.clear();
    parameter.clear();
    entity_bytes = 0;
    dtd_cursor c{at + 9, in.end(), true};
    if (!skip_blanks(c)) return c.p == c.end ? st::more : fail(ELMX_BAD_DTD, got(c.p, c.end), c.p);
    const char* name = c.p;
    c.p = detail::scan_while(c.p, c.end, detail::ct_name);
    if (c.p == c.end) return st::more;
    if (c.p == name) return fail(ELMX_BAD_DTD, got(c.p, c.end), c.p);
    skip_blanks(c);
    for (std::string_view keyword : {"SYSTEM", "PUBLIC"}) {
        int m = detail::match(c.p, c.end, keyword);
        if (m < 0) return st::more;
        if (m == 0) continue;
        c.p += keyword.size();
        for (int literals = keyword == "SYSTEM" ? 1 : 2; literals > 0; --literals) {
            skip_blanks(c);
            if (c.p == c.end) return st::more;
            if (*c.p != '"' && *c.p != '\'') return fail(ELMX_BAD_DTD, got(c.p, c.end), c.p);
            auto close = static_cast<const char*>(std::memchr(c.p + 1, *c.p, static_cast<std::size_t>(c.end - c.p - 1)));
            if (!close) return st::more;
            c.p = close + 1;
        }
        skip_blanks(c);
    }
    if (c.p == c.end) return st::more;
    if (*c.p == '[') {
        ++c.p;
        if (st s = subset(c, 0); s != st::ok) return s;
        skip_blanks(c);
    }
    if (c.p == c.end) return st::more;
    if (*c.p != '>') return fail(ELMX_BAD_DTD, "DTD not Well Formed (expected '>', got " + detail::char_at(c.p, c.end) + ")", c.p);
    p = c.p + 1;
    doctype_seen = true;
    return st::ok;
}

// The internal subset up to its ']', or a parameter entity's replacement text read
// as declarations (`nesting` > 0), which simply ends.
st c_xml_reader::impl::subset(dtd_cursor& c, std::size_t nesting) {
    for (;;) {
        skip_blanks(c);
        if (c.p == c.end) return c.window ? st::more : st::ok;
        const char* here = c.window ? c.p : dtd_anchor;
        if (*c.p == ']' && nesting == 0) {
            ++c.p;
            return st::ok;
        }
        st s;
        if (*c.p == '%') {
            s = parameter_reference(c, nesting);
        } else if (int m = detail::match(c.p, c.end, "<!ENTITY"); m != 0) {
            s = m < 0 ? dtd_end(c) : entity_declaration(c);
        } else if (int m = detail::match(c.p, c.end, "<!--"); m != 0) {
            if (m < 0) return dtd_end(c);
            const char* q = c.p + 4;
            for (;; ++q) {
                q = static_cast<const char*>(std::memchr(q, '-', static_cast<std::size_t>(c.end - q)));
                if (!q || c.end - q < 3) return dtd_end(c);
                if (q[1] == '-') break;
            }
            if (q[2] != '>') return fail(ELMX_BAD_COMMENT, "End of comment not Well-Formed", c.window ? q : here);
            c.p = q + 3;
            s = st::ok;
        } else if (c.end - c.p >= 2 && c.p[0] == '<' && (c.p[1] == '!' || c.p[1] == '?')) {
            s = skip_declaration(c);
        } else if (c.end - c.p < 2 && *c.p == '<') {
            return dtd_end(c);
        } else {
            return fail(ELMX_BAD_DTD, got(c.p, c.end), here);
        }
        if (s != st::ok) return s;
    }
}

// '%' name ';' between declarations: its replacement text is read as declarations.
st c_xml_reader::impl::parameter_reference(dtd_cursor& c, std::size_t nesting) {
    const char* q = detail::scan_while(c.p + 1, c.end, detail::ct_name);
    if (q == c.end) return dtd_end(c);
    std::string_view name(c.p + 1, static_cast<std::size_t>(q - c.p - 1));
    const char* here = c.window ? c.p : dtd_anchor;
    if (name.empty() || *q != ';') return fail(ELMX_BAD_DTD, got(q, c.end), here);
    auto it = parameter.find(name);
    if (it == parameter.end()) return fail(ELMX_ENTITY_NOT_FOUND, "Entity '%" + std::string(name) + "' not found", here);
    for (std::string_view open : expanding_pe)
        if (open == name) return fail(ELMX_RECURSIVE_ENTITY, "Recursive entity definition for: %" + std::string(name), here);
    if (nesting == detail::kMaxEntityNesting) return fail(ELMX_UNEXPECTED_ENTITY, "Entity references nested deeper than 16", here);
    if (charge_entity(it->second.size(), here) != st::ok) return st::fail;
    if (c.window) dtd_anchor = c.p;
    expanding_pe.push_back(it->first);
    dtd_cursor inner{it->second.data(), it->second.data() + it->second.size(), false};
    st s = subset(inner, nesting + 1);
    expanding_pe.pop_back();
    c.p = q + 1;
    return s;
}

// '<!ENTITY' S ('%' S)? name S quoted-value S? '>'
st c_xml_reader::impl::entity_declaration(dtd_cursor& c) {
    const char* here = c.window ? c.p : dtd_anchor;
    auto at = [&](const char* q) { return c.window ? q : here; };
    c.p += 8;
    if (!skip_blanks(c)) return c.p == c.end ? dtd_end(c) : fail(ELMX_BAD_DTD, got(c.p, c.end), at(c.p));
    bool is_parameter = false;
    if (c.p != c.end && *c.p == '%') {
        is_parameter = true;
        ++c.p;
        if (!skip_blanks(c)) return c.p == c.end ? dtd_end(c) : fail(ELMX_BAD_DTD, got(c.p, c.end), at(c.p));
    }
    const char* name_at = c.p;
    c.p = detail::scan_while(c.p, c.end, detail::ct_name);
    std::string_view name(name_at, static_cast<std::size_t>(c.p - name_at));
    if (c.p == c.end) return dtd_end(c);
    if (name.empty() || !skip_blanks(c)) return fail(ELMX_BAD_DTD, got(c.p, c.end), at(c.p));
    for (std::string_view keyword : {"SYSTEM", "PUBLIC"}) {
        int m = detail::match(c.p, c.end, keyword);
        if (m < 0) return dtd_end(c);
        if (m > 0) return fail(ELMX_EXTERNAL_ENTITY, "External Entity definitions not supported", at(c.p));
    }
    if (c.p == c.end) return dtd_end(c);
    char quote = *c.p;
    if (quote != '"' && quote != '\'')
        return fail(ELMX_BAD_DTD, "Unexpected value in Entity definition: " + detail::char_at(c.p, c.end), at(c.p));
    auto close = static_cast<const char*>(std::memchr(c.p + 1, quote, static_cast<std::size_t>(c.end - c.p - 1)));
    if (!close) return dtd_end(c);
    std::string_view literal(c.p + 1, static_cast<std::size_t>(close - c.p - 1));
    c.p = close + 1;
    skip_blanks(c);
    if (c.p == c.end) return dtd_end(c);
    if (*c.p != '>')
        return fail(ELMX_BAD_DTD, "DTD not Well Formed (expected '>', got " + detail::char_at(c.p, c.end) + ")", at(c.p));
    ++c.p;
    std::string value;
    if (entity_value(c, literal, value) != st::ok) return st::fail;
    if (general.size() + parameter.size() == detail::kMaxEntityDefinitions)
        return fail(ELMX_UNEXPECTED_ENTITY, "More than 10000 entity definitions", here);
    // The first definition of a name is the one that counts.
    (is_parameter ? parameter : general).emplace(name, std::move(value));
    return st::ok;
}

// The replacement text as defined: parameter references and character references
// are replaced now; general references stay, to be read where the entity is used.
st c_xml_reader::impl::entity_value(dtd_cursor& c, std::string_view literal, std::string& value) {
    const char* here = c.window ? literal.data() : dtd_anchor;
    for (std::size_t i = 0; i < literal.size();) {
        std::size_t j = literal.find_first_of("%&", i);
        if (j == std::string_view::npos) j = literal.size();
        value.append(literal, i, j - i);
        if (j == literal.size()) break;
        if (literal[j] == '&') {
            std::size_t len = j + 1 < literal.size() && literal[j + 1] == '#' ? detail::char_reference(literal.substr(j), value) : 0;
            if (len == 0 && j + 1 < literal.size() && literal[j + 1] == '#')
                return fail(ELMX_NOT_WELL_FORMED, "Invalid character reference in entity definition", here);
            if (len == 0) value += '&';
            i = j + (len ? len : 1);
            continue;
        }
        std::size_t semi = literal.find(';', j);
        std::string_view name = literal.substr(j + 1, semi == std::string_view::npos ? 0 : semi - j - 1);
        if (name.empty()) return fail(ELMX_BAD_DTD, "Unexpected value in Entity definition: %", here);
        auto it = parameter.find(name);
        if (it == parameter.end()) return fail(ELMX_ENTITY_NOT_FOUND, "Entity '%" + std::string(name) + "' not found", here);
        if (charge_entity(it->second.size(), here) != st::ok) return st::fail;
        value += it->second;
        i = semi + 1;
    }
    return st::ok;
}

// '<!ELEMENT', '<!ATTLIST', '<!NOTATION' or '<?...?>': up to the '>' that is not quoted.
st c_xml_reader::impl::skip_declaration(dtd_cursor& c) {
    for (const char* q = c.p + 2; q < c.end; ++q) {
        if (*q == '"' || *q == '\'') {
            auto close = static_cast<const char*>(std::memchr(q + 1, *q, static_cast<std::size_t>(c.end - q - 1)));
            if (!close) break;
            q = close;
        } else if (*q == '>') {
            c.p = q + 1;
            return st::ok;
        }
    }
    return dtd_end(c);
}

} // namespace lmx
