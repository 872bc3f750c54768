// xml_reader_prologue.cpp - what surrounds the root element: the encoding, the XML
// declaration, comments, processing instructions and the document type declaration.
#include <cctype>
#include <cstring>

#include "xlsx/lmx/xml_reader_chars.h"
#include "xlsx/lmx/xml_reader_impl.h"

namespace lmx {

using detail::byte_start;
using detail::st;
using detail::text_encoding;
using namespace std::string_view_literals;

namespace {

bool blank_or_lt(unsigned char c) { return c == '<' || detail::is(static_cast<char>(c), detail::ct_space); }

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// How the text of the declaration stopped being collected.
enum class decl_stop { closed, end_of_input, not_ascii, too_long };

/// The XML declaration, collected as ASCII and read here. Positions are indexes
/// into its text, which lets an error count the lines before it.
struct declaration {
    std::string text;
    decl_stop stop = decl_stop::closed;
    std::size_t pos = 5;  // after "<?xml"
    std::string version, encoding;

    char at() const { return pos < text.size() ? text[pos] : '\0'; }
    bool at_end() const { return pos >= text.size(); }
    bool skip_blanks() {
        std::size_t from = pos;
        while (!at_end() && detail::is(text[pos], detail::ct_space)) ++pos;
        return pos > from;
    }
    std::string_view name() {
        std::size_t from = pos;
        while (!at_end() && std::isalpha(static_cast<unsigned char>(text[pos]))) ++pos;
        return std::string_view(text).substr(from, pos - from);
    }
};

/// Reads one pseudo-attribute value of the declaration: S? '=' S? quoted. Returns
/// the item of the failure, or "" on success.
std::string read_value(declaration& d, std::string& value) {
    d.skip_blanks();
    if (d.at() != '=') return std::string("Schema is not Well Formed (expected '=', got '") + d.at();
    ++d.pos;
    d.skip_blanks();
    char quote = d.at();
    if (quote != '"' && quote != '\'') return std::string("Schema is not Well Formed (expected '\"' or ''', got") + quote;
    std::size_t close = d.text.find(quote, d.pos + 1);
    if (close == std::string::npos) {
        d.pos = d.text.size();
        return "XML Decl not Well Formed";
    }
    value = d.text.substr(d.pos + 1, close - d.pos - 1);
    d.pos = close + 1;
    return "";
}

/// Reads the declaration's pseudo-attributes in their fixed order. Returns the code
/// and sets `item` on failure.
elmx_error parse_declaration(declaration& d, std::string& item) {
    auto fail_with = [&](elmx_error code, std::string text) {
        item = std::move(text);
        return code;
    };
    bool spaced = d.skip_blanks();
    if (d.name() != "version"sv) return fail_with(ELMX_BAD_XML_DECL, "Version not present in XML Decl");
    if (std::string bad = read_value(d, d.version); !bad.empty()) return fail_with(ELMX_BAD_XML_DECL, bad);
    if (d.version != "1.0" && d.version != "1.1")
        return fail_with(ELMX_BAD_XML_VERSION, "XML version " + d.version + " not understood");
    int next = 0;  // 0: encoding may follow, 1: standalone may follow, 2: only "?>"
    for (;;) {
        spaced = d.skip_blanks();
        if (d.text.compare(d.pos, 2, "?>") == 0 && d.pos + 2 == d.text.size()) return ELMX_OK;
        std::size_t name_at = d.pos;
        std::string_view name = d.name();
        int which = name == "encoding"sv ? 0 : name == "standalone"sv ? 1 : 3;
        if (!spaced || which < next || which > 1) {
            d.pos = name_at;
            return fail_with(ELMX_BAD_XML_DECL, "XML Decl not Well Formed (got " + detail::char_at(d.text.data() + d.pos, d.text.data() + d.text.size()) + ")");
        }
        std::string value;
        if (std::string bad = read_value(d, value); !bad.empty()) return fail_with(ELMX_BAD_XML_DECL, bad);
        if (which == 0) d.encoding = value;
        if (which == 1 && value != "yes" && value != "no")
            return fail_with(ELMX_BAD_XML_DECL, "standalone must be \"yes\" or \"no\", not \"" + value + "\"");
        next = which + 1;
    }
}

/// The decoding the declared encoding asks for over the detected start; ELMX_OK or the error code.
elmx_error choose_encoding(std::string_view name, byte_start start, text_encoding& enc, std::string& item) {
    const bool eight = start == byte_start::eight_bit;
    const text_encoding utf16 = start == byte_start::utf16be ? text_encoding::utf16be : text_encoding::utf16le;
    if (name.empty()) {
        enc = eight ? text_encoding::utf8 : utf16;
        return ELMX_OK;
    }
    bool fits;
    if (same_ignoring_case(name, "ISO-10646-UCS-2")) {
        fits = !eight;
        enc = start == byte_start::utf16be ? text_encoding::ucs2be : text_encoding::ucs2le;
    } else if (same_ignoring_case(name, "ISO-8859-1") || same_ignoring_case(name, "US-ASCII")) {
        fits = eight;
        enc = text_encoding::latin1;
    } else if (same_ignoring_case(name, "UTF-8")) {
        fits = eight;
        enc = text_encoding::utf8;
    } else if (same_ignoring_case(name, "UTF-16")) {
        fits = !eight;
        enc = utf16;
    } else {
        item = "Unknown character encoding specified";
        return ELMX_BAD_CHAR_ENCODING;
    }
    if (fits) return ELMX_OK;
    item = "Mis-match between specfied encoding and byte format";
    return ELMX_ENCODING_MISMATCH;
}

} // namespace

// The first bytes decide the width and order of the characters; the declaration,
// read next, may narrow that to one of the encodings it names.
st c_xml_reader::impl::detect_and_declare() {
    if (!in.raw_need(4)) return fail(in.error_code(), in.error_item(), nullptr);
    const unsigned char* b = in.raw();
    const std::size_t n = in.raw_size();
    if (n == 0) return fail(ELMX_UNEXPECTED_EOM, "Premature end of file encountered", nullptr);
    if (n >= 4 && b[0] == 0xFF && b[1] == 0xFE && b[2] >= 1 && b[2] <= 127 && b[3] == 0)
        return read_declaration(byte_start::utf16le, 2);
    if (n >= 4 && b[0] == 0xFE && b[1] == 0xFF && b[2] == 0 && b[3] >= 1 && b[3] <= 127)
        return read_declaration(byte_start::utf16be, 2);
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) return read_declaration(byte_start::eight_bit, 3);
    if (blank_or_lt(b[0])) return read_declaration(n >= 2 && b[1] == 0 ? byte_start::utf16le : byte_start::eight_bit, 0);
    if (n >= 2 && b[0] == 0 && blank_or_lt(b[1])) return read_declaration(byte_start::utf16be, 0);
    return fail(ELMX_BAD_CHAR_ENCODING, "Unrecognised character encoding", nullptr);
}

