// error_of.h - the message a library call fails with.
#pragma once

#include <string>

#include "core/xlerror.h"

namespace karvo::testing {

inline constexpr const char* kNoError = "no error";

/// The message of the library error `call` throws; "no error" when it returns.
template <class Call>
std::string errorOf(Call&& call) {
    try {
        call();
    } catch (const xlerror& e) {
        return e.what();
    }
    return kNoError;
}

} // namespace karvo::testing
