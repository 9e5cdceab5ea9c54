// Inputs the fuzz targets of the HTTP client found faults with, kept as regressions.
#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "core/String.h"
#include "http/IdCookie.h"
#include "http/IdURI.h"

namespace {

// Only a whole ".." segment goes up a level, and never above the root of an absolute path:
// a name that merely starts with two dots stays, and the request target stays absolute.
TEST(FuzzFindingsTest, MergePathTakesOnlyWholeDotDotSegments) {
  struct Case {
    const char16_t* base;
    const char16_t* path;
    const char16_t* merged;
  };
  const Case cases[] = {
      {u"/", u"..x/y//", u"/..x/y/"},       {u"/a/", u"..x/", u"/a/..x/"}, {u"/a/", u".../", u"/a/.../"},
      {u"/a/b/", u"c/..d/../", u"/a/b/c/"}, {u"/", u"..", u"/"},           {u"/a/", u"../..", u"/"},
      {u"/a/", u"../../../b/", u"/b/"},     {u"/a/b/", u"..", u"/a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(String(c.base) + u" + " + c.path));
    EXPECT_EQ(MergePath(c.base, c.path), c.merged);
  }
}

// A quoted cookie value keeps the blanks at its ends, so written back as a Set-Cookie value it
// must be quoted again to read back the same.
TEST(FuzzFindingsTest, ACookieValueWithOuterBlanksIsWrittenInQuotes) {
  const TDateTime now = EncodeDate(2026, 3, 1);
  const TIdURI uri(u"http://h/");
  for (const char16_t* text : {u"a=\"q \"\"; Expires, 08-Jun-14 GMT", u"a=\" q\"", u"a=plain"}) {
    SCOPED_TRACE(ToUtf8(text));
    TIdCookie cookie;
    ASSERT_TRUE(cookie.ParseServerCookie(text, uri, now, 0));
    TIdCookie again;
    ASSERT_TRUE(again.ParseServerCookie(cookie.ServerCookie(now, 0), uri, now, 0));
    EXPECT_EQ(again.Value(), cookie.Value());
  }
}

}  // namespace
