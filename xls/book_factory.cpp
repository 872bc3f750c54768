// book_factory.cpp - making binary books.
#include "core/book_factory.h"

namespace karvo {

// The binary family lands with its record layer; until then no book can be made.
IBook* createBinaryBook() noexcept { return nullptr; }

} // namespace karvo
