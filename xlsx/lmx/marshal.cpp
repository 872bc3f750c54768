// marshal.cpp - the one writer of generated objects: walks a class's tables in
// schema order and writes present members through the XML writer.
#include <charconv>
#include <string>

#include "xlsx/lmx/binding.h"
#include "xlsx/lmx/compact_cell.h"
#include "xlsx/lmx/member_values.h"

namespace lmx {

namespace {

using detail::forEachValue;
using detail::member_as;
using detail::member_at;
using detail::needsPreserve;
using detail::onlyText;

/// The text form of one value.
void valueText(std::string& out, bool v) { append_bool(out, v); }
void valueText(std::string& out, std::uint8_t v) { append_uint(out, v); }
void valueText(std::string& out, std::uint32_t v) { append_uint(out, v); }
void valueText(std::string& out, std::uint64_t v) { append_uint(out, v); }
void valueText(std::string& out, std::int32_t v) { append_int(out, v); }
void valueText(std::string& out, std::int64_t v) { append_int(out, v); }
void valueText(std::string& out, double v) { append_double(out, v); }
void valueText(std::string& out, const c_binary& v) { append_hex(out, v); }

template <class T>
constexpr bool isText = std::is_same_v<T, std::u16string> || std::is_same_v<T, std::u16string_view>;

class marshaller {
public:
    explicit marshaller(c_xml_writer& w) : w_(w) {}

    elmx_error object(const class_info& ci, const void* object, int ns, const char* name);

private:
    void attributes(const class_info& ci, const void* object);
    elmx_error element(const class_info& ci, const member_info& m, const void* object);
    template <class T>
    void simpleElement(const member_info& m, const T& value);
    template <class T>
    void text(const T& value);
    void cells(const member_info& m, const void* row);
    elmx_error texts(const member_info& m, const text_list& list);
    void cell(const class_info& worker, int ns, const compact_cell& c, std::uint32_t row);
    void flatCell(int ns, const compact_cell& c, std::uint32_t row, bool withValue);

