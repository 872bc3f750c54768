// unmarshal.cpp - the one reader of generated objects: walks a class's tables and
// fills its members from the reader's elements and attributes.
#include <algorithm>
#include <bitset>
#include <cstring>
#include <limits>

#include "xlsx/lmx/binding.h"
#include "xlsx/lmx/byte_scan.h"
#include "xlsx/lmx/compact_cell.h"
#include "xlsx/lmx/member_values.h"

namespace lmx {

namespace {

// Required members are tracked in a bitset; the generator refuses larger classes.
constexpr std::size_t kMaxMembersPerTable = 256;
// Attributes a class keeps without a member: producers add a handful; more are
// dropped, which bounds the cost of refusing repeated ones.
constexpr std::size_t kMaxUnclaimed = 256;

struct context {
    c_xml_reader& reader;
    const ns_entry* namespaces;
    /// Prefix and URI of each namespace the root element declares (copied: in chunked
    /// reading the input moves).
    std::vector<std::pair<std::string, std::string>> root_bindings;
    std::vector<compact_cell> cells;               ///< the cells of the row being read
    std::uint32_t last_row = 0;
    flat_element flat{};                           ///< reused: clearing one per cell shows in profiles
};

/// Control characters XML 1.0 cannot carry. The writer leaves them out; text kept
/// as it was read (a list's items, a kept fragment) leaves them out too, so that
/// what is written reads back the same.
bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

void dropControls(std::string& text) { text.erase(std::remove_if(text.begin(), text.end(), isControl), text.end()); }

/// The text without control characters, copied into `storage` only when it has any.
std::string_view withoutControls(std::string_view text, std::string& storage) {
    if (!detail::has_byte_below_blank(text) || std::none_of(text.begin(), text.end(), isControl)) return text;
    storage.assign(text);
    dropControls(storage);
    return storage;
}

bool sameName(const member_info& m, const xml_name& name) {
    return m.ns == name.ns && m.name_length == name.local.size() &&
           std::memcmp(m.name, name.local.data(), name.local.size()) == 0;
}

const member_info* findMember(const member_info* table, std::size_t count, const xml_name& name) {
    for (std::size_t i = 0; i < count; ++i)
        if (table[i].how != holder::any && sameName(table[i], name)) return &table[i];
    return nullptr;
}

template <class T>
void store(holder how, void* member, T&& value) {
    using V = std::decay_t<T>;
    switch (how) {
    case holder::value: *static_cast<V*>(member) = std::forward<T>(value); break;
    case holder::optional: static_cast<opt<V>*>(member)->set(std::forward<T>(value)); break;
    case holder::values: static_cast<std::vector<V>*>(member)->push_back(std::forward<T>(value)); break;
    default: break;
    }
}

elmx_error checkRange(const simple_type& t, double v) {
    if (t.has_min && (t.min_exclusive ? v <= t.min : v < t.min)) return ELMX_VALUE_EXCEEDS_MIN;
    if (t.has_max && (t.max_exclusive ? v >= t.max : v > t.max)) return ELMX_VALUE_EXCEEDS_MAX;
    return ELMX_OK;
}

elmx_error checkLength(const simple_type& t, std::size_t length) {
    if (t.min_length >= 0 && length < std::size_t(t.min_length)) return ELMX_LENGTH_TOO_SHORT;
    if (t.max_length >= 0 && length > std::size_t(t.max_length)) return ELMX_LENGTH_TOO_LONG;
    return ELMX_OK;
}

bool enumerated(const simple_type& t, std::string_view text) {
    for (const char* const* e = t.enumeration; *e; ++e)
        if (text == *e) return true;
    return false;
}

template <class T>
elmx_error storeUnsigned(const simple_type& t, std::string_view text, holder how, void* member) {
    std::uint64_t v;
    if (elmx_error e = parse_uint(text, v, std::numeric_limits<T>::max())) return e;
    if (elmx_error e = checkRange(t, double(v))) return e;
    store(how, member, static_cast<T>(v));
    return ELMX_OK;
}

template <class T>
elmx_error storeSigned(const simple_type& t, std::string_view text, holder how, void* member) {
    std::int64_t v;
    if (elmx_error e = parse_int(text, v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max())) return e;
    if (elmx_error e = checkRange(t, double(v))) return e;
    store(how, member, static_cast<T>(v));
    return ELMX_OK;
}

/// Converts the text of an attribute or simple element into its member.
elmx_error convert(const simple_type& t, std::string_view text, holder how, void* member) {
    if (how == holder::list) {
        std::vector<std::u16string> items;
        std::string kept;
        text = withoutControls(text, kept);
        split_list(text, items);
        static_cast<string_list*>(member)->make() = std::move(items);
        return ELMX_OK;
    }
    switch (t.kind) {
    case value_kind::boolean: {
        bool v;
        if (elmx_error e = parse_bool(text, v)) return e;
        store(how, member, v);
        return ELMX_OK;
    }
    case value_kind::u8: return storeUnsigned<std::uint8_t>(t, text, how, member);
    case value_kind::u32: return storeUnsigned<std::uint32_t>(t, text, how, member);
    case value_kind::u64: return storeUnsigned<std::uint64_t>(t, text, how, member);
    case value_kind::i32: return storeSigned<std::int32_t>(t, text, how, member);
    case value_kind::i64: return storeSigned<std::int64_t>(t, text, how, member);
    case value_kind::dbl: {
        double v;
        if (elmx_error e = parse_double(text, v)) return e;
        if (elmx_error e = checkRange(t, v)) return e;
        store(how, member, v);
        return ELMX_OK;
    }
    case value_kind::string: {
        if (t.enumeration && !enumerated(t, text)) return ELMX_VALUE_NOT_ENUMERATED;
        std::string kept;
        text = withoutControls(text, kept);
        std::u16string v;
        if (elmx_error e = utf8_to_utf16(text, v)) return e;
        if (elmx_error e = checkLength(t, v.size())) return e;
        store(how, member, std::move(v));
        return ELMX_OK;
    }
    case value_kind::binary: {
        c_binary v;
        // No length check: colours of other producers come with three bytes where
        // the schema says four, and the styles reading reports that itself.
        if (elmx_error e = parse_hex(text, v)) return e;
        store(how, member, std::move(v));
        return ELMX_OK;
    }
    }
    return ELMX_UNDEFINED_ERROR;
}

char* at(void* object, std::uint32_t offset) { return static_cast<char*>(object) + offset; }

std::string_view prefixOf(std::string_view qname) {
    std::size_t colon = qname.find(':');
    return colon == std::string_view::npos ? std::string_view() : qname.substr(0, colon);
}

/// Whether the table binds the prefix of a declaration: the written root declares
/// every table prefix, so a second binding of it (to the same URI or, in a broken
/// file, another) would repeat the attribute.
bool prefixOfTable(const ns_entry* table, const xml_attribute& a) {
    std::string_view prefix = a.name.qname.size() > 5 ? a.name.qname.substr(6) : std::string_view();
    for (const ns_entry* n = table; n->id; ++n)
        if (prefix == n->prefix) return true;
    return false;
}

/// Whether an attribute no member claims can be written back where the class
/// stands: its prefix must be declared on this element or on the root, which keep
/// their declarations; one declared in between would be lost.
bool keepable(const context& ctx, const xml_attribute& a, std::span<const xml_attribute> all, bool isRoot) {
    if (a.is_namespace_declaration) return !prefixOfTable(ctx.namespaces, a);
    std::string_view prefix = prefixOf(a.name.qname);
    if (prefix.empty() || prefix == "xml" || isRoot) return true;
    for (const auto& binding : ctx.root_bindings)
        if (binding.first == prefix) return true;
    for (const xml_attribute& d : all)
        if (d.is_namespace_declaration && d.name.qname.size() > 6 && d.name.qname.substr(6) == prefix) return true;
    return false;
}

elmx_error readObject(context& ctx, const class_info& ci, void* object, bool isRoot = false);

bool boundAtRoot(const context& ctx, std::string_view prefix, std::string_view uri) {
    for (const ns_entry* n = ctx.namespaces; n->id; ++n)
        if (prefix == n->prefix && uri == n->uri) return true;
    for (const auto& [p, u] : ctx.root_bindings)
        if (prefix == p && uri == u) return true;
    return false;
}

/// A kept fragment carries the declarations it needs; those the written root
/// element will carry anyway are dropped from its start tag, so that reading our
/// own output again keeps the same text.
void dropInheritedDeclarations(const context& ctx, std::string& xml) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t i = xml.find_first_of(" \t\r\n/>");
    // The start tag is read attribute by attribute: a value may hold '>'.
    while (i < xml.size()) {
        std::size_t start = i;
        while (i < xml.size() && blank(xml[i])) ++i;
        if (i >= xml.size() || xml[i] == '/' || xml[i] == '>') return;
        std::size_t eq = xml.find('=', i);
        std::size_t quote = eq == std::string::npos ? eq : xml.find_first_of("\"'", eq);
        std::size_t close = quote == std::string::npos ? quote : xml.find(xml[quote], quote + 1);
        if (close == std::string::npos) return;
        std::size_t nameEnd = eq;
        while (nameEnd > i && blank(xml[nameEnd - 1])) --nameEnd;
        std::string_view name(xml.data() + i, nameEnd - i);
        std::string_view uri(xml.data() + quote + 1, close - quote - 1);
        bool declaration = name == "xmlns" || name.substr(0, 6) == "xmlns:";
        if (declaration && boundAtRoot(ctx, name.size() > 6 ? name.substr(6) : "", uri)) {
            xml.erase(start, close + 1 - start);
            i = start;
        } else {
            i = close + 1;
        }
    }
}

// An optional number beyond its type (a count that overflowed in the producer) is
// left out rather than the whole part refused: the attribute only describes, and
// the rest of the part is good.
bool outOfRange(elmx_error e) { return e == ELMX_VALUE_EXCEEDS_MAX || e == ELMX_VALUE_EXCEEDS_MIN; }

elmx_error readAttributes(context& ctx, const class_info& ci, void* object, bool isRoot) {
    c_xml_reader& r = ctx.reader;
    std::bitset<kMaxMembersPerTable> seen;
    std::span<const xml_attribute> attributes = r.attributes();
    // A prefix declared twice on one element is not XML; the reader lets it through,
    // and which binding holds would differ between readings.
    for (std::size_t i = 0; i < attributes.size(); ++i)
        if (attributes[i].is_namespace_declaration)
            for (std::size_t j = 0; j < i; ++j)
                if (attributes[j].is_namespace_declaration && attributes[j].name.qname == attributes[i].name.qname)
                    return r.handle_error(ELMX_ATTRIBUTE_ALREADY_READ, attributes[i].name.qname, ci.source, 0);
    for (const xml_attribute& a : attributes) {
        const member_info* m = a.is_namespace_declaration || a.name.ns == kXsiNamespace
                                   ? nullptr
                                   : findMember(ci.attributes, ci.attribute_count, a.name);
        if (m) {
            std::size_t index = std::size_t(m - ci.attributes);
            if (seen[index]) return r.handle_error(ELMX_ATTRIBUTE_ALREADY_READ, a.name.qname, ci.source, m->line);
            seen[index] = true;
            if (elmx_error e = convert(*m->type, a.value, m->how, at(object, m->offset));
                e && !(outOfRange(e) && !m->required))
                return r.handle_error(e, a.name.qname, ci.source, m->line);
        } else if (ci.unclaimed >= 0 && a.name.ns != kXsiNamespace && keepable(ctx, a, attributes, isRoot)) {
            auto& kept = reinterpret_cast<unclaimed_attributes*>(at(object, ci.unclaimed))->make();
            // The reader lets a repeated attribute through; written twice it would
            // not be XML, so the first stands. The bound keeps the check cheap.
            bool repeated = std::any_of(kept.begin(), kept.end(), [&](const auto& k) { return k.first == a.name.qname; });
            if (!repeated && kept.size() < kMaxUnclaimed) kept.emplace_back(std::string(a.name.qname), std::string(a.value));
        }
    }
    for (std::size_t i = 0; i < ci.attribute_count; ++i)
        if (ci.attributes[i].required && !seen[i])
            return r.handle_error(ELMX_REQUIRED_ATTRIBUTES_MISSING, ci.attributes[i].name, ci.source,
                                  ci.attributes[i].line);
    return ELMX_OK;
}

/// Column letters of a cell reference ("B7" gives 1); false for a malformed one.
bool referenceColumn(std::string_view ref, std::uint32_t& column) {
    std::uint32_t col = 0;
    std::size_t i = 0;
    for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && i < 3; ++i) col = col * 26 + std::uint32_t(ref[i] - 'A' + 1);
    if (i == 0 || i == ref.size() || ref[i] < '0' || ref[i] > '9') return false;
    column = col - 1;
    return true;
}

