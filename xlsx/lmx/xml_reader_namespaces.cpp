// xml_reader_namespaces.cpp - namespace declarations in scope and the ids that
// element and attribute names resolve to.
#include "xlsx/lmx/xml_reader_impl.h"

namespace lmx {

using detail::st;
using namespace std::string_view_literals;

namespace {

constexpr std::string_view kXsiUri = "http://www.w3.org/2001/XMLSchema-instance";
constexpr std::string_view kXmlUri = "http://www.w3.org/XML/1998/namespace";

std::string_view prefix_part(const xml_name& name) {
    return name.qname.substr(0, name.qname.size() - name.local.size() - 1);
}

} // namespace

st c_xml_reader::impl::fail_prefix(std::string_view prefix, const char* at) {
    return fail(ELMX_NOT_WELL_FORMED, "Namespace prefix not declared: " + std::string(prefix), at);
}

st c_xml_reader::impl::declare_namespaces(const char* at) {
    bool changed = false;
    for (xml_attribute& a : attrs) {
        if (!a.is_namespace_declaration) continue;
        std::string_view prefix = a.name.qname.size() == 5 ? std::string_view() : a.name.qname.substr(6);
        a.name.ns = kNoNamespace;
        a.name.local = prefix.empty() ? a.name.qname : prefix;
        // "xml" is bound for good and "xmlns" is reserved: declaring them changes nothing.
        if (prefix == "xml"sv || prefix == "xmlns"sv) continue;
        if (live_bindings == detail::kMaxNamespaceBindings)
            return fail(ELMX_BADLY_FORMED, "More than 1024 namespace declarations in scope", at);
        if (bindings.size() == live_bindings) bindings.emplace_back();
        detail::ns_binding& b = bindings[live_bindings++];
        b.prefix.assign(prefix);
        b.uri.assign(a.value);
        b.id = uri_id(b.uri);
        changed = true;
    }
    if (changed) refresh_default_ns();
    return st::ok;
}

// Unprefixed attributes are in no namespace whatever the default is.
st c_xml_reader::impl::resolve_names(const char* at) {
    for (xml_attribute& a : attrs) {
        if (a.is_namespace_declaration) continue;
        if (a.name.local.size() == a.name.qname.size()) {
            a.name.ns = kNoNamespace;
            continue;
        }
        a.name.ns = prefix_id(prefix_part(a.name));
        if (a.name.ns < 0) return fail_prefix(prefix_part(a.name), at);
    }
    return st::ok;
}

// -1 for a prefix with no binding in scope (or one undeclared with an empty URI).
int c_xml_reader::impl::prefix_id(std::string_view prefix) const {
    if (prefix == "xml"sv) return kXmlNamespace;
    for (std::size_t i = live_bindings; i-- > 0;)
        if (bindings[i].prefix == prefix) return bindings[i].uri.empty() ? -1 : bindings[i].id;
    return -1;
}

int c_xml_reader::impl::uri_id(std::string_view uri) const {
    if (uri.empty()) return kNoNamespace;
    if (uri == kXsiUri) return kXsiNamespace;
    if (uri == kXmlUri) return kXmlNamespace;
    for (const ns_entry* row = table; row && row->id != 0; ++row)
        if (row->uri && uri == row->uri) return row->id;
    return kUnknownNamespace;
}

void c_xml_reader::impl::refresh_default_ns() {
    default_ns = kNoNamespace;
    for (std::size_t i = live_bindings; i-- > 0;) {
        if (bindings[i].prefix.empty()) {
            default_ns = bindings[i].id;
            return;
        }
    }
}

void c_xml_reader::impl::renumber_bindings() {
    for (std::size_t i = 0; i < live_bindings; ++i) bindings[i].id = uri_id(bindings[i].uri);
    refresh_default_ns();
}

} // namespace lmx
