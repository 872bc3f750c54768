// member_values.h - what a member of a generated object holds, for the reader and
// the writer of objects alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "xlsx/lmx/schema.h"
#include "xlsx/lmx/text_list.h"

namespace lmx::detail {

inline const char* member_at(const void* object, std::uint32_t offset) { return static_cast<const char*>(object) + offset; }

template <class T>
const T& member_as(const void* p) {
    return *static_cast<const T*>(p);
}

/// Calls `each` with every present value of a simple member, typed.
template <class Each>
void forEachValue(const simple_type& t, holder how, const void* member, Each&& each) {
    auto visit = [&](auto typed) {
        using T = decltype(typed);
        if (how == holder::value) {
            each(member_as<T>(member));
        } else if (how == holder::optional) {
            const auto& o = member_as<opt<T>>(member);
            if (o.has()) each(o.get());
        } else if (how == holder::values) {
            for (const T& v : member_as<std::vector<T>>(member)) each(v);
        }
    };
    switch (t.kind) {
    case value_kind::boolean: visit(bool{}); break;
    case value_kind::u8: visit(std::uint8_t{}); break;
    case value_kind::u32: visit(std::uint32_t{}); break;
    case value_kind::u64: visit(std::uint64_t{}); break;
    case value_kind::i32: visit(std::int32_t{}); break;
    case value_kind::i64: visit(std::int64_t{}); break;
    case value_kind::dbl: visit(double{}); break;
    case value_kind::string: visit(std::u16string{}); break;
    case value_kind::binary: visit(c_binary{}); break;
    }
}

/// Whether a text has blanks at either end, which survive other readers only when
/// its element says xml:space="preserve".
inline bool needsPreserve(std::u16string_view text) {
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; };
    return !text.empty() && (blank(text.front()) || blank(text.back()));
}

/// Whether a member holds anything that would be written.
inline bool present(const member_info& m, const void* member) {
    switch (m.how) {
    case holder::value:
    case holder::cells: return true;
    case holder::optional:
    case holder::values: {
        bool any = false;
        forEachValue(*m.type, m.how, member, [&](const auto&) { any = true; });
        return any;
    }
    case holder::list: return static_cast<bool>(member_as<string_list>(member));
    case holder::child:
    case holder::children: return m.ops->count(member) > 0;
    case holder::choice: return !member_as<std::vector<choice_item>>(member).empty();
    case holder::any: return !member_as<std::vector<std::string>>(member).empty();
    case holder::texts: return !member_as<text_list>(member).empty();
    }
    return true;
}

/// The text of an object that holds nothing but its first element, an optional
/// string in the namespace `ns` (a string table entry, an inline string), so that it
/// can be read and written without the object; null for any other object.
inline const std::u16string* onlyText(const class_info& ci, const void* object, int ns) {
    if (ci.attribute_count != 0 || ci.text || ci.unclaimed >= 0 || ci.element_count == 0) return nullptr;
    const member_info& first = ci.elements[0];
    if (first.how != holder::optional || first.type->kind != value_kind::string || first.ns != ns) return nullptr;
    for (std::size_t i = 1; i < ci.element_count; ++i)
        if (present(ci.elements[i], member_at(object, ci.elements[i].offset))) return nullptr;
    const auto& text = member_as<opt<std::u16string>>(member_at(object, first.offset));
    if (!text.has()) return nullptr;
    return &text.get();
}

} // namespace lmx::detail