compact_cell::type_code cellType(std::string_view t, bool& ok) {
    static constexpr std::string_view kNames[] = {"b", "n", "e", "s", "str", "inlineStr", "d"};
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        if (t == kNames[i]) return static_cast<compact_cell::type_code>(i + 1);
    ok = false;
    return compact_cell::t_none;
}

// The largest column a sheet has (XFD).
constexpr std::uint32_t kMaxColumn = 16383;

elmx_error readCellAttributes(context& ctx, const class_info& worker, compact_cell& cell, int previousColumn) {
    c_xml_reader& r = ctx.reader;
    bool haveColumn = false;
    for (const xml_attribute& a : r.attributes()) {
        if (a.name.ns != kNoNamespace) continue;
        const member_info* m = findMember(worker.attributes, worker.attribute_count, a.name);
        if (!m) continue;
        std::string_view name = a.name.local;
        elmx_error e = ELMX_OK;
        if (name == "r") {
            // The reference is plain text to the schema; one that names no cell
            // ("0" from some report writers) is passed over, and the cell takes the
            // place its order gives it, as when the reference is absent.
            std::uint32_t column = 0;
            if (referenceColumn(a.value, column) && column <= kMaxColumn) {
                cell.set_column(static_cast<std::uint16_t>(column));
                haveColumn = true;
            }
        } else if (name == "s") {
            std::uint64_t v;
            e = parse_uint(a.value, v, std::numeric_limits<std::uint32_t>::max());
            if (!e) cell.set_style(static_cast<std::uint32_t>(v));
        } else if (name == "t") {
            bool ok = true;
            compact_cell::type_code code = cellType(a.value, ok);
            if (ok)
                cell.set_type(code);
            else
                e = ELMX_VALUE_NOT_ENUMERATED;
        } else {
            cell_extra& x = cell.make_extra(&worker);
            void* target = name == "cm" ? static_cast<void*>(&x.cm) : name == "vm" ? static_cast<void*>(&x.vm) : &x.ph;
            e = convert(*m->type, a.value, holder::optional, target);
        }
        if (e) return r.handle_error(e, a.name.qname, worker.source, m->line);
    }
    if (!haveColumn) {
        if (previousColumn >= int(kMaxColumn))
            return r.handle_error(ELMX_VALUE_EXCEEDS_MAX, "r", worker.source, worker.attributes[0].line);
        cell.set_column(static_cast<std::uint16_t>(previousColumn + 1));
    }
    return ELMX_OK;
}

