// Parses arbitrary Set-Cookie values for requests to a few kinds of host (a name, an IPv4 and an
// IPv6 address) and checks what a stored cookie may hold; every attribute value is also read as
// a cookie date. A cookie written back as a Set-Cookie value must parse to the same cookie, and a
// date written as an HTTP date must read back as the same instant.
//
// Input: UTF-8 text, one Set-Cookie value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/DateTime.h"
#include "core/String.h"
#include "http/IdCookie.h"
#include "http/IdCookieDate.h"
#include "http/IdHTTPDate.h"

namespace {

constexpr std::int32_t kOffset = 120;

bool HasControlCharacter(const String& text) {
  for (const char16_t c : text)
    if ((c < 0x20 && c != u'\t') || c == 0x7F) return true;
  return false;
}

void CheckDate(const String& text) {
  TDateTime date = 0;
  if (!TryParseCookieDate(text, kOffset, date)) {
    if (ParseCookieDate(text, kOffset) != 0) std::abort();
    return;
  }
  if (date < MinDateTime() || date > MaxDateTime()) std::abort();
  // Written out and read again (dates from 1900 on, where the date type counts forward).
  if (date >= 1) {
    TDateTime again = 0;
    if (!TryParseCookieDate(LocalToHttpDate(date, kOffset), kOffset, again)) std::abort();
    if (std::fabs(again - date) > 1.0 / 86400.0) std::abort();
  }
}

void CheckCookie(const String& text, const TIdURI& uri, TDateTime now) {
  TIdCookie cookie;
  if (!cookie.ParseServerCookie(text, uri, now, kOffset)) return;
  if (cookie.CookieName().empty() || HasControlCharacter(cookie.CookieName()) ||
      HasControlCharacter(cookie.Value()))
    std::abort();
  if (cookie.CookieName().find_first_of(u"=;") != String::npos || cookie.Value().find(u';') != String::npos)
    std::abort();
  if (cookie.Path().empty() || cookie.Path().front() != u'/') std::abort();
  if (cookie.Domain().empty() && !uri.Host().empty()) std::abort();
  if (!cookie.HostOnly() && !DomainMatches(uri.Host(), cookie.Domain())) std::abort();
  if (cookie.Expires() < MinDateTime() || cookie.Expires() > MaxDateTime() || cookie.Expires() == 0)
    std::abort();

  TIdCookie again;
  if (!again.ParseServerCookie(cookie.ServerCookie(now, kOffset), uri, now, kOffset)) std::abort();
  if (again.CookieName() != cookie.CookieName() || again.Value() != cookie.Value() ||
      again.Path() != cookie.Path() || again.Domain() != cookie.Domain() ||
      again.HostOnly() != cookie.HostOnly() || again.Secure() != cookie.Secure() ||
      again.HttpOnly() != cookie.HttpOnly() || again.Persistent() != cookie.Persistent() ||
      again.IsExpired(now) != cookie.IsExpired(now))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const String text = FromUtf8(std::string(reinterpret_cast<const char*>(data), size));
  const TDateTime now = EncodeDate(2026, 3, 1) + EncodeTime(12, 0, 0, 0);
  for (const char16_t* url : {u"http://a.h.example/dir/newest", u"http://10.1.2.3/x", u"http://[::1]:8080/"})
    CheckCookie(text, TIdURI(url), now);
  CheckDate(text);
  for (std::size_t start = text.find(u'='); start != String::npos; start = text.find(u'=', start + 1))
    CheckDate(text.substr(start + 1, text.find(u';', start) - start - 1));
  return 0;
}
