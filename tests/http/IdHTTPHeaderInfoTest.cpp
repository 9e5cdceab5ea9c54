#include <gtest/gtest.h>

#include <string>

#include "core/Stream.h"
#include "http/IdHTTP.h"
#include "http/IdHTTPDate.h"
#include "http/IdHtmlMeta.h"

namespace {

// Date values computed along different paths may differ in the last bits; a millisecond is a
// little above 1.1e-8 days.
constexpr double kMillisecond = 1.0 / 86400000.0;

TEST(IdHTTPResponseTest, StatusLineGivesCodeAndVersion) {
  struct Case {
    const char16_t* line;
    int code;
    TIdHTTPProtocolVersion version;
  };
  using enum TIdHTTPProtocolVersion;
  const Case cases[] = {
      {u"HTTP/1.1 200 OK", 200, pv1_1},
      {u"HTTP/1.1 200", 200, pv1_1},
      {u"HTTP/1.0  404 Not Found", 404, pv1_0},
      {u"http/1.1 301 Moved", 301, pv1_1},
      {u"HTTP/2.0 200 OK", 200, pv1_0},
      {u"FOO", -1, pv1_0},
      {u"HTTP/1.1 abc OK", -1, pv1_1},
      {u"HTTP/1.1 99999999999 Big", -1, pv1_1},
      {u"", -1, pv1_0},
  };
  TIdHTTP http;
  for (const Case& c : cases) {
    http.Response().SetResponseText(c.line);
    EXPECT_EQ(http.Response().ResponseCode(), c.code) << ToUtf8(c.line);
    EXPECT_EQ(http.Response().ResponseVersion(), c.version) << ToUtf8(c.line);
    EXPECT_EQ(http.Response().ResponseText(), c.line);
  }
}

TEST(IdHTTPResponseTest, ContentTypeSetsTheCharsetByTheRule) {
  struct Case {
    const char16_t* contentType;  // nullptr: no Content-Type line
    const char16_t* type;
    const char16_t* charset;
  };
  // Each row follows the previous one on the same response: a type without a charset of its
  // own keeps the charset before it.
  const Case cases[] = {
      {u"text/plain", u"text/plain", u"ISO-8859-1"},
      {u"text/xml", u"text/xml", u"us-ascii"},
      {u"TEXT/svg+xml; q=1", u"TEXT/svg+xml; q=1", u"us-ascii"},
      {u"text/html; charset=\"UTF-8\"", u"text/html", u"UTF-8"},
      {u"application/octet-stream", u"application/octet-stream", u"UTF-8"},
      {u"text/plain;Charset=koi8-r;format=flowed", u"text/plain; format=flowed", u"koi8-r"},
      {u"text/plain; charset=", u"text/plain", u"ISO-8859-1"},
      {nullptr, u"", u""},
  };
  TIdHTTP http;
  TIdHTTPResponse& response = http.Response();
  EXPECT_EQ(response.ContentType(), u"text/html");
  EXPECT_EQ(response.CharSet(), u"ISO-8859-1");
  for (const Case& c : cases) {
    response.RawHeaders().Clear();
    if (c.contentType != nullptr) response.RawHeaders().Add(String(u"Content-Type: ") + c.contentType);
    response.ProcessHeaders();
    EXPECT_EQ(response.ContentType(), c.type);
    EXPECT_EQ(response.CharSet(), c.charset);
  }
}

TEST(IdHTTPResponseTest, NumbersAndRangesAreReadSafely) {
  struct Case {
    const char16_t* header;
    std::int64_t length;
    std::int64_t rangeStart, rangeEnd, instance;
  };
  const Case cases[] = {
      {u"Content-Length: 42", 42, -1, -1, -1},
      {u"Content-Length: 9223372036854775807", INT64_MAX, -1, -1, -1},
      {u"Content-Length: 9223372036854775808", -1, -1, -1, -1},
      {u"Content-Length: -5", -1, -1, -1, -1},
      {u"Content-Length: 1e3", -1, -1, -1, -1},
      {u"Content-Range: bytes 0-99/1000", -1, 0, 99, 1000},
      {u"Content-Range: bytes 5-/*", -1, 5, -1, -1},
  };
  TIdHTTP http;
  TIdHTTPResponse& response = http.Response();
  for (const Case& c : cases) {
    response.RawHeaders().Clear();
    response.RawHeaders().Add(c.header);
    response.RawHeaders().Add(u"Content-Length: 1");  // only the first line counts
    if (String(c.header).starts_with(u"Content-Range")) response.RawHeaders().Delete(1);
    response.ProcessHeaders();
    EXPECT_EQ(response.ContentLength(), c.length) << ToUtf8(c.header);
    EXPECT_EQ(response.HasContentLength(), c.length >= 0);
    EXPECT_EQ(response.ContentRangeStart(), c.rangeStart);
    EXPECT_EQ(response.ContentRangeEnd(), c.rangeEnd);
    EXPECT_EQ(response.ContentRangeInstanceLength(), c.instance);
  }
}

TEST(IdHTTPResponseTest, DatesAreLocalAndExpiresSaturates) {
  platform::TFixedWallClock clock(EncodeDate(2021, 6, 9) + EncodeTime(12, 0, 0, 0), 120);
  TIdHTTP http;
  http.SetWallClock(clock);
  TIdHTTPResponse& response = http.Response();
  response.RawHeaders().Add(u"Date: Wed, 09 Jun 2021 10:18:14 GMT");
  response.RawHeaders().Add(u"Last-Modified: garbage");
  response.RawHeaders().Add(u"Expires: 99999999999999999");
  response.ProcessHeaders();
  EXPECT_NEAR(response.Date(), EncodeDate(2021, 6, 9) + EncodeTime(12, 18, 14, 0), kMillisecond);
  EXPECT_EQ(response.LastModified(), 0);
  EXPECT_EQ(response.Expires(), MaxDateTime());

  response.RawHeaders().Clear();
  response.RawHeaders().Add(u"Expires: -1");
  response.ProcessHeaders();
  EXPECT_EQ(response.Date(), clock.Now());  // no Date line: now
  EXPECT_EQ(response.Expires(), 0);
}

TEST(IdHTTPDateTest, ParsesTheThreeFormsAndWritesOne) {
  const TDateTime expected = EncodeDate(2021, 6, 9) + EncodeTime(10, 18, 14, 0);
  for (const char16_t* text : {u"Wed, 09 Jun 2021 10:18:14 GMT", u"Wednesday, 09-Jun-21 10:18:14 GMT",
                               u"Wed Jun  9 10:18:14 2021", u"Wed, 09 Jun 2021 12:18:14 +0200"}) {
    EXPECT_NEAR(HttpDateToLocal(text, 0), expected, kMillisecond) << ToUtf8(text);
  }
  for (const char16_t* text : {u"", u"yesterday", u"31 Feb 2021 10:18:14", u"09 Jun 2021 25:00:00"}) {
    EXPECT_EQ(HttpDateToLocal(text, 0), 0) << ToUtf8(text);
  }
  EXPECT_EQ(LocalToHttpDate(expected + EncodeTime(1, 0, 0, 0), 60), u"Wed, 09 Jun 2021 10:18:14 GMT");
}

TEST(IdHtmlMetaTest, FindsHttpEquivAndCharsetInTheHead) {
  struct Case {
    const char* html;
    std::vector<String> lines;
  };
  const Case cases[] = {
      {"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\"></head>",
       {u"Content-Type: text/html; charset=koi8-r"}},
      {"<HTML><META CHARSET='utf-8'><meta http-equiv=Refresh content=5>",
       {u"Content-Type: text/html; charset=\"utf-8\"", u"Refresh: 5"}},
      {"<meta charset=utf-8><html>", {}},  // nothing before the HTML start tag
      {"<html><!-- <meta charset=a> --><title><meta charset=b></title><script>\"<meta charset=c>\"</script>"
       "<meta name=x charset=d><body><meta charset=e>",
       {}},
      {"<html><meta charset=\"unterminated", {u"Content-Type: text/html; charset=\"unterminated\""}},
      {"<html><meta", {}},
  };
  for (const Case& c : cases) {
    TMemoryStream stream;
    stream.WriteBuffer(c.html, static_cast<std::int64_t>(std::string(c.html).size()));
    TIdHeaderList lines;
    ScanHtmlMetaHeaders(stream, lines);
    EXPECT_EQ(lines.Lines(), c.lines) << c.html;
    EXPECT_EQ(stream.Position(), stream.Size());
  }
}

}  // namespace
