// text_pair.h - a text held as narrow (C locale) and wide (UTF-16) form.
#pragma once

#include <string>

namespace karvo {

/// Keeps whichever side was set last and rebuilds the other on demand under the
/// process's current LC_CTYPE locale. Pointers returned stay valid until the next
/// call that fills this holder.
class TextPair {
public:
    TextPair() = default;
    explicit TextPair(const char16_t* wide) { setWide(wide); }

    void setWide(const char16_t* text);
    void setWide(std::u16string text);
    void setNarrow(const char* text);
    const char16_t* wide();
    const char* narrow();
    void clear();

private:
    std::string narrow_;
    std::u16string wide_;
    bool narrowStale_ = false;
    bool wideStale_ = false;
};

/// Locale-dependent conversions behind TextPair, bridging the platform's wchar_t
/// (32-bit on Linux) to UTF-16. Narrow input the locale rejects gives empty text;
/// characters the locale cannot encode become "?".
std::u16string narrowToWide(const std::string& narrow);
std::string wideToNarrow(const std::u16string& wide);

} // namespace karvo
