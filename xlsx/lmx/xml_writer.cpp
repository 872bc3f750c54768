// xml_writer.cpp - the writer's layout rules and the escaping of text and attribute values.
#include "xlsx/lmx/xml_writer.h"

#include <algorithm>
#include <array>

// The steps of one start or end tag are separate functions for reading, but a call
// costs more than most of them do; the marshalling of a worksheet makes millions.
#define KARVO_HOT_INLINE [[gnu::always_inline]] inline

namespace lmx {

using detail::byte_sink;

namespace {

constexpr std::string_view kXsiUri = "http://www.w3.org/2001/XMLSchema-instance";
constexpr int kFirstTableId = 1000;
// Ids are dense from 1000 in every generated table; a wilder one is looked up by scan.
constexpr int kDirectPrefixIds = 256;

// How a byte (or a UTF-16 unit below 128) is written.
enum char_class : std::uint8_t {
    kAsIs = 0,
    kEntity = 1,   // " ' & <
    kGreater = 2,  // > : an entity only where it could close "]]>"
    kDrop = 3,     // C0 controls but tab, LF, CR: XML 1.0 has no way to carry them
    kCharRef = 4,  // white space a reader would not give back as it stands
};

using class_table = std::array<std::uint8_t, 256>;

// A reader turns a raw CR (and CR LF) into LF; in an attribute value it also turns
// tab, LF and CR into spaces. Written as character references they read back as
// themselves.
constexpr class_table make_class_table(bool attribute) {
    class_table table{};
    for (int c = 0; c < 0x20; ++c) table[c] = kDrop;
    table['\t'] = table['\n'] = attribute ? kCharRef : kAsIs;
    table['\r'] = kCharRef;
    table['"'] = table['\''] = table['&'] = table['<'] = kEntity;
    table['>'] = kGreater;
    return table;
}

constexpr class_table kContentClass = make_class_table(false);
constexpr class_table kAttributeClass = make_class_table(true);

std::string_view entity_of(char c) {
    switch (c) {
    case '"': return "&quot;";
    case '\'': return "&apos;";
    case '&': return "&amp;";
    case '\t': return "&#x9;";
    case '\n': return "&#xA;";
    case '\r': return "&#xD;";
    default: return "&lt;";
    }
}

// The index-2 rule alone would let "]]" from an earlier call, or from either side of
// a dropped control character, meet a ">" and close a CDATA end in content.
void put_special(byte_sink& sink, std::uint8_t cls, char c, bool bracket_before_at_2_or_later) {
    if (cls == kEntity || cls == kCharRef) {
        sink.put(entity_of(c));
    } else if (cls == kGreater) {
        if (bracket_before_at_2_or_later || sink.ends_with_brackets()) sink.put("&gt;");
        else sink.put('>');
    }
}

// The ">" rule reads the text as it is written: a dropped control character is no
// character before the ">" and takes no index, so that what is written reads back
// and writes the same.
void escape(byte_sink& sink, std::string_view text, const class_table& classes = kContentClass) {
    const char* p = text.data();
    std::size_t run = 0, dropped = 0;
    char before = 0;  // the last character kept before the run
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint8_t cls = classes[static_cast<unsigned char>(p[i])];
        if (cls == kAsIs) continue;
        sink.put(text.substr(run, i - run));
        char previous = i > run ? p[i - 1] : before;
        put_special(sink, cls, p[i], i - dropped >= 2 && previous == ']');
        if (cls == kDrop) ++dropped;
        before = cls == kDrop ? previous : p[i];
        run = i + 1;
    }
    sink.put(text.substr(run));
}

bool is_noncharacter_ffff(char32_t cp) { return cp == 0xFFFE || cp == 0xFFFF; }

void escape(byte_sink& sink, std::u16string_view text, const class_table& classes = kContentClass) {
    std::size_t kept = 0;   // characters written so far, as the ">" rule counts them
    char32_t previous = 0;  // the last of them
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = detail::next_code_point(text, i);
        if (cp == detail::kUnpairedSurrogate) return;
        if (cp >= 0x80) {
            if (is_noncharacter_ffff(cp)) continue;
            sink.put_utf8(cp);
        } else if (std::uint8_t cls = classes[cp]; cls == kAsIs) {
            sink.put(static_cast<char>(cp));
        } else {
            put_special(sink, cls, static_cast<char>(cp), kept >= 2 && previous == u']');
            if (cls == kDrop) continue;
        }
        ++kept;
        previous = cp;
    }
}

