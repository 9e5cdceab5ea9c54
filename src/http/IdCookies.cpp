#include "http/IdCookies.h"

#include <mutex>

namespace {

bool IsWebProtocol(const String& protocol) {
  return SameText(protocol, u"http") || SameText(protocol, u"https");
}

std::size_t CookieSize(const TIdCookie& cookie) {
  return cookie.CookieName().size() + cookie.Value().size() + cookie.Domain().size() + cookie.Path().size();
}

}  // namespace

bool TIdCookies::AddCookie(std::unique_ptr<TIdCookie> cookie, const TIdURI& uri, bool replaceOld,
                           TDateTime now) {
  if (!cookie || CookieSize(*cookie) > MaxCookieSize) return false;
  std::unique_lock lock(FLock);
  if (replaceOld) {
    const int index = IndexOf(cookie->CookieName(), cookie->Domain(), cookie->Path(), 0);
    if (index >= 0) {
      const TIdCookie& old = *FCookieList[static_cast<std::size_t>(index)];
      if (!IsWebProtocol(uri.Protocol()) && old.HttpOnly()) return false;
      cookie->SetCreatedAt(old.CreatedAt());
      FCookieList.erase(FCookieList.begin() + index);
    }
  }
  if (cookie->IsExpired(now)) return false;
  const String domain = cookie->Domain();
  FCookieList.push_back(std::move(cookie));
  EnforceLimits(domain, now);
  return true;
}

void TIdCookies::EnforceLimits(const String& domain, TDateTime now) {
  const auto domainCount = [&] {
    std::size_t count = 0;
    for (const auto& c : FCookieList)
      if (SameText(c->Domain(), domain)) ++count;
    return count;
  };
  if (domainCount() <= MaxCookiesPerDomain && FCookieList.size() <= MaxCookies) return;
  PurgeExpired(now);
  while (domainCount() > MaxCookiesPerDomain) {
    for (auto it = FCookieList.begin(); it != FCookieList.end(); ++it) {
      if (SameText((*it)->Domain(), domain)) {
        FCookieList.erase(it);
        break;
      }
    }
  }
  if (FCookieList.size() > MaxCookies)
    FCookieList.erase(FCookieList.begin(),
                      FCookieList.begin() + static_cast<std::ptrdiff_t>(FCookieList.size() - MaxCookies));
}

void TIdCookies::PurgeExpired(TDateTime now) {
  for (std::size_t i = FCookieList.size(); i-- > 0;)
    if (FCookieList[i]->IsExpired(now))
      FCookieList.erase(FCookieList.begin() + static_cast<std::ptrdiff_t>(i));
}

void TIdCookies::PurgeExpiredCookies(TDateTime now) {
  std::unique_lock lock(FLock);
  PurgeExpired(now);
}

void TIdCookies::Clear() {
  std::unique_lock lock(FLock);
  FCookieList.clear();
}

std::size_t TIdCookies::Count() const {
  std::shared_lock lock(FLock);
  return FCookieList.size();
}

std::vector<TIdCookie> TIdCookies::TakeAllowedCookies(const TIdURI& uri, bool secureOnly, TDateTime now) {
  std::unique_lock lock(FLock);
  std::vector<TIdCookie> allowed;
  for (const auto& c : FCookieList) {
    if (!c->IsAllowed(uri, secureOnly)) continue;
    c->SetLastAccessed(now);
    allowed.push_back(*c);
  }
  return allowed;
}

int TIdCookies::IndexOf(StringView name, StringView domain, StringView path, int firstIndex) const {
  for (std::size_t i = firstIndex < 0 ? 0 : static_cast<std::size_t>(firstIndex); i < FCookieList.size();
       ++i) {
    const TIdCookie& c = *FCookieList[i];
    if (SameText(c.CookieName(), name) && SameText(c.Domain(), domain) && SameText(c.Path(), path))
      return static_cast<int>(i);
  }
  return -1;
}

int TIdCookies::GetCookieIndex(StringView name, StringView domain, StringView path, int firstIndex) const {
  std::shared_lock lock(FLock);
  return IndexOf(name, domain, path, firstIndex);
}

bool TIdCookies::GetCookieByNameAndDomain(StringView name, StringView domain, TIdCookie& cookie) const {
  std::shared_lock lock(FLock);
  for (const auto& c : FCookieList) {
    if (SameText(c->CookieName(), name) && SameText(c->Domain(), domain)) {
      cookie = *c;
      return true;
    }
  }
  return false;
}

TIdCookies::TIdCookieList& TIdCookies::LockCookieList(TIdCookieAccess access) {
  if (access == TIdCookieAccess::caRead)
    FLock.lock_shared();
  else
    FLock.lock();
  return FCookieList;
}

void TIdCookies::UnlockCookieList(TIdCookieAccess access) {
  if (access == TIdCookieAccess::caRead)
    FLock.unlock_shared();
  else
    FLock.unlock();
}