/// An inline string of plain text moves into the cell's value text, which costs a
/// fraction of the object it was read into.
void keepInlineTextPlain(const class_info& worker, compact_cell& cell) {
    cell_extra* x = cell.extra();
    if (!x || !x->is || cell.has_value() || cell.type() != compact_cell::t_inlineStr) return;
    const member_info& is = worker.elements[2];
    const std::u16string* text = detail::onlyText(*is.child, x->is, is.ns);
    if (!text) return;
    std::u16string value = *text;
    is.child->destroy(x->is);
    x->is = nullptr;
    cell.set_inline_text(&worker, std::move(value));
}

/// One "c" element into a compact cell: the hot loop of reading a worksheet.
elmx_error readCell(context& ctx, const class_info& worker, compact_cell& cell, int previousColumn) {
    c_xml_reader& r = ctx.reader;
    if (elmx_error e = readCellAttributes(ctx, worker, cell, previousColumn)) return e;
    for (;;) {
        c_xml_reader::event ev;
        if (elmx_error e = r.next(ev)) return e;
        if (ev == c_xml_reader::event::end) {
            keepInlineTextPlain(worker, cell);
            return ELMX_OK;
        }
        const member_info* m = findMember(worker.elements, worker.element_count, r.element());
        if (!m) {
            if (elmx_error e = r.skip()) return e;
            continue;
        }
        if (m->how != holder::child) {  // "v"
            std::string_view text;
            if (elmx_error e = r.read_text(text)) return e;
            if (!cell.set_value_utf8(text))
                return r.handle_error(ELMX_BAD_CHAR_ENCODING, "v", worker.source, m->line);
            continue;
        }
        cell_extra& x = cell.make_extra(&worker);
        void*& slot = m == &worker.elements[0] ? x.f : m == &worker.elements[2] ? x.is : x.extLst;
        if (!slot) slot = m->child->create();
        if (elmx_error e = readObject(ctx, *m->child, slot)) return e;
    }
}

