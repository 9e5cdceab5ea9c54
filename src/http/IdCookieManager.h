#ifndef FENDREL_HTTP_IDCOOKIEMANAGER_H
#define FENDREL_HTTP_IDCOOKIEMANAGER_H

#include <functional>
#include <vector>

#include "http/IdCookies.h"
#include "http/IdHeaderList.h"
#include "platform/WallClock.h"

// The cookie store of an HTTP client: takes the Set-Cookie values of responses and gives
// requests their Cookie line. Cookies live in memory only.
class TIdCookieManager {
 public:
  // May refuse a parsed cookie by setting accept to false; unassigned, every cookie is taken.
  using TOnNewCookieEvent = std::function<void(TIdCookieManager& sender, TIdCookie& cookie, bool& accept)>;

  TIdCookieManager();

  TIdCookies& CookieCollection() { return FCookieCollection; }
  // The clock for creation, access and expiry times (borrowed).
  void SetWallClock(platform::IWallClock& clock) { FWallClock = &clock; }

  // Stores the cookie a Set-Cookie value sets on a response to uri; a value that sets none, or
  // one the store refuses, changes nothing (an expired one deletes its match).
  void AddServerCookie(const String& cookie, const TIdURI& uri);
  void AddServerCookies(const std::vector<String>& cookies, const TIdURI& uri);
  // Appends one "Cookie" line with every cookie a request to uri carries (secureOnly: the
  // request goes over https), longer paths first, then older first; none without a cookie.
  void GenerateClientCookies(const TIdURI& uri, bool secureOnly, TIdHeaderList& headers);

  TOnNewCookieEvent OnNewCookie;

 private:
  TIdCookies FCookieCollection;
  platform::IWallClock* FWallClock;
};

#endif
