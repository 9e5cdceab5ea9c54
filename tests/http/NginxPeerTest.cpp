// The HTTP client against nginx on 127.0.0.1: HTTP/1.1 with keep-alive and real Content-Length,
// the updater's two requests on one connection, a larger download into a file, and nginx's own
// 404 page; and on ::1, an IPv6 literal URL. Skipped, saying so, only when nginx is not
// installed (a failure in a CI run) or, for ::1, the machine has no IPv6 loopback.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/Stream.h"
#include "core/String.h"
#include "http/IdHTTP.h"
#include "support/LoopbackServer.h"
#include "support/Needs.h"
#include "support/PeerServers.h"
#include "support/StreamBytes.h"

namespace {

using testsupport::NginxServer;
using testsupport::ScratchFolder;
using testsupport::StreamBytes;

// Bytes that no simple framing mistake leaves unchanged: every byte value, CR LF pairs, and a
// pattern that does not repeat at any power-of-two distance.
std::string ArchiveBytes(std::size_t count) {
  std::string bytes(count, '\0');
  std::uint32_t state = 2463534242u;
  for (std::size_t i = 0; i < count; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = static_cast<char>(state);
  }
  return bytes;
}

class NginxPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FENDREL_NEEDS(NginxServer::Available(), "nginx is not installed (scripts/setup installs it)");
    FFolder = std::make_unique<ScratchFolder>("fendrel-nginx-peer");
    FFolder->WriteFile("www/newest", "2.0\r\n");
    FFolder->WriteFile("www/2.0/update.zip", ArchiveBytes(3 * 1024 * 1024 + 17));
    FServer = std::make_unique<NginxServer>(*FFolder);
  }
  String URL(const std::string& path) const { return FromUtf8(FServer->BaseURL() + path); }

  std::unique_ptr<ScratchFolder> FFolder;
  std::unique_ptr<NginxServer> FServer;
};

TEST_F(NginxPeerTest, TheUpdatersTwoRequestsShareOneKeptConnection) {
  TIdHTTP http;
  http.SetReadTimeout(10000);
  EXPECT_EQ(http.Get(URL("/newest")), u"2.0\r\n");
  EXPECT_TRUE(http.Connected());

  TMemoryStream archive;
  http.Get(URL("/2.0/update.zip"), archive);
  EXPECT_EQ(http.ResponseCode(), 200);
  EXPECT_TRUE(StreamBytes(archive) == ArchiveBytes(3 * 1024 * 1024 + 17)) << "the archive differs";

  // nginx logs each request with the number of the connection it came on.
  const auto log = FServer->AccessLog();
  ASSERT_EQ(log.size(), 2u);
  const auto connection = [](const std::string& line) { return line.substr(0, line.find(' ')); };
  EXPECT_EQ(connection(log[0]), connection(log[1])) << log[0] << "\n" << log[1];
  EXPECT_NE(log[1].find("\"GET /2.0/update.zip HTTP/1.1\" 200"), std::string::npos) << log[1];
}

TEST_F(NginxPeerTest, ADownloadIntoAFileArrivesUnchanged) {
  const std::string path = FFolder->Path() + "/update.zip";
  {
    TIdHTTP http;
    http.SetReadTimeout(10000);
    TFileStream file(FromUtf8(path), fmCreate);
    http.Get(URL("/2.0/update.zip"), file);
  }
  TFileStream file(FromUtf8(path), fmOpenRead);
  EXPECT_TRUE(StreamBytes(file) == ArchiveBytes(3 * 1024 * 1024 + 17)) << "the file differs";
}

TEST_F(NginxPeerTest, A404PageBecomesTheStatusExceptionAndTheConnectionStays) {
  TIdHTTP http;
  http.SetReadTimeout(10000);
  TMemoryStream target;
  try {
    http.Get(URL("/3.0/update.zip"), target);
    FAIL() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.Message(), u"HTTP/1.1 404 Not Found");
    EXPECT_EQ(e.ErrorCode(), 404);
    EXPECT_NE(ToUtf8(e.ErrorMessage()).find("<title>404 Not Found</title>"), std::string::npos)
        << ToUtf8(e.ErrorMessage());
  }
  EXPECT_EQ(target.Size(), 0);
  EXPECT_TRUE(http.Connected());
  EXPECT_EQ(http.Get(URL("/newest")), u"2.0\r\n");
}

// nginx answers a Host line that names no valid host with 400: an IPv6 literal goes in brackets.
TEST(NginxPeerIPv6Test, AnIPv6LiteralURLIsServed) {
  FENDREL_NEEDS(NginxServer::Available(), "nginx is not installed (scripts/setup installs it)");
  if (!testsupport::LoopbackServer::IPv6Available()) GTEST_SKIP() << "IPv6 loopback (::1) is not available";
  ScratchFolder folder("fendrel-nginx-ipv6");
  folder.WriteFile("www/newest", "2.0\r\n");
  NginxServer server(folder, true);
  TIdHTTP http;
  http.SetReadTimeout(10000);
  EXPECT_EQ(http.Get(FromUtf8(server.BaseURLIPv6() + "/newest")), u"2.0\r\n");
  EXPECT_EQ(http.ResponseCode(), 200);
  EXPECT_EQ(http.Request().Host(), FromUtf8("[::1]:" + std::to_string(server.Port())));
}

}  // namespace
