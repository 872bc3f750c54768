// code_page.cpp - 8-bit texts of older books decoded through ICU's converters.
#include "xls/code_page.h"

#include <string>
#include <vector>

#include <unicode/ucnv.h>

namespace karvo {
namespace {

// The converter of the book this thread is loading; null while none is in use.
thread_local UConverter* current = nullptr;

// The converter name of a CodePage value. Most are Windows or Mac code pages that
// ICU knows as windows-N; a few values are the format's own aliases.
std::string converterName(std::uint16_t codePage) {
    switch (codePage) {
    case 367: return "US-ASCII";
    case 32768: return "macintosh"; // Mac Roman, as older Mac versions wrote it
    case 32769: return "windows-1252";
    default: return "windows-" + std::to_string(codePage);
    }
}

// 1200 is UTF-16, which no 8-bit text is in; such a book's texts are taken byte by byte.
constexpr std::uint16_t kUtf16 = 1200;

void close() {
    if (current) ucnv_close(current);
    current = nullptr;
}

} // namespace

NarrowCodePage::Scope::Scope() { close(); }

NarrowCodePage::Scope::~Scope() { close(); }

void NarrowCodePage::Scope::use(std::uint16_t codePage) {
    close();
    if (codePage == kUtf16) return;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* opened = ucnv_open(converterName(codePage).c_str(), &status);
    if (U_FAILURE(status)) {
        if (opened) ucnv_close(opened);
        return;
    }
    current = opened;
}

std::u16string NarrowCodePage::decode(std::span<const std::uint8_t> bytes) {
    if (!current || bytes.empty()) return std::u16string(bytes.begin(), bytes.end());
    const char* source = reinterpret_cast<const char*>(bytes.data());
    const auto length = static_cast<std::int32_t>(bytes.size());
    // One unit per byte is enough for nearly every code page; the few that map a byte
    // to more are told the length they need and converted again.
    std::u16string out(bytes.size(), u'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        std::int32_t needed = ucnv_toUChars(current, out.data(), static_cast<std::int32_t>(out.size()), source,
                                            length, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(static_cast<std::size_t>(needed));
            continue;
        }
        if (U_FAILURE(status)) break;
        out.resize(static_cast<std::size_t>(needed));
        return out;
    }
    return std::u16string(bytes.begin(), bytes.end());
}

std::u16string NarrowCodePage::decode(std::u16string_view widened) {
    std::vector<std::uint8_t> bytes(widened.begin(), widened.end());
    return decode(bytes);
}

} // namespace karvo
