// utf_convert.cpp - the script-boundary conversions: plain ASCII directly, the rest through ICU's converter API.
#include "core/utf_convert.h"

#include <cstdint>
#include <memory>
#include <new>

#include <unicode/ucnv.h>
#include <unicode/utf16.h>

namespace karvo {
namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// Opening a converter costs more than converting a cell's text, so each thread
// keeps one; reset() drops any state a previous call left behind.
UConverter& utf8Converter() {
    thread_local Converter converter = [] {
        UErrorCode status = U_ZERO_ERROR;
        Converter opened(ucnv_open("UTF-8", &status));
        if (U_FAILURE(status) || !opened) throw std::bad_alloc();
        return opened;
    }();
    ucnv_reset(converter.get());
    return *converter;
}

} // namespace

void utf8ToUtf16(std::string_view utf8, std::u16string& out) {
    // Every UTF-16 unit consumes at least one input byte, so n units always suffice.
    // Most cell text is ASCII, the same code units in both forms: the bytes are
    // widened in one pass that gathers their high bits, and only text with other
    // characters pays for the converter.
    out.resize(utf8.size());
    unsigned char highBits = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto byte = static_cast<unsigned char>(utf8[i]);
        highBits |= byte;
        out[i] = byte;
    }
    if (highBits < 0x80) return;
    UChar* target = out.data();
    const char* source = utf8.data();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(&utf8Converter(), &target, out.data() + out.size(), &source, utf8.data() + utf8.size(),
                   nullptr, true, &status);
    out.resize(static_cast<std::size_t>(target - out.data()));
}

void utf16ToUtf8(std::u16string_view utf16, std::string& out) {
    // Narrowed while the high bits are gathered, as above.
    out.resize(utf16.size());
    char16_t highBits = 0;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        highBits |= utf16[i];
        out[i] = static_cast<char>(utf16[i]);
    }
    if (highBits < 0x80) return;
    UConverter& converter = utf8Converter();
    out.resize((utf16.size() + 1) * static_cast<std::size_t>(ucnv_getMaxCharSize(&converter)));
    char* target = out.data();
    const UChar* source = utf16.data();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(&converter, &target, out.data() + out.size(), &source, utf16.data() + utf16.size(), nullptr,
                     true, &status);
    out.resize(static_cast<std::size_t>(target - out.data()));
}

std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    utf8ToUtf16(utf8, out);
    return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    utf16ToUtf8(utf16, out);
    return out;
}

std::u16string_view utf16Prefix(std::u16string_view text, std::size_t maxUnits) {
    if (text.size() <= maxUnits) return text;
    std::size_t n = maxUnits;
    if (n > 0 && U16_IS_LEAD(text[n - 1]) && U16_IS_TRAIL(text[n])) --n;
    return text.substr(0, n);
}

} // namespace karvo
