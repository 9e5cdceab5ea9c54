#ifndef FENDREL_CORE_DATETIME_H
#define FENDREL_CORE_DATETIME_H

#include <cstdint>

#include "core/String.h"

// A point in time as days since 1899-12-30 00:00, the fraction being the time of day.
// 0 stands for "no date" wherever a field says so. Values run from 0001-01-01 to
// 9999-12-31 23:59:59.999; arithmetic that would leave that range saturates.
using TDateTime = double;

inline constexpr char16_t SDateEncodeError[] = u"Ungültiges Argument zum Codieren des Datums";
inline constexpr char16_t STimeEncodeError[] = u"Ungültiges Argument zum Codieren der Uhrzeit";

inline constexpr double kMillisecondsPerDay = 86400000.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Year 1..9999, month 1..12, day within the month; false when out of range.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
// Hour 0..23, minute 0..59, second 0..59, millisecond 0..999; false when out of range.
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
// As the Try forms; raise EConvertError with SDateEncodeError / STimeEncodeError.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);

struct TDateTimeParts {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};
// Splits a value (rounded to the millisecond) into its calendar parts.
TDateTimeParts DecodeDateTime(TDateTime value);

// The smallest and largest values the system represents.
TDateTime MinDateTime();
TDateTime MaxDateTime();

// value plus the given number of seconds (or milliseconds), clamped to [MinDateTime, MaxDateTime].
TDateTime IncSecondsSaturated(TDateTime value, std::int64_t seconds);
TDateTime IncMillisecondsSaturated(TDateTime value, std::int64_t milliseconds);

// Seconds since 1970-01-01 00:00 (no time zone applied) and back.
std::int64_t DateTimeToUnixSeconds(TDateTime value);
TDateTime UnixSecondsToDateTime(std::int64_t seconds);

#endif
