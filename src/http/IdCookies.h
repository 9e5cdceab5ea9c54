#ifndef FENDREL_HTTP_IDCOOKIES_H
#define FENDREL_HTTP_IDCOOKIES_H

#include <cstddef>
#include <memory>
#include <shared_mutex>
#include <vector>

#include "http/IdCookie.h"

enum class TIdCookieAccess { caRead, caReadWrite };

// The cookies in effect, in the order they were added (a replacement goes to the end), guarded
// by a readers-writer lock. The store is bounded: a cookie too large is refused, and a domain
// or the whole store past its count loses its expired cookies first, then its oldest.
class TIdCookies {
 public:
  // The most characters of one cookie's name, value, domain and path together.
  static constexpr std::size_t MaxCookieSize = 4096;
  // The most cookies for one domain (host-only and domain cookies of that name together).
  static constexpr std::size_t MaxCookiesPerDomain = 50;
  // The most cookies in the store.
  static constexpr std::size_t MaxCookies = 1000;

  using TIdCookieList = std::vector<std::unique_ptr<TIdCookie>>;

  // Adds a cookie for a response to uri at the time now. With replaceOld, a cookie in effect of
  // the same name, domain and path (compared without regard to case) is replaced, and the new one
  // keeps its creation time; a new cookie that has already expired is then not added, so it only
  // deletes. Returns whether the cookie was added.
  bool AddCookie(std::unique_ptr<TIdCookie> cookie, const TIdURI& uri, bool replaceOld, TDateTime now);
  // Removes every cookie that has expired at now.
  void PurgeExpiredCookies(TDateTime now);
  void Clear();
  std::size_t Count() const;
  // The cookies a request to uri carries, in list order, each marked as accessed at now;
  // copies, so that the list may change while the request is built. Takes the lock exclusive,
  // since it writes the access times.
  std::vector<TIdCookie> TakeAllowedCookies(const TIdURI& uri, bool secureOnly, TDateTime now);
  // The position of the cookie with that name, domain and path (from AFirstIndex on), or -1.
  int GetCookieIndex(StringView name, StringView domain, StringView path, int firstIndex = 0) const;
  // A copy of the first cookie with that name and domain; false when there is none.
  bool GetCookieByNameAndDomain(StringView name, StringView domain, TIdCookie& cookie) const;

  // The list for a caller that walks it: held shared (caRead) or exclusive (caReadWrite) until
  // UnlockCookieList with the same access.
  TIdCookieList& LockCookieList(TIdCookieAccess access);
  void UnlockCookieList(TIdCookieAccess access);

 private:
  int IndexOf(StringView name, StringView domain, StringView path, int firstIndex) const;
  // Brings the list back within the counts after an addition (lock held).
  void EnforceLimits(const String& domain, TDateTime now);
  void PurgeExpired(TDateTime now);

  mutable std::shared_mutex FLock;
  TIdCookieList FCookieList;
};

#endif
