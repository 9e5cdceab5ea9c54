#ifndef FENDREL_HTTP_IDCOOKIE_H
#define FENDREL_HTTP_IDCOOKIE_H

#include <cstdint>

#include "core/DateTime.h"
#include "core/String.h"
#include "http/IdURI.h"

// One cookie a server set. Times are local times.
class TIdCookie {
 public:
  // The host for a host-only cookie, else the Domain attribute (lower-case, no leading ".").
  const String& Domain() const { return FDomain; }
  void SetDomain(const String& v) { FDomain = v; }
  // 0: none; a session cookie expires at the end of the date range.
  TDateTime Expires() const { return FExpires; }
  void SetExpires(TDateTime v) { FExpires = v; }
  bool HttpOnly() const { return FHttpOnly; }
  void SetHttpOnly(bool v) { FHttpOnly = v; }
  const String& CookieName() const { return FCookieName; }
  void SetCookieName(const String& v) { FCookieName = v; }
  const String& Value() const { return FValue; }
  void SetValue(const String& v) { FValue = v; }
  const String& Path() const { return FPath; }
  void SetPath(const String& v) { FPath = v; }
  bool Secure() const { return FSecure; }
  void SetSecure(bool v) { FSecure = v; }
  TDateTime CreatedAt() const { return FCreatedAt; }
  void SetCreatedAt(TDateTime v) { FCreatedAt = v; }
  TDateTime LastAccessed() const { return FLastAccessed; }
  void SetLastAccessed(TDateTime v) { FLastAccessed = v; }
  bool HostOnly() const { return FHostOnly; }
  void SetHostOnly(bool v) { FHostOnly = v; }
  // Whether the cookie had a valid Max-Age or Expires.
  bool Persistent() const { return FPersistent; }
  void SetPersistent(bool v) { FPersistent = v; }

  // Whether the cookie has an expiry and now has reached it.
  bool IsExpired(TDateTime now) const;
  // "name=value", as a request carries it.
  String ClientCookie() const;
  // The cookie written back as a Set-Cookie value; the remaining lifetime of a persistent
  // cookie as Max-Age and Expires, taken at now.
  String ServerCookie(TDateTime now, std::int32_t utcOffsetMinutes) const;
  // The cookie a Set-Cookie value sets for a response to the target uri (whose Path is the
  // directory of the request). False when the value sets none: it is malformed, or its
  // Domain does not cover the request's host, or it is HttpOnly from neither http nor https.
  bool ParseServerCookie(StringView cookieText, const TIdURI& uri, TDateTime now,
                         std::int32_t utcOffsetMinutes);
  // Whether a request to uri carries the cookie; secureOnly: the request goes over https.
  bool IsAllowed(const TIdURI& uri, bool secureOnly) const;

 private:
  String FDomain;
  TDateTime FExpires = 0;
  bool FHttpOnly = false;
  String FCookieName;
  String FValue;
  String FPath;
  bool FSecure = false;
  TDateTime FCreatedAt = 0;
  TDateTime FLastAccessed = 0;
  bool FHostOnly = false;
  bool FPersistent = false;
};

// The expiry of a cookie with neither Max-Age nor Expires: 9999-12-31 23:59:59.999.
TDateTime SessionCookieExpiry();

// Whether a host lies in a cookie domain: equal (without regard to case), or ending in "." and
// the domain when the host is a name (no address, no leading "."). False when either is empty.
bool DomainMatches(StringView host, StringView domain);
// A host name, as opposed to an IPv4 or IPv6 address.
bool HostIsName(StringView host);
// Whether a request directory lies under a cookie path (without regard to case).
bool PathMatches(StringView requestPath, StringView cookiePath);
// The path a cookie without one gets: the request directory without its last "/", or "/".
String DefaultCookiePath(const TIdURI& uri);

#endif
