#include <gtest/gtest.h>

#include "http/IdURI.h"
#include "support/Raised.h"

namespace {

TEST(IdURITest, SplitsUrlsIntoTheirParts) {
  struct Case {
    const char16_t* url;
    const char16_t *protocol, *host, *port, *path, *document, *params, *bookmark, *username, *password;
    TIdIPVersion version;
  };
  using enum TIdIPVersion;
  const Case cases[] = {
      {u"http://h/dir/newest", u"http", u"h", u"", u"/dir/", u"newest", u"", u"", u"", u"", Id_IPv4},
      {u"http://h:8080/x", u"http", u"h", u"8080", u"/", u"x", u"", u"", u"", u"", Id_IPv4},
      {u"http://h", u"http", u"h", u"", u"/", u"", u"", u"", u"", u"", Id_IPv4},
      // The query is split off before the fragment, so a "#" after a "?" is part of the query.
      {u"http://h/d?x=1#f", u"http", u"h", u"", u"/", u"d", u"x=1#f", u"", u"", u"", Id_IPv4},
      {u"http://h/x#z", u"http", u"h", u"", u"/", u"x", u"", u"z", u"", u"", Id_IPv4},
      {u"http://h/x#a/b", u"http", u"h", u"", u"/x#a/", u"b", u"", u"", u"", u"", Id_IPv4},
      // Backslashes become slashes before the query only.
      {u"http://h\\dir\\file?a\\b", u"http", u"h", u"", u"/dir/", u"file", u"a\\b", u"", u"", u"", Id_IPv4},
      {u"http://user:pw@h/x", u"http", u"h", u"", u"/", u"x", u"", u"", u"user", u"pw", Id_IPv4},
      {u"http://user@h/x", u"http", u"h", u"", u"/", u"x", u"", u"", u"user", u"", Id_IPv4},
      {u"http://:pw@h/x", u"http", u"h", u"", u"/", u"x", u"", u"", u"", u"", Id_IPv4},
      {u"http://a:b:c@d@h/x", u"http", u"d@h", u"", u"/", u"x", u"", u"", u"a", u"b:c", Id_IPv4},
      {u"http://[::1]:8080/x", u"http", u"::1", u"8080", u"/", u"x", u"", u"", u"", u"", Id_IPv6},
      {u"http://[fe80::1]/", u"http", u"fe80::1", u"", u"/", u"", u"", u"", u"", u"", Id_IPv6},
      {u"http://h:abc/", u"http", u"h", u"abc", u"/", u"", u"", u"", u"", u"", Id_IPv4},
      {u"http://h/a b/c?d e", u"http", u"h", u"", u"/a b/", u"c", u"d e", u"", u"", u"", Id_IPv4},
      {u"http://h/\u00e4/\u20ac", u"http", u"h", u"", u"/\u00e4/", u"\u20ac", u"", u"", u"", u"", Id_IPv4},
      // Relative references.
      {u"newest", u"", u"", u"", u"", u"newest", u"", u"", u"", u"", Id_IPv4},
      {u"../c?q", u"", u"", u"", u"../", u"c", u"q", u"", u"", u"", Id_IPv4},
      {u"/abs/doc", u"", u"", u"", u"/abs/", u"doc", u"", u"", u"", u"", Id_IPv4},
      {u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", Id_IPv4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.url));
    const TIdURI uri(c.url);
    EXPECT_EQ(uri.URI(), c.url);
    EXPECT_EQ(uri.Protocol(), c.protocol);
    EXPECT_EQ(uri.Host(), c.host);
    EXPECT_EQ(uri.Port(), c.port);
    EXPECT_EQ(uri.Path(), c.path);
    EXPECT_EQ(uri.Document(), c.document);
    EXPECT_EQ(uri.Params(), c.params);
    EXPECT_EQ(uri.Bookmark(), c.bookmark);
    EXPECT_EQ(uri.Username(), c.username);
    EXPECT_EQ(uri.Password(), c.password);
    EXPECT_EQ(uri.IPVersion(), c.version);
  }
}

TEST(IdURITest, ParsingAgainForgetsThePreviousParts) {
  TIdURI uri(u"https://u:p@[::1]:99/a/b?c#d");
  uri.SetURI(u"x");
  EXPECT_EQ(uri.GetPathAndParams(), u"x");
  EXPECT_EQ(uri.Host(), u"");
  EXPECT_EQ(uri.Username(), u"");
  EXPECT_EQ(uri.IPVersion(), TIdIPVersion::Id_IPv4);
}

TEST(IdURITest, BuildsTheFullUrlWithAndWithoutTheOptionalParts) {
  struct Case {
    const char16_t* url;
    const char16_t* full;
    const char16_t* bare;
  };
  const Case cases[] = {
      {u"http://u:p@h:80/a/b#d", u"http://u:p@h/a/b#d", u"http://h/a/b"},
      {u"http://h/a?c#d", u"http://h/a?c#d", u"http://h/a?c#d"},
      {u"HTTP://h:8080/", u"HTTP://h:8080/", u"HTTP://h:8080/"},
      {u"https://h:443/x", u"https://h/x", u"https://h/x"},
      {u"https://h:80/x", u"https://h:80/x", u"https://h:80/x"},
      {u"ftp://u@h:21/x", u"ftp://u@h/x", u"ftp://h/x"},
  };
  for (const Case& c : cases) {
    const TIdURI uri(c.url);
    EXPECT_EQ(uri.GetFullURI(), c.full);
    EXPECT_EQ(uri.GetFullURI({}), c.bare);
  }
  EXPECT_EQ(Raised<EIdURIException>([] { static_cast<void>(TIdURI(u"/x").GetFullURI()); }).Message(),
            u"Protokollfeld ist leer");
  EXPECT_EQ(Raised<EIdURIException>([] { static_cast<void>(TIdURI(u"http:///x").GetFullURI()); }).Message(),
            u"Host-Feld ist leer");
}

TEST(IdURITest, PercentEncodingHelpersRoundTrip) {
  EXPECT_EQ(TIdURI::URLEncode(u"a b/\u00e4"), u"a%20b/%C3%A4");
  EXPECT_EQ(TIdURI::URLDecode(u"a%20b/%C3%A4%"), u"a b/\u00e4%");
  EXPECT_EQ(TIdURI::PathEncode(u"/a b?"), u"/a%20b%3F");
}

TEST(MergePathTest, ResolvesRelativePathsAgainstTheBase) {
  struct Case {
    const char16_t* base;
    const char16_t* path;
    const char16_t* merged;
  };
  const Case cases[] = {
      {u"/a/", u"", u"/a/"},      {u"/a/", u"/c/", u"/c/"},
      {u"/a/b/", u"../", u"/a/"}, {u"/a/", u"../", u"/"},
      {u"/", u"../../", u"/"},    {u"/a/b/", u"../../x/", u"/x/"},
      {u"/a/", u"./", u"/a/./"},  {u"/a/", u"b//c/", u"/a/b/c/"},
      {u"/a", u"b/", u"/a/b/"},   {u"/a/", u"b", u"/a/b"},
      {u"", u"b/", u"b/"},        {u"/a/", u"x..y/", u"/a/x..y/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(String(c.base) + u" + " + c.path));
    EXPECT_EQ(MergePath(c.base, c.path), c.merged);
  }
}

}  // namespace
