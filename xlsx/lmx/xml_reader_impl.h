// xml_reader_impl.h - the pull reader's state and the steps its source files share.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "xlsx/lmx/xml_reader.h"
#include "xlsx/lmx/xml_reader_input.h"

namespace lmx {

namespace detail {

/// The outcome of one parsing step. `more` means the window ended inside the item:
/// the caller refills and reads the item again from its start, which is why a step
/// changes no lasting state before it knows it has the whole item.
enum class st : std::uint8_t { ok, more, fail };

/// Elements open at once. Worksheets nest five or six deep; drawings a dozen. The
/// bound keeps the element stack and every per-depth cost small on hostile input.
constexpr std::size_t kMaxDepth = 256;
/// Attributes on one start tag: the widest real elements carry a few dozen.
constexpr std::size_t kMaxAttributes = 8192;
/// Namespace declarations in scope at once. OOXML roots declare a few dozen; the
/// bound keeps the linear prefix lookup cheap.
constexpr std::size_t kMaxNamespaceBindings = 1024;
/// Bytes of replacement text expanded per document (entity and parameter entity
/// references together). Every replacement is counted where it is expanded, so
/// nested ("billion laughs") and repeated (quadratic) expansion stop here, long
/// before they cost time or memory. Spreadsheet parts never use entities.
constexpr std::size_t kMaxEntityBytes = std::size_t(1) << 20;
/// Entity references inside replacement text, nested.
constexpr std::size_t kMaxEntityNesting = 16;
/// Entity definitions in one DTD.
constexpr std::size_t kMaxEntityDefinitions = 10000;
/// The XML declaration holds three short pseudo-attributes; this allows generous
/// white space and stops a document that never closes it from being read whole.
constexpr std::size_t kMaxDeclarationChars = 1024;

/// What one item of element content turned out to be.
enum class content { text, cdata, child, end, misc };

/// An open element. Over memory the name is a view of the input; chunked input
/// drops text as it goes, so there the name is copied into the reader's arena.
struct open_element {
    const char* name;       // memory input: the qualified name in the input
    std::size_t arena_off;  // chunked input: where the name starts in the arena
    std::size_t qname_len;
    std::size_t local_off;  // where the local name starts within the qualified name
    std::size_t ns_mark;    // bindings below this index belong to the ancestors
    int ns;
};

/// One namespace declaration in scope. The URI is kept for captured fragments.
struct ns_binding {
    std::string prefix;
    std::string uri;
    int id = kUnknownNamespace;
};

/// Where an attribute value decoded into the scratch buffer lies, until the buffer
/// stops growing and views into it can be made.
struct decoded_value {
    std::size_t attr;
    std::size_t offset;
    std::size_t length;
};

} // namespace detail

struct c_xml_reader::impl {
    impl(c_xml_reader& owner, detail::xml_input input)
        : owner(owner),
          in(std::move(input)),
          chunked(in.chunked()),
          current(owner.element_),
          current_empty(owner.element_is_empty_),
          attrs(owner.attributes_) {}

    c_xml_reader& owner;
    detail::xml_input in;
    const bool chunked;  // text before the current item may be dropped at any refill
    const ns_entry* table = nullptr;
    const char* p = nullptr;  // the parse position in the window
    elmx_error err = ELMX_OK;
    bool started = false;
    bool doctype_seen = false;

    // The current element (kept in the owner, whose accessors are inline).
    xml_name& current;
    bool& current_empty;
    bool tag_valid = false;  // the current start tag is still in the window
    const char* tag_begin = nullptr;
    const char* tag_end = nullptr;
    std::vector<xml_attribute>& attrs;
    bool tag_declares = false;  // the start tag being read declares namespaces
    bool tag_prefixed = false;  // and has prefixed attributes
    std::vector<detail::decoded_value> decoded;
    std::string attr_scratch;

    std::vector<detail::open_element> stack;
    std::string arena;
    std::vector<detail::ns_binding> bindings;
    std::size_t live_bindings = 0;
    int default_ns = kNoNamespace;

    const char* flat_end = nullptr;  // past the child peek_flat found, until take_flat

    std::string scratch;  // decoded text handed out by read_text
    std::string_view text_piece;

    // Entities of the DTD; std::map keeps references to values stable while a
    // replacement text that defines further entities is being read.
    std::map<std::string, std::string, std::less<>> general;
    std::map<std::string, std::string, std::less<>> parameter;
    std::size_t entity_bytes = 0;
    std::vector<std::string_view> expanding;     // general entities being expanded, innermost last
    std::vector<std::string_view> expanding_pe;  // parameter entities being read as declarations
    const char* dtd_anchor = nullptr;            // where the outermost parameter reference stands

