// xml_reader.h - the pull reader: bytes in (all at once or in chunks), elements out.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xlsx/lmx/xml_error.h"

namespace lmx {

/// One row of a schema file's namespace table; a table ends with a row of id 0.
/// An empty prefix is the default namespace.
struct ns_entry {
    int id;
    const char* prefix;
    const char* uri;
};

/// Namespace ids the runtime gives without a table row. Table ids start at 1000.
constexpr int kUnknownNamespace = 0;  ///< a URI the table does not list
constexpr int kNoNamespace = 1;       ///< unqualified names (most attributes)
constexpr int kXmlNamespace = 2;      ///< the predeclared "xml" prefix (xml:space)
constexpr int kXsiNamespace = 3;      ///< http://www.w3.org/2001/XMLSchema-instance

/// A name as resolved against the current namespace table.
struct xml_name {
    int ns = kNoNamespace;
    std::string_view local;  ///< without prefix
    std::string_view qname;  ///< as written, prefix included
};

/// One attribute of the current start tag. `value` is decoded (character and entity
/// references replaced) UTF-8. Namespace declarations are listed too, marked, so a
/// class that keeps unclaimed attributes can write them back.
struct xml_attribute {
    xml_name name;
    std::string_view value;
    bool is_namespace_declaration = false;
};

/// A child read whole in one step by `c_xml_reader::peek_flat`.
struct flat_element {
    static constexpr std::size_t kMaxAttributes = 4;
    /// The values of the attributes asked for, by their position in the request;
    /// a null view for one the element does not carry.
    std::string_view attributes[kMaxAttributes];
    std::string_view text;  ///< the text of its one child element, when `has_child`
    bool has_child = false;
};

/// Delivers the next bytes of a chunked input into `dst` (at most `capacity`);
/// returns the count, 0 at the end of the input, or -1 when the input cannot be read.
using chunk_source = std::function<std::ptrdiff_t(char* dst, std::size_t capacity)>;

/// Reads one XML document. Views it hands out (names, values, text) stay valid until
/// the next call that moves the reader. The first error ends the document: every
/// later call returns the same code.
class c_xml_reader : public c_xml {
public:
    enum class event { start, end };

    /// Reads the bytes of a caller-owned range, which must outlive the reader.
    c_xml_reader(const char* begin, const char* end);
    /// Pulls its input from `source`; never holds more of it than the markup item
    /// being read needs.
    explicit c_xml_reader(chunk_source source);
    ~c_xml_reader() override;

    /// The table that element and attribute namespaces resolve against (one per
    /// schema file); set before `read_root`.
    void set_namespace_table(const ns_entry* table);

    /// Reads the prologue (encoding detection, declaration, DTD, comments, processing
    /// instructions) and the start tag of the root element.
    elmx_error read_root();

    /// The element whose start tag was read last, its attributes, and whether it
    /// was written as an empty-element tag.
    const xml_name& element() const { return element_; }
    std::span<const xml_attribute> attributes() const { return attributes_; }
    bool element_is_empty() const { return element_is_empty_; }

    /// After a start tag: moves to the next child start tag (`event::start`, the
    /// child becoming the current element) or past this element's end tag
    /// (`event::end`, the parent becoming current again). Text, comments and
    /// processing instructions between children are passed over.
    elmx_error next(event& e);

    /// After a start tag of a simple-content element: reads its text (character data
    /// and CDATA, decoded; child elements are skipped with their content) up to and
    /// including its end tag. The view lasts until the next call.
    elmx_error read_text(std::string_view& text);

    /// After a start tag: passes over the element and its whole content, including
    /// its end tag. With `capture`, appends the element as XML text; namespace
    /// declarations in scope from its ancestors are added to its start tag so that
    /// the captured text stands on its own.
    elmx_error skip(std::string* capture = nullptr);

    /// After a start tag or a child: whether the next item, white space aside, is a
    /// child named `name` in the default namespace, which must be `ns`, whose
    /// attributes are only `attribute_names` (unprefixed, each at most once, values
    /// without references), and whose content is nothing or one `child` element of
    /// plain text, tags written without blanks. Worksheets write nearly every cell
    /// that way, and reading it here skips the element walk. `take_flat` then moves
    /// past it. Anything else, including a window that ends inside it, gives false
    /// with nothing moved, and `next` reads it the general way (and reports what is
    /// wrong with it). The views last until the reader moves. Only the slots `out`
    /// answers in are set, so one element can serve child after child.
    bool peek_flat(int ns, std::string_view name, std::span<const std::string_view> attribute_names,
                   std::string_view child, flat_element& out);
    void take_flat();

    /// The depth of the current element (the root is 1).
    int depth() const { return depth_; }

    /// The line of the input being read (1-based).
    int line() const;

protected:
    int current_xml_line() const override { return line(); }

private:
    // What the accessors return lives here so that they can be inline: a generated
    // class asks for them at every element, and a call per question showed in profiles.
    xml_name element_;
    std::vector<xml_attribute> attributes_;
    bool element_is_empty_ = false;
    int depth_ = 0;

    struct impl;
    std::unique_ptr<impl> impl_;
};

/// The reader over a caller-owned memory range.
class c_xml_reader_memory : public c_xml_reader {
public:
    c_xml_reader_memory(const char* begin, const char* end) : c_xml_reader(begin, end) {}
};

} // namespace lmx
