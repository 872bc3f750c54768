// code_page.h - the code page that the 8-bit texts of an older book are written in.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace karvo {

/// Decodes 8-bit texts that have no flags byte: those of BIFF5 books, whose bytes are
/// in the book's code page (its CodePage record). A book that is loading opens a
/// scope; once the CodePage record is read, the 8-bit texts read on this thread until
/// the scope closes go through that code page. Outside a scope, and for a code page
/// the converters do not know, each byte is widened to the character of that number.
class NarrowCodePage {
public:
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

        /// From here on, 8-bit texts are in `codePage` (a CodePage record's value).
        void use(std::uint16_t codePage);
    };

    static std::u16string decode(std::span<const std::uint8_t> bytes);
    /// The same for text that an earlier read widened byte by byte.
    static std::u16string decode(std::u16string_view widened);
};

} // namespace karvo
