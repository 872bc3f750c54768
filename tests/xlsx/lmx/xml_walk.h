// xml_walk.h - drives a pull reader over a whole document and writes down what it
// saw, so that two readings (memory and chunked) can be compared.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xlsx/lmx/xml_reader.h"

namespace lmx::walk {

enum class step { next, text, skip, capture };

struct result {
    std::string events;
    elmx_error code = ELMX_OK;
    std::string item;
    int line = 0;
};

// "(ns:qname a=v ...": one start; "/" marks an empty-element tag; ")" an end.
inline void describe_start(const c_xml_reader& r, std::string& out) {
    const xml_name& n = r.element();
    out += "(" + std::to_string(n.ns) + ":" + std::string(n.qname);
    if (n.local != n.qname) out += "|" + std::string(n.local);
    for (const xml_attribute& a : r.attributes()) {
        out += " " + std::to_string(a.name.ns) + ":" + std::string(a.name.qname);
        out += (a.is_namespace_declaration ? "#" : "") + std::string("=") + std::string(a.value);
    }
    if (r.element_is_empty()) out += "/";
}

/// Reads the document, asking `choose(reader, index)` what to do at each start tag.
template <class Choose>
result run(c_xml_reader& r, Choose choose, const ns_entry* table) {
    r.set_namespace_table(table);
    result res;
    std::string& out = res.events;
    elmx_error e = r.read_root();
    if (e == ELMX_OK) describe_start(r, out);
    for (int index = 0; e == ELMX_OK && r.depth() > 0; ++index) {
        switch (choose(r, index)) {
        case step::next: {
            c_xml_reader::event ev;
            e = r.next(ev);
            if (e != ELMX_OK) break;
            if (ev == c_xml_reader::event::start) describe_start(r, out);
            else out += ")";
            break;
        }
        case step::text: {
            std::string_view t;
            e = r.read_text(t);
            if (e == ELMX_OK) out += "=" + std::string(t) + ")";
            break;
        }
        case step::skip:
            e = r.skip();
            if (e == ELMX_OK) out += "~)";
            break;
        case step::capture: {
            std::string cap = "[";
            e = r.skip(&cap);
            if (e == ELMX_OK) out += cap + "])";
            break;
        }
        }
    }
    res.code = e;
    res.item = r.error().item;
    res.line = r.error().xml_line;
    return res;
}

/// A source that hands out `doc` in pieces of the given sizes, cycling through them.
inline chunk_source pieces(std::string_view doc, std::vector<std::size_t> sizes) {
    auto pos = std::make_shared<std::size_t>(0);
    auto turn = std::make_shared<std::size_t>(0);
    return [doc, sizes, pos, turn](char* dst, std::size_t capacity) -> std::ptrdiff_t {
        std::size_t n = std::min({sizes[(*turn)++ % sizes.size()], capacity, doc.size() - *pos});
        std::memcpy(dst, doc.data() + *pos, n);
        *pos += n;
        return static_cast<std::ptrdiff_t>(n);
    };
}

} // namespace lmx::walk
