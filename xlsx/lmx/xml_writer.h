// xml_writer.h - UTF-8 XML text out: declaration, namespace declarations, escaping, indentation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xlsx/lmx/byte_sink.h"
#include "xlsx/lmx/xml_error.h"
#include "xlsx/lmx/xml_reader.h"

namespace lmx {

/// Writes one document into a narrow string. With the default texts every element
/// stands on its own line indented by one tab per level, and every attribute after
/// the first on a line of its own.
///
/// The writer works in the output string directly and keeps spare room at its end
/// while elements are open: the string holds exactly the document once the root
/// element has ended, and whatever was written when the writer is destroyed. The
/// caller must leave the string alone while the writer is writing into it.
class c_xml_writer : public c_xml {
public:
    static constexpr unsigned kWriteDeclaration = 1;  ///< flags bit 0
    static constexpr unsigned kStandalone = 2;        ///< flags bit 1

    /// A null text takes its default: indent "\t", new line "\n", attribute indent
    /// the element indent, attribute new line "\n".
    explicit c_xml_writer(std::string& out, unsigned flags = kWriteDeclaration, const char* indent = nullptr,
                          const char* new_line = nullptr, const char* attribute_indent = nullptr,
                          const char* attribute_new_line = nullptr);

    /// Hands the document to `drain` in pieces as it is written (see byte_sink).
    void drain_to(const byte_drain& drain) { sink_.drain_to(drain); }

    /// The table whose declarations the first element carries and whose prefixes
    /// qualify names; a second call while one is set has no effect.
    void set_namespace_table(const ns_entry* table);
    /// Further declarations for the first element, written after the table's.
    void add_namespace_declaration(std::string_view prefix, std::string_view uri);
    /// xsi:schemaLocation ("namespace location" pairs) or xsi:noNamespaceSchemaLocation
    /// for the first element; either brings the xmlns:xsi declaration with it.
    void set_schema_location(std::string_view pairs);
    void set_no_namespace_schema_location(std::string_view location);

    /// Starts an element named by namespace id (prefixed from the table; the default
    /// namespace, kNoNamespace and an id the table lacks give the bare name) or by
    /// its qualified name. The name is copied; it need not outlive the call.
    void start_element(int ns, std::string_view local);
    void start_element(std::string_view qname);

    /// An attribute of the element just started; the value is escaped. kXmlNamespace
    /// gives the "xml:" prefix.
    void attribute(int ns, std::string_view local, std::string_view utf8_value);
    void attribute(int ns, std::string_view local, std::u16string_view value);
    void attribute(std::string_view qname, std::string_view utf8_value);
    /// For values known to need no escaping (numbers, booleans): written as they are.
    void attribute_unescaped(int ns, std::string_view local, std::string_view value);

    /// Character content of the current element, escaped.
    void text(std::string_view utf8);
    /// For content known to need no escaping (number texts): written as it is.
    void text_unescaped(std::string_view value);
    void text(std::u16string_view text);

    void end_element();
    /// A whole child element of the current element in one call, laid out as the
    /// calls above lay it out: attributes without a prefix, and nothing in it, or one
    /// child element of the same namespace holding `child_text` (when `child` is not
    /// empty). Values and text are written as they are: callers pass numbers and
    /// names. Worksheet cells are written this way.
    void flat_element(int ns, std::string_view local, std::span<const std::pair<std::string_view, std::string_view>> attributes,
                      std::string_view child, std::string_view child_text);
    /// The same without attributes, and with the child's text escaped (string table
    /// entries are written this way).
    void flat_element(int ns, std::string_view local, std::string_view child, std::u16string_view child_text);

    /// A well-formed fragment (an element kept as text from the input), written as
    /// a child element of the current element.
    void raw(std::string_view xml);

    // Misuse (an attribute after content, text outside the root, an end without
    // a start) writes nothing and records ELMX_BADLY_FORMED, so that the output
    // stays well-formed; check error() after marshalling.

    /// The nesting level: 0 outside the root.
    int level() const { return static_cast<int>(open_.size()); }

protected:
    /// The separators before an attribute after the first, and before an element.
    virtual void start_attribute_line();
    virtual void start_element_line();

private:
    /// An open element; its qualified name is kept in names_ from name_offset on,
    /// so callers may pass names that do not outlive the call.
    struct open_element {
        std::uint32_t name_offset;
        std::uint32_t name_size;
        bool start_tag_open;
        bool has_children;
    };
    template <class WriteText>
    void flat(int ns, std::string_view local, std::span<const std::pair<std::string_view, std::string_view>> attributes,
              std::string_view child, WriteText writeText);
    void write_declaration();
    void write_root_declarations();
    void write_namespace_declaration(std::string_view prefix, std::string_view uri);
    bool declares_prefix(std::string_view prefix) const;
    void open_child_line();
    void push_element(std::string_view prefix, std::string_view local);
    bool start_tag_is_open() const { return !open_.empty() && open_.back().start_tag_open; }
    bool can_write_attribute(std::string_view local);
    void close_start_tag_for_content();
    bool start_content();
    std::string_view prefix_of(int ns) const;
    void write_attribute_start(int ns, std::string_view local);
    void before_attribute();
    std::string_view indent_for(std::size_t level);
    std::size_t keep_name(std::string_view name);

    detail::byte_sink sink_;
    unsigned flags_;
    std::string indent_, new_line_, attribute_indent_, attribute_new_line_;
    std::string indent_run_;  ///< indent_ repeated, grown to the deepest level met
    const ns_entry* table_ = nullptr;
    std::vector<std::string_view> table_prefixes_;  ///< by id - 1000, for ids in the table
    std::vector<std::pair<std::string, std::string>> extra_declarations_;
    std::string schema_location_, no_namespace_schema_location_;
    std::vector<open_element> open_;
    std::string names_;  ///< the open elements' qualified names, end to end
    std::size_t names_used_ = 0;
    bool root_written_ = false;
    bool first_attribute_ = true;
};

/// Writes text escaped: the double quote, apostrophe, ampersand and less-than sign
/// always, the greater-than sign after "]" at index 2 or later, and also wherever
/// the output already ends in "]]" (so "]]>" never appears, even across calls),
/// and carriage return as "&#xD;" (a reader gives a raw one back as line feed).
/// Attribute values written by c_xml_writer also get tab and line feed as
/// character references, since a reader turns raw ones into spaces.
/// Wide text is encoded as UTF-8; an unpaired surrogate, high or low, ends the
/// output of that text. Control characters that XML 1.0 cannot carry (U+0000 to
/// U+001F other than tab, line feed and carriage return) are dropped, as are
/// U+FFFE and U+FFFF in wide text; narrow text is passed byte by byte otherwise.
void append_escaped(std::string& out, std::string_view utf8);
void append_escaped(std::string& out, std::u16string_view text);

} // namespace lmx
