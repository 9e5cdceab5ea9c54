// https through the TLS-capable handler against python's ssl module on 127.0.0.1, with a
// certificate authority the test makes itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Stream.h"
#include "http/IdHTTP.h"
#include "http/IdHTTPException.h"
#include "net/IdException.h"
#include "net/IdIOHandlerTls.h"
#include "support/ChildProgram.h"
#include "support/HttpRouteServer.h"
#include "support/Needs.h"
#include "support/StreamBytes.h"
#include "support/TlsPeer.h"

namespace {

using testsupport::PythonTlsServer;
using testsupport::TestCertificates;
using Kind = testsupport::TestCertificates::Kind;

#define SKIP_WITHOUT_TLS()                                                       \
  if (!TIdIOHandlerTls::TlsAvailable()) GTEST_SKIP() << "this build has no TLS"; \
  FENDREL_NEEDS(TestCertificates::Available(), "openssl or python3 is not installed")

// A client as the updater has it, trusting the test authority in addition to the system.
struct TlsClient {
  explicit TlsClient(bool trustTestAuthority = true) {
    if (trustTestAuthority) Handler.SetCAFiles({FromUtf8(TestCertificates::Shared().AuthorityFile())});
    Http.SetIOHandler(&Handler);
    Http.SetReadTimeout(20000);
  }
  TIdIOHandlerTls Handler;
  TIdHTTP Http;
};

PythonTlsServer::Options Serving(Kind certificate, const char* lowest = "1.2", const char* highest = "1.3",
                                 PythonTlsServer::Mode mode = PythonTlsServer::Mode::Tls) {
  PythonTlsServer::Options options;
  options.Certificate = certificate;
  options.LowestVersion = lowest;
  options.HighestVersion = highest;
  options.How = mode;
  return options;
}

String Url(const PythonTlsServer& server, const std::string& path) {
  return FromUtf8(server.BaseUrl() + path);
}

TEST(HttpsTest, AGetOverTls13ReadsTheBodyAndKeepsTheConnectionForTheNextRequest) {
  SKIP_WITHOUT_TLS();
  PythonTlsServer server({});
  TlsClient client;
  EXPECT_EQ(client.Http.Get(Url(server, "hello")), u"hello over tls");
  EXPECT_EQ(server.NextReport(), "handshake TLSv1.3");
  EXPECT_TRUE(client.Handler.Secure());
  // Both requests on the first connection: the server counts them.
  EXPECT_EQ(client.Http.Get(Url(server, "connection")), u"connection 1 request 2");
  EXPECT_EQ(client.Http.Get(Url(server, "connection")), u"connection 1 request 3");
}

TEST(HttpsTest, Tls12IsAcceptedToo) {
  SKIP_WITHOUT_TLS();
  PythonTlsServer server(Serving(Kind::Good, "1.2", "1.2"));
  TlsClient client;
  EXPECT_EQ(client.Http.Get(Url(server, "hello")), u"hello over tls");
  EXPECT_EQ(server.NextReport(), "handshake TLSv1.2");
}

// Every refused server ends the request with its own class and a German text that names
// the cause; no request reaches the server.
TEST(HttpsTest, ServersThatCannotBeTrustedAreRefusedWithAClearReason) {
  SKIP_WITHOUT_TLS();
  struct Case {
    const char* Name;
    PythonTlsServer::Options Server;
    bool TrustTestAuthority;
    const char16_t* ClassName;
    std::u16string Text;
  };
  using Mode = PythonTlsServer::Mode;
  const std::u16string untrusted = u"Das Zertifikat des Servers 127.0.0.1 ist nicht vertrauenswürdig: ";
  const std::vector<Case> cases = {
      {"another authority", Serving(Kind::Untrusted), true, u"EIdTLSCertificateUntrusted",
       untrusted + u"Es stammt von keiner vertrauenswürdigen Zertifizierungsstelle."},
      {"test authority not trusted", Serving(Kind::Good), false, u"EIdTLSCertificateUntrusted",
       untrusted + u"Es stammt von keiner vertrauenswürdigen Zertifizierungsstelle."},
      {"expired", Serving(Kind::Expired), true, u"EIdTLSCertificateUntrusted",
       untrusted + u"Es ist abgelaufen."},
      {"wrong name", Serving(Kind::WrongName), true, u"EIdTLSHostNameMismatch",
       u"Das Zertifikat des Servers gilt nicht für den Host 127.0.0.1."},
      {"plain http", Serving(Kind::Good, "1.2", "1.3", Mode::Plain), true, u"EIdTLSHandshakeFailed",
       u"Der TLS-Verbindungsaufbau mit 127.0.0.1 ist fehlgeschlagen: Der Server antwortet nicht mit TLS."},
      {"TLS 1.0 only", Serving(Kind::Good, "1.0", "1.0"), true, u"EIdTLSHandshakeFailed",
       u"Der TLS-Verbindungsaufbau mit 127.0.0.1 ist fehlgeschlagen: Der Server bietet weder TLS 1.2 noch "
       u"TLS 1.3 "
       u"an."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    PythonTlsServer server(c.Server);
    TlsClient client(c.TrustTestAuthority);
    try {
      client.Http.Get(Url(server, "hello"));
      ADD_FAILURE() << "no failure";
    } catch (const EIdTLSError& e) {
      EXPECT_EQ(e.ClassName(), c.ClassName);
      EXPECT_EQ(e.Message(), c.Text);
    }
    EXPECT_FALSE(client.Http.Connected());
    if (c.Server.How == Mode::Tls) {
      EXPECT_EQ(server.NextReport().substr(0, 7), "failed ");
    }
  }
}

// A name is checked against the certificate's DNS names only, never its common name, and
// a fully qualified name with its trailing dot is the same host. The names reach the server
// through overrides to 127.0.0.1.
TEST(HttpsTest, HostNamesAreCheckedAgainstTheAlternativeNamesOnly) {
  SKIP_WITHOUT_TLS();
  struct Case {
    Kind Certificate;
    const char* Host;
    bool Accepted;
  };
  const Case cases[] = {
      {Kind::CommonNameOnly, "good.test", false},
      {Kind::CommonNameOnly, "good.test.", false},
      {Kind::Good, "localhost", true},
      {Kind::Good, "localhost.", true},
      {Kind::WrongName, "other.example.", true},
      {Kind::WrongName, "localhost.", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Host);
    PythonTlsServer server(Serving(c.Certificate));
    TlsClient client;
    const String host = FromUtf8(c.Host);
    client.Http.NameOverrides().Add(host, server.Port(), u"127.0.0.1");
    const String url = u"https://" + host + u":" + FromUtf8(std::to_string(server.Port())) + u"/hello";
    if (c.Accepted) {
      EXPECT_EQ(client.Http.Get(url), u"hello over tls");
      continue;
    }
    try {
      client.Http.Get(url);
      ADD_FAILURE() << "no failure";
    } catch (const EIdTLSError& e) {
      EXPECT_EQ(e.ClassName(), u"EIdTLSHostNameMismatch") << ToUtf8(e.Message());
    }
  }
}

// The TLS 1.0 server above really speaks TLS 1.0: a client that offers it gets it.
TEST(HttpsTest, TheTls10ServerNegotiatesTls10WithAClientThatOffersIt) {
  SKIP_WITHOUT_TLS();
  PythonTlsServer server(Serving(Kind::Good, "1.0", "1.0"));
  testsupport::ProgramCall call;
  call.Program = testsupport::FindProgram("openssl");
  call.Arguments = {"s_client",
                    "-connect",
                    "127.0.0.1:" + std::to_string(server.Port()),
                    "-tls1",
                    "-cipher",
                    "DEFAULT:@SECLEVEL=0",
                    "-CAfile",
                    TestCertificates::Shared().AuthorityFile()};
  const testsupport::ProgramRun run = testsupport::RunProgram(call);
  EXPECT_EQ(server.NextReport(), "handshake TLSv1");
  EXPECT_NE(run.Out.find("Protocol  : TLSv1\n"), std::string::npos) << run.Out;
}

// A body that ends with the close: the close notification ends it; a connection cut without
// it is a failure, with what did arrive kept in the stream.
TEST(HttpsTest, ABodyReadUntilTheCloseNeedsTheCloseNotification) {
  SKIP_WITHOUT_TLS();
  PythonTlsServer server({});
  const std::string expected = testsupport::TlsPatternBytes(100000);
  {
    TlsClient client;
    TMemoryStream body;
    client.Http.Get(Url(server, "until-close/notify/100000"), body);
    EXPECT_EQ(testsupport::StreamBytes(body), expected);
  }
  TlsClient client;
  TMemoryStream body;
  try {
    client.Http.Get(Url(server, "until-close/cut/100000"), body);
    ADD_FAILURE() << "a cut body was taken as complete";
  } catch (const EIdTLSConnectionTruncated& e) {
    EXPECT_EQ(e.Message(),
              u"Die Verbindung wurde ohne TLS-Abschlussmeldung beendet; die empfangenen Daten können "
              u"unvollständig sein.");
  }
  EXPECT_EQ(testsupport::StreamBytes(body), expected);
  EXPECT_FALSE(client.Http.Connected());
}

// The same client goes from http to https and back: each request gets a connection of its
// own kind.
TEST(HttpsTest, OneClientServesHttpAndHttpsInTurn) {
  SKIP_WITHOUT_TLS();
  PythonTlsServer secure({});
  testsupport::HttpRouteServer plain({{"/hello", testsupport::HttpResponse(200, "OK", "hello in plain")}});
  TlsClient client;
  const String plainUrl = FromUtf8(plain.BaseUrl() + "hello");
  EXPECT_EQ(client.Http.Get(plainUrl), u"hello in plain");
  EXPECT_FALSE(client.Handler.Secure());
  EXPECT_EQ(client.Http.Get(Url(secure, "hello")), u"hello over tls");
  EXPECT_TRUE(client.Handler.Secure());
  EXPECT_EQ(client.Http.Get(plainUrl), u"hello in plain");
  EXPECT_FALSE(client.Handler.Secure());
  EXPECT_EQ(plain.RequestLines(), (std::vector<std::string>{"GET /hello HTTP/1.1", "GET /hello HTTP/1.1"}));
}

// A server that accepts and never answers the handshake: the read time-out ends it.
TEST(HttpsTest, TheReadTimeoutLimitsTheHandshake) {
  SKIP_WITHOUT_TLS();
  PythonTlsServer server(Serving(Kind::Good, "1.2", "1.3", PythonTlsServer::Mode::Silent));
  TlsClient client;
  client.Http.SetReadTimeout(200);
  EXPECT_THROW(client.Http.Get(Url(server, "hello")), EIdReadTimeout);
  EXPECT_FALSE(client.Http.Connected());
}

// An extra certificate file that cannot be read fails the request; it never means "trust
// nothing extra" silently.
TEST(HttpsTest, AnUnreadableCertificateFileIsAFailure) {
  SKIP_WITHOUT_TLS();
  PythonTlsServer server({});
  TlsClient client;
  client.Handler.SetCAFiles({u"/nonexistent/authority.pem"});
  try {
    client.Http.Get(Url(server, "hello"));
    ADD_FAILURE() << "no failure";
  } catch (const EIdTLSSetupFailed& e) {
    EXPECT_EQ(e.Message(), u"Die Zertifikatsdatei /nonexistent/authority.pem kann nicht gelesen werden.");
  }
}

// A build without TLS keeps the handler as a plain one: http through it works, https is
// refused before any connection.
TEST(HttpsTest, ABuildWithoutTlsPassesHttpThroughAndRefusesHttpsBeforeConnecting) {
  if (TIdIOHandlerTls::TlsAvailable()) GTEST_SKIP() << "this build has TLS";
  testsupport::HttpRouteServer plain({{"/hello", testsupport::HttpResponse(200, "OK", "hello in plain")}});
  TIdIOHandlerTls handler;
  TIdHTTP http;
  http.SetIOHandler(&handler);
  EXPECT_EQ(http.Get(FromUtf8(plain.BaseUrl() + "hello")), u"hello in plain");
  http.Disconnect();
  EXPECT_THROW(http.Get(u"https://127.0.0.1:1/x"), EIdIOHandlerPropInvalid);
  EXPECT_FALSE(handler.Opened());
  EXPECT_EQ(plain.RequestLines(), std::vector<std::string>{"GET /hello HTTP/1.1"});
}

// Without a TLS-capable handler an https URL fails before any connection, as it always did.
TEST(HttpsTest, WithoutTheTlsHandlerHttpsIsRefusedBeforeConnecting) {
  TIdHTTP http;
  EXPECT_THROW(http.Get(u"https://127.0.0.1:1/x"), EIdIOHandlerPropInvalid);
  EXPECT_EQ(http.IOHandler(), nullptr);
}

}  // namespace
