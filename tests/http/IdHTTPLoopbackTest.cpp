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

}  // namespace
