// value_text.cpp - the text forms of booleans, integers, doubles, hexBinary and strings.
#include "xlsx/lmx/value_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "xlsx/lmx/byte_scan.h"
#include "xlsx/lmx/utf16_units.h"

namespace lmx {

namespace {

bool is_xml_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_xml_space(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_xml_space(text.back())) text.remove_suffix(1);
    return text;
}

// ---- integers ----

struct integer_text {
    bool negative = false;
    bool overflow = false;  ///< the magnitude does not fit 64 bits
    std::uint64_t magnitude = 0;
};

/// [+|-] digits, nothing else.
bool read_integer(std::string_view text, integer_text& result) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        result.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    // Past this a digit more overflows, whichever digit; at it, one above the last
    // digit of the maximum does. Compared, not divided: style and row numbers come
    // through here once a cell.
    constexpr std::uint64_t kLastSafe = std::numeric_limits<std::uint64_t>::max() / 10;
    constexpr unsigned kLastDigit = std::numeric_limits<std::uint64_t>::max() % 10;
    for (char c : text) {
        if (!is_digit(c)) return false;
        unsigned digit = static_cast<unsigned>(c - '0');
        if (result.magnitude > kLastSafe || (result.magnitude == kLastSafe && digit > kLastDigit)) result.overflow = true;
        result.magnitude = result.magnitude * 10 + digit;
    }
    return true;
}

// ---- doubles ----

std::size_t count_digits(std::string_view text, std::size_t& pos) {
    std::size_t start = pos;
    while (pos < text.size() && is_digit(text[pos])) ++pos;
    return pos - start;
}

/// [+|-] (digits [. digits?] | . digits) [(e|E) [+|-] digits]: the decimal form of
/// the schema's double, which takes ".5" and "5." alike.
bool is_decimal_form(std::string_view text) {
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    std::size_t mantissa_digits = count_digits(text, pos);
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        mantissa_digits += count_digits(text, pos);
    }
    if (mantissa_digits == 0) return false;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
        if (count_digits(text, pos) == 0) return false;
    }
    return pos == text.size();
}

/// For a decimal form whose value from_chars found out of range: does it lie above
/// the largest double (else below the smallest)? Judged by the decimal exponent of
/// its first significant digit.
bool is_too_large(std::string_view text) {
    std::size_t exponent_at = text.find_first_of("eE");
    std::string_view mantissa = text.substr(0, exponent_at);
    long long exponent = 0;
    if (exponent_at != std::string_view::npos) {
        std::string_view digits = text.substr(exponent_at + 1);
        if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
        // An exponent too long for 64 bits decides alone.
        if (ec == std::errc::result_out_of_range) return digits.front() != '-';
    }
    std::size_t point = mantissa.find('.');
    if (point == std::string_view::npos) point = mantissa.size();
    std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return false;  // a zero is never too large
    long long position = first < point ? static_cast<long long>(point - first - 1)
                                       : -static_cast<long long>(first - point);
    return exponent > -position;  // not exponent + position: that could overflow
}

double parse_decimal(std::string_view text) {
    if (text.front() == '+') text.remove_prefix(1);  // from_chars takes no plus sign
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc::result_out_of_range) return value;
    bool negative = text.front() == '-';
    double magnitude = is_too_large(text) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
}

// ---- hexBinary ----

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// ---- UTF-8 ----

constexpr char32_t kReplacement = 0xFFFD;

/// Decodes one well-formed sequence at text[pos] and moves pos past it; false (pos
/// unmoved) for an overlong form, a surrogate, a value above U+10FFFF, a stray
/// continuation byte or a sequence cut short.
bool next_utf8(std::string_view text, std::size_t& pos, char32_t& cp) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    if (lead < 0x80) {
        cp = lead;
        ++pos;
        return true;
    }
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || pos + length > text.size()) return false;
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) return false;
        value = (value << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    cp = value;
    pos += length;
    return true;
}

template <class Text>
void append_utf16(Text& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

/// List items come from text the reader has already checked; should a bad byte
/// still slip through, it becomes U+FFFD rather than losing the item.
std::u16string utf8_to_utf16_replacing(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t cp = kReplacement;
        if (!next_utf8(text, pos, cp)) ++pos;
        append_utf16(out, cp);
    }
    return out;
}

// ---- writing doubles ----

/// "%.14g" in the C locale: to_chars with a precision is defined to print what printf
/// would, and it ignores the locale's decimal point, which snprintf would not.
void append_general_14(std::string& out, double value) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 14);
    out.append(buf, end);
}

} // namespace

// ---- reading ----

elmx_error parse_bool(std::string_view text, bool& value) {
    text = trim(text);
    if (text == "true" || text == "1") value = true;
    else if (text == "false" || text == "0") value = false;
    else return ELMX_VALUE_BAD_FORMAT;
    return ELMX_OK;
}