constexpr std::string_view kFlatCellAttributes[] = {"r", "s", "t"};

/// A cell of the common shape, read without the element walk, as readCell would
/// read it. False (nothing read) for any other cell, and for one readCell would
/// refuse, so that it fails there with its message.
bool readFlatCell(context& ctx, const member_info& m) {
    flat_element& f = ctx.flat;
    if (!ctx.reader.peek_flat(m.ns, std::string_view(m.name, m.name_length), kFlatCellAttributes, "v", f)) return false;
    compact_cell cell;
    std::uint32_t column = 0;
    if (f.attributes[0].data() && referenceColumn(f.attributes[0], column) && column <= kMaxColumn) {
        cell.set_column(static_cast<std::uint16_t>(column));
    } else {
        int previous = ctx.cells.empty() ? -1 : ctx.cells.back().column();
        if (previous >= int(kMaxColumn)) return false;
        cell.set_column(static_cast<std::uint16_t>(previous + 1));
    }
    if (f.attributes[1].data()) {
        std::uint64_t style;
        if (parse_uint(f.attributes[1], style, std::numeric_limits<std::uint32_t>::max())) return false;
        cell.set_style(static_cast<std::uint32_t>(style));
    }
    if (f.attributes[2].data()) {
        bool ok = true;
        compact_cell::type_code code = cellType(f.attributes[2], ok);
        if (!ok) return false;
        cell.set_type(code);
    }
    if (f.has_child && !cell.set_value_utf8(f.text)) return false;
    ctx.cells.push_back(std::move(cell));
    ctx.reader.take_flat();
    return true;
}