    // xml_reader.cpp: the walk over element content, start and end tags.
    elmx_error read_root();
    elmx_error next(event& e);
    elmx_error read_text(std::string_view& text);
    elmx_error skip(std::string* capture);
    detail::st content_item(const char* at, detail::content& kind, bool partial_text);
    detail::st markup_decl(const char* at, detail::content& kind);
    detail::st text_fast(const char* at, std::string_view& text, bool& fallback);
    bool peek_flat(int ns, std::string_view name, std::span<const std::string_view> attribute_names,
                   std::string_view child, flat_element& out);
    void take_flat();
    elmx_error read_text_general(std::string_view& text);
    elmx_error after_end();
    elmx_error walk_failed();
    detail::st refill(const char*& item);
    void append_start_tag(std::string& out) const;
    [[gnu::cold]] detail::st fail(elmx_error code, std::string_view item, const char* at);
    int line() const;

    detail::st start_tag(const char* at);
    detail::st finish_start_tag(const char* at, const char* name_end, const char* colon, const char* end_of_tag, bool empty);
    detail::st end_tag(const char* at);
    void push_element(std::size_t mark);
    [[gnu::noinline]] void keep_name(detail::open_element& el);
    [[gnu::cold]] detail::st fail_after_slash(const char* q);
    [[gnu::cold]] detail::st fail_end_tag(std::string_view name, const char* at);
    void pop_element();  // below, inline: every walk pops
    void set_current();

    // xml_reader_namespaces.cpp: bindings in scope, names to ids.
    detail::st declare_namespaces(const char* at);
    detail::st resolve_names(const char* at);
    int prefix_id(std::string_view prefix) const;
    int uri_id(std::string_view uri) const;
    void refresh_default_ns();
    void renumber_bindings();
    [[gnu::cold]] detail::st fail_prefix(std::string_view prefix, const char* at);

    // xml_reader_prologue.cpp: encoding, declaration, DTD, the misc around the root.
    detail::st detect_and_declare();
    detail::st read_declaration(detail::byte_start start, std::size_t bom);
    detail::st misc(bool prologue);
    detail::st misc_markup(const char* at, bool prologue, bool& root);
    detail::st comment(const char* at);
    detail::st processing_instruction(const char* at);
    detail::st doctype(const char* at);

    // xml_reader_dtd.cpp: the internal subset.
    struct dtd_cursor;
    detail::st subset(dtd_cursor& c, std::size_t nesting);
    detail::st entity_declaration(dtd_cursor& c);
    detail::st entity_value(dtd_cursor& c, std::string_view literal, std::string& value);
    detail::st parameter_reference(dtd_cursor& c, std::size_t nesting);
    detail::st skip_declaration(dtd_cursor& c);
    detail::st dtd_end(dtd_cursor& c);

    // xml_reader_refs.cpp: character and entity references.
    detail::st expand(std::string_view raw, std::string& out, bool text, std::size_t nesting, const char* at);
    detail::st expand_general(std::string_view name, std::string& out, bool text, std::size_t nesting, const char* at);
    detail::st charge_entity(std::size_t bytes, const char* at);
    static void append_line_ends(std::string_view raw, std::string& out);
};

inline void c_xml_reader::impl::pop_element() {
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

// Points `current` at the name of the element now on top.
inline void c_xml_reader::impl::set_current() {
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

namespace detail {

/// Whether `lit` starts at `q`: 1 yes, 0 no, -1 when the window ends before it can tell.
inline int match(const char* q, const char* end, std::string_view lit) {
    std::size_t have = static_cast<std::size_t>(end - q);
    std::size_t n = have < lit.size() ? have : lit.size();
    if (std::string_view(q, n) != lit.substr(0, n)) return 0;
    return n == lit.size() ? 1 : -1;
}

/// The character at `q` as it stands in the input (a whole UTF-8 sequence), for items
/// that quote what was found; "end of input" when there is none.
std::string char_at(const char* q, const char* end);

/// Reads the character reference ("&#...;") at the start of `s` and appends its
/// character; returns the length read, or 0 for a malformed reference or one to a
/// character XML does not allow.
std::size_t char_reference(std::string_view s, std::string& out);

} // namespace detail

} // namespace lmx
