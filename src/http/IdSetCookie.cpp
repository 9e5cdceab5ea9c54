#include "http/IdSetCookie.h"

#include <limits>

#include "http/IdCookieDate.h"
#include "http/IdHTTPDate.h"

namespace {

// A value that begins with a double quote ends before the next one.
String Unquoted(String value) {
  if (value.empty() || value.front() != u'"') return value;
  const std::size_t close = value.find(u'"', 1);
  return value.substr(1, close == String::npos ? String::npos : close - 1);
}

bool HasControlCharacter(StringView text) {
  for (const char16_t c : text)
    if ((c < 0x20 && c != u'\t') || c == 0x7F) return true;
  return false;
}

// A number of seconds: an optional sign and digits; a number past the 64-bit range stands for
// the largest or smallest one, since any of them lies beyond the dates there are.
bool TryParseSeconds(StringView text, std::int64_t& seconds) {
  if (TryParseInt64(text, seconds)) return true;
  StringView digits = TrimView(text);
  const bool negative = !digits.empty() && digits.front() == u'-';
  if (!digits.empty() && (digits.front() == u'-' || digits.front() == u'+')) digits.remove_prefix(1);
  if (digits.empty()) return false;
  for (const char16_t c : digits)
    if (c < u'0' || c > u'9') return false;
  seconds = negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
  return true;
}

// The expiry of a number of seconds from now; a negative number lies long in the past.
TDateTime ExpiryAfter(std::int64_t seconds, TDateTime now) {
  if (seconds < 0) return EncodeDate(1, 1, 1);
  return IncSecondsSaturated(now, seconds);
}

void ApplyAttribute(StringView name, const String& value, TDateTime now, std::int32_t utcOffsetMinutes,
                    TIdSetCookie& cookie) {
  std::int64_t seconds = 0;
  if (SameText(name, u"Expires")) {
    TDateTime expiry = 0;
    if (TryParseSeconds(value, seconds)) {
      expiry = ExpiryAfter(seconds, now);
    } else if (!TryParseCookieDate(value, utcOffsetMinutes, expiry)) {
      return;
    }
    cookie.HasExpires = true;
    cookie.ExpiresExpiry = expiry;
  } else if (SameText(name, u"Max-Age")) {
    if (!TryParseSeconds(value, seconds)) return;
    cookie.HasMaxAge = true;
    cookie.MaxAgeExpiry = ExpiryAfter(seconds, now);
  } else if (SameText(name, u"Domain")) {
    if (value.empty()) return;
    String domain = value;
    if (domain.front() == u'.') domain.erase(0, 1);
    const std::size_t colon = domain.find(u':');
    if (colon != String::npos) domain.erase(colon);
    cookie.Domain = LowerCaseAscii(domain);
  } else if (SameText(name, u"Path")) {
    cookie.Path = !value.empty() && value.front() == u'/' ? value : String();
  } else if (SameText(name, u"Secure")) {
    cookie.Secure = true;
  } else if (SameText(name, u"HttpOnly")) {
    cookie.HttpOnly = true;
  }
}

}  // namespace

bool ParseSetCookie(StringView text, TDateTime now, std::int32_t utcOffsetMinutes, TIdSetCookie& result) {
  const std::size_t semicolon = text.find(u';');
  const StringView pair = text.substr(0, semicolon);
  const std::size_t equals = pair.find(u'=');
  if (equals == StringView::npos) return false;
  TIdSetCookie cookie;
  cookie.Name = TrimText(pair.substr(0, equals));
  cookie.Value = Unquoted(TrimText(pair.substr(equals + 1)));
  if (cookie.Name.empty()) return false;
  if (HasControlCharacter(cookie.Name) || HasControlCharacter(cookie.Value)) return false;

  StringView rest = semicolon == StringView::npos ? StringView() : text.substr(semicolon);
  while (!rest.empty()) {
    rest.remove_prefix(1);  // the ";"
    const std::size_t end = rest.find(u';');
    const StringView attribute = rest.substr(0, end);
    rest = end == StringView::npos ? StringView() : rest.substr(end);
    const std::size_t split = attribute.find(u'=');
    const String name = TrimText(attribute.substr(0, split));
    const String value =
        split == StringView::npos ? String() : Unquoted(TrimText(attribute.substr(split + 1)));
    ApplyAttribute(name, value, now, utcOffsetMinutes, cookie);
  }
  result = std::move(cookie);
  return true;
}