elmx_error parse_uint(std::string_view text, std::uint64_t& value, std::uint64_t max) {
    integer_text number;
    if (!read_integer(trim(text), number)) return ELMX_VALUE_BAD_FORMAT;
    if (number.negative && (number.overflow || number.magnitude != 0)) return ELMX_VALUE_EXCEEDS_MIN;
    if (number.overflow || number.magnitude > max) return ELMX_VALUE_EXCEEDS_MAX;
    value = number.magnitude;
    return ELMX_OK;
}

elmx_error parse_int(std::string_view text, std::int64_t& value, std::int64_t min, std::int64_t max) {
    integer_text number;
    if (!read_integer(trim(text), number)) return ELMX_VALUE_BAD_FORMAT;
    constexpr std::uint64_t kMinMagnitude = std::uint64_t{1} << 63;  // of INT64_MIN
    std::int64_t result;
    if (number.negative) {
        if (number.overflow || number.magnitude > kMinMagnitude) return ELMX_VALUE_EXCEEDS_MIN;
        result = static_cast<std::int64_t>(0 - number.magnitude);  // wraps to INT64_MIN exactly
    } else {
        if (number.overflow || number.magnitude > kMinMagnitude - 1) return ELMX_VALUE_EXCEEDS_MAX;
        result = static_cast<std::int64_t>(number.magnitude);
    }
    if (result < min) return ELMX_VALUE_EXCEEDS_MIN;
    if (result > max) return ELMX_VALUE_EXCEEDS_MAX;
    value = result;
    return ELMX_OK;
}

elmx_error parse_double(std::string_view text, double& value) {
    text = trim(text);
    if (text == "INF") value = std::numeric_limits<double>::infinity();
    else if (text == "-INF") value = -std::numeric_limits<double>::infinity();
    else if (text == "NaN") value = std::numeric_limits<double>::quiet_NaN();
    else if (is_decimal_form(text)) value = parse_decimal(text);
    else return ELMX_VALUE_BAD_FORMAT;
    return ELMX_OK;
}

elmx_error parse_hex(std::string_view text, c_binary& value) {
    text = trim(text);
    if (text.size() % 2 != 0) return ELMX_VALUE_BAD_FORMAT;
    c_binary bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        int high = hex_value(text[2 * i]), low = hex_value(text[2 * i + 1]);
        if (high < 0 || low < 0) return ELMX_VALUE_BAD_FORMAT;
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    value = std::move(bytes);
    return ELMX_OK;
}

template <class Text>
elmx_error append_utf8_as_utf16(std::string_view text, Text& out) {
    // Texts are mostly ASCII, which widens without decoding. It is copied into room
    // made first: appending from char iterators would build a temporary string.
    std::size_t ascii = detail::ascii_prefix(text);
    std::size_t at = out.size();
    out.resize(at + ascii);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(ascii), out.begin() + static_cast<std::ptrdiff_t>(at));
    if (ascii == text.size()) return ELMX_OK;
    out.reserve(at + text.size());
    for (std::size_t pos = ascii; pos < text.size();) {
        char32_t cp;
        if (!next_utf8(text, pos, cp)) return ELMX_BAD_CHAR_ENCODING;
        append_utf16(out, cp);
    }
    return ELMX_OK;
}

template elmx_error append_utf8_as_utf16(std::string_view, std::u16string&);
template elmx_error append_utf8_as_utf16(std::string_view, karvo::HugePageU16String&);

elmx_error utf8_to_utf16(std::string_view text, std::u16string& value) {
    std::u16string out;
    if (elmx_error e = append_utf8_as_utf16(text, out)) return e;
    value = std::move(out);
    return ELMX_OK;
}

void split_list(std::string_view text, std::vector<std::u16string>& items) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && is_xml_space(text[pos])) ++pos;
        std::size_t start = pos;
        while (pos < text.size() && !is_xml_space(text[pos])) ++pos;
        if (pos > start) items.push_back(utf8_to_utf16_replacing(text.substr(start, pos - start)));
    }
}

// ---- writing ----

void append_bool(std::string& out, bool value) { out.append(value ? "true" : "false"); }

void append_uint(std::string& out, std::uint64_t value) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, end);
}

void append_int(std::string& out, std::int64_t value) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, end);
}

void append_double(std::string& out, double value) {
    if (std::isnan(value)) {
        out.append("NaN");
    } else if (std::isinf(value)) {
        out.append(value < 0 ? "-INF" : "INF");
    } else if (value == 0) {
        out.append(std::signbit(value) ? "-0.0" : "0.0");
    } else {
        append_general_14(out, value);
    }
}

void append_hex(std::string& out, const c_binary& value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::size_t at = out.size();
    out.resize(at + 2 * value.size());
    for (std::uint8_t byte : value) {
        out[at++] = kDigits[byte >> 4];
        out[at++] = kDigits[byte & 0xF];
    }
}

void append_utf8(std::string& out, std::u16string_view text) {
    char buf[4];
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = detail::next_code_point(text, i);
        if (cp == detail::kUnpairedSurrogate) return;
        out.append(buf, detail::put_utf8(cp, buf));
    }
}

} // namespace lmx
