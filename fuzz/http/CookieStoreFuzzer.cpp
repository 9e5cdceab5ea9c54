// Feeds a cookie store a sequence of responses and requests and checks that it stays within its
// bounds, keeps one cookie per name, domain and path, and that a request's Cookie line holds
// every cookie the request may carry and nothing that could end the line.
//
// Input: UTF-8 lines, each a command:
//   U<host/path>   the target of what follows becomes http://<host/path>
//   S<value>       a response to the target sets this Set-Cookie value
//   R              a request to the target (R! over https)
//   T<seconds>     the clock moves on
//   C              the store is cleared
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/DateTime.h"
#include "core/String.h"
#include "http/IdCookieManager.h"
#include "http/IdHTTPDate.h"
#include "platform/WallClock.h"

namespace {

void CheckStore(TIdCookies& cookies, TDateTime now, bool purged) {
  TIdCookies::TIdCookieList& list = cookies.LockCookieList(TIdCookieAccess::caRead);
  bool failed = list.size() > TIdCookies::MaxCookies;
  for (std::size_t i = 0; i < list.size() && !failed; ++i) {
    const TIdCookie& c = *list[i];
    std::size_t sameDomain = 0;
    for (std::size_t j = 0; j < list.size(); ++j) {
      const TIdCookie& d = *list[j];
      if (SameText(c.Domain(), d.Domain())) ++sameDomain;
      if (j != i && SameText(c.Domain(), d.Domain()) && SameText(c.CookieName(), d.CookieName()) &&
          SameText(c.Path(), d.Path()))
        failed = true;
    }
    if (sameDomain > TIdCookies::MaxCookiesPerDomain) failed = true;
    if (c.CookieName().size() + c.Value().size() + c.Domain().size() + c.Path().size() >
        TIdCookies::MaxCookieSize)
      failed = true;
    if (purged && c.IsExpired(now)) failed = true;
  }
  cookies.UnlockCookieList(TIdCookieAccess::caRead);
  if (failed) std::abort();
}

void CheckRequest(TIdCookieManager& manager, const TIdURI& uri, bool secure, TDateTime now) {
  TIdHeaderList headers(1024);
  headers.Add(u"Host: x");
  manager.GenerateClientCookies(uri, secure, headers);
  CheckStore(manager.CookieCollection(), now, true);
  const std::vector<String> lines = headers.UnfoldedLines();
  if (lines.size() > 2 || lines.front() != u"Host: x") std::abort();
  const String line = lines.size() == 2 ? lines[1] : String();
  if (!line.empty() && line.rfind(u"Cookie: ", 0) != 0) std::abort();
  for (const char16_t c : line)
    if ((c < 0x20 && c != u'\t') || c == 0x7F) std::abort();
  // Every cookie the request may carry is on the line; with none there is no line.
  TIdCookies::TIdCookieList& list = manager.CookieCollection().LockCookieList(TIdCookieAccess::caRead);
  bool any = false;
  bool missing = false;
  for (const auto& c : list) {
    if (!c->IsAllowed(uri, secure)) continue;
    any = true;
    if (line.find(c->ClientCookie()) == String::npos) missing = true;
  }
  manager.CookieCollection().UnlockCookieList(TIdCookieAccess::caRead);
  if (missing || any != !line.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const String text = FromUtf8(std::string(reinterpret_cast<const char*>(data), size));
  platform::TFixedWallClock clock(EncodeDate(2026, 3, 1) + EncodeTime(12, 0, 0, 0), 60);
  TIdCookieManager manager;
  manager.SetWallClock(clock);
  TIdURI uri(u"http://a.h.example/dir/");
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == String::npos) end = text.size();
    const String line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    const String rest = line.substr(1);
    switch (line.front()) {
      case u'U':
        uri = TIdURI(u"http://" + rest);
        break;
      case u'S':
        manager.AddServerCookie(rest, uri);
        CheckStore(manager.CookieCollection(), clock.Now(), false);
        break;
      case u'R':
        CheckRequest(manager, uri, rest == u"!", clock.Now());
        break;
      case u'T': {
        std::int64_t seconds = 0;
        if (TryParseInt64(rest, seconds)) clock.SetNow(IncSecondsSaturated(clock.Now(), seconds));
        break;
      }
      case u'C':
        manager.CookieCollection().Clear();
        break;
      default:
        break;
    }
  }
  return 0;
}
