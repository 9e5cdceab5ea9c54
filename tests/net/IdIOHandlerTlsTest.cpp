// The TLS-capable handler in the connection layer's model, against python's ssl module on
// 127.0.0.1: what counts as input, what counts as a close.
#include <gtest/gtest.h>

#include <string>

#include "core/Stream.h"
#include "net/IdException.h"
#include "net/IdIOHandlerTls.h"
#include "net/IdTCPClient.h"
#include "support/Needs.h"
#include "support/TlsPeer.h"

namespace {

using testsupport::PythonTlsServer;
using testsupport::TestCertificates;

#define SKIP_WITHOUT_TLS()                                                       \
  if (!TIdIOHandlerTls::TlsAvailable()) GTEST_SKIP() << "this build has no TLS"; \
  FENDREL_NEEDS(TestCertificates::Available(), "openssl or python3 is not installed")

// A protected connection to the server, trusting the test authority.
struct TlsConnection {
  explicit TlsConnection(const PythonTlsServer& server) {
    Handler.SetPassThrough(false);
    Handler.SetCAFiles({FromUtf8(TestCertificates::Shared().AuthorityFile())});
    Client.SetIOHandler(&Handler);
    Client.SetReadTimeout(20000);
    Client.Connect(u"127.0.0.1", server.Port());
  }
  void Request(const std::string& target) {
    Handler.Write(FromUtf8("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
  }
  TIdIOHandlerTls Handler;
  TIdTCPClientCustom Client;
};

// The TLS 1.3 server sends its session tickets once the handshake is done: records without
// application data. A poll takes them in and says "nothing yet", the connection stays up,
// and the next request is served on it.
TEST(IdIOHandlerTlsTest, SessionTicketsAreNeitherInputNorACloseInAPoll) {
  SKIP_WITHOUT_TLS();
  PythonTlsServer server({});
  TlsConnection connection(server);
  ASSERT_EQ(server.NextReport(), "handshake TLSv1.3");
  TIdSocketHandle& socket = *connection.Handler.Binding();
  ASSERT_TRUE(socket.Readable(10000)) << "the tickets did not come";

  EXPECT_FALSE(connection.Handler.Readable(0));
  EXPECT_FALSE(connection.Handler.CheckForDataOnSource(0));
  EXPECT_TRUE(connection.Client.Connected());
  EXPECT_FALSE(connection.Handler.ClosedGracefully());
  EXPECT_TRUE(connection.Handler.InputBufferIsEmpty());

  connection.Request("/hello");
  EXPECT_EQ(connection.Handler.ReadLn(), u"HTTP/1.1 200 OK");
}

// A server that asks for a client certificate the client may leave out: the handshake goes
// on without one at once (the request comes in the server's first flight, with nothing after
// it to wait for), in both versions.
TEST(IdIOHandlerTlsTest, AnOptionalClientCertificateRequestIsAnsweredWithoutOne) {
  SKIP_WITHOUT_TLS();
  for (const std::string version : {"1.2", "1.3"}) {
    SCOPED_TRACE(version);
    PythonTlsServer::Options options;
    options.LowestVersion = version;
    options.HighestVersion = version;
    options.AskClientCertificate = true;
    PythonTlsServer server(options);
    TlsConnection connection(server);
    EXPECT_EQ(server.NextReport(), "handshake TLSv" + version);
    connection.Request("/hello");
    EXPECT_EQ(connection.Handler.ReadLn(), u"HTTP/1.1 200 OK");
  }
}

// Decrypted bytes held by the handler count as input although the socket has nothing left.
TEST(IdIOHandlerTlsTest, DecryptedBytesWaitingCountAsInputWithAnEmptySocket) {
  SKIP_WITHOUT_TLS();
  PythonTlsServer server({});
  TlsConnection connection(server);
  connection.Request("/hello");
  ASSERT_TRUE(connection.Handler.Readable(10000));
  // The whole response came in one record; the socket is drained.
  EXPECT_FALSE(connection.Handler.Binding()->Readable(0));
  EXPECT_TRUE(connection.Handler.Readable(0));
  EXPECT_EQ(connection.Handler.ReadLn(), u"HTTP/1.1 200 OK");
}

// Reading until the close: the close notification ends the read quietly; a connection cut
// without it raises, and what arrived before stays in the stream.
TEST(IdIOHandlerTlsTest, ReadingUntilTheCloseTellsACutFromAClose) {
  SKIP_WITHOUT_TLS();
  PythonTlsServer server({});
  const std::string expected = testsupport::TlsPatternBytes(70000);
  for (const std::string how : {"notify", "cut"}) {
    SCOPED_TRACE(how);
    TlsConnection connection(server);
    connection.Request("/until-close/" + how + "/70000");
    while (!connection.Handler.ReadLn().empty()) {
    }
    TMemoryStream body;
    if (how == "notify") {
      connection.Handler.ReadStream(body, -1, true);
    } else {
      EXPECT_THROW(connection.Handler.ReadStream(body, -1, true), EIdTLSConnectionTruncated);
      // A cut connection is closed, also for a later check that raises.
      EXPECT_THROW(connection.Handler.CheckForDisconnect(true, true), EIdTLSConnectionTruncated);
    }
    EXPECT_EQ(body.Size(), static_cast<std::int64_t>(expected.size()));
    EXPECT_FALSE(connection.Client.Connected());
  }
}

// A server that cut a kept connection between requests: the check before the next request
// sees a closed connection and raises nothing, so a new connection can be made.
TEST(IdIOHandlerTlsTest, ACutFoundByTheConnectedCheckIsAQuietClose) {
  SKIP_WITHOUT_TLS();
  PythonTlsServer server({});
  TlsConnection connection(server);
  connection.Request("/until-close/cut/10");
  while (!connection.Handler.ReadLn().empty()) {
  }
  TIdBytes body;
  connection.Handler.ReadBytes(body, 10, false);
  // The end of the socket is there to be seen.
  ASSERT_TRUE(connection.Handler.Binding()->Readable(10000));
  EXPECT_FALSE(connection.Client.Connected());
  EXPECT_FALSE(connection.Handler.Secure());
  connection.Client.Connect();
  connection.Request("/hello");
  EXPECT_EQ(connection.Handler.ReadLn(), u"HTTP/1.1 200 OK");
}

}  // namespace