    c_xml_writer& w_;
    std::string text_;
};

void marshaller::attributes(const class_info& ci, const void* object) {
    for (std::size_t i = 0; i < ci.attribute_count; ++i) {
        const member_info& m = ci.attributes[i];
        const void* member = member_at(object, m.offset);
        if (m.how == holder::list) {
            const string_list& list = member_as<string_list>(member);
            if (!list) continue;
            text_.clear();
            for (const std::u16string& item : *list) {
                if (!text_.empty()) text_ += ' ';
                append_utf8(text_, item);
            }
            w_.attribute(m.ns, std::string_view(m.name, m.name_length), text_);
            continue;
        }
        forEachValue(*m.type, m.how, member, [&](const auto& v) {
            std::string_view name(m.name, m.name_length);
            if constexpr (isText<std::decay_t<decltype(v)>>) {
                w_.attribute(m.ns, name, std::u16string_view(v));
            } else {
                text_.clear();
                valueText(text_, v);
                w_.attribute_unescaped(m.ns, name, text_);
            }
        });
    }
    if (ci.unclaimed >= 0)
        if (const unclaimed_attributes& kept = member_as<unclaimed_attributes>(member_at(object, ci.unclaimed)))
            for (const auto& [qname, value] : *kept) w_.attribute(qname, value);
}

template <class T>
void marshaller::simpleElement(const member_info& m, const T& value) {
    w_.start_element(m.ns, std::string_view(m.name, m.name_length));
    if constexpr (isText<T>) {
        // Leading or trailing blanks survive other readers only when marked.
        if (needsPreserve(value)) w_.attribute(kXmlNamespace, "space", "preserve");
    }
    text(value);
    w_.end_element();
}

template <class T>
void marshaller::text(const T& value) {
    if constexpr (isText<T>) {
        w_.text(std::u16string_view(value));
    } else {
        text_.clear();
        valueText(text_, value);
        w_.text(text_);
    }
}

constexpr const char* kCellTypes[] = {"", "b", "n", "e", "s", "str", "inlineStr", "d"};

// "B7" for column 1 of row 7, in `buffer`.
std::string_view cellReference(char (&buffer)[16], std::uint32_t column, std::uint32_t row) {
    char letters[4];
    int n = 0;
    for (std::uint32_t c = column + 1; c; c = (c - 1) / 26) letters[n++] = static_cast<char>('A' + (c - 1) % 26);
    char* end = buffer;
    while (n) *end++ = letters[--n];
    end = std::to_chars(end, buffer + sizeof buffer, row).ptr;
    return {buffer, std::size_t(end - buffer)};
}

// A cell without formula, inline string or rare attributes: the common one, written
// in one call.
void marshaller::flatCell(int ns, const compact_cell& c, std::uint32_t row, bool withValue) {
    char reference[16], style[16];
    std::pair<std::string_view, std::string_view> attributes[3];
    std::size_t count = 0;
    attributes[count++] = {"r", cellReference(reference, c.column(), row)};
    if (c.has_style()) {
        char* styleEnd = std::to_chars(style, style + sizeof style, c.style()).ptr;
        attributes[count++] = {"s", std::string_view(style, std::size_t(styleEnd - style))};
    }
    if (c.type() != compact_cell::t_none) attributes[count++] = {"t", kCellTypes[c.type()]};
    text_.clear();
    if (withValue) c.append_value(text_);
    w_.flat_element(ns, "c", std::span(attributes, count), withValue ? "v" : "", text_);
}

void marshaller::cell(const class_info& worker, int ns, const compact_cell& c, std::uint32_t row) {
    // A packed value is made of digits, signs and exponents only, and needs no escaping.
    if (!c.extra() && worker.elements[1].ns == ns) {
        flatCell(ns, c, row, c.has_value());
        return;
    }
    w_.start_element(ns, "c");
    char reference[16];
    w_.attribute_unescaped(kNoNamespace, "r", cellReference(reference, c.column(), row));
    if (c.has_style()) {
        text_.clear();
        append_uint(text_, c.style());
        w_.attribute_unescaped(kNoNamespace, "s", text_);
    }
    if (c.type() != compact_cell::t_none) w_.attribute_unescaped(kNoNamespace, "t", kCellTypes[c.type()]);
    const cell_extra* x = c.extra();
    if (x) {
        for (auto [name, value] : {std::pair{"cm", &x->cm}, std::pair{"vm", &x->vm}})
            if (value->has()) {
                text_.clear();
                append_uint(text_, value->get());
                w_.attribute_unescaped(kNoNamespace, name, text_);
            }
        if (x->ph.has()) w_.attribute_unescaped(kNoNamespace, "ph", x->ph.get() ? "true" : "false");
    }
    const member_info* e = worker.elements;  // f, v, is, extLst
    if (x && x->f) object(*e[0].child, x->f, e[0].ns, e[0].name);
    if (c.has_value() && !c.value_is_inline_text()) {
        w_.start_element(e[1].ns, "v");
        text_.clear();
        c.append_value(text_);
        // A packed value is made of digits, signs and exponents only.
        if (x)
            w_.text(text_);
        else
            w_.text_unescaped(text_);
        w_.end_element();
    }
    if (c.value_is_inline_text()) {
        w_.start_element(e[2].ns, std::string_view(e[2].name, e[2].name_length));
        simpleElement(e[2].child->elements[0], x->v);
        w_.end_element();
    } else if (x && x->is) {
        object(*e[2].child, x->is, e[2].ns, e[2].name);
    }
    if (x && x->extLst) object(*e[3].child, x->extLst, e[3].ns, e[3].name);
    w_.end_element();
}

void marshaller::cells(const member_info& m, const void* row) {
    const cell_vector& list = member_as<cell_vector>(member_at(row, m.offset));
    const opt<std::uint32_t>& r = member_as<opt<std::uint32_t>>(member_at(row, std::uint32_t(m.aux)));
    for (const compact_cell& c : list) cell(*m.child, m.ns, c, r.get());
}

elmx_error marshaller::texts(const member_info& m, const text_list& list) {
    std::string_view name(m.name, m.name_length);
    const member_info& first = m.child->elements[0];
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!list.is_text(i)) {
            if (elmx_error e = object(*m.child, list.object(i).get(), m.ns, m.name)) return e;
        } else if (std::u16string_view text = list.text(i); needsPreserve(text)) {
            w_.start_element(m.ns, name);
            simpleElement(first, text);
            w_.end_element();
        } else {
            w_.flat_element(m.ns, name, std::string_view(first.name, first.name_length), text);
        }
    }
    return ELMX_OK;
}