/// The text element of repeated children that can be read whole when that is all
/// they hold: their class has no attributes, and first among its elements a string
/// without facets in the children's namespace, which converts from any text the
/// reader hands out (the entries of a string table).
const member_info* flatTextElement(const member_info& m) {
    if (m.how != holder::children && m.how != holder::texts) return nullptr;
    const class_info& ci = *m.child;
    if (ci.attribute_count != 0 || ci.text || ci.element_count == 0) return nullptr;
    const member_info& first = ci.elements[0];
    bool simple = first.how == holder::optional || first.how == holder::value;
    if (!simple || first.ns != m.ns || first.type->kind != value_kind::string || first.type->enumeration ||
        first.type->min_length >= 0 || first.type->max_length >= 0)
        return nullptr;
    return &first;
}

/// The member whose elements readFlat may read: a row's cells, or repeated children
/// of a class flatTextElement accepts.
const member_info* flatMember(const class_info& ci) {
    for (std::size_t i = 0; i < ci.element_count; ++i) {
        const member_info& m = ci.elements[i];
        if (m.how == holder::cells || flatTextElement(m)) return &m;
    }
    return nullptr;
}

/// Reads one element of `m` through the reader's shortcut, and says in `read`
/// whether it did; an element of another shape is left to the walk.
elmx_error readFlat(context& ctx, const member_info& m, void* object, bool& read) {
    read = false;
    if (m.how == holder::cells) {
        read = readFlatCell(ctx, m);
        return ELMX_OK;
    }
    const member_info& text = *flatTextElement(m);
    flat_element& f = ctx.flat;
    if (!ctx.reader.peek_flat(m.ns, std::string_view(m.name, m.name_length), {}, std::string_view(text.name, text.name_length), f))
        return ELMX_OK;
    if (m.how == holder::texts) {
        auto& list = *reinterpret_cast<text_list*>(at(object, m.offset));
        if (!f.has_child) {
            list.push_back_object(*m.child);  // an empty entry, as the walk reads it
        } else {
            std::string kept;
            if (elmx_error e = list.push_back_utf8(withoutControls(f.text, kept)))
                return ctx.reader.handle_error(e, text.name, m.child->source, text.line);
        }
        ctx.reader.take_flat();
        read = true;
        return ELMX_OK;
    }
    void* child = m.ops->add(at(object, m.offset));
    if (f.has_child)
        if (elmx_error e = convert(*text.type, f.text, text.how, at(child, text.offset)))
            return ctx.reader.handle_error(e, text.name, m.child->source, text.line);
    ctx.reader.take_flat();
    read = true;
    return ELMX_OK;
}

