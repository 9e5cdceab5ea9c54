#include "http/IdHTTPDate.h"

#include <array>
#include <limits>
#include <vector>

#include "http/IdHeaderList.h"

namespace {

constexpr std::array<const char16_t*, 12> kMonths = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                                     u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
constexpr std::array<const char16_t*, 7> kDays = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

bool AllDigits(StringView text) {
  if (text.empty()) return false;
  for (const char16_t c : text)
    if (!IsDigit(c)) return false;
  return true;
}

int SmallNumber(StringView digits) {
  int value = 0;
  for (const char16_t c : digits) value = value * 10 + (c - u'0');
  return value;
}

// "hh:mm:ss" with one or two digits each.
bool ParseTime(StringView token, int& hour, int& minute, int& second) {
  int parts[3] = {0, 0, 0};
  std::size_t i = 0;
  for (int p = 0; p < 3; ++p) {
    const std::size_t start = i;
    while (i < token.size() && IsDigit(token[i]) && i - start < 2) ++i;
    if (i == start) return false;
    parts[p] = SmallNumber(token.substr(start, i - start));
    if (p < 2) {
      if (i >= token.size() || token[i] != u':') return false;
      ++i;
    }
  }
  if (i != token.size()) return false;
  hour = parts[0];
  minute = parts[1];
  second = parts[2];
  return hour <= 23 && minute <= 59 && second <= 60;
}

int MonthOf(StringView token) {
  if (token.size() < 3) return 0;
  for (std::size_t m = 0; m < kMonths.size(); ++m)
    if (SameText(token.substr(0, 3), kMonths[m])) return static_cast<int>(m) + 1;
  return 0;
}

String TwoDigits(int value) {
  String text = IntToStr(value);
  while (text.size() < 2) text.insert(text.begin(), u'0');
  return text;
}

}  // namespace

bool TryParseInt64(StringView text, std::int64_t& value) {
  const String trimmed = TrimText(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < trimmed.size() && (trimmed[i] == u'+' || trimmed[i] == u'-')) {
    negative = trimmed[i] == u'-';
    ++i;
  }
  if (i >= trimmed.size()) return false;
  std::uint64_t magnitude = 0;
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63
                                       : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  for (; i < trimmed.size(); ++i) {
    if (!IsDigit(trimmed[i])) return false;
    const auto digit = static_cast<std::uint64_t>(trimmed[i] - u'0');
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

TDateTime HttpDateToLocal(StringView text, std::int32_t utcOffsetMinutes) {
  std::vector<String> tokens;
  String current;
  for (const char16_t c : text) {
    if (c == u' ' || c == u'\t' || c == u',' || c == u'-') {
      // A "-" separates date parts and also starts a token of its own, so that a zone such
      // as "-0500" keeps its sign.
      if (!current.empty()) tokens.push_back(current);
      current.clear();
      if (c == u'-') current += c;
      continue;
    }
    current += c;
  }
  if (!current.empty()) tokens.push_back(current);

  int day = -1, month = 0, year = -1, hour = -1, minute = 0, second = 0;
  int zoneMinutes = 0;
  for (String token : tokens) {
    bool signedToken = false;
    char16_t sign = u'+';
    if (!token.empty() && (token[0] == u'-' || token[0] == u'+')) {
      sign = token[0];
      token.erase(0, 1);
      signedToken = true;
    }
    if (token.empty()) continue;
    int h = 0, m = 0, s = 0;
    if (hour < 0 && !signedToken && ParseTime(token, h, m, s)) {
      hour = h;
      minute = m;
      second = s;
    } else if (AllDigits(token) && hour >= 0 && signedToken && token.size() == 4) {
      const int value = SmallNumber(token);
      zoneMinutes = (value / 100) * 60 + value % 100;
      if (sign == u'-') zoneMinutes = -zoneMinutes;
    } else if (AllDigits(token) && token.size() <= 2 && day < 0) {
      day = SmallNumber(token);
    } else if (AllDigits(token) && (token.size() == 2 || token.size() == 4) && year < 0) {
      year = SmallNumber(token);
      if (token.size() == 2) year += year < 70 ? 2000 : 1900;
    } else if (month == 0 && MonthOf(token) != 0 && token.size() <= 9) {
      month = MonthOf(token);
    }
  }
  if (day < 1 || month == 0 || year < 1 || hour < 0) return 0;
  if (day > DaysInMonth(year, month)) return 0;
  TDateTime date = 0;
  TDateTime time = 0;
  if (!TryEncodeDate(year, month, day, date) ||
      !TryEncodeTime(hour, minute, second > 59 ? 59 : second, 0, time))
    return 0;
  const std::int64_t shift = static_cast<std::int64_t>(utcOffsetMinutes) - zoneMinutes;
  TDateTime result = IncSecondsSaturated(date + time, shift * 60);
  return result <= 0 ? 0 : result;
}

String LocalToHttpDate(TDateTime local, std::int32_t utcOffsetMinutes) {
  const TDateTime utc = IncSecondsSaturated(local, -static_cast<std::int64_t>(utcOffsetMinutes) * 60);
  const TDateTimeParts parts = DecodeDateTime(utc);
  TDateTime dateOnly = 0;
  TryEncodeDate(parts.Year, parts.Month, parts.Day, dateOnly);
  // Day 0 of the date type (1899-12-30) was a Saturday.
  const auto days = static_cast<std::int64_t>(dateOnly);
  const auto weekday = static_cast<std::size_t>((((days + 6) % 7) + 7) % 7);
  String year = IntToStr(parts.Year);
  while (year.size() < 4) year.insert(year.begin(), u'0');
  return String(kDays[weekday]) + u", " + TwoDigits(parts.Day) + u" " +
         kMonths[static_cast<std::size_t>(parts.Month - 1)] + u" " + year + u" " + TwoDigits(parts.Hour) +
         u":" + TwoDigits(parts.Minute) + u":" + TwoDigits(parts.Second) + u" GMT";
}
