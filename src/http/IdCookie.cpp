#include "http/IdCookie.h"

#include <algorithm>
#include <cmath>

#include "http/IdHTTPDate.h"
#include "http/IdSetCookie.h"
#include "net/IdStack.h"

namespace {

bool IsWebProtocol(const String& protocol) {
  return SameText(protocol, u"http") || SameText(protocol, u"https");
}

bool EndsText(StringView text, StringView suffix) {
  return text.size() >= suffix.size() && SameText(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace

TDateTime SessionCookieExpiry() {
  return MaxDateTime();
}

// Whether a dot stands between two other characters of the text.
bool HasInnerDot(StringView domain) {
  return domain.size() > 2 && domain.substr(1, domain.size() - 2).find(u'.') != StringView::npos;
}

bool HostIsName(StringView host) {
  if (host.empty() || host.front() == u'.') return false;
  return !TIdStack::IsIP(host) && TIdStack::MakeCanonicalIPv6Address(host).empty();
}

bool DomainMatches(StringView host, StringView domain) {
  if (host.empty() || domain.empty()) return false;
  if (SameText(host, domain)) return true;
  if (!EndsText(host, domain) || host.size() == domain.size()) return false;
  return host[host.size() - domain.size() - 1] == u'.' && HostIsName(host);
}

bool PathMatches(StringView requestPath, StringView cookiePath) {
  if (SameText(requestPath, cookiePath)) return true;
  if (!StartsText(cookiePath, requestPath)) return false;
  if (!cookiePath.empty() && cookiePath.back() == u'/') return true;
  return requestPath.size() > cookiePath.size() && requestPath[cookiePath.size()] == u'/';
}

String DefaultCookiePath(const TIdURI& uri) {
  const String& path = uri.Path();
  if (path.empty() || path.front() != u'/' || path == u"/") return u"/";
  const String directory = path.substr(0, path.rfind(u'/'));
  return directory.empty() ? String(u"/") : directory;
}

bool TIdCookie::IsExpired(TDateTime now) const {
  // The expiry instant itself counts as passed, so that "Max-Age=0" removes a cookie at once
  // however coarse the clock is.
  return FExpires != 0 && now >= FExpires;
}

String TIdCookie::ClientCookie() const {
  return FCookieName + u"=" + FValue;
}

String TIdCookie::ServerCookie(TDateTime now, std::int32_t utcOffsetMinutes) const {
  // Blanks at the ends of a value survive only between quotes (and such a value holds none).
  const bool quoted = TrimView(FValue).size() != FValue.size();
  String text = FCookieName + u"=" + (quoted ? u"\"" + FValue + u"\"" : FValue);
  if (!FPath.empty()) text += u"; Path=" + FPath;
  // A host-only cookie names no domain: one that did would cover the subdomains as well.
  if (!FHostOnly && !FDomain.empty()) text += u"; Domain=." + FDomain;
  if (FSecure) text += u"; Secure";
  if (FHttpOnly) text += u"; HttpOnly";
  if (FPersistent && FExpires != 0) {
    const double remaining = std::ceil((FExpires - now) * 86400.0 - 1e-6);
    const auto seconds =
        remaining > 0 ? static_cast<std::int64_t>(std::min(remaining, 1e15)) : std::int64_t{-1};
    text += u"; Max-Age=" + IntToStr(seconds);
    text += u"; Expires=" + LocalToHttpDate(FExpires, utcOffsetMinutes);
  }
  return text;
}

bool TIdCookie::ParseServerCookie(StringView cookieText, const TIdURI& uri, TDateTime now,
                                  std::int32_t utcOffsetMinutes) {
  TIdSetCookie parsed;
  if (!ParseSetCookie(cookieText, now, utcOffsetMinutes, parsed)) return false;
  if (!parsed.Domain.empty() && !DomainMatches(uri.Host(), parsed.Domain)) return false;
  // A domain without a dot inside ("com", "example") would cover every host below a
  // top-level domain: allowed only as the request host itself.
  if (!parsed.Domain.empty() && !HasInnerDot(parsed.Domain) && !SameText(uri.Host(), parsed.Domain))
    return false;
  if (parsed.HttpOnly && !IsWebProtocol(uri.Protocol())) return false;

  FCookieName = parsed.Name;
  FValue = parsed.Value;
  FCreatedAt = now;
  FLastAccessed = now;
  if (parsed.HasMaxAge || parsed.HasExpires) {
    FPersistent = true;
    FExpires = parsed.HasMaxAge ? parsed.MaxAgeExpiry : parsed.ExpiresExpiry;
    // 0 means "no expiry": an instant that falls on it lies long in the past all the same.
    if (FExpires == 0) FExpires = EncodeDate(1, 1, 1);
  } else {
    FPersistent = false;
    FExpires = SessionCookieExpiry();
  }
  FHostOnly = parsed.Domain.empty();
  FDomain = FHostOnly ? uri.Host() : parsed.Domain;
  FPath = parsed.Path.empty() ? DefaultCookiePath(uri) : parsed.Path;
  FSecure = parsed.Secure;
  FHttpOnly = parsed.HttpOnly;
  return true;
}

bool TIdCookie::IsAllowed(const TIdURI& uri, bool secureOnly) const {
  const bool hostMatches = FHostOnly ? SameText(uri.Host(), FDomain) : DomainMatches(uri.Host(), FDomain);
  return hostMatches && PathMatches(uri.Path(), FPath) && (!FSecure || secureOnly) &&
         (!FHttpOnly || IsWebProtocol(uri.Protocol()));
}