/// A string table entry of a shape readFlat leaves to the walk: read as an object,
/// and kept as a plain text when that is all it holds.
elmx_error readTextEntry(context& ctx, const member_info& m, void* member) {
    auto& list = *static_cast<text_list*>(member);
    void* entry = list.push_back_object(*m.child);
    if (elmx_error e = readObject(ctx, *m.child, entry)) return e;
    if (const std::u16string* text = detail::onlyText(*m.child, entry, m.ns)) list.make_last_text(*text);
    return ELMX_OK;
}

elmx_error readCells(context& ctx, const member_info& m) {
    int previous = ctx.cells.empty() ? -1 : ctx.cells.back().column();
    compact_cell& cell = ctx.cells.emplace_back();
    return readCell(ctx, *m.child, cell, previous);
}

/// After a row: its cells move, in column order, into an exactly sized vector, and a
/// row without a number gets the one its position implies.
void finishRow(context& ctx, const member_info& m, void* row) {
    auto byColumn = [](const compact_cell& a, const compact_cell& b) { return a.column() < b.column(); };
    // Producers write cells in order; the sheet's searches rely on it, so a row
    // that is not is put in order here.
    if (!std::is_sorted(ctx.cells.begin(), ctx.cells.end(), byColumn))
        std::stable_sort(ctx.cells.begin(), ctx.cells.end(), byColumn);
    reinterpret_cast<cell_vector*>(at(row, m.offset))->assign_exact(ctx.cells.data(), ctx.cells.data() + ctx.cells.size());
    ctx.cells.clear();
    auto& r = *reinterpret_cast<opt<std::uint32_t>*>(at(row, std::uint32_t(m.aux)));
    if (!r.has()) r.set(ctx.last_row + 1);
    ctx.last_row = r.get();
}

elmx_error readElement(context& ctx, const class_info& ci, const member_info& m, void* object) {
    c_xml_reader& r = ctx.reader;
    void* member = at(object, m.offset);
    r.set_program(ci.source, m.line);
    switch (m.how) {
    case holder::value:
    case holder::optional:
    case holder::values: {
        std::string_view text;
        if (elmx_error e = r.read_text(text)) return e;
        if (elmx_error e = convert(*m.type, text, m.how, member)) return r.handle_error(e, m.name, ci.source, m.line);
        return ELMX_OK;
    }
    case holder::child:
    case holder::children: return readObject(ctx, *m.child, m.ops->add(member));
    default: return ELMX_UNDEFINED_ERROR;
    }
}