// Room for the text as it is plus a few entities; more is added if needed.
constexpr std::size_t kEscapeSlack = 64;
// Room the writer adds at a time: large enough that growing is rare.
constexpr std::size_t kWriterChunk = 16 * 1024;

} // namespace

void append_escaped(std::string& out, std::string_view utf8) {
    byte_sink sink(out, utf8.size() + kEscapeSlack);
    escape(sink, utf8);
}

void append_escaped(std::string& out, std::u16string_view text) {
    byte_sink sink(out, text.size() + kEscapeSlack);
    escape(sink, text);
}

// ---- c_xml_writer: set-up ----

c_xml_writer::c_xml_writer(std::string& out, unsigned flags, const char* indent, const char* new_line,
                           const char* attribute_indent, const char* attribute_new_line)
    : sink_(out, kWriterChunk),
      flags_(flags),
      indent_(indent ? indent : "\t"),
      new_line_(new_line ? new_line : "\n"),
      attribute_indent_(attribute_indent ? attribute_indent : indent_),
      attribute_new_line_(attribute_new_line ? attribute_new_line : "\n") {
    if (flags_ & kWriteDeclaration) write_declaration();
    sink_.finish();
}

void c_xml_writer::write_declaration() {
    sink_.put("<?xml version=\"1.0\" encoding=\"UTF-8\"");
    if (flags_ & kStandalone) sink_.put(" standalone=\"yes\"");
    sink_.put("?>");
    sink_.put(new_line_);
}

void c_xml_writer::set_namespace_table(const ns_entry* table) {
    if (table_ || !table) return;
    table_ = table;
    for (const ns_entry* e = table; e->id != 0; ++e) {
        int slot = e->id - kFirstTableId;
        if (slot < 0 || slot >= kDirectPrefixIds) continue;
        if (table_prefixes_.size() <= static_cast<std::size_t>(slot)) table_prefixes_.resize(slot + 1);
        table_prefixes_[slot] = e->prefix ? e->prefix : "";
    }
}

void c_xml_writer::add_namespace_declaration(std::string_view prefix, std::string_view uri) {
    extra_declarations_.emplace_back(prefix, uri);
}

void c_xml_writer::set_schema_location(std::string_view pairs) { schema_location_ = pairs; }

void c_xml_writer::set_no_namespace_schema_location(std::string_view location) {
    no_namespace_schema_location_ = location;
}

// ---- names and separators ----

KARVO_HOT_INLINE std::string_view c_xml_writer::prefix_of(int ns) const {
    // Unsigned, so that ids below 1000 fall out of range too.
    std::size_t slot = static_cast<std::size_t>(ns) - kFirstTableId;
    if (slot < table_prefixes_.size()) return table_prefixes_[slot];
    if (ns == kXmlNamespace) return "xml";
    if (ns == kXsiNamespace) return "xsi";
    if (ns >= kFirstTableId + kDirectPrefixIds && table_) {
        for (const ns_entry* e = table_; e->id != 0; ++e)
            if (e->id == ns) return e->prefix ? e->prefix : "";
    }
    return {};
}

KARVO_HOT_INLINE std::string_view c_xml_writer::indent_for(std::size_t level) {
    std::size_t bytes = level * indent_.size();
    if (bytes > indent_run_.size()) {
        while (indent_run_.size() < bytes) indent_run_.append(indent_);
    }
    return {indent_run_.data(), bytes};
}

void c_xml_writer::start_element_line() { sink_.put(indent_for(open_.size())); }

void c_xml_writer::start_attribute_line() {
    if (!attribute_new_line_.empty()) {
        sink_.put(attribute_new_line_);
        for (std::size_t i = 0; i < open_.size() + 1; ++i) sink_.put(attribute_indent_);
    } else if (!attribute_indent_.empty()) {
        sink_.put(attribute_indent_);
    } else {
        sink_.put(' ');
    }
}

KARVO_HOT_INLINE void c_xml_writer::before_attribute() {
    if (first_attribute_) {
        sink_.put(' ');
        first_attribute_ = false;
    } else {
        start_attribute_line();
    }
}

// ---- elements ----

KARVO_HOT_INLINE void c_xml_writer::open_child_line() {
    if (start_tag_is_open()) {
        char* p = sink_.room(1 + new_line_.size());
        *p++ = '>';
        sink_.advance(byte_sink::copy(p, new_line_));
        open_.back().start_tag_open = false;
        open_.back().has_children = true;
    }
    start_element_line();
}

