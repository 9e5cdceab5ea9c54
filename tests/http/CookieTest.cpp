// The client's cookies: the date grammar of Expires, and the cookies the real client stores and
// sends back, seen on the wire of a loopback server. Host names of the cases reach 127.0.0.1
// through the client's name overrides, so nothing leaves the machine.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/DateTime.h"
#include "http/IdCookieDate.h"
#include "http/IdCookies.h"
#include "http/IdHTTP.h"
#include "platform/WallClock.h"
#include "support/HttpRouteServer.h"

namespace {

using testsupport::RouteResponse;

constexpr std::int32_t kOffset = 120;  // local time is UTC + 2 hours

TDateTime Utc(int year, int month, int day, int hour, int minute, int second) {
  return EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0);
}

TDateTime Local(TDateTime utc) {
  return IncSecondsSaturated(utc, kOffset * 60);
}

TEST(CookieDateTest, Grammar) {
  const TDateTime june9 = Utc(2021, 6, 9, 10, 18, 14);
  struct Case {
    const char* text;
    bool valid;
    TDateTime utc;
  };
  const Case cases[] = {
      {"Wed, 09 Jun 2021 10:18:14 GMT", true, june9},
      {"Wednesday, 09-Jun-21 10:18:14 GMT", true, june9},
      {"Wed Jun  9 10:18:14 2021", true, june9},
      // Tokens in any order, a month by its first three letters, text after a time or a year.
      {"10:18:14xyz 9, JUNE 2021junk", true, june9},
      {"junk 09 Junk 2021 10:18:14", true, june9},
      {"1:2:3 9 jun 2021", true, Utc(2021, 6, 9, 1, 2, 3)},
      {"Thu, 01 Jan 1970 00:00:00 GMT", true, Utc(1970, 1, 1, 0, 0, 0)},
      {"09 Jun 69 10:18:14", true, Utc(2069, 6, 9, 10, 18, 14)},
      {"09 Jun 70 10:18:14", true, Utc(1970, 6, 9, 10, 18, 14)},
      {"29 Feb 2024 23:59:59", true, Utc(2024, 2, 29, 23, 59, 59)},
      {"01 Jan 1601 00:00:00", true, Utc(1601, 1, 1, 0, 0, 0)},
      // The last instant the system represents: two hours later in local time still is it.
      {"31 Dec 9999 23:59:59", true, Utc(9999, 12, 31, 23, 59, 59)},
      {"09 Jun 1600 10:18:14", false, 0},
      {"31 Feb 2021 10:18:14", false, 0},
      {"29 Feb 2023 10:18:14", false, 0},
      {"32 Jun 2021 10:18:14", false, 0},
      {"00 Jun 2021 10:18:14", false, 0},
      {"009 Jun 2021 10:18:14", false, 0},
      {"09 Jun 2021 24:00:00", false, 0},
      {"09 Jun 2021 10:60:00", false, 0},
      {"09 Jun 2021 10:18:60", false, 0},
      {"09 Jun 2021 10:18:140", false, 0},
      {"09 Jun 12345 10:18:14", false, 0},
      {"09 Jun 2021", false, 0},
      {"Jun 2021 10:18:14", false, 0},
      {"09 2021 10:18:14", false, 0},
      {"2021-06-09 10:18:14", false, 0},
      {"", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TDateTime got = 0;
    const bool valid = TryParseCookieDate(FromUtf8(c.text), kOffset, got);
    ASSERT_EQ(valid, c.valid);
    EXPECT_EQ(ParseCookieDate(FromUtf8(c.text), kOffset) != 0, c.valid);
    if (c.valid) {
      EXPECT_NEAR(got, Local(c.utc), 0.5 / kMillisecondsPerDay);
    }
  }
  EXPECT_EQ(ParseCookieDate(u"31 Dec 9999 23:59:59", kOffset), MaxDateTime());
}

// The expiry a Set-Cookie value gives: Max-Age before Expires, the last valid occurrence of
// each, and numbers or dates beyond the date range saturating at its end.
TEST(CookieTest, Expiry) {
  const TDateTime now = Local(Utc(2026, 3, 1, 12, 0, 0));
  const TDateTime longPast = EncodeDate(1, 1, 1);
  const TDateTime june9 = Local(Utc(2021, 6, 9, 10, 18, 14));
  struct Case {
    const char* text;
    bool persistent;
    TDateTime expires;
  };
  const Case cases[] = {
      {"a=1", false, MaxDateTime()},
      {"a=1; Max-Age=x; Expires=bogus", false, MaxDateTime()},
      {"a=1; Max-Age=3600", true, IncSecondsSaturated(now, 3600)},
      {"a=1; Max-Age=0", true, now},
      {"a=1; Max-Age=-5", true, longPast},
      {"a=1; Max-Age=9223372036854775807", true, MaxDateTime()},
      {"a=1; Max-Age=99999999999999999999", true, MaxDateTime()},
      {"a=1; Max-Age=-99999999999999999999", true, longPast},
      {"a=1; Expires=99999999999999999999", true, MaxDateTime()},
      {"a=1; Expires=Fri, 31 Dec 9999 23:59:59 GMT", true, MaxDateTime()},
      {"a=1; Expires=Wed, 09 Jun 2021 10:18:14 GMT", true, june9},
      {"a=1; Expires=Wed, 09 Jun 2021 10:18:14 GMT; Expires=bogus", true, june9},
      {"a=1; Expires=Wed, 09 Jun 2021 10:18:14 GMT; Max-Age=60", true, IncSecondsSaturated(now, 60)},
      {"a=1; Max-Age=60; Expires=Wed, 09 Jun 2021 10:18:14 GMT", true, IncSecondsSaturated(now, 60)},
      {"a=1; max-age=60; max-age=x", true, IncSecondsSaturated(now, 60)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TIdCookie cookie;
    ASSERT_TRUE(cookie.ParseServerCookie(FromUtf8(c.text), TIdURI(u"http://h/"), now, kOffset));
    EXPECT_EQ(cookie.Persistent(), c.persistent);
    EXPECT_NEAR(cookie.Expires(), c.expires, 0.5 / kMillisecondsPerDay);
  }
}

// A clock that moves one second on every reading, so cookies set one after the other differ
// in age.
class TickingClock : public platform::IWallClock {
 public:
  TDateTime Now() override { return IncSecondsSaturated(FStart, FTicks++); }
  std::int32_t UtcOffsetMinutes() override { return kOffset; }

 private:
  TDateTime FStart = Utc(2026, 3, 1, 12, 0, 0);
  std::int64_t FTicks = 0;
};

// One response of a case: the URL asked for and the Set-Cookie lines of its head; status 100
// puts them in an interim head before a 200, 404 makes the response an error.
struct Step {
  std::string url;
  std::vector<std::string> setCookies;
  int status = 200;
};

struct CookieCase {
  const char* name;
  std::vector<Step> steps;
  std::string laterUrl;
  // The value of the later request's Cookie line; empty: no such line.
  std::string cookie;
};

std::string Repeat(char c, std::size_t n) {
  return std::string(n, c);
}

// The host of a case URL ("http://HOST:${P}/...").
std::string HostOf(const std::string& url) {
  const std::size_t start = url.find("//") + 2;
  return url.substr(start, url.find(':', start) - start);
}

std::string Expand(std::string url, std::uint16_t port) {
  const std::size_t at = url.find("${P}");
  if (at != std::string::npos) url.replace(at, 4, std::to_string(port));
  return url;
}

// The request target of a URL, as the route server sees it.
std::string TargetOf(const std::string& url) {
  return url.substr(url.find('/', url.find("//") + 2));
}

RouteResponse StepResponse(const Step& s) {
  std::string cookies;
  for (const std::string& line : s.setCookies) cookies += "Set-Cookie: " + line + "\r\n";
  RouteResponse r;
  if (s.status == 100) {
    r.Bytes = "HTTP/1.1 100 Continue\r\n" + cookies + "\r\nHTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
  } else {
    const std::string reason = s.status == 200 ? " OK" : " Not Found";
    r.Bytes =
        "HTTP/1.1 " + std::to_string(s.status) + reason + "\r\n" + cookies + "Content-Length: 0\r\n\r\n";
  }
  return r;
}

// The request heads a route server recorded, one by one.
std::vector<std::string> Heads(const std::string& joined) {
  std::vector<std::string> heads;
  std::size_t start = 0;
  for (std::size_t end; (end = joined.find("\r\n\r\n", start)) != std::string::npos; start = end + 4)
    heads.push_back(joined.substr(start, end + 4 - start));
  return heads;
}

// The Cookie line of a head: its value, whether there is one, and whether it is the head's last line.
struct CookieLine {
  bool present = false;
  bool last = false;
  std::string value;
};

CookieLine CookieLineOf(const std::string& head) {
  CookieLine line;
  const std::size_t at = head.find("\r\nCookie: ");
  if (at == std::string::npos) return line;
  line.present = true;
  const std::size_t start = at + 10;
  const std::size_t end = head.find("\r\n", start);
  line.value = head.substr(start, end - start);
  line.last = end + 4 == head.size();
  return line;
}

void Get(TIdHTTP& http, const std::string& url) {
  // Every host a case names must be mapped to the loopback server before anything connects.
  const TIdURI uri(FromUtf8(url));
  String address = uri.Host();
  http.NameOverrides().Find(uri.Host(), static_cast<std::uint16_t>(std::stoi(ToUtf8(uri.Port()))), address);
  ASSERT_EQ(address, u"127.0.0.1") << url;
  try {
    http.Get(FromUtf8(url));
  } catch (const EIdHTTPProtocolException&) {
    // An error status still delivers its head, and its cookies.
  }
}

TEST(CookieTest, StoredAndSentBack) {
  const std::string big(1000, 'x');
  std::vector<std::string> fiftyOne;
  std::string lastFifty;
  for (int i = 0; i <= 50; ++i) {
    fiftyOne.push_back("c" + std::to_string(i) + "=" + std::to_string(i));
    if (i > 0) lastFifty += (i > 1 ? "; " : "") + fiftyOne.back();
  }
  const std::string h = "http://h.example:${P}";
  const std::string a = "http://a.h.example:${P}";
  const CookieCase cases[] = {
      {"first request carries nothing", {}, h + "/x", ""},
      {"path / reaches every path",
       {{h + "/dir/newest", {"sid=abc; Path=/"}}},
       h + "/dir/1.2/update.zip",
       "sid=abc"},
      {"default path: below it", {{h + "/dir/newest", {"sid=abc"}}}, h + "/dir/1.2/update.zip", "sid=abc"},
      {"default path: beside the document", {{h + "/dir/newest", {"sid=abc"}}}, h + "/dir/x", "sid=abc"},
      {"default path: not elsewhere", {{h + "/dir/newest", {"sid=abc"}}}, h + "/other", ""},
      {"default path: not a longer name", {{h + "/dir/newest", {"sid=abc"}}}, h + "/dirt/x", ""},
      {"a path not beginning with / is the default",
       {{h + "/dir/newest", {"a=1; Path=x"}}},
       h + "/other",
       ""},
      {"explicit path: below", {{h + "/x", {"a=1; Path=/dir/sub"}}}, h + "/dir/sub/x", "a=1"},
      {"explicit path: a longer name", {{h + "/x", {"a=1; Path=/dir/sub"}}}, h + "/dir/subway/x", ""},
      {"explicit path: above", {{h + "/x", {"a=1; Path=/dir/sub"}}}, h + "/dir/x", ""},
      {"host-only: the same host", {{a + "/x", {"a=1; Max-Age=3600"}}}, a + "/y", "a=1"},
      {"host-only: not a subdomain", {{a + "/x", {"a=1; Max-Age=3600"}}}, "http://x.a.h.example:${P}/y", ""},
      {"host-only: not the parent", {{a + "/x", {"a=1"}}}, h + "/y", ""},
      {"Expires in the past deletes",
       {{a + "/x", {"a=1"}}, {a + "/x", {"a=1; Expires=Thu, 01 Jan 1970 00:00:00 GMT"}}},
       a + "/x",
       ""},
      {"negative Max-Age deletes", {{a + "/x", {"a=1"}}, {a + "/x", {"a=1; Max-Age=-1"}}}, a + "/x", ""},
      {"Max-Age 0 deletes", {{a + "/x", {"a=1"}}, {a + "/x", {"a=1; Max-Age=0"}}}, a + "/x", ""},
      {"a number as Expires counts as seconds",
       {{a + "/x", {"a=1"}}, {a + "/x", {"a=1; Expires=0"}}},
       a + "/x",
       ""},
      {"deletion needs the same path",
       {{a + "/x", {"a=1"}}, {a + "/x", {"a=1; Path=/x; Max-Age=-1"}}},
       a + "/x",
       "a=1"},
      {"Expires in the future",
       {{a + "/x", {"a=1; Expires=Wed, 09 Jun 2100 10:18:14 GMT"}}},
       a + "/x",
       "a=1"},
      {"an invalid Expires is ignored", {{a + "/x", {"a=1; Expires=31 Feb 2021 10:18:14"}}}, a + "/x", "a=1"},
      {"Max-Age wins over an earlier Expires",
       {{a + "/x", {"a=1; Max-Age=3600; Expires=Thu, 01 Jan 1970 00:00:00 GMT"}}},
       a + "/x",
       "a=1"},
      {"Max-Age wins over a later Expires",
       {{a + "/x", {"a=1; Expires=Wed, 09 Jun 2100 10:18:14 GMT; Max-Age=-1"}}},
       a + "/x",
       ""},
      {"a huge Max-Age saturates", {{a + "/x", {"a=1; Max-Age=9223372036854775807"}}}, a + "/x", "a=1"},
      {"a Max-Age past 64 bits saturates",
       {{a + "/x", {"a=1; Max-Age=99999999999999999999"}}},
       a + "/x",
       "a=1"},
      {"a negative Max-Age past 64 bits deletes",
       {{a + "/x", {"a=1"}}, {a + "/x", {"a=1; Max-Age=-99999999999999999999"}}},
       a + "/x",
       ""},
      {"a malformed Max-Age is ignored",
       {{a + "/x", {"a=1"}}, {a + "/x", {"a=1; Max-Age=-1x"}}},
       a + "/x",
       "a=1"},
      {"domain cookie: the domain itself", {{a + "/x", {"a=1; Domain=.h.example"}}}, h + "/x", "a=1"},
      {"domain cookie: a sibling",
       {{a + "/x", {"a=1; Domain=.h.example"}}},
       "http://x.h.example:${P}/x",
       "a=1"},
      {"domain cookie: case and port dropped", {{a + "/x", {"a=1; Domain=H.Example:80"}}}, h + "/x", "a=1"},
      {"domain cookie from another domain is rejected",
       {{"http://other.example:${P}/x", {"a=1; Domain=.h.example"}}},
       h + "/x",
       ""},
      {"domain equal to an address",
       {{"http://127.0.0.1:${P}/x", {"a=1; Domain=127.0.0.1"}}},
       "http://127.0.0.1:${P}/x",
       "a=1"},
      {"a top-level domain is refused",
       {{a + "/x", {"a=1; Domain=example", "b=2; Domain=.example", "c=3; Domain=example."}}},
       "http://evil.example:${P}/x",
       ""},
      {"a top-level domain is refused for its own hosts too",
       {{a + "/x", {"a=1; Domain=example", "b=2; Domain=h.example"}}},
       a + "/x",
       "b=2"},
      {"a domain without an inner dot equal to the host",
       {{"http://intranet:${P}/x", {"a=1; Domain=Intranet"}}},
       "http://intranet:${P}/x",
       "a=1"},
      {"an address is no host name",
       {{"http://10.1.2.3:${P}/x", {"a=1; Domain=1.2.3"}}},
       "http://10.1.2.3:${P}/x",
       ""},
      {"Secure is never sent over http", {{h + "/x", {"a=1; Secure", "b=2"}}}, h + "/x", "b=2"},
      {"HttpOnly is sent over http", {{h + "/x", {"a=1; HttpOnly"}}}, h + "/x", "a=1"},
      {"no = or no name: ignored", {{h + "/x", {"novalue", "=x", " = y", "c=3"}}}, h + "/x", "c=3"},
      {"quotes are removed", {{h + "/x", {"a=\"q v\"; Path=\"/\""}}}, h + "/y/z", "a=q v"},
      {"an empty value", {{h + "/x", {"a="}}}, h + "/x", "a="},
      {"longer paths first", {{h + "/x", {"a=1; Path=/", "b=2; Path=/dir"}}}, h + "/dir/x", "b=2; a=1"},
      {"older first", {{h + "/x", {"a=1", "b=2"}}}, h + "/x", "a=1; b=2"},
      {"a replacement keeps its age",
       {{h + "/x", {"a=1", "b=2"}}, {h + "/x", {"a=3"}}},
       h + "/x",
       "a=3; b=2"},
      {"names compare without case", {{h + "/x", {"SID=1"}}, {h + "/x", {"sid=2"}}}, h + "/x", "sid=2"},
      {"a comma does not split a line", {{h + "/x", {"a=1, b=2; Path=/"}}}, h + "/x", "a=1, b=2"},
      {"cookies of an interim head", {{h + "/x", {"i=1"}, 100}}, h + "/x", "i=1"},
      {"cookies of an error status", {{h + "/x", {"e=1"}, 404}}, h + "/x", "e=1"},
      {"control characters: the cookie is ignored",
       {{h + "/x",
         {"a=x\x01y", "b=2\x7f",
          "c\x1b"
          "d=3",
          "t=a\tb"}}},
       h + "/x",
       "t=a\tb"},
      {"a cookie too large is ignored", {{h + "/x", {"big=" + Repeat('x', 16000), "c=3"}}}, h + "/x", "c=3"},
      {"a long Cookie line stays one line",
       {{h + "/x", {"l1=" + big, "l2=" + big}}},
       h + "/x",
       "l1=" + big + "; l2=" + big},
      {"a domain keeps its newest 50", {{h + "/x", fiftyOne}}, h + "/x", lastFifty},
  };
  for (const CookieCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::map<std::string, RouteResponse> routes;
    std::vector<std::string> urls;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      urls.push_back(c.steps[i].url + "?step" + std::to_string(i));
      routes[TargetOf(urls.back())] = StepResponse(c.steps[i]);
    }
    urls.push_back(c.laterUrl + "?later");
    routes[TargetOf(urls.back())] = StepResponse({});
    testsupport::HttpRouteServer server(routes);

    TickingClock clock;
    TIdHTTP http;
    http.SetWallClock(clock);
    http.SetReadTimeout(5000);
    for (std::string& url : urls) {
      url = Expand(url, server.Port());
      const std::string host = HostOf(url);
      if (host != "127.0.0.1") http.NameOverrides().Add(FromUtf8(host), server.Port(), u"127.0.0.1");
    }
    for (const std::string& url : urls) Get(http, url);

    const std::vector<std::string> heads = Heads(server.RequestHeads());
    ASSERT_EQ(heads.size(), urls.size());
    EXPECT_FALSE(CookieLineOf(heads.front()).present) << heads.front();
    const CookieLine line = CookieLineOf(heads.back());
    EXPECT_EQ(line.present, !c.cookie.empty()) << heads.back();
    EXPECT_EQ(line.value, c.cookie);
    if (line.present) {
      EXPECT_TRUE(line.last) << "the Cookie line ends the head:\n" << heads.back();
    }
  }
}

// The store exists after the first response head, with or without cookies; without AllowCookies
// none is made and nothing is sent; an assigned store is used and left to its owner.
TEST(CookieTest, StoreLifetime) {
  testsupport::HttpRouteServer server({{"/plain", testsupport::HttpResponse(200, "OK", "")},
                                       {"/sets", StepResponse({"", {"a=1"}})},
                                       {"/later", testsupport::HttpResponse(200, "OK", "")}});
  const String base = u"http://127.0.0.1:" + IntToStr(server.Port());
  {
    TIdHTTP http;
    EXPECT_EQ(http.CookieManager(), nullptr);
    http.Get(base + u"/plain");
    ASSERT_NE(http.CookieManager(), nullptr);
    EXPECT_EQ(http.CookieManager()->CookieCollection().Count(), 0u);
  }
  {
    TIdHTTP http;
    http.SetAllowCookies(false);
    http.Get(base + u"/sets");
    http.Get(base + u"/later");
    EXPECT_EQ(http.CookieManager(), nullptr);
  }
  TIdCookieManager store;
  {
    TIdHTTP http;
    http.SetCookieManager(&store);
    http.Get(base + u"/later");
    http.Get(base + u"/sets");
    http.Get(base + u"/later");
  }
  EXPECT_EQ(store.CookieCollection().Count(), 1u);
  const std::vector<std::string> heads = Heads(server.RequestHeads());
  ASSERT_EQ(heads.size(), 6u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_FALSE(CookieLineOf(heads[i]).present) << heads[i];
  EXPECT_EQ(CookieLineOf(heads[5]).value, "a=1");
}

// The whole store keeps at most MaxCookies, dropping the oldest, and no domain more than
// MaxCookiesPerDomain; expired cookies go before live ones.
TEST(CookieTest, StoreBounds) {
  TIdCookies cookies;
  const TDateTime now = Utc(2026, 3, 1, 12, 0, 0);
  const auto add = [&](const String& name, const String& domain, TDateTime expires) {
    auto cookie = std::make_unique<TIdCookie>();
    cookie->SetCookieName(name);
    cookie->SetDomain(domain);
    cookie->SetPath(u"/");
    cookie->SetExpires(expires);
    return cookies.AddCookie(std::move(cookie), TIdURI(u"http://" + domain + u"/"), true, now);
  };
  const std::size_t domains = TIdCookies::MaxCookies / TIdCookies::MaxCookiesPerDomain + 1;
  for (std::size_t d = 0; d < domains; ++d)
    for (std::size_t i = 0; i < TIdCookies::MaxCookiesPerDomain; ++i)
      ASSERT_TRUE(add(u"c" + IntToStr(static_cast<std::int64_t>(i)),
                      u"d" + IntToStr(static_cast<std::int64_t>(d)), SessionCookieExpiry()));
  EXPECT_EQ(cookies.Count(), TIdCookies::MaxCookies);
  EXPECT_EQ(cookies.GetCookieIndex(u"c0", u"d0", u"/"), -1);
  EXPECT_EQ(cookies.GetCookieIndex(u"c0", u"d1", u"/"), 0);

  cookies.Clear();
  ASSERT_TRUE(add(u"live", u"h", SessionCookieExpiry()));
  ASSERT_TRUE(add(u"soon", u"h", IncSecondsSaturated(now, 1)));
  for (std::size_t i = 2; i < TIdCookies::MaxCookiesPerDomain; ++i)
    ASSERT_TRUE(add(u"c" + IntToStr(static_cast<std::int64_t>(i)), u"h", SessionCookieExpiry()));
  // "soon" has expired by the time the domain overflows: it goes, and the oldest live one stays.
  auto late = std::make_unique<TIdCookie>();
  late->SetCookieName(u"late");
  late->SetDomain(u"h");
  late->SetPath(u"/");
  ASSERT_TRUE(cookies.AddCookie(std::move(late), TIdURI(u"http://h/"), true, IncSecondsSaturated(now, 2)));
  EXPECT_EQ(cookies.Count(), TIdCookies::MaxCookiesPerDomain);
  EXPECT_EQ(cookies.GetCookieIndex(u"soon", u"h", u"/"), -1);
  EXPECT_EQ(cookies.GetCookieIndex(u"live", u"h", u"/"), 0);
}

}  // namespace
