// book_locale.h - the C locale a book selects for its narrow text.
#pragma once

#include <string>

#include "core/operation_frame.h"

namespace karvo {

/// Remembers the LC_CTYPE locale in force before the book's latest select() and
/// puts it back when the book goes away. The locale is process-wide: with several
/// books alive, releasing them in reverse order of creation restores the original.
class BookLocale {
public:
    BookLocale() = default;
    BookLocale(const BookLocale&) = delete;
    BookLocale& operator=(const BookLocale&) = delete;
    ~BookLocale();

    /// Selects `name` ("" = the environment's locale); "ok" or "setlocale error".
    bool select(const char* name, BookMessage& message);

private:
    std::string previous_;
};

} // namespace karvo
