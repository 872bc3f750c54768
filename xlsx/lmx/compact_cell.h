// compact_cell.h - the worksheet cell as it is held in memory, and a row's cell vector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "xlsx/lmx/schema.h"

namespace lmx {

/// The rare parts of a cell: formula, inline string, extension list, a value text
/// that does not pack, and the attributes cm, vm and ph. Kept apart so that the
/// common cell (a number or a shared-string index) is 16 bytes.
struct cell_extra {
    const class_info* worker = nullptr;  ///< the plain cell class: its element table types f, is and extLst
    void* f = nullptr;
    void* is = nullptr;
    void* extLst = nullptr;
    std::u16string v;
    opt<std::uint32_t> cm, vm;
    opt<bool> ph;
};

/// A cell of a row. One 32-bit word holds the type code in its top three bits (0 no
/// type attribute, then "b", "n", "e", "s", "str", "inlineStr", "d" as 1 to 7), flags, and
/// the 0-based column in its low 16 bits. Beside it the style index, and 8 bytes that
/// hold the value text: a plain decimal of up to 15 digits ("-12.50", "7"; most
/// numbers and string indexes) as its digits and their scale, which read as a number
/// with one division; other texts packed four bits a character (up to 16 characters
/// of "0-9 . - + E e"); or a longer number text as the double it
/// is the text of, in its shortest form (the 17 digits most producers write) or with
/// 15 significant digits (what this library writes), or the pointer to the extra part.
class compact_cell {
public:
    /// t_d is the ISO 8601 date of later editions of the format, which producers write.
    enum type_code : std::uint8_t { t_none, t_b, t_n, t_e, t_s, t_str, t_inlineStr, t_d };

    compact_cell() = default;
    compact_cell(const compact_cell& other);
    compact_cell(compact_cell&& other) noexcept : word_(other.word_), s_(other.s_), payload_(other.payload_) {
        other.word_ &= ~kHasExtra;
    }
    compact_cell& operator=(compact_cell other) noexcept {
        swap(other);
        return *this;
    }
    // Inline, as most cells have no extra part: a sheet's millions of cells are
    // destroyed without a call each.
    ~compact_cell() {
        if (word_ & kHasExtra) destroy_extra();
    }
    void swap(compact_cell& other) noexcept;

    std::uint16_t column() const { return static_cast<std::uint16_t>(word_ & 0xFFFF); }
    void set_column(std::uint16_t column) { word_ = (word_ & ~0xFFFFu) | column; }

    /// Changing the type leaves the lower 29 bits as they are.
    type_code type() const { return static_cast<type_code>(word_ >> 29); }
    void set_type(type_code type) { word_ = (word_ & 0x1FFFFFFFu) | (std::uint32_t(type) << 29); }

    bool has_style() const { return word_ & kHasStyle; }
    std::uint32_t style() const { return s_; }
    void set_style(std::uint32_t s) {
        s_ = s;
        word_ |= kHasStyle;
    }
    void reset_style() {
        s_ = 0;
        word_ &= ~kHasStyle;
    }

    bool has_value() const { return word_ & kHasValue; }
    /// No value, or an empty value text.
    bool value_empty() const {
        if (!has_value()) return true;
        if (const cell_extra* x = extra()) return x->v.empty();
        return !(word_ & (kValueIsDouble | kValueIsDecimal)) && payload_ == 0;
    }
    /// The value, when it is held packed and is nothing but digits: a string index
    /// or a whole number, read without making its text.
    std::optional<std::uint64_t> held_digits() const {
        if (!has_value() || (word_ & (kValueIsDouble | kHasExtra))) return std::nullopt;
        // A whole decimal: no sign and no digits after the point, so only its digits.
        if (word_ & kValueIsDecimal) return payload_ >> kDecimalScaleShift ? std::nullopt : std::optional(payload_);
        if (payload_ == 0) return std::nullopt;
        // The first character is in the lowest four bits; the codes of 0-9 are 1-10.
        std::uint64_t value = 0;
        for (std::uint64_t packed = payload_; packed; packed >>= 4) {
            unsigned code = packed & 15;
            if (code < 1 || code > 10) return std::nullopt;
            value = value * 10 + (code - 1);
        }
        return value;
    }
    /// The value as a number, when it is held as a double or packed as a decimal text
    /// that converts exactly without a general parser; otherwise the text must be read.
    std::optional<double> held_number() const;
    std::u16string value() const;
    /// Appends the value text as UTF-8.
    void append_value(std::string& out) const;
    void set_value(std::u16string_view text);
    /// From UTF-8 text; false (and nothing changed) when it is not well-formed.
    bool set_value_utf8(std::string_view text);
    /// A number, whose text is written with 15 significant digits (what consumers
    /// show); the cell keeps the double until then.
    void set_number(double value);
    void reset_value();

