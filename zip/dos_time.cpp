// dos_time.cpp - local time in the two 16-bit fields of the archive headers.
#include "zip/dos_time.h"

#include <algorithm>

namespace karvo::zip {

DosDateTime toDosDateTime(const std::tm& local) {
    int years = std::clamp(local.tm_year + 1900, 1980, 2107) - 1980;
    return {static_cast<std::uint16_t>(years << 9 | (local.tm_mon + 1) << 5 | local.tm_mday),
            static_cast<std::uint16_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2)};
}

DosDateTime dosNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return toDosDateTime(local);
}

} // namespace karvo::zip