elmx_error marshaller::element(const class_info& ci, const member_info& m, const void* object) {
    const void* member = member_at(object, m.offset);
    switch (m.how) {
    case holder::value:
    case holder::optional:
    case holder::values: forEachValue(*m.type, m.how, member, [&](const auto& v) { simpleElement(m, v); }); return ELMX_OK;
    case holder::child:
    case holder::children: {
        std::size_t count = m.ops->count(member);
        if (m.required && count == 0 && m.how == holder::child)
            return w_.handle_error(ELMX_OCCURRENCE_ERROR, m.name, ci.source, m.line);
        for (std::size_t i = 0; i < count; ++i) {
            const void* item = m.ops->item(member, i);
            const std::u16string* text = onlyText(*m.child, item, m.ns);
            if (text && !needsPreserve(*text)) {
                const member_info& first = m.child->elements[0];
                w_.flat_element(m.ns, std::string_view(m.name, m.name_length), std::string_view(first.name, first.name_length), *text);
            } else if (elmx_error e = this->object(*m.child, item, m.ns, m.name)) {
                return e;
            }
        }
        return ELMX_OK;
    }
    case holder::choice: {
        // Every alternative of the choice names the same vector; it is written once,
        // at the first of them.
        if (&m != ci.elements && (&m)[-1].how == holder::choice && (&m)[-1].offset == m.offset) return ELMX_OK;
        for (const choice_item& item : member_as<std::vector<choice_item>>(member)) {
            const member_info& alt = ci.elements[item.element];
            if (elmx_error e = this->object(*alt.child, item.object.get(), alt.ns, alt.name)) return e;
        }
        return ELMX_OK;
    }
    case holder::any:
        for (const std::string& xml : member_as<std::vector<std::string>>(member)) w_.raw(xml);
        return ELMX_OK;
    case holder::cells: cells(m, object); return ELMX_OK;
    case holder::texts: return texts(m, member_as<text_list>(member));
    case holder::list: return ELMX_OK;
    }
    return ELMX_OK;
}

elmx_error marshaller::object(const class_info& ci, const void* object, int ns, const char* name) {
    w_.start_element(ns, name);
    attributes(ci, object);
    if (ci.text) {
        forEachValue(*ci.text->type, ci.text->how, member_at(object, ci.text->offset), [&](const auto& v) { text(v); });
    } else {
        for (std::size_t i = 0; i < ci.element_count; ++i)
            if (elmx_error e = element(ci, ci.elements[i], object)) return e;
    }
    w_.end_element();
    return ELMX_OK;
}

} // namespace

elmx_error marshal_root(const root_info& root, const void* object, std::string& out, c_error* error,
                        const byte_drain* drain) {
    c_xml_writer writer(out);
    if (drain) writer.drain_to(*drain);
    writer.set_namespace_table(root.namespaces);
    elmx_error e = marshaller(writer).object(*root.type, object, root.ns, root.name);
    if (e && error) *error = writer.error();
    if (!e && drain) {
        (*drain)(out);
        out.clear();
    }
    return e;
}

} // namespace lmx