    /// An inline string that is plain text is held as the value text of the extra
    /// part, not as an object (a sheet of them is half the memory): the value is then
    /// that text, and it is written back as the inline string. Setting a value in any
    /// other way ends it.
    bool value_is_inline_text() const { return word_ & kInlineText; }
    void set_inline_text(const class_info* worker, std::u16string text);

    /// The formula, inline string and extension list children, typed by the plain
    /// cell class of the schema (the generated accessors give them their types).
    void* formula() const { return extra() ? extra()->f : nullptr; }
    void* inline_string() const { return extra() ? extra()->is : nullptr; }
    void* extension_list() const { return extra() ? extra()->extLst : nullptr; }
    /// The extra part, made on first use; `worker` is the plain cell class.
    cell_extra& make_extra(const class_info* worker);
    cell_extra* extra() const { return (word_ & kHasExtra) ? reinterpret_cast<cell_extra*>(payload_) : nullptr; }
    /// Removes value, formula, inline string and type; keeps column and style.
    void clear_content();

private:
    static constexpr std::uint32_t kHasValue = 1u << 16, kHasStyle = 1u << 17, kHasExtra = 1u << 18,
                                   kValueIsDouble = 1u << 19, kFifteenDigits = 1u << 20,
                                   kValueIsDecimal = 1u << 22,
                                   kPackedForms = kValueIsDouble | kFifteenDigits | kValueIsDecimal,
                                   kInlineText = 1u << 21, kValueForms = kPackedForms | kInlineText;
    /// A decimal payload: its digits as an integer in the low bits, above them the
    /// count of digits after the point, and above that the sign.
    static constexpr int kDecimalScaleShift = 50, kDecimalSignShift = 54;
    static constexpr std::uint64_t kDecimalDigits = (std::uint64_t(1) << kDecimalScaleShift) - 1;
    void destroy_extra();
    /// Packs a value text in the first form that holds it; sets the packed-form flags.
    bool pack(std::string_view ascii);
    template <class Out>
    void unpack(Out& out) const;

    std::uint32_t word_ = 0;
    std::uint32_t s_ = 0;
    std::uint64_t payload_ = 0;
};
static_assert(sizeof(compact_cell) == 16);

/// The cells of a row in column order. A vector of 16 bytes (pointer, size,
/// capacity) rather than 24: rows are the most numerous objects of a sheet.
class cell_vector {
public:
    using value_type = compact_cell;
    using iterator = compact_cell*;
    using const_iterator = const compact_cell*;

    cell_vector() = default;
    cell_vector(const cell_vector& other);
    cell_vector(cell_vector&& other) noexcept;
    cell_vector& operator=(cell_vector other) noexcept;
    ~cell_vector();

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    compact_cell& operator[](std::size_t i) { return data_[i]; }
    const compact_cell& operator[](std::size_t i) const { return data_[i]; }
    iterator begin() { return data_; }
    iterator end() { return data_ + size_; }
    const_iterator begin() const { return data_; }
    const_iterator end() const { return data_ + size_; }
    compact_cell& back() { return data_[size_ - 1]; }
    const compact_cell& back() const { return data_[size_ - 1]; }

    void reserve(std::size_t capacity);
    compact_cell& push_back(compact_cell cell);
    /// Inserts before position `index`; returns the inserted cell.
    compact_cell& insert(std::size_t index, compact_cell cell);
    void erase(std::size_t first, std::size_t last);
    void clear();
    /// Takes the cells of [first, last), moved, with no spare capacity.
    void assign_exact(compact_cell* first, compact_cell* last);

private:
    void grow(std::size_t capacity);

    compact_cell* data_ = nullptr;
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = 0;
};
static_assert(sizeof(cell_vector) == 16);

} // namespace lmx
