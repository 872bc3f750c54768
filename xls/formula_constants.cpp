// formula_constants.cpp - error and array constants of formulas as text.
#include "xls/formula_constants.h"

#include <array>
#include <charconv>
#include <utility>

namespace karvo {
namespace {

constexpr std::array<std::pair<std::uint8_t, std::u16string_view>, 7> kErrors = {{
    {0x00, u"#NULL!"},
    {0x07, u"#DIV/0!"},
    {0x0F, u"#VALUE!"},
    {0x17, u"#REF!"},
    {0x1D, u"#NAME?"},
    {0x24, u"#NUM!"},
    {0x2A, u"#N/A"},
}};

std::u16string widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// One element; empty when its type is unknown or its bytes are missing.
std::optional<std::u16string> arrayElement(ByteReader& in) {
    const std::uint8_t type = in.u8();
    std::optional<std::u16string> text;
    switch (type) {
    case arrayvalue::kNil: in.skip(arrayvalue::kFixedBody); text = u""; break;
    case arrayvalue::kNumber: text = generalNumber(in.f64()); break;
    case arrayvalue::kString: {
        const std::size_t count = in.u16();
        const bool wide = in.u8() & 0x01;
        std::u16string chars;
        if (!in.canRead(count, wide ? 2 : 1)) return std::nullopt;
        for (std::size_t i = 0; i < count; ++i) chars.push_back(wide ? in.u16() : in.u8());
        text = quotedString(chars);
        break;
    }
    case arrayvalue::kBool: text = in.u8() ? u"TRUE" : u"FALSE"; in.skip(arrayvalue::kFixedBody - 1); break;
    case arrayvalue::kError: text = errorText(in.u8()).value_or(u"ERR"); in.skip(arrayvalue::kFixedBody - 1); break;
    default: return std::nullopt;
    }
    if (!in.ok()) return std::nullopt;
    return text;
}

} // namespace

std::optional<std::u16string_view> errorText(std::uint8_t code) {
    for (const auto& [value, text] : kErrors)
        if (value == code) return text;
    return std::nullopt;
}

std::size_t errorLengthAt(std::u16string_view text) {
    for (const auto& [value, name] : kErrors)
        if (text.starts_with(name)) return name.size();
    return 0;
}

std::optional<std::uint8_t> errorCode(std::u16string_view text) {
    for (const auto& [value, name] : kErrors)
        if (name == text) return value;
    return std::nullopt;
}

std::u16string generalNumber(double value) {
    std::array<char, 32> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, 6);
    return widen(std::string_view(buffer.data(), result.ptr));
}

std::u16string quotedString(std::u16string_view text) {
    std::u16string quoted = u"\"";
    for (char16_t c : text) {
        quoted += c;
        if (c == u'"') quoted += c; // doubled, as formula text writes a quote inside a string
    }
    return quoted + u"\"";
}

std::optional<std::u16string> readArrayConstant(ByteReader& extra, std::size_t maxText) {
    const std::size_t cols = extra.u8() + 1u;
    const std::size_t rows = extra.u16() + 1u;
    // A string element is the shortest: its type, count and flags.
    constexpr std::size_t kMinElement = 4;
    if (!extra.ok() || !extra.canRead(cols * rows, kMinElement)) return std::nullopt;
    std::u16string text = u"{";
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < cols; ++c) {
            auto element = arrayElement(extra);
            if (!element) return std::nullopt;
            if (c > 0) text += u',';
            else if (r > 0) text += u';';
            text += *element;
            if (text.size() > maxText) return std::nullopt;
        }
    }
    return text + u"}";
}

} // namespace karvo
