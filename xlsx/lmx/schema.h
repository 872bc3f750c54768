// schema.h - what a generated schema class is made of: member holders and the
// static tables that describe them to the one generic unmarshal and marshal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "xlsx/lmx/value_text.h"
#include "xlsx/lmx/xml_error.h"

namespace lmx {

/// An optional attribute or element value: the value (the schema default until one
/// is read or set) and whether it is present. Only present values are written.
template <class T>
class opt {
public:
    opt() = default;
    explicit opt(T default_value) : value_(std::move(default_value)) {}

    bool has() const { return present_; }
    const T& get() const { return value_; }
    void set(T value) {
        value_ = std::move(value);
        present_ = true;
    }
    /// The value for changing in place; marks it present.
    T& edit() {
        present_ = true;
        return value_;
    }
    void reset() { present_ = false; }

private:
    T value_{};
    bool present_ = false;
};

/// Optional booleans are the most common member of all; one byte holds value and
/// presence, which keeps hot classes such as rows small.
template <>
class opt<bool> {
public:
    opt() = default;
    explicit opt(bool default_value) : bits_(default_value ? kValue : 0) {}

    bool has() const { return bits_ & kPresent; }
    bool get() const { return bits_ & kValue; }
    void set(bool value) { bits_ = static_cast<std::uint8_t>(kPresent | (value ? kValue : 0)); }
    void reset() { bits_ &= static_cast<std::uint8_t>(~kPresent); }

private:
    static constexpr std::uint8_t kValue = 1, kPresent = 2;
    std::uint8_t bits_ = 0;
};

/// An owned child object (or list), null while absent; copying copies it deeply, so
/// the implicit copy of a generated class is its deep copy.
template <class T>
class owned {
public:
    owned() = default;
    owned(const owned& other) : p_(other.p_ ? std::make_unique<T>(*other.p_) : nullptr) {}
    owned(owned&&) noexcept = default;
    owned& operator=(const owned& other) {
        if (this != &other) p_ = other.p_ ? std::make_unique<T>(*other.p_) : nullptr;
        return *this;
    }
    owned& operator=(owned&&) noexcept = default;
    explicit owned(std::unique_ptr<T> p) : p_(std::move(p)) {}

    explicit operator bool() const { return p_ != nullptr; }
    T* get() const { return p_.get(); }
    T* operator->() const { return p_.get(); }
    T& operator*() const { return *p_; }
    /// The child, created on first use.
    T& make() {
        if (!p_) p_ = std::make_unique<T>();
        return *p_;
    }
    void reset() { p_.reset(); }

private:
    std::unique_ptr<T> p_;
};

/// A list-valued attribute (for example a row's "spans"); absent while null.
using string_list = owned<std::vector<std::u16string>>;

/// Attributes that a class read but has no member for, kept as written (qualified
/// name, value) so that they go back out after the class's own attributes.
using unclaimed_attributes = owned<std::vector<std::pair<std::string, std::string>>>;

struct class_info;

/// An owned object of a generated class known only through its table: the entries
/// of a repeated choice, whose order in the document matters (anchors of a drawing,
/// runs of a paragraph).
class any_object {
public:
    any_object() = default;
    any_object(const class_info* info, void* object) : info_(info), object_(object) {}
    any_object(const any_object& other);
    any_object(any_object&& other) noexcept
        : info_(std::exchange(other.info_, nullptr)), object_(std::exchange(other.object_, nullptr)) {}
    any_object& operator=(any_object other) noexcept {
        std::swap(info_, other.info_);
        std::swap(object_, other.object_);
        return *this;
    }
    ~any_object();

