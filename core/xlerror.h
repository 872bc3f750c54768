// xlerror.h - the library's one exception type.
#pragma once

#include <stdexcept>
#include <string>

namespace karvo {

/// Raised inside the library only; the operation frame (operation_frame.h) catches
/// it at every interface boundary and turns its text into the book's message.
class xlerror : public std::runtime_error {
public:
    explicit xlerror(const std::string& message) : std::runtime_error(message) {}
};

} // namespace karvo
