// not_supported.h - the answer of operations Open XML books do not offer yet.
#pragma once

#include "core/operation_frame.h"

namespace karvo::xlsx {

/// Sets the book's message to "not supported" and gives the operation's failure value.
template <class T>
T notSupported(BookMessage& message, T failure) {
    message.set("not supported");
    return failure;
}

} // namespace karvo::xlsx
