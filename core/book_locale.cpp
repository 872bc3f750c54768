// book_locale.cpp - locale selection and restoration for a book.
#include "core/book_locale.h"

#include <clocale>

namespace karvo {

BookLocale::~BookLocale() {
    if (!previous_.empty()) std::setlocale(LC_CTYPE, previous_.c_str());
}

bool BookLocale::select(const char* name, BookMessage& message) {
    if (const char* current = std::setlocale(LC_CTYPE, nullptr)) previous_ = current;
    if (!name || !std::setlocale(LC_CTYPE, name)) {
        message.set("setlocale error");
        return false;
    }
    message.ok();
    return true;
}

} // namespace karvo
