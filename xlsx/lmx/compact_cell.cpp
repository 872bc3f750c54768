// compact_cell.cpp - packing of value texts, the extra part, and the row's cell vector.
#include "xlsx/lmx/compact_cell.h"

#include "core/block_pool.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace lmx {

namespace {

// Four bits a character; 0 ends the text, so 16 characters fill 64 bits.
constexpr char kPackedChars[16] = {0, '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '.', '-', '+', 'E', 'e'};

// The code of each byte, -1 for those that do not pack: a table, since every number
// text loaded goes through it.
constexpr std::array<std::int8_t, 256> kPackedCodes = [] {
    std::array<std::int8_t, 256> codes{};
    codes.fill(-1);
    for (int code = 1; code < 16; ++code) codes[static_cast<unsigned char>(kPackedChars[code])] = static_cast<std::int8_t>(code);
    return codes;
}();

// A number text this long or longer is never the shortest text of a double.
constexpr std::size_t kMaxDoubleText = 32;

bool packNibbles(std::string_view ascii, std::uint64_t& packed) {
    if (ascii.size() > 16) return false;
    std::uint64_t bits = 0;
    for (std::size_t i = ascii.size(); i-- > 0;) {
        int code = kPackedCodes[static_cast<unsigned char>(ascii[i])];
        if (code < 0) return false;
        bits = (bits << 4) | std::uint64_t(code);
    }
    packed = bits;
    return true;
}

// Every exact power of ten a double has.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Both the digits as an integer and the power of ten are then exact doubles, and one
// division rounds correctly.
constexpr std::size_t kMaxDecimalDigits = 15;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "-"? ("0" | [1-9][0-9]*) ("." [0-9]+)? with at most 15 digits besides a lone
// leading zero: the texts that their digits, scale and sign give back exactly.
bool packDecimal(std::string_view ascii, std::uint64_t& packed, int scaleShift, int signShift) {
    std::size_t i = 0;
    const bool negative = !ascii.empty() && ascii[0] == '-';
    if (negative) ++i;
    const std::size_t first = i;
    std::uint64_t digits = 0;
    for (; i < ascii.size() && isDigit(ascii[i]); ++i) digits = digits * 10 + std::uint64_t(ascii[i] - '0');
    const std::size_t whole = i - first;
    if (whole == 0 || (whole > 1 && ascii[first] == '0')) return false;
    std::size_t scale = 0;
    if (i < ascii.size() && ascii[i] == '.') {
        const std::size_t point = ++i;
        for (; i < ascii.size() && isDigit(ascii[i]); ++i) digits = digits * 10 + std::uint64_t(ascii[i] - '0');
        scale = i - point;
        if (scale == 0) return false;
    }
    const std::size_t counted = whole == 1 && ascii[first] == '0' ? scale : whole + scale;  // "0." adds no digit
    if (i != ascii.size() || counted > kMaxDecimalDigits) return false;
    packed = digits | (std::uint64_t(scale) << scaleShift) | (std::uint64_t(negative) << signShift);
    return true;
}

// Significant digits of a number text: those of its mantissa from the first that is
// not zero (trailing zeros count, as the text has them).
std::size_t significantDigits(std::string_view ascii) {
    std::size_t count = 0;
    for (char c : ascii) {
        if (c == 'e' || c == 'E') break;
        if (c >= '1' && c <= '9') ++count;
        else if (c == '0' && count > 0) ++count;
    }
    return count;
}

// Number cells are written with 15 significant digits, what consumers show.
char* fifteenDigits(double value, char* first, char* last) {
    return std::to_chars(first, last, value, std::chars_format::general, 15).ptr;
}

char* shortest(double value, char* first, char* last) { return std::to_chars(first, last, value).ptr; }

// Only a text that the double gives back exactly, in its shortest form (which most
// producers write) or with 15 significant digits (which this library writes), so that
// the cell's text is kept. The form the digit count suggests is tried first.
bool packDouble(std::string_view ascii, std::uint64_t& packed, bool& fifteen) {
    if (ascii.empty() || ascii.size() >= kMaxDoubleText) return false;
    double value = 0;
    auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size()) return false;
    bool preferFifteen = significantDigits(ascii) <= 15;
    for (bool form : {preferFifteen, !preferFifteen}) {
        char text[kMaxDoubleText];
        char* textEnd = (form ? fifteenDigits : shortest)(value, text, text + sizeof text);
        if (std::string_view(text, std::size_t(textEnd - text)) == ascii) {
            std::memcpy(&packed, &value, sizeof value);
            fifteen = form;
            return true;
        }
    }
    return false;
}

// Children exist only in an extra part that was given the plain cell class, whose
// element table lists f, v, is, extLst in this order.
void destroyExtra(cell_extra* extra) {
    if (!extra) return;
    if (extra->worker) {
        const member_info* elements = extra->worker->elements;
        if (extra->f) elements[0].child->destroy(extra->f);
        if (extra->is) elements[2].child->destroy(extra->is);
        if (extra->extLst) elements[3].child->destroy(extra->extLst);
    }
    delete extra;
}

cell_extra* copyExtra(const cell_extra& from) {
    auto* extra = new cell_extra(from);
    extra->f = extra->is = extra->extLst = nullptr;
    if (!from.worker) return extra;
    const member_info* elements = from.worker->elements;
    try {
        if (from.f) extra->f = elements[0].child->copy(from.f);
        if (from.is) extra->is = elements[2].child->copy(from.is);
        if (from.extLst) extra->extLst = elements[3].child->copy(from.extLst);
    } catch (...) {
        destroyExtra(extra);
        throw;
    }
    return extra;
}

} // namespace