elmx_error readObject(context& ctx, const class_info& ci, void* object, bool isRoot) {
    c_xml_reader& r = ctx.reader;
    if (elmx_error e = readAttributes(ctx, ci, object, isRoot)) return e;
    if (ci.text) {
        std::string_view text;
        if (elmx_error e = r.read_text(text)) return e;
        if (elmx_error e = convert(*ci.text->type, text, ci.text->how, at(object, ci.text->offset)))
            return r.handle_error(e, ci.name, ci.source, ci.text->line);
        return ELMX_OK;
    }
    std::bitset<kMaxMembersPerTable> seen;
    const member_info* any = nullptr;
    const member_info* cellMember = nullptr;
    for (std::size_t i = 0; i < ci.element_count; ++i) {
        if (ci.elements[i].how == holder::any) any = &ci.elements[i];
        if (ci.elements[i].how == holder::cells) cellMember = &ci.elements[i];
    }
    const member_info* flat = flatMember(ci);
    for (;;) {
        for (bool read = flat != nullptr; read;) {
            if (elmx_error e = readFlat(ctx, *flat, object, read)) return e;
            if (read) seen[std::size_t(flat - ci.elements)] = true;
        }
        c_xml_reader::event ev;
        if (elmx_error e = r.next(ev)) return e;
        if (ev == c_xml_reader::event::end) break;
        const member_info* m = findMember(ci.elements, ci.element_count, r.element());
        if (!m) {
            std::string* capture = nullptr;
            if (any) capture = &reinterpret_cast<std::vector<std::string>*>(at(object, any->offset))->emplace_back();
            if (elmx_error e = r.skip(capture)) return e;
            if (capture) {
                dropControls(*capture);
                dropInheritedDeclarations(ctx, *capture);
            }
            continue;
        }
        seen[std::size_t(m - ci.elements)] = true;
        elmx_error e = ELMX_OK;
        void* member = at(object, m->offset);
        switch (m->how) {
        case holder::choice: {
            auto& list = *static_cast<std::vector<choice_item>*>(member);
            list.push_back({static_cast<std::uint16_t>(m - ci.elements), any_object(m->child, m->child->create())});
            e = readObject(ctx, *m->child, list.back().object.get());
            break;
        }
        case holder::cells:
            e = readCells(ctx, *m);
            break;
        case holder::texts:
            e = readTextEntry(ctx, *m, member);
            break;
        default: e = readElement(ctx, ci, *m, object); break;
        }
        if (e) return e;
    }
    // Only a missing single complex child fails: the tree would lack a structure
    // its users rely on. A missing simple element reads as its empty value, and a
    // list that must not be empty may be, since producers wrap its entries in
    // markup-compatibility elements this reader passes over.
    for (std::size_t i = 0; i < ci.element_count; ++i) {
        const member_info& m = ci.elements[i];
        if (m.required && !seen[i] && m.how == holder::child)
            return r.handle_error(ELMX_MANDATORY_ELEMENT_MISSING, m.name, ci.source, m.line);
    }
    if (cellMember) finishRow(ctx, *cellMember, object);
    return ELMX_OK;
}

elmx_error readRoot(const root_info& root, void* object, c_xml_reader& reader, c_error* error) {
    reader.set_namespace_table(root.namespaces);
    reader.set_program(root.type->source, 0);
    elmx_error e = reader.read_root();
    if (!e) {
        const xml_name& name = reader.element();
        if (name.ns != root.ns || name.local != root.name) e = reader.fail(ELMX_ELEMENT_NOT_FOUND, name.qname);
    }
    if (!e) {
        context ctx{reader, root.namespaces, {}, {}, 0};
        // What the written root will declare beside the table: its own kept
        // declarations, the first of each prefix.
        for (const xml_attribute& a : reader.attributes()) {
            if (!a.is_namespace_declaration || prefixOfTable(root.namespaces, a)) continue;
            std::string_view prefix = a.name.qname.size() > 6 ? a.name.qname.substr(6) : "";
            if (std::none_of(ctx.root_bindings.begin(), ctx.root_bindings.end(),
                             [&](const auto& b) { return b.first == prefix; }))
                dropControls(ctx.root_bindings.emplace_back(prefix, a.value).second);
        }
        e = readObject(ctx, *root.type, object, true);
    }
    if (e && error) *error = reader.error();
    return e;
}

} // namespace

elmx_error unmarshal_root(const root_info& root, void* object, const char* begin, const char* end, c_error* error) {
    c_xml_reader reader(begin, end);
    return readRoot(root, object, reader, error);
}

elmx_error unmarshal_root(const root_info& root, void* object, chunk_source source, c_error* error) {
    c_xml_reader reader(std::move(source));
    return readRoot(root, object, reader, error);
}

} // namespace lmx
