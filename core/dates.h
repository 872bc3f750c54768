// dates.h - date serial numbers and date-format detection, shared by both families.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

namespace karvo {

/// The book's date system: day 0 is 30 December 1899 (1900 system) or 1 January 1904.
enum class DateSystem { From1900, From1904 };

/// Calendar parts to a serial number. No part is validated: out-of-range months,
/// days and times are carried by the arithmetic (month 13 is January next year).
double packDate(DateSystem system, int year, int month, int day, int hour, int minute, int second, int tenths);

/// The inverse; false (outputs untouched) for serials outside [0, 2958466), NaN
/// included. Any out pointer may be null. Serials below 1 give year, month and day 0.
bool unpackDate(DateSystem system, double serial, int* year, int* month, int* day, int* hour, int* minute,
                int* second, int* tenths);

/// The serial number of an ISO 8601 date text ("2017-03-04", "2017-03-04T10:20:30.5Z";
/// a zone is not applied), or nothing when the text is not one.
std::optional<double> isoDateSerial(DateSystem system, std::string_view text);

/// Whether a number format shows a date. Built-in ids decide by themselves;
/// for others `customText` is asked for the format text (null: not known).
bool numFormatIsDate(int id, const std::function<const char16_t*(int)>& customText);

/// The scan of a custom format text: any of m, d, y, h, s (either case) outside
/// square brackets makes it a date format. Quoted text and escapes are not
/// skipped, so "0.00 \"h\"" counts as a date format too.
bool formatTextIsDate(const char16_t* text);

} // namespace karvo