bool compact_cell::pack(std::string_view ascii) {
    std::uint64_t packed = 0;
    bool fifteen = false;
    if (packDecimal(ascii, packed, kDecimalScaleShift, kDecimalSignShift)) word_ = (word_ & ~kPackedForms) | kValueIsDecimal;
    else if (packNibbles(ascii, packed)) word_ &= ~kPackedForms;
    else if (packDouble(ascii, packed, fifteen)) word_ = (word_ & ~kPackedForms) | kValueIsDouble | (fifteen ? kFifteenDigits : 0);
    else return false;
    payload_ = packed;
    return true;
}

void compact_cell::set_number(double value) {
    // Whole numbers of up to 15 digits have no other text and are held as decimals,
    // which spares formatting them. -0 keeps its sign the general way.
    constexpr double kAllFifteenDigits = 1e15;
    bool whole = std::fabs(value) < kAllFifteenDigits && value == std::trunc(value) && (value != 0 || !std::signbit(value));
    if (!extra() && whole) {
        payload_ = std::uint64_t(std::fabs(value)) | (std::uint64_t(value < 0) << kDecimalSignShift);
        word_ = (word_ & ~kValueForms) | kHasValue | kValueIsDecimal;
        return;
    }
    char text[kMaxDoubleText];
    char* end = whole ? std::to_chars(text, text + sizeof text, static_cast<std::int64_t>(value)).ptr : nullptr;
    if (!extra()) {
        // The text is made when the cell is written, from the double.
        std::memcpy(&payload_, &value, sizeof value);
        word_ = (word_ & ~kInlineText) | kHasValue | kValueIsDouble | kFifteenDigits;
        return;
    }
    if (!whole) end = fifteenDigits(value, text, text + sizeof text);
    set_value_utf8(std::string_view(text, std::size_t(end - text)));
}