// The declaration is ASCII whatever the encoding, so it is read as raw code units
// before the encoding is settled, and decoding starts right after it.
st c_xml_reader::impl::read_declaration(byte_start start, std::size_t bom) {
    const std::size_t width = start == byte_start::eight_bit ? 1 : 2;
    auto unit = [&](std::size_t i, int& c) {
        std::size_t at = bom + i * width;
        if (!in.raw_need(at + width)) return false;
        const unsigned char* b = in.raw();
        if (in.raw_size() < at + width) c = -1;
        else if (width == 1) c = b[at];
        else c = start == byte_start::utf16le ? b[at] | b[at + 1] << 8 : b[at] << 8 | b[at + 1];
        return true;
    };
    declaration d;
    for (int c = 0; d.text.size() < 6;) {
        if (!unit(d.text.size(), c)) return fail(in.error_code(), in.error_item(), nullptr);
        if (c < 0 || c >= 128) break;
        d.text.push_back(static_cast<char>(c));
    }
    const bool present = d.text.size() == 6 && d.text.starts_with("<?xml") &&
                         (d.text[5] == '?' || detail::is(d.text[5], detail::ct_space));
    if (!present) d.text.clear();
    while (present) {
        int c;
        if (d.text.ends_with("?>")) break;
        if (d.text.size() == detail::kMaxDeclarationChars) {
            d.stop = decl_stop::too_long;
            break;
        }
        if (!unit(d.text.size(), c)) return fail(in.error_code(), in.error_item(), nullptr);
        if (c < 0 || c >= 128 || c == 0) {
            d.stop = c < 0 ? decl_stop::end_of_input : decl_stop::not_ascii;
            break;
        }
        d.text.push_back(static_cast<char>(c));
    }
    std::string item;
    elmx_error code = ELMX_OK;
    if (present) {
        code = parse_declaration(d, item);
        // An input that ends inside the declaration ended early, whatever else is wrong.
        if (code != ELMX_OK && d.stop == decl_stop::end_of_input) {
            code = ELMX_UNEXPECTED_EOM;
            item = "Unexpected end of file";
        } else if (code != ELMX_OK && d.at_end()) {
            code = ELMX_BAD_XML_DECL;
            item = "XML Decl not Well Formed";
        }
    }
    text_encoding enc = text_encoding::utf8;
    if (code == ELMX_OK) code = choose_encoding(d.encoding, start, enc, item);
    bool last_cr = false;
    std::size_t lines = detail::count_line_ends(d.text.data(), d.text.data() + std::min(d.pos, d.text.size()), last_cr);
    in.add_lines(lines, last_cr);
    if (code != ELMX_OK) return fail(code, item, nullptr);
    in.start(enc, bom + d.text.size() * width);
    p = in.begin();
    return st::ok;
}

