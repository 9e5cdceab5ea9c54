#include "core/DateTime.h"

#include <algorithm>
#include <cmath>

#include "core/Exception.h"

namespace {

constexpr int kCumulativeDays[2][13] = {{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
                                        {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

// Days from 0001-01-01 to 1899-12-30.
constexpr std::int64_t kDateDelta = 693593;

std::int64_t DaysBeforeYear(int year) {
  const std::int64_t y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400;
}

TDateTime Clamp(double value) {
  return std::clamp(value, MinDateTime(), MaxDateTime());
}

}  // namespace

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  const int leap = IsLeapYear(year) ? 1 : 0;
  return kCumulativeDays[leap][month] - kCumulativeDays[leap][month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  const int leap = IsLeapYear(year) ? 1 : 0;
  const std::int64_t days = DaysBeforeYear(year) + kCumulativeDays[leap][month - 1] + day - 1;
  result = static_cast<double>(days - kDateDelta);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    return false;
  const double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
  result = ms / kMillisecondsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result)) throw EConvertError(SDateEncodeError);
  return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime result = 0;
  if (!TryEncodeTime(hour, minute, second, millisecond, result)) throw EConvertError(STimeEncodeError);
  return result;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
  TDateTimeParts parts;
  // Before 1899-12-30 the whole part still names the day and the fraction's size the
  // time of day (-1.25 is 1899-12-29 06:00).
  const double clamped = Clamp(value);
  double dayPart = std::trunc(clamped);
  double fraction = std::fabs(clamped - dayPart);
  std::int64_t ms = std::llround(fraction * kMillisecondsPerDay);
  if (ms >= 86400000) {
    ms -= 86400000;
    dayPart += 1;
  }
  std::int64_t days = static_cast<std::int64_t>(dayPart) + kDateDelta;  // days since 0001-01-01
  days = std::clamp<std::int64_t>(days, 0, DaysBeforeYear(10000) - 1);
  int year = static_cast<int>(days / 365 + 1);
  while (year > 1 && DaysBeforeYear(year) > days) --year;
  while (DaysBeforeYear(year + 1) <= days) ++year;
  int dayOfYear = static_cast<int>(days - DaysBeforeYear(year));
  const int leap = IsLeapYear(year) ? 1 : 0;
  int month = 1;
  while (month < 12 && kCumulativeDays[leap][month] <= dayOfYear) ++month;
  parts.Year = year;
  parts.Month = month;
  parts.Day = dayOfYear - kCumulativeDays[leap][month - 1] + 1;
  parts.Hour = static_cast<int>(ms / 3600000);
  parts.Minute = static_cast<int>(ms / 60000 % 60);
  parts.Second = static_cast<int>(ms / 1000 % 60);
  parts.Millisecond = static_cast<int>(ms % 1000);
  return parts;
}

TDateTime MinDateTime() {
  return -static_cast<double>(kDateDelta);
}

TDateTime MaxDateTime() {
  // 9999-12-31 23:59:59.999
  return static_cast<double>(DaysBeforeYear(10000) - 1 - kDateDelta) + 86399999.0 / kMillisecondsPerDay;
}

TDateTime IncSecondsSaturated(TDateTime value, std::int64_t seconds) {
  return Clamp(value + static_cast<double>(seconds) / 86400.0);
}

TDateTime IncMillisecondsSaturated(TDateTime value, std::int64_t milliseconds) {
  return Clamp(value + static_cast<double>(milliseconds) / kMillisecondsPerDay);
}

std::int64_t DateTimeToUnixSeconds(TDateTime value) {
  constexpr double kUnixEpoch = 25569.0;  // 1970-01-01
  return std::llround((value - kUnixEpoch) * 86400.0);
}

TDateTime UnixSecondsToDateTime(std::int64_t seconds) {
  constexpr double kUnixEpoch = 25569.0;
  return Clamp(kUnixEpoch + static_cast<double>(seconds) / 86400.0);
}
