// xml_reader_refs.cpp - character and entity references in text and attribute values.
#include "xlsx/lmx/xml_reader_chars.h"
#include "xlsx/lmx/xml_reader_impl.h"

namespace lmx {

using detail::st;

namespace detail {

namespace {

int digit_value(char c, int base) {
    if (c >= '0' && c <= '9') return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The characters XML 1.0 lets a document contain.
bool allowed_char(char32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
           (cp >= 0x10000 && cp <= 0x10FFFF);
}

char predefined(std::string_view name) {
    if (name == "lt") return '<';
    if (name == "gt") return '>';
    if (name == "amp") return '&';
    if (name == "apos") return '\'';
    if (name == "quot") return '"';
    return 0;
}

} // namespace

std::size_t char_reference(std::string_view s, std::string& out) {
    std::size_t i = 2;
    int base = 10;
    if (i < s.size() && s[i] == 'x') {
        base = 16;
        ++i;
    }
    char32_t cp = 0;
    std::size_t digits = 0;
    for (int d; i < s.size() && (d = digit_value(s[i], base)) >= 0; ++i, ++digits)
        cp = cp > 0x10FFFF ? cp : cp * static_cast<char32_t>(base) + static_cast<char32_t>(d);  // saturates
    if (digits == 0 || i == s.size() || s[i] != ';' || !allowed_char(cp)) return 0;
    char buf[4];
    out.append(buf, static_cast<std::size_t>(put_utf8(buf, cp) - buf));
    return i + 1;
}

} // namespace detail

// Appends `raw` to `out` with its references replaced. In text (`text`) line ends
// fold to LF as well; attribute values keep theirs. `at` is where an error is
// reported when `raw` is replacement text rather than a view of the window.
st c_xml_reader::impl::expand(std::string_view raw, std::string& out, bool text, std::size_t nesting, const char* at) {
    const std::size_t n = raw.size();
    std::size_t i = 0;
    while (i < n) {
        std::size_t j = i;
        while (j < n && raw[j] != '&' && !(text && raw[j] == '\r')) ++j;
        out.append(raw, i, j - i);
        if (j == n) break;
        const char* where = nesting == 0 ? raw.data() + j : at;
        if (raw[j] == '\r') {
            out += '\n';
            i = j + (j + 1 < n && raw[j + 1] == '\n' ? 2 : 1);
            continue;
        }
        if (j + 1 < n && raw[j + 1] == '#') {
            std::size_t len = detail::char_reference(raw.substr(j), out);
            if (len == 0) {
                std::size_t semi = raw.find(';', j);
                std::string_view shown = raw.substr(j, semi == std::string_view::npos || semi - j > 16 ? 16 : semi - j + 1);
                return fail(ELMX_NOT_WELL_FORMED, "Invalid character reference: " + std::string(shown), where);
            }
            i = j + len;
            continue;
        }
        std::size_t k = j + 1;
        while (k < n && detail::is(raw[k], detail::ct_name)) ++k;
        // A lone ampersand is kept as it stands, as an unknown entity is.
        if (k == j + 1 || k == n || raw[k] != ';') {
            out += '&';
            i = j + 1;
            continue;
        }
        std::string_view name = raw.substr(j + 1, k - j - 1);
        if (char c = detail::predefined(name)) out += c;
        else if (expand_general(name, out, text, nesting, where) != st::ok) return st::fail;
        i = k + 1;
    }
    return st::ok;
}

st c_xml_reader::impl::expand_general(std::string_view name, std::string& out, bool text, std::size_t nesting, const char* at) {
    auto it = general.find(name);
    if (it == general.end()) {
        out += '&';
        out += name;
        out += ';';
        return st::ok;
    }
    for (std::string_view open : expanding)
        if (open == name) return fail(ELMX_RECURSIVE_ENTITY, "Recursive entity definition for: " + std::string(name), at);
    if (nesting == detail::kMaxEntityNesting)
        return fail(ELMX_UNEXPECTED_ENTITY, "Entity references nested deeper than 16", at);
    if (charge_entity(it->second.size(), at) != st::ok) return st::fail;
    expanding.push_back(it->first);
    st s = expand(it->second, out, text, nesting + 1, at);
    expanding.pop_back();
    return s;
}

st c_xml_reader::impl::charge_entity(std::size_t bytes, const char* at) {
    entity_bytes += bytes;
    if (entity_bytes > detail::kMaxEntityBytes)
        return fail(ELMX_UNEXPECTED_ENTITY, "Entity expansion exceeds 1 MiB in one document", at);
    return st::ok;
}

void c_xml_reader::impl::append_line_ends(std::string_view raw, std::string& out) {
    for (std::size_t i = 0; i < raw.size();) {
        std::size_t cr = raw.find('\r', i);
        if (cr == std::string_view::npos) cr = raw.size();
        out.append(raw, i, cr - i);
        if (cr == raw.size()) break;
        out += '\n';
        i = cr + (cr + 1 < raw.size() && raw[cr + 1] == '\n' ? 2 : 1);
    }
}

} // namespace lmx
