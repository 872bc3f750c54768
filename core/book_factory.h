// book_factory.h - the two ways to make a book; the script module is the only caller.
#pragma once

#include "core/interfaces.h"

namespace karvo {

/// A new empty binary (.xls) book, or null when it cannot be made.
IBook* createBinaryBook() noexcept;

/// A new empty Open XML (.xlsx) book, or null when it cannot be made.
IBook* createXmlBook() noexcept;

} // namespace karvo
