// dates.cpp - serial-number arithmetic over Julian day numbers.
#include "core/dates.h"

#include <cmath>
#include <cstdint>

namespace karvo {
namespace {

// Julian day numbers of day 0 in each date system.
constexpr long kJulianDay1900 = 2415019;
constexpr long kJulianDay1904 = 2416481;

// A serial is a day count with the time of day as its fraction; below 0 there is
// no time of day to give, and from this bound on the year has five digits.
constexpr double kSerialUpperBound = 2958466.0;

// Added before the time is split so that a value a hair below a whole unit (the
// usual result of binary fractions) unpacks to that unit.
constexpr double kRoundingNudge = 0.00000000001;

long epoch(DateSystem system) { return system == DateSystem::From1904 ? kJulianDay1904 : kJulianDay1900; }

// One step of the time split: the whole units of `f` (in [0, 1)) scaled up, and the rest.
int takeUnits(double& f, double scale) {
    auto units = static_cast<int>(f * scale);
    f = f * scale - units;
    return units;
}

} // namespace

double packDate(DateSystem system, int year, int month, int day, int hour, int minute, int second, int tenths) {
    std::int64_t dayNumber = 0;
    if (!(year < 1 && month < 1 && day < 1)) {
        // 64 bits hold every step for any int parts, however far out of range.
        const std::int64_t m = month;
        const std::int64_t a = (m - 14) / 12;
        const std::int64_t y = year + a;
        const std::int64_t c = (y + 4900) / 100;
        const std::int64_t jdn = (1461 * (y + 4800)) / 4 + (367 * (m - 2 - 12 * a)) / 12 - (3 * c) / 4 + day - 32075;
        dayNumber = jdn - epoch(system);
    }
    return static_cast<double>(dayNumber) + hour / 24.0 + minute / 1440.0 + second / 86400.0 + tenths / 864000.0;
}

bool unpackDate(DateSystem system, double serial, int* year, int* month, int* day, int* hour, int* minute,
                int* second, int* tenths) {
    if (!(serial >= 0 && serial < kSerialUpperBound)) return false;
    double whole = std::trunc(serial);
    double f = serial - whole + kRoundingNudge;
    if (f >= 1.0) f -= kRoundingNudge;
    long i = static_cast<long>(whole);

    int y = 0, m = 0, d = 0;
    if (i > 0) {
        long p = i + epoch(system) + 68569;
        long n = (4 * p) / 146097;
        p = p - (146097 * n + 3) / 4;
        long k = (4000 * (p + 1)) / 1461001;
        p = p - (1461 * k) / 4 + 31;
        long mm = (80 * p) / 2447;
        d = static_cast<int>(p - (2447 * mm) / 80);
        p = mm / 11;
        m = static_cast<int>(mm + 2 - 12 * p);
        y = static_cast<int>(100 * (n - 49) + k + p);
    }
    if (year) *year = y;
    if (month) *month = m;
    if (day) *day = d;
    if (hour) *hour = takeUnits(f, 24);
    if (minute) *minute = takeUnits(f, 60);
    if (second) *second = takeUnits(f, 60);
    if (tenths) *tenths = static_cast<int>(f * 10);
    return true;
}

std::optional<double> isoDateSerial(DateSystem system, std::string_view text) {
    std::size_t at = 0;
    auto number = [&](std::size_t digits, int& value) {
        value = 0;
        for (std::size_t i = 0; i < digits; ++i, ++at) {
            if (at >= text.size() || text[at] < '0' || text[at] > '9') return false;
            value = value * 10 + (text[at] - '0');
        }
        return true;
    };
    auto literal = [&](char c) { return at < text.size() && text[at] == c && ++at; };
    int year, month, day, hour = 0, minute = 0, second = 0;
    if (!number(4, year) || !literal('-') || !number(2, month) || !literal('-') || !number(2, day)) return std::nullopt;
    double fraction = 0;
    if (literal('T')) {
        if (!number(2, hour) || !literal(':') || !number(2, minute)) return std::nullopt;
        if (literal(':') && !number(2, second)) return std::nullopt;
        if (literal('.'))
            for (double scale = 0.1; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, scale /= 10)
                fraction += (text[at] - '0') * scale;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 24 || minute > 59 || second > 60) return std::nullopt;
    return packDate(system, year, month, day, hour, minute, second, 0) + fraction / 86400;
}

bool numFormatIsDate(int id, const std::function<const char16_t*(int)>& customText) {
    if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47)) return true;
    if ((id >= 0 && id <= 13) || (id >= 37 && id <= 44) || id == 48 || id == 49) return false;
    const char16_t* text = customText(id);
    return text && formatTextIsDate(text);
}

bool formatTextIsDate(const char16_t* text) {
    bool inBracket = false;
    for (; *text; ++text) {
        switch (*text) {
        case u'[': inBracket = true; break;
        case u']': inBracket = false; break;
        case u'm': case u'd': case u'y': case u'h': case u's':
        case u'M': case u'D': case u'Y': case u'H': case u'S':
            if (!inBracket) return true;
            break;
        default: break;
        }
    }
    return false;
}

} // namespace karvo
