// The HTTP client against python's http.server on 127.0.0.1: HTTP/1.0 answers with Content-Length
// for files, its 404 page, and (from a handler of the test's own) a body that only the close ends.
// Skipped, saying so, only when python3 is not installed (a failure in a CI run).

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/Stream.h"
#include "core/String.h"
#include "http/IdHTTP.h"
#include "support/Needs.h"
#include "support/PeerServers.h"
#include "support/StreamBytes.h"

namespace {

using testsupport::PythonHttpServer;
using testsupport::ScratchFolder;
using testsupport::StreamBytes;

class PythonPeerTest : public ::testing::Test {
 protected:
  // One server for all tests: the interpreter takes a while to start.
  static void SetUpTestSuite() {
    if (!PythonHttpServer::Available()) return;
    FFolder = std::make_unique<ScratchFolder>("fendrel-python-peer");
    FFolder->WriteFile("www/newest", "2.0\r\n");
    FFolder->WriteFile("www/2.0/update.zip", PythonHttpServer::PatternBytes(700000));
    FServer = std::make_unique<PythonHttpServer>(*FFolder);
  }
  static void TearDownTestSuite() {
    FServer.reset();
    FFolder.reset();
  }
  void SetUp() override {
    FENDREL_NEEDS(FServer != nullptr, "python3 is not installed (scripts/setup installs it)");
    FHTTP.SetReadTimeout(10000);
  }
  static String URL(const std::string& path) { return FromUtf8(FServer->BaseURL() + path); }

  static std::unique_ptr<ScratchFolder> FFolder;
  static std::unique_ptr<PythonHttpServer> FServer;
  TIdHTTP FHTTP;
};

std::unique_ptr<ScratchFolder> PythonPeerTest::FFolder;
std::unique_ptr<PythonHttpServer> PythonPeerTest::FServer;

TEST_F(PythonPeerTest, TheVersionTextOfAnHttp10Answer) {
  EXPECT_EQ(FHTTP.Get(URL("/newest")), u"2.0\r\n");
  EXPECT_EQ(FHTTP.Response().ResponseVersion(), TIdHTTPProtocolVersion::pv1_0);
}

TEST_F(PythonPeerTest, ACountedDownloadArrivesUnchanged) {
  TMemoryStream archive;
  FHTTP.Get(URL("/2.0/update.zip"), archive);
  EXPECT_EQ(FHTTP.Response().ContentLength(), 700000);
  EXPECT_TRUE(StreamBytes(archive) == PythonHttpServer::PatternBytes(700000)) << "the archive differs";
}

TEST_F(PythonPeerTest, ABodyEndedByTheCloseArrivesWhole) {
  TMemoryStream body;
  FHTTP.Get(URL("/until-close/1000003"), body);
  EXPECT_FALSE(FHTTP.Response().HasContentLength());
  EXPECT_TRUE(StreamBytes(body) == PythonHttpServer::PatternBytes(1000003)) << "the body differs";
  EXPECT_FALSE(FHTTP.Connected());
}

TEST_F(PythonPeerTest, A404PageBecomesTheStatusException) {
  try {
    FHTTP.Get(URL("/3.0/update.zip"));
    FAIL() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.Message(), u"HTTP/1.0 404 File not found");
    EXPECT_EQ(e.ErrorCode(), 404);
    EXPECT_NE(ToUtf8(e.ErrorMessage()).find("File not found"), std::string::npos) << ToUtf8(e.ErrorMessage());
  }
}

}  // namespace
