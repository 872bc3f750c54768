// xml_book_factory.cpp - making Open XML books.
#include <new>

#include "core/book_factory.h"
#include "xlsx/xml_book_impl.h"

namespace karvo {

IBook* createXmlBook() noexcept {
    try {
        return new xlsx::XMLBookImplT();
    } catch (...) {
        return nullptr;
    }
}

} // namespace karvo
