#include <gtest/gtest.h>

#include <string>

#include "core/Stream.h"
#include "http/IdHTTP.h"
#include "support/LoopbackServer.h"
#include "support/Raised.h"

namespace {

using testsupport::LoopbackServer;
namespace step = testsupport::step;

String BaseUrl(const LoopbackServer& server) {
  return u"http://127.0.0.1:" + IntToStr(server.Port());
}

std::string Bytes(const TMemoryStream& stream) {
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

const std::string kHeadEnd = "\r\n\r\n";

std::string ExpectedHead(const std::string& path, std::uint16_t port) {
  return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
         "\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\nUser-Agent: Mozilla/3.0 (compatible; "
         "Fendrel "
         "Updater)\r\n\r\n";
}

TEST(IdHTTPLoopbackTest, BodyFramings) {
  struct Case {
    const char* name;
    std::string response;
    std::string body;
  };
  const Case cases[] = {
      {"counted", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", "hello"},
      {"chunked wins over the length",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: "
       "5\r\n\r\n4;ext=1\r\nWiki\r\n5\r\npedia\r\n0\r\n"
       "X-Trailer: 1\r\n\r\n",
       "Wikipedia"},
      {"until close", "HTTP/1.1 200 OK\r\n\r\nall of it", "all of it"},
      {"empty", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nignored", ""},
      {"interim continue", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
       "ok"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackServer server({step::ReceiveUntil(kHeadEnd), step::Send(c.response), step::Close()});
    TIdHTTP http;
    TMemoryStream body;
    http.Get(BaseUrl(server) + u"/dir/file", body);
    EXPECT_EQ(Bytes(body), c.body);
    EXPECT_EQ(http.ResponseCode(), 200);
    ASSERT_TRUE(server.WaitDone());
    EXPECT_EQ(server.Received(), ExpectedHead("/dir/file", server.Port()));
  }
}

TEST(IdHTTPLoopbackTest, TrailersJoinTheRawHeaders) {
  LoopbackServer server(
      {step::ReceiveUntil(kHeadEnd),
       step::Send(
           "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nWiki\r\n0\r\nX-Trailer: 1\r\n\r\n"),
       step::Close()});
  TIdHTTP http;
  EXPECT_EQ(http.Get(BaseUrl(server) + u"/"), u"Wiki");
  EXPECT_EQ(http.Response().RawHeaders().Values(u"X-Trailer"), u"1");
}

TEST(IdHTTPLoopbackTest, ErrorStatusRaisesWithStatusLineCodeAndPage) {
  LoopbackServer server(
      {step::ReceiveUntil(kHeadEnd),
       step::Send(
           "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 11\r\n\r\n<p>gone</p>"),
       step::Close()});
  TIdHTTP http;
  TMemoryStream body;
  const auto e = Raised<EIdHTTPProtocolException>([&] { http.Get(BaseUrl(server) + u"/x", body); });
  EXPECT_EQ(e.Message(), u"HTTP/1.1 404 Not Found");
  EXPECT_EQ(e.ErrorCode(), 404);
  EXPECT_EQ(e.ErrorMessage(), u"<p>gone</p>");
  EXPECT_EQ(body.Size(), 0);
}

TEST(IdHTTPLoopbackTest, KeptConnectionServesTheSecondRequest) {
  // Ephemeral ports have five digits, which fixes the length of the second request head.
  const std::string second = ExpectedHead("/fendrel/1.5/update.zip", 50000);
  LoopbackServer server({step::ReceiveUntil(kHeadEnd),
                         step::Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n1.5"),
                         step::Receive(second.size()),
                         step::Send("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nPK\x03\x04"), step::Hold()});
  ASSERT_GE(server.Port(), 10000);
  TIdHTTP http;
  http.SetReadTimeout(5000);
  EXPECT_EQ(http.Get(BaseUrl(server) + u"/fendrel/newest"), u"1.5");
  EXPECT_TRUE(http.Connected());
  TMemoryStream archive;
  http.Get(BaseUrl(server) + u"/fendrel/1.5/update.zip", archive);
  EXPECT_EQ(Bytes(archive), std::string("PK\x03\x04"));
  EXPECT_EQ(server.Accepted(), 1);
  EXPECT_EQ(server.Received(), ExpectedHead("/fendrel/newest", server.Port()) +
                                   ExpectedHead("/fendrel/1.5/update.zip", server.Port()));
}

TEST(IdHTTPLoopbackTest, UrlsRefusedBeforeAnyConnection) {
  struct Case {
    const char16_t* url;
    const char16_t* className;
    const char16_t* message;
  };
  const Case cases[] = {
      {u"https://127.0.0.1:1/x", u"EIdIOHandlerPropInvalid", u"Wert für IOHandler ist ungültig"},
      {u"newest", u"EIdUnknownProtocol", u"Unbekanntes Protokoll"},
      {u"gopher://127.0.0.1/x", u"EIdUnknownProtocol", u"Unbekanntes Protokoll"},
      {u"http://127.0.0.1:0/x", u"EIdHTTPInvalidPort", u"Ungültiger Port in der URL: \"0\""},
      {u"http://127.0.0.1:65536/x", u"EIdHTTPInvalidPort", u"Ungültiger Port in der URL: \"65536\""},
      {u"http://127.0.0.1:18446744073709551697/x", u"EIdHTTPInvalidPort",
       u"Ungültiger Port in der URL: \"18446744073709551697\""},
      {u"http://127.0.0.1:8o/x", u"EIdHTTPInvalidPort", u"Ungültiger Port in der URL: \"8o\""},
  };
  for (const Case& c : cases) {
    TIdHTTP http;
    String className = u"<none>";
    String message;
    try {
      static_cast<void>(http.Get(c.url));
    } catch (const EIdException& e) {
      className = e.ClassName();
      message = e.Message();
    }
    EXPECT_EQ(className, c.className) << ToUtf8(c.url);
    EXPECT_EQ(message, c.message) << ToUtf8(c.url);
    EXPECT_EQ(http.IOHandler(), nullptr) << ToUtf8(c.url);
  }
}

TEST(IdHTTPLoopbackTest, ABodyCutShortByACloseIsAnError) {
  struct Case {
    const char* name;
    std::string response;
    std::string kept;  // what the caller's stream holds afterwards
  };
  const Case cases[] = {
      {"counted", "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Length: 10\r\n\r\nPK\x03\x04",
       "PK\x03\x04"},
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nPK\x03\x04\r\n6\r\nab",
       "PK\x03\x04"
       "ab"},
      // An HTML body reaches a stream that is not in memory only once it is complete.
      {"html", "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 10\r\n\r\n<html>", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackServer server({step::ReceiveUntil(kHeadEnd), step::Send(c.response), step::Close()});
    TIdHTTP http;
    TMemoryStream body;
    // A stream of the caller's that is not a memory stream, as the download's file is.
    struct Forwarding : TStream {
      TMemoryStream& inner;
      explicit Forwarding(TMemoryStream& s) : inner(s) {}
      std::int64_t Read(void* b, std::int64_t n) override { return inner.Read(b, n); }
      std::int64_t Write(const void* b, std::int64_t n) override { return inner.Write(b, n); }
      std::int64_t Seek(std::int64_t o, TSeekOrigin origin) override { return inner.Seek(o, origin); }
      void SetSize(std::int64_t n) override { inner.SetSize(n); }
    } file(body);
    Raised<EIdConnClosedGracefully>([&] { http.Get(BaseUrl(server) + u"/update.zip", file); });
    EXPECT_EQ(Bytes(body), c.kept);
    EXPECT_FALSE(http.Connected());
  }
}

TEST(IdHTTPLoopbackTest, ADrippingServerMeetsTheDeadlineOfATextGet) {
  std::vector<testsupport::ServerStep> script{step::ReceiveUntil(kHeadEnd),
                                              step::Send("HTTP/1.1 200 OK\r\n")};
  for (int i = 0; i < 300; ++i) {
    script.push_back(step::Send("X-Drip: 1\r\n"));
    script.push_back(step::Pause(10));
  }
  LoopbackServer server(script);
  TIdHTTP http;
  http.SetReadTimeout(2000);
  http.SetDeadline(200);
  EXPECT_EQ(
      Raised<EIdReadTimeout>([&] { static_cast<void>(http.Get(BaseUrl(server) + u"/newest")); }).Message(),
      u"Zeitüberschreitung beim Lesen.");
  EXPECT_FALSE(http.Connected());
}

TEST(IdHTTPLoopbackTest, ANameOverrideReachesTheAddressAndTheRequestNamesTheHost) {
  LoopbackServer server({step::ReceiveUntil(kHeadEnd),
                         step::Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"), step::Hold()});
  TIdHTTP http;
  http.SetReadTimeout(5000);
  const String base = u"http://Updates.Example:" + IntToStr(server.Port());
  http.NameOverrides().Add(u"updates.example", server.Port(), u"127.0.0.1");
  EXPECT_EQ(http.Get(base + u"/a"), u"ok");
  EXPECT_TRUE(http.Connected());
  EXPECT_NE(server.Received().find("\r\nHost: Updates.Example:" + std::to_string(server.Port()) + "\r\n"),
            std::string::npos);
}

TEST(IdHTTPLoopbackTest, AChallengeIsNeverDeliveredAsTheResult) {
  LoopbackServer server({step::ReceiveUntil(kHeadEnd),
                         step::Send("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"x\"\r\n"
                                    "Content-Length: 6\r\n\r\ndenied"),
                         step::Close()});
  TIdHTTP http;
  TMemoryStream body;
  const auto e = Raised<EIdHTTPProtocolException>(
      [&] { http.Get(u"http://user:pw@127.0.0.1:" + IntToStr(server.Port()) + u"/update.zip", body); });
  EXPECT_EQ(e.ErrorCode(), 401);
  EXPECT_EQ(e.ErrorMessage(), u"denied");
  EXPECT_EQ(body.Size(), 0);
  ASSERT_TRUE(server.WaitDone());
  EXPECT_EQ(server.Received().find("Authorization"), std::string::npos);
}

TEST(IdHTTPLoopbackTest, AFoldedHeaderGoesOutOnOneLine) {
  LoopbackServer server(
      {step::ReceiveUntil(kHeadEnd), step::Send("HTTP/1.1 204 No Content\r\n\r\n"), step::Close()});
  TIdHTTP http;
  String cookie;
  for (int i = 0; i < 200; ++i) cookie += u"c" + IntToStr(i) + u"=v; ";
  http.Request().CustomHeaders().AddValue(u"Cookie", cookie);
  TMemoryStream body;
  http.Get(BaseUrl(server) + u"/x", body);
  ASSERT_TRUE(server.WaitDone());
  EXPECT_GT(http.Request().RawHeaders().Count(), 6u);  // folded in the stored list
  EXPECT_NE(server.Received().find("\r\nCookie: " + ToUtf8(cookie) + "\r\n"), std::string::npos);
}

}  // namespace