// White space, comments and processing instructions around the root; before it
// (`prologue`) also the DTD and then the root's start tag, which ends the walk.
// After the root, the end of the input ends it.
st c_xml_reader::impl::misc(bool prologue) {
    for (;;) {
        const char* end = in.end();
        p = detail::scan_while(p, end, detail::ct_space);
        if (p == end) {
            const char* item = p;
            detail::fill f = in.refill(item);
            p = item;
            if (f == detail::fill::added) continue;
            if (f == detail::fill::failed) return fail(in.error_code(), in.error_item(), in.end());
            if (prologue) return fail(ELMX_UNEXPECTED_EOM, "Premature end of file encountered", in.end());
            return st::ok;
        }
        if (*p != '<') return fail(ELMX_NOT_WELL_FORMED, "XML not Well-Formed", p);
        const char* item = p;
        bool root = false;
        st s = misc_markup(item, prologue, root);
        if (s == st::fail) return s;
        if (s == st::more) {
            if (refill(item) != st::ok) return st::fail;
            continue;
        }
        if (root) return st::ok;
    }
}

st c_xml_reader::impl::misc_markup(const char* at, bool prologue, bool& root) {
    const char* end = in.end();
    if (end - at < 2) return st::more;
    if (at[1] == '?') return processing_instruction(at);
    if (at[1] == '!') {
        int m = detail::match(at, end, "<!--");
        if (m == 1) return comment(at);
        int d = detail::match(at, end, "<!DOCTYPE");
        if (m < 0 || d < 0) return st::more;
        if (d == 0) return fail(ELMX_NOT_WELL_FORMED, "XML not Well-Formed", at);
        if (!prologue) return fail(ELMX_BAD_DTD, "Document Type Declaration not at start of document", at);
        if (doctype_seen) return fail(ELMX_BAD_DTD, "Document Type Declaration already read", at);
        return doctype(at);
    }
    if (prologue && detail::is(at[1], detail::ct_name_start)) {
        root = true;
        return start_tag(at);
    }
    return fail(ELMX_NOT_WELL_FORMED, "XML not Well-Formed", at);
}

// '<!--' ... '-->'; two hyphens anywhere else end the comment badly.
st c_xml_reader::impl::comment(const char* at) {
    const char* end = in.end();
    for (const char* q = at + 4;;) {
        q = static_cast<const char*>(std::memchr(q, '-', static_cast<std::size_t>(end - q)));
        if (!q || end - q < 3) return st::more;
        if (q[1] == '-') {
            if (q[2] != '>') return fail(ELMX_BAD_COMMENT, "End of comment not Well-Formed", q);
            p = q + 3;
            return st::ok;
        }
        ++q;
    }
}

// '<?' target ... '?>'. The target "xml" is the declaration, which only the very
// start of the input may hold.
st c_xml_reader::impl::processing_instruction(const char* at) {
    const char* end = in.end();
    const char* q = detail::scan_while(at + 2, end, detail::ct_name);
    if (q == end) return st::more;
    std::string_view target(at + 2, static_cast<std::size_t>(q - at - 2));
    if (target.empty()) return fail(ELMX_NOT_WELL_FORMED, "XML not Well-Formed", q);
    if (same_ignoring_case(target, "xml"))
        return fail(ELMX_BAD_XML_DECL, "XML declaration not at start of document", at);
    for (;;) {
        q = static_cast<const char*>(std::memchr(q, '?', static_cast<std::size_t>(end - q)));
        if (!q || end - q < 2) return st::more;
        if (q[1] == '>') {
            p = q + 2;
            return st::ok;
        }
        ++q;
    }
}

} // namespace lmx
