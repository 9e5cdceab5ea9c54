#include "http/IdCookieManager.h"

#include <algorithm>
#include <memory>

TIdCookieManager::TIdCookieManager() : FWallClock(&platform::SystemWallClock()) {}

void TIdCookieManager::AddServerCookie(const String& cookie, const TIdURI& uri) {
  const TDateTime now = FWallClock->Now();
  auto parsed = std::make_unique<TIdCookie>();
  if (!parsed->ParseServerCookie(cookie, uri, now, FWallClock->UtcOffsetMinutes())) return;
  if (OnNewCookie) {
    bool accept = true;
    OnNewCookie(*this, *parsed, accept);
    if (!accept) return;
  }
  FCookieCollection.AddCookie(std::move(parsed), uri, true, now);
}

void TIdCookieManager::AddServerCookies(const std::vector<String>& cookies, const TIdURI& uri) {
  for (const String& cookie : cookies) AddServerCookie(cookie, uri);
}

void TIdCookieManager::GenerateClientCookies(const TIdURI& uri, bool secureOnly, TIdHeaderList& headers) {
  const TDateTime now = FWallClock->Now();
  FCookieCollection.PurgeExpiredCookies(now);
  std::vector<TIdCookie> cookies = FCookieCollection.TakeAllowedCookies(uri, secureOnly, now);
  if (cookies.empty()) return;
  std::stable_sort(cookies.begin(), cookies.end(), [](const TIdCookie& a, const TIdCookie& b) {
    if (a.Path().size() != b.Path().size()) return a.Path().size() > b.Path().size();
    return a.CreatedAt() < b.CreatedAt();
  });
  String line;
  for (const TIdCookie& cookie : cookies) {
    if (!line.empty()) line += u"; ";
    line += cookie.ClientCookie();
  }
  headers.AddValue(u"Cookie", line);
}