    const class_info* info() const { return info_; }
    void* get() const { return object_; }
    /// The object as T when it is one (T::class_table names its class), else null.
    template <class T>
    T* as() const {
        return info_ == &T::class_table ? static_cast<T*>(object_) : nullptr;
    }

private:
    const class_info* info_ = nullptr;
    void* object_ = nullptr;
};

/// One entry of a repeated choice: which alternative (an index into the class's
/// element table) and its object.
struct choice_item {
    std::uint16_t element = 0;
    any_object object;
};

/// How a simple value is held in memory.
enum class value_kind : std::uint8_t { boolean, u8, u32, i32, u64, i64, dbl, string, binary };

/// A simple type: how its text converts, and the facets that a converted value is
/// checked against. Enumerated strings are held as their text and checked against
/// the listed values.
struct simple_type {
    value_kind kind;
    const char* const* enumeration;  ///< null-terminated list, or null
    bool has_min, has_max, min_exclusive, max_exclusive;
    double min, max;                 ///< numeric range
    std::int32_t min_length, max_length;  ///< -1 for none; in characters or bytes
};

/// How a member holds its attribute or element.
enum class holder : std::uint8_t {
    value,          ///< required simple value: T
    optional,       ///< optional simple value: opt<T>
    values,         ///< repeated simple-content element: std::vector<T>
    list,           ///< list-valued attribute: string_list
    child,          ///< single complex child: owned<C> (required when marked)
    children,       ///< repeated complex child: std::vector<owned<C>>
    choice,         ///< alternative of a repeated choice: std::vector<choice_item>
    any,            ///< wildcard content kept as XML text: std::vector<std::string>
    cells,          ///< the cells of a row: the compact cell vector
    texts,          ///< the entries of a string table: text_list
};

/// Access to a complex member whose class only the generated code knows: `add`
/// gives a new object (appended for a repeated child, made when absent for a single
/// one), `count` and `item` walk what is there.
struct member_ops {
    void* (*add)(void* member);
    std::size_t (*count)(const void* member);
    const void* (*item)(const void* member, std::size_t index);
};

template <class C>
inline constexpr member_ops child_ops = {
    [](void* m) -> void* { return &static_cast<owned<C>*>(m)->make(); },
    [](const void* m) -> std::size_t { return *static_cast<const owned<C>*>(m) ? 1 : 0; },
    [](const void* m, std::size_t) -> const void* { return static_cast<const owned<C>*>(m)->get(); },
};

template <class C>
inline constexpr member_ops children_ops = {
    [](void* m) -> void* {
        auto& list = *static_cast<std::vector<owned<C>>*>(m);
        list.emplace_back(std::make_unique<C>());
        return list.back().get();
    },
    [](const void* m) -> std::size_t { return static_cast<const std::vector<owned<C>>*>(m)->size(); },
    [](const void* m, std::size_t i) -> const void* { return (*static_cast<const std::vector<owned<C>>*>(m))[i].get(); },
};

/// The life cycle of a class, for objects held through its table (choice entries,
/// the children of a compact cell).
template <class C>
void* create_object() {
    return new C();
}
template <class C>
void* copy_object(const void* from) {
    return new C(*static_cast<const C*>(from));
}
template <class C>
void destroy_object(void* object) {
    delete static_cast<C*>(object);
}

/// One attribute or child element of a class: the name it has on the wire, where it
/// lives and how it converts. Tables are in schema order, which is the write order.
struct member_info {
    int ns;                     ///< namespace id of the file (or kNoNamespace, kXmlNamespace)
    const char* name;           ///< local name
    std::uint8_t name_length;
    holder how;
    bool required;
    std::uint32_t offset;       ///< of the member within its class
    const simple_type* type;    ///< simple members
    const class_info* child;    ///< complex members
    const member_ops* ops;      ///< child and children members
    int line;                   ///< the generated line, reported with errors
    std::int32_t aux;           ///< cells: offset of the row's "r" member; otherwise -1
};

/// The table of one generated class.
struct class_info {
    const char* name;              ///< schema type name, for reports
    const char* source;            ///< generated unit, reported as the program file
    const member_info* attributes;
    std::uint16_t attribute_count;
    const member_info* elements;
    std::uint16_t element_count;
    const member_info* text;       ///< the simple content of the element, or null
    std::int32_t unclaimed;        ///< offset of unclaimed_attributes, or -1
    void* (*create)();
    void* (*copy)(const void*);
    void (*destroy)(void*);
};

/// The table of a root class: its element and the namespace table of its unit.
struct root_info {
    const class_info* type;
    int ns;
    const char* name;
    const struct ns_entry* namespaces;
};

} // namespace lmx