// Written once a cell on every save: the characters go to a local buffer first so
// that the string grows once.
template <class Out>
void compact_cell::unpack(Out& out) const {
    typename Out::value_type text[kMaxDoubleText];
    std::size_t n = 0;
    if (word_ & kValueIsDecimal) {
        char digits[kMaxDoubleText];
        char* end = std::to_chars(digits, digits + sizeof digits, payload_ & kDecimalDigits).ptr;
        auto length = static_cast<std::size_t>(end - digits);
        const std::size_t scale = (payload_ >> kDecimalScaleShift) & 15;
        if (payload_ >> kDecimalSignShift) text[n++] = '-';
        // Digits after the point that the integer lacks are leading zeros: 5 with
        // scale 2 is "0.05".
        const std::size_t zeros = scale + 1 > length ? scale + 1 - length : 0, padded = zeros + length;
        for (std::size_t i = 0; i < padded; ++i) {
            if (scale && i == padded - scale) text[n++] = '.';
            text[n++] = static_cast<typename Out::value_type>(i < zeros ? '0' : digits[i - zeros]);
        }
    } else if (word_ & kValueIsDouble) {
        char digits[kMaxDoubleText];
        double value = 0;
        std::memcpy(&value, &payload_, sizeof value);
        char* end = ((word_ & kFifteenDigits) ? fifteenDigits : shortest)(value, digits, digits + sizeof digits);
        for (const char* c = digits; c != end; ++c)
            text[n++] = static_cast<typename Out::value_type>(*c);
    } else {
        for (std::uint64_t packed = payload_; packed; packed >>= 4)
            text[n++] = static_cast<typename Out::value_type>(kPackedChars[packed & 15]);
    }
    out.append(text, n);
}

std::optional<double> compact_cell::held_number() const {
    if (!has_value() || extra()) return std::nullopt;
    double value;
    if (word_ & kValueIsDouble) {
        std::memcpy(&value, &payload_, sizeof value);
        return value;
    }
    if (word_ & kValueIsDecimal) {
        value = double(payload_ & kDecimalDigits) /
                kPowersOfTen[(payload_ >> kDecimalScaleShift) & 15];
        return payload_ >> kDecimalSignShift ? -value : value;
    }
    // Other decimals of at most 15 digits (".5", "007") convert the same way.
    // Anything else (an exponent, more digits) is left to the parser.
    constexpr int kCodeOfMinus = 12, kCodeOfPoint = 11;
    std::uint64_t packed = payload_;
    const bool negative = (packed & 15) == kCodeOfMinus;
    if (negative) packed >>= 4;
    std::uint64_t digits = 0;
    int count = 0, point = -1;  // point: the digits before it
    for (; packed; packed >>= 4) {
        const unsigned code = packed & 15;
        if (code - 1 < 10) {
            digits = digits * 10 + (code - 1);
            ++count;
        } else if (code == kCodeOfPoint && point < 0) {
            point = count;
        } else {
            return std::nullopt;
        }
    }
    if (count == 0 || std::size_t(count) > kMaxDecimalDigits) return std::nullopt;
    value = double(digits) / kPowersOfTen[point < 0 ? 0 : count - point];
    return negative ? -value : value;
}

compact_cell::compact_cell(const compact_cell& other) : word_(other.word_), s_(other.s_), payload_(other.payload_) {
    if (other.extra()) payload_ = reinterpret_cast<std::uint64_t>(copyExtra(*other.extra()));
}

void compact_cell::destroy_extra() { destroyExtra(extra()); }

void compact_cell::swap(compact_cell& other) noexcept {
    std::swap(word_, other.word_);
    std::swap(s_, other.s_);
    std::swap(payload_, other.payload_);
}

std::u16string compact_cell::value() const {
    std::u16string text;
    if (!has_value()) return text;
    if (const cell_extra* x = extra()) return x->v;
    unpack(text);
    return text;
}

void compact_cell::append_value(std::string& out) const {
    if (!has_value()) return;
    if (const cell_extra* x = extra()) {
        append_utf8(out, x->v);
        return;
    }
    unpack(out);
}

void compact_cell::set_value(std::u16string_view text) {
    if (cell_extra* x = extra()) {
        x->v.assign(text);
        word_ = (word_ & ~kInlineText) | kHasValue;
        return;
    }
    char ascii[kMaxDoubleText];
    bool narrow = text.size() < kMaxDoubleText;
    for (std::size_t i = 0; narrow && i < text.size(); ++i) {
        narrow = text[i] < 128;
        ascii[i] = static_cast<char>(text[i]);
    }
    if (!narrow || !pack(std::string_view(ascii, text.size()))) {
        // A text that does not pack moves the cell to the extra part; the worker is
        // unknown here, so this cell can hold no children until it is given one.
        auto* x = new cell_extra;
        x->v.assign(text);
        payload_ = reinterpret_cast<std::uint64_t>(x);
        word_ = (word_ | kHasExtra) & ~kPackedForms;
    }
    word_ = (word_ & ~kInlineText) | kHasValue;
}