KARVO_HOT_INLINE void c_xml_writer::push_element(std::string_view prefix, std::string_view local) {
    std::size_t size = prefix.empty() ? local.size() : prefix.size() + 1 + local.size();
    char* p = sink_.room(1 + size);
    *p++ = '<';
    char* name = p;
    if (!prefix.empty()) {
        p = byte_sink::copy(p, prefix);
        *p++ = ':';
    }
    sink_.advance(byte_sink::copy(p, local));
    std::size_t offset = keep_name({name, size});
    open_.push_back({static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(size), true, false});
    first_attribute_ = true;
    if (!root_written_) {
        root_written_ = true;
        write_root_declarations();
    }
}

// The qualified name is kept for the end tag; the caller's text may be gone by then.
// names_ is used as a stack of names end to end; its size only grows.
KARVO_HOT_INLINE std::size_t c_xml_writer::keep_name(std::string_view name) {
    std::size_t offset = names_used_;
    if (names_.size() < offset + name.size()) names_.resize(std::max(2 * names_.size(), offset + name.size() + 64));
    byte_sink::copy(names_.data() + offset, name);
    names_used_ += name.size();
    return offset;
}

void c_xml_writer::start_element(int ns, std::string_view local) {
    open_child_line();
    push_element(prefix_of(ns), local);
}

void c_xml_writer::start_element(std::string_view qname) {
    open_child_line();
    push_element({}, qname);
}

KARVO_HOT_INLINE void c_xml_writer::close_start_tag_for_content() {
    if (!start_tag_is_open()) return;
    sink_.put('>');
    open_.back().start_tag_open = false;
}

// Character content closes the start tag; outside the root there is nowhere for it.
bool c_xml_writer::start_content() {
    if (open_.empty()) {
        fail(ELMX_BADLY_FORMED, "text outside the root element");
        return false;
    }
    close_start_tag_for_content();
    return true;
}

void c_xml_writer::text(std::string_view utf8) {
    if (start_content()) escape(sink_, utf8);
}

void c_xml_writer::text_unescaped(std::string_view value) {
    if (start_content()) sink_.put(value);
}

void c_xml_writer::text(std::u16string_view text) {
    if (start_content()) escape(sink_, text);
}

void c_xml_writer::raw(std::string_view xml) {
    if (open_.empty()) {
        fail(ELMX_BADLY_FORMED, "fragment outside the root element");
        return;
    }
    open_child_line();
    sink_.put(xml);
    sink_.put(new_line_);
}

void c_xml_writer::end_element() {
    if (open_.empty()) {
        fail(ELMX_BADLY_FORMED, "end of element with none open");
        return;
    }
    open_element element = open_.back();
    open_.pop_back();
    std::string_view name(names_.data() + element.name_offset, element.name_size);
    std::string_view indent = element.has_children ? indent_for(open_.size()) : std::string_view();
    char* p = sink_.room(indent.size() + name.size() + 3 + new_line_.size());
    if (element.start_tag_open) {
        *p++ = '/';
        *p++ = '>';
    } else {
        p = byte_sink::copy(p, indent);
        *p++ = '<';
        *p++ = '/';
        p = byte_sink::copy(p, name);
        *p++ = '>';
    }
    sink_.advance(byte_sink::copy(p, new_line_));
    names_used_ = element.name_offset;
    if (open_.empty()) sink_.finish();
}

template <class WriteText>
void c_xml_writer::flat(int ns, std::string_view local, std::span<const std::pair<std::string_view, std::string_view>> attributes,
                        std::string_view child, WriteText writeText) {
    if (open_.empty()) {
        fail(ELMX_BADLY_FORMED, "element outside the root element");
        return;
    }
    open_child_line();
    std::string_view prefix = prefix_of(ns);
    auto putName = [&](std::string_view name) {
        char* p = sink_.room(prefix.size() + 1 + name.size());
        if (!prefix.empty()) {
            p = byte_sink::copy(p, prefix);
            *p++ = ':';
        }
        sink_.advance(byte_sink::copy(p, name));
    };
    sink_.put('<');
    putName(local);
    // Open for the separators, which indent by the depth; the name is not needed.
    open_.push_back({0, 0, true, false});
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        if (i == 0) sink_.put(' ');
        else start_attribute_line();
        const auto& [name, value] = attributes[i];
        char* p = byte_sink::copy(sink_.room(name.size() + value.size() + 3), name);
        *p++ = '=';
        *p++ = '"';
        p = byte_sink::copy(p, value);
        *p++ = '"';
        sink_.advance(p);
    }
    if (child.empty()) {
        open_.pop_back();
        sink_.put("/>");
        sink_.put(new_line_);
        return;
    }
    sink_.put('>');
    sink_.put(new_line_);
    start_element_line();
    sink_.put('<');
    putName(child);
    sink_.put('>');
    writeText();
    sink_.put("</");
    putName(child);
    sink_.put('>');
    sink_.put(new_line_);
    open_.pop_back();
    sink_.put(indent_for(open_.size()));
    sink_.put("</");
    putName(local);
    sink_.put('>');
    sink_.put(new_line_);
}

