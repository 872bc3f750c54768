// text_pair.cpp - TextPair and its locale conversions.
#include "core/text_pair.h"

#include <climits>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace karvo {
namespace {

// Stands for a lone surrogate, which is no character at all and narrows to "?".
// (The C runtime would happily encode a value beyond Unicode, so it is caught here.)
constexpr wchar_t kUnencodable = static_cast<wchar_t>(0x110000);

std::wstring utf16ToWchar(const std::u16string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            out.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00)));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out.push_back(kUnencodable);
        } else {
            out.push_back(static_cast<wchar_t>(unit));
        }
    }
    return out;
}

std::u16string wcharToUtf16(const wchar_t* text, std::size_t length) {
    std::u16string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        auto code = static_cast<char32_t>(text[i]);
        if (code >= 0x10000 && code <= 0x10FFFF) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code > 0x10FFFF ? 0xFFFD : code));
        }
    }
    return out;
}

} // namespace

std::u16string narrowToWide(const std::string& narrow) {
    std::size_t length = std::mbstowcs(nullptr, narrow.c_str(), 0);
    if (length == static_cast<std::size_t>(-1)) return {};
    std::vector<wchar_t> buffer(length + 1);
    std::mbstowcs(buffer.data(), narrow.c_str(), length + 1);
    return wcharToUtf16(buffer.data(), length);
}

std::string wideToNarrow(const std::u16string& wide) {
    std::wstring text = utf16ToWchar(wide);
    bool whole = text.find(kUnencodable) == std::wstring::npos;
    std::size_t length = whole ? std::wcstombs(nullptr, text.c_str(), 0) : static_cast<std::size_t>(-1);
    if (length != static_cast<std::size_t>(-1)) {
        std::string out(length, '\0');
        std::wcstombs(out.data(), text.c_str(), length + 1);
        return out;
    }
    // Some character has no form in this locale: convert one by one and mark the gaps.
    std::string out;
    std::mbstate_t state{};
    char bytes[MB_LEN_MAX + 1];
    for (wchar_t c : text) {
        std::size_t n = c == kUnencodable ? static_cast<std::size_t>(-1) : std::wcrtomb(bytes, c, &state);
        if (n == static_cast<std::size_t>(-1)) {
            out.push_back('?');
            state = std::mbstate_t{};
        } else {
            out.append(bytes, n);
        }
    }
    return out;
}

void TextPair::setWide(const char16_t* text) {
    if (text) setWide(std::u16string(text));
}

void TextPair::setWide(std::u16string text) {
    wide_ = std::move(text);
    narrowStale_ = true;
    wideStale_ = false;
}

void TextPair::setNarrow(const char* text) {
    if (!text) return;
    narrow_ = text;
    wideStale_ = true;
    narrowStale_ = false;
}

const char16_t* TextPair::wide() {
    if (wideStale_) {
        wide_ = narrowToWide(narrow_);
        wideStale_ = false;
    }
    return wide_.c_str();
}

const char* TextPair::narrow() {
    if (narrowStale_) {
        narrow_ = wideToNarrow(wide_);
        narrowStale_ = false;
    }
    return narrow_.c_str();
}

void TextPair::clear() {
    narrow_.clear();
    wide_.clear();
    narrowStale_ = wideStale_ = false;
}

} // namespace karvo
