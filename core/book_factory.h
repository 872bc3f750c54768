// book_factory.h - the two ways to make a book, for the script module and for programs.
#pragma once

#include "api.h"
#include "interfaces.h"

namespace karvo {

/// A new empty binary (.xls) book, or null when it cannot be made.
KARVO_API IBook* createBinaryBook() noexcept;

/// A new empty Open XML (.xlsx) book, or null when it cannot be made.
KARVO_API IBook* createXmlBook() noexcept;

} // namespace karvo