void c_xml_writer::flat_element(int ns, std::string_view local,
                                std::span<const std::pair<std::string_view, std::string_view>> attributes,
                                std::string_view child, std::string_view child_text) {
    flat(ns, local, attributes, child, [&] { sink_.put(child_text); });
}

void c_xml_writer::flat_element(int ns, std::string_view local, std::string_view child, std::u16string_view child_text) {
    flat(ns, local, {}, child, [&] { escape(sink_, child_text); });
}

// ---- namespace declarations and attributes ----

bool c_xml_writer::declares_prefix(std::string_view prefix) const {
    if (table_) {
        for (const ns_entry* e = table_; e->id != 0; ++e)
            if (e->prefix && prefix == e->prefix) return true;
    }
    for (const auto& [extra_prefix, uri] : extra_declarations_)
        if (extra_prefix == prefix) return true;
    return false;
}

void c_xml_writer::write_namespace_declaration(std::string_view prefix, std::string_view uri) {
    before_attribute();
    sink_.put("xmlns");
    if (!prefix.empty()) {
        sink_.put(':');
        sink_.put(prefix);
    }
    sink_.put("=\"");
    escape(sink_, uri, kAttributeClass);
    sink_.put('"');
}

void c_xml_writer::write_root_declarations() {
    if (table_) {
        for (const ns_entry* e = table_; e->id != 0; ++e)
            write_namespace_declaration(e->prefix ? e->prefix : "", e->uri ? e->uri : "");
    }
    for (const auto& [prefix, uri] : extra_declarations_) write_namespace_declaration(prefix, uri);
    if (schema_location_.empty() && no_namespace_schema_location_.empty()) return;
    // A table that already binds "xsi" must not get a second, duplicate binding.
    if (!declares_prefix("xsi")) write_namespace_declaration("xsi", kXsiUri);
    if (!schema_location_.empty()) attribute(kXsiNamespace, "schemaLocation", schema_location_);
    if (!no_namespace_schema_location_.empty())
        attribute(kXsiNamespace, "noNamespaceSchemaLocation", no_namespace_schema_location_);
}

KARVO_HOT_INLINE bool c_xml_writer::can_write_attribute(std::string_view local) {
    if (start_tag_is_open()) return true;
    fail(ELMX_BADLY_FORMED, local);
    return false;
}

KARVO_HOT_INLINE void c_xml_writer::write_attribute_start(int ns, std::string_view local) {
    before_attribute();
    std::string_view prefix = prefix_of(ns);
    char* p = sink_.room(prefix.size() + local.size() + 3);
    if (!prefix.empty()) {
        p = byte_sink::copy(p, prefix);
        *p++ = ':';
    }
    p = byte_sink::copy(p, local);
    *p++ = '=';
    *p++ = '"';
    sink_.advance(p);
}

void c_xml_writer::attribute(int ns, std::string_view local, std::string_view utf8_value) {
    if (!can_write_attribute(local)) return;
    write_attribute_start(ns, local);
    escape(sink_, utf8_value, kAttributeClass);
    sink_.put('"');
}

void c_xml_writer::attribute(int ns, std::string_view local, std::u16string_view value) {
    if (!can_write_attribute(local)) return;
    write_attribute_start(ns, local);
    escape(sink_, value, kAttributeClass);
    sink_.put('"');
}

void c_xml_writer::attribute(std::string_view qname, std::string_view utf8_value) {
    attribute(kNoNamespace, qname, utf8_value);
}

void c_xml_writer::attribute_unescaped(int ns, std::string_view local, std::string_view value) {
    if (!can_write_attribute(local)) return;
    write_attribute_start(ns, local);
    char* p = byte_sink::copy(sink_.room(value.size() + 1), value);
    *p++ = '"';
    sink_.advance(p);
}

} // namespace lmx
