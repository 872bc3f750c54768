// dos_time.h - the MS-DOS date and time that archive headers carry.
#pragma once

#include <cstdint>
#include <ctime>

namespace karvo::zip {

struct DosDateTime {
    std::uint16_t date = 0; ///< year since 1980 << 9 | month << 5 | day
    std::uint16_t time = 0; ///< hour << 11 | minute << 5 | second / 2
};

/// The fields hold only even seconds and the years 1980 to 2107; earlier years become
/// 1980 and later ones 2107, keeping the rest of the date.
DosDateTime toDosDateTime(const std::tm& local);

/// The current local time.
DosDateTime dosNow();

} // namespace karvo::zip