bool compact_cell::set_value_utf8(std::string_view text) {
    if (!extra() && pack(text)) {
        word_ = (word_ & ~kInlineText) | kHasValue;
        return true;
    }
    std::u16string wide;
    if (utf8_to_utf16(text, wide) != ELMX_OK) return false;
    set_value(wide);
    return true;
}

void compact_cell::reset_value() {
    if (cell_extra* x = extra())
        x->v.clear();
    else
        payload_ = 0;
    word_ &= ~(kHasValue | kValueForms);
}

cell_extra& compact_cell::make_extra(const class_info* worker) {
    if (cell_extra* x = extra()) {
        if (!x->worker) x->worker = worker;
        return *x;
    }
    auto* x = new cell_extra;
    x->worker = worker;
    if (has_value()) unpack(x->v);
    payload_ = reinterpret_cast<std::uint64_t>(x);
    word_ = (word_ | kHasExtra) & ~kPackedForms;
    return *x;
}

void compact_cell::set_inline_text(const class_info* worker, std::u16string text) {
    cell_extra& x = make_extra(worker);
    x.v = std::move(text);
    word_ |= kHasValue | kInlineText;
}

void compact_cell::clear_content() {
    destroyExtra(extra());
    word_ &= ~(kHasExtra | kHasValue | kValueForms);
    payload_ = 0;
    set_type(t_none);
}

// ---- cell_vector ----

cell_vector::cell_vector(const cell_vector& other) {
    reserve(other.size_);
    for (const compact_cell& cell : other) push_back(cell);
}

cell_vector::cell_vector(cell_vector&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

cell_vector& cell_vector::operator=(cell_vector other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    return *this;
}

cell_vector::~cell_vector() {
    clear();
    karvo::poolRelease(data_, capacity_ * sizeof(compact_cell));
}

void cell_vector::grow(std::size_t capacity) {
    // A row holds at most one cell per column, so the 32-bit counts never overflow
    // for a well-formed sheet; a hostile one is stopped here.
    if (capacity > std::numeric_limits<std::uint32_t>::max() / sizeof(compact_cell)) throw std::bad_alloc();
    auto* data = static_cast<compact_cell*>(karvo::poolAllocate(capacity * sizeof(compact_cell)));
    for (std::uint32_t i = 0; i < size_; ++i) {
        new (data + i) compact_cell(std::move(data_[i]));
        data_[i].~compact_cell();
    }
    karvo::poolRelease(data_, capacity_ * sizeof(compact_cell));
    data_ = data;
    capacity_ = static_cast<std::uint32_t>(capacity);
}

void cell_vector::reserve(std::size_t capacity) {
    if (capacity > capacity_) grow(capacity);
}

compact_cell& cell_vector::push_back(compact_cell cell) { return insert(size_, std::move(cell)); }

compact_cell& cell_vector::insert(std::size_t index, compact_cell cell) {
    if (size_ == capacity_) grow(capacity_ ? std::size_t(capacity_) * 2 : 4);
    new (data_ + size_) compact_cell(std::move(cell));
    ++size_;
    std::rotate(data_ + index, data_ + size_ - 1, data_ + size_);
    return data_[index];
}

void cell_vector::erase(std::size_t first, std::size_t last) {
    std::move(data_ + last, data_ + size_, data_ + first);
    std::size_t removed = last - first;
    for (std::size_t i = size_ - removed; i < size_; ++i) data_[i].~compact_cell();
    size_ -= static_cast<std::uint32_t>(removed);
}

void cell_vector::clear() {
    for (std::uint32_t i = 0; i < size_; ++i) data_[i].~compact_cell();
    size_ = 0;
}

void cell_vector::assign_exact(compact_cell* first, compact_cell* last) {
    cell_vector fresh;
    fresh.grow(static_cast<std::size_t>(last - first));
    for (; first != last; ++first) {
        new (fresh.data_ + fresh.size_) compact_cell(std::move(*first));
        ++fresh.size_;
    }
    *this = std::move(fresh);
}

} // namespace lmx
