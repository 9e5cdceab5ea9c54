#include "http/IdCookieDate.h"

#include <array>

namespace {

constexpr std::array<const char16_t*, 12> kMonths = {u"jan", u"feb", u"mar", u"apr", u"may", u"jun",
                                                     u"jul", u"aug", u"sep", u"oct", u"nov", u"dec"};

bool IsDelimiter(char16_t c) {
  if (c == u'\t') return true;
  if (c < 0x20 || c > 0x7E) return false;
  const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  const bool digit = c >= u'0' && c <= u'9';
  return !letter && !digit && c != u':';
}

bool IsDigit(StringView token, std::size_t i) {
  return i < token.size() && token[i] >= u'0' && token[i] <= u'9';
}

// Up to max digits from i on; the count read goes to count.
int Digits(StringView token, std::size_t& i, std::size_t max, std::size_t& count) {
  int value = 0;
  count = 0;
  while (count < max && IsDigit(token, i)) {
    value = value * 10 + (token[i] - u'0');
    ++i;
    ++count;
  }
  return value;
}

// What offering a token to a part of the date did.
enum class Offer { Declined, Taken, Invalid };

Offer OfferTime(StringView token, int& hour, int& minute, int& second) {
  std::size_t i = 0;
  int parts[3] = {0, 0, 0};
  for (int p = 0; p < 3; ++p) {
    std::size_t count = 0;
    parts[p] = Digits(token, i, 2, count);
    if (count == 0) return Offer::Declined;
    if (p < 2) {
      if (i >= token.size() || token[i] != u':') return Offer::Declined;
      ++i;
    }
  }
  if (IsDigit(token, i) || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return Offer::Invalid;
  hour = parts[0];
  minute = parts[1];
  second = parts[2];
  return Offer::Taken;
}

Offer OfferDay(StringView token, int& day) {
  std::size_t i = 0;
  std::size_t count = 0;
  const int value = Digits(token, i, 2, count);
  if (count == 0) return Offer::Declined;
  if (IsDigit(token, i) || value < 1 || value > 31) return Offer::Invalid;
  day = value;
  return Offer::Taken;
}

Offer OfferMonth(StringView token, int& month) {
  if (token.size() < 3) return Offer::Declined;
  for (std::size_t m = 0; m < kMonths.size(); ++m) {
    if (SameText(token.substr(0, 3), kMonths[m])) {
      month = static_cast<int>(m) + 1;
      return Offer::Taken;
    }
  }
  return Offer::Declined;
}

Offer OfferYear(StringView token, int& year) {
  std::size_t i = 0;
  std::size_t count = 0;
  int value = Digits(token, i, 4, count);
  if (count < 2 || IsDigit(token, i)) return Offer::Declined;
  if (value >= 70 && value <= 99)
    value += 1900;
  else if (value <= 69)
    value += 2000;
  if (value < 1601) return Offer::Invalid;
  year = value;
  return Offer::Taken;
}

}  // namespace

bool TryParseCookieDate(StringView text, std::int32_t utcOffsetMinutes, TDateTime& result) {
  int hour = -1, minute = 0, second = 0, day = -1, month = -1, year = -1;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsDelimiter(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !IsDelimiter(text[i])) ++i;
    if (i == start) break;
    const StringView token = text.substr(start, i - start);
    Offer offer = Offer::Declined;
    if (hour < 0) offer = OfferTime(token, hour, minute, second);
    if (offer == Offer::Declined && day < 0) offer = OfferDay(token, day);
    if (offer == Offer::Declined && month < 0) offer = OfferMonth(token, month);
    if (offer == Offer::Declined && year < 0) offer = OfferYear(token, year);
    if (offer == Offer::Invalid) return false;
  }
  if (hour < 0 || day < 0 || month < 0 || year < 0) return false;
  TDateTime date = 0;
  TDateTime time = 0;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, 0, time)) return false;
  result = IncSecondsSaturated(date + time, static_cast<std::int64_t>(utcOffsetMinutes) * 60);
  return true;
}

TDateTime ParseCookieDate(StringView text, std::int32_t utcOffsetMinutes) {
  TDateTime result = 0;
  return TryParseCookieDate(text, utcOffsetMinutes, result) ? result : 0;
}
