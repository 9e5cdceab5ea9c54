#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "net/IdException.h"
#include "net/IdIOHandlerStack.h"
#include "net/IdTCPClient.h"
#include "support/LoopbackServer.h"
#include "support/LoopbackSocket.h"
#include "support/Raised.h"
#include "support/UnansweredListener.h"
#include "support/UnderWine.h"

namespace {

using testsupport::LoopbackServer;
namespace step = testsupport::step;

// Collects the status texts a client reports, in order.
struct StatusLog {
  std::vector<std::string> Lines;
  void Attach(TIdComponent& c) {
    c.OnStatus = [this](TIdComponent&, TIdStatus, const String& text) { Lines.push_back(ToUtf8(text)); };
  }
};

TEST(IdTCPClientTest, HostAndPortAreRequiredAndNoHandlerIsMadeWithoutThem) {
  struct Case {
    const char16_t* host;
    std::uint16_t port;
    bool hostMissing;
  };
  const Case cases[] = {{u"", 80, true}, {u"", 0, true}, {u"127.0.0.1", 0, false}};
  for (const Case& c : cases) {
    TIdTCPClient client;
    client.SetHost(c.host);
    client.SetPort(c.port);
    if (c.hostMissing) {
      EXPECT_EQ(Raised<EIdHostRequired>([&] { client.Connect(); }).Message(), u"");
    } else {
      EXPECT_EQ(Raised<EIdPortRequired>([&] { client.Connect(); }).Message(), u"");
    }
    EXPECT_EQ(client.IOHandler(), nullptr);
  }
}

TEST(IdTCPClientTest, ConnectReportsItsStepsAndDisconnectTwiceIsHarmless) {
  LoopbackServer server({step::Send("hello\r\n"), step::ReceiveUntilClosed()}, LoopbackServer::Family::IPv4,
                        2);
  TIdTCPClient client;
  StatusLog log;
  log.Attach(client);
  int disconnected = 0;
  int connected = 0;
  client.OnConnected = [&](TIdComponent&) { ++connected; };
  client.OnDisconnected = [&](TIdComponent&) { ++disconnected; };

  EXPECT_FALSE(client.Connected());  // no handler yet
  client.Connect(u"127.0.0.1", server.Port());
  ASSERT_NE(client.IOHandler(), nullptr);
  EXPECT_TRUE(client.ManagedIOHandler());
  EXPECT_EQ(client.Socket(), client.IOHandler());
  EXPECT_TRUE(client.Connected());
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"hello");
  EXPECT_EQ(Raised<EIdAlreadyConnected>([&] { client.Connect(); }).Message(), u"Verbindung besteht bereits.");

  client.Disconnect();
  client.Disconnect();
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(connected, 1);
  EXPECT_EQ(disconnected, 1);
  const std::vector<std::string> expected{"Verbinden mit 127.0.0.1.", "Verbunden.",
                                          "Verbindung wird getrennt.", "Verbindung getrennt."};
  EXPECT_EQ(log.Lines, expected);

  // The handler is kept and opened again by the next connect.
  TIdIOHandler* const handler = client.IOHandler();
  client.Connect();
  EXPECT_EQ(client.IOHandler(), handler);
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"hello");
}

TEST(IdTCPClientTest, ANameGoesThroughResolution) {
  LoopbackServer server({step::Send("hi\n")});
  TIdTCPClient client;
  StatusLog log;
  log.Attach(client);
  client.Connect(u"LocalHost", server.Port());
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"hi");
  ASSERT_GE(log.Lines.size(), 2u);
  EXPECT_EQ(log.Lines[0], "Host-Name LocalHost wird aufgelöst.");
  EXPECT_EQ(log.Lines[1], "Verbinden mit 127.0.0.1.");
}

TEST(IdTCPClientTest, FailedConnectsRaiseTheSocketErrorAndLeaveNoHandler) {
  struct Case {
    const char* name;
    String host;
    std::uint16_t port;
    int timeout;
    int error;
    const char16_t* message;
  };
  const testsupport::ClosedLoopbackPort refusing;
  const std::uint16_t closed = refusing.Port();
  const Case cases[] = {
      {"closed port", u"127.0.0.1", closed, 0, 10061, u"Socket-Fehler # 10061Verbindung abgelehnt.\r\n"},
      {"closed port through the connect thread", u"127.0.0.1", closed, 5000, 10061,
       u"Socket-Fehler # 10061Verbindung abgelehnt.\r\n"},
      {"name that does not exist", u"nowhere.fendrel.invalid", 80, 0, 11001,
       u"Socket-Fehler # 11001Host nicht gefunden.\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TIdTCPClient client;
    client.SetConnectTimeout(c.timeout);
    const auto e = Raised<EIdSocketError>([&] { client.Connect(c.host, c.port); });
    EXPECT_EQ(e.LastError(), c.error);
    EXPECT_EQ(e.Message(), c.message);
    EXPECT_EQ(client.IOHandler(), nullptr);
    EXPECT_FALSE(client.Connected());
  }
}

TEST(IdTCPClientTest, AFailedConnectClosesAHandlerAssignedFromOutsideButKeepsIt) {
  TIdIOHandlerStack handler;
  TIdTCPClient client;
  client.SetIOHandler(&handler);
  const testsupport::ClosedLoopbackPort refusing;
  EXPECT_THROW(client.Connect(u"127.0.0.1", refusing.Port()), EIdSocketError);
  EXPECT_EQ(client.IOHandler(), &handler);
  EXPECT_FALSE(handler.Opened());
  ASSERT_NE(handler.Binding(), nullptr);
  EXPECT_FALSE(handler.Binding()->HandleAllocated());
}

TEST(IdTCPClientTest, ConnectTimeoutGivesUpOnAPeerThatNeverAnswers) {
  testsupport::UnansweredListener listener;
  if (!listener.Silent()) GTEST_SKIP() << "the system answered a connect to a full accept queue";
  TIdTCPClient client;
  client.SetConnectTimeout(300);
  const auto e = Raised<EIdConnectTimeout>([&] { client.Connect(u"127.0.0.1", listener.Port()); });
  EXPECT_EQ(e.Message(), u"Zeitüberschreitung der Verbindung.");
  EXPECT_EQ(client.IOHandler(), nullptr);
}

TEST(IdTCPClientTest, AConnectTimeoutStillConnectsAnAnsweringPeer) {
  for (const int timeout : {-1, 2000}) {
    LoopbackServer server({step::Send("up\n")});
    TIdTCPClient client;
    client.SetConnectTimeout(timeout);
    client.Connect(u"127.0.0.1", server.Port());
    EXPECT_EQ(client.IOHandler()->ReadLn(), u"up");
  }
}

TEST(IdTCPClientTest, IPv6ToTheLoopbackAddress) {
  if (!LoopbackServer::IPv6Available()) GTEST_SKIP() << "no ::1 on this machine";
  LoopbackServer server({step::Send("six\r\n"), step::ReceiveUntil("\n")}, LoopbackServer::Family::IPv6);
  TIdTCPClient client;
  StatusLog log;
  log.Attach(client);
  client.SetIPVersion(TIdIPVersion::Id_IPv6);
  client.Connect(u"::1", server.Port());
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"six");
  client.IOHandler()->WriteLn(u"ok");
  ASSERT_NE(client.Socket()->Binding(), nullptr);
  EXPECT_EQ(client.Socket()->Binding()->IPVersion(), TIdIPVersion::Id_IPv6);
  EXPECT_EQ(client.Socket()->Binding()->PeerPort(), server.Port());
  client.Disconnect();
  ASSERT_TRUE(server.WaitDone());
  EXPECT_EQ(server.Received(), "ok\r\n");
  EXPECT_EQ(log.Lines.front(), "Verbinden mit ::1.");  // an address is not resolved
}

TEST(IdTCPClientTest, TheClientBindsBeforeItConnects) {
  LoopbackServer server({step::Hold()});
  TIdTCPClient client;
  std::vector<std::string> order;
  client.OnBeforeBind = [&](TIdComponent&) { order.push_back("before bind"); };
  client.OnSocketAllocated = [&](TIdComponent&) { order.push_back("allocated"); };
  client.OnAfterBind = [&](TIdComponent&) { order.push_back("after bind"); };
  client.OnStatus = [&](TIdComponent&, TIdStatus s, const String&) {
    if (s == TIdStatus::hsConnecting) order.push_back("connecting");
  };
  client.SetBoundIP(u"127.0.0.1");
  const std::uint16_t top = testsupport::UnusedLoopbackPort();
  client.SetBoundPortMin(static_cast<std::uint16_t>(top - 1));
  client.SetBoundPortMax(top);
  client.Connect(u"127.0.0.1", server.Port());
  EXPECT_EQ(order, (std::vector<std::string>{"before bind", "allocated", "after bind", "connecting"}));
  const TIdSocketHandle& binding = *client.Socket()->Binding();
  EXPECT_EQ(binding.IP(), u"127.0.0.1");
  EXPECT_GE(binding.Port(), top - 1);
  EXPECT_LE(binding.Port(), top);
}

TEST(IdTCPClientTest, ConnectionStates) {
  LoopbackServer server({step::Send("ab"), step::Close()}, LoopbackServer::Family::IPv4, 2);
  TIdTCPClient client;
  // No handler.
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(Raised<EIdException>([&] { client.CheckForGracefulDisconnect(); }).Message(), u"Nicht verbunden");
  EXPECT_NO_THROW(client.CheckForGracefulDisconnect(false));
  client.Connect(u"127.0.0.1", server.Port());
  TIdIOHandler& io = *client.IOHandler();
  // Connected, then the peer's close is noticed while input is left: input pending.
  EXPECT_THROW(io.ReadLn(), EIdConnClosedGracefully);
  EXPECT_FALSE(io.Opened());
  EXPECT_TRUE(client.Connected());
  EXPECT_NO_THROW(client.CheckForGracefulDisconnect());  // the input is not used up yet
  EXPECT_THROW(client.Connect(), EIdAlreadyConnected);
  client.Disconnect();  // not open: nothing to do, the input stays
  EXPECT_TRUE(client.Connected());
  // Clearing the input leaves the handler closed; then a new connect is possible.
  io.InputBuffer().Clear();
  EXPECT_FALSE(client.Connected());
  EXPECT_THROW(client.CheckForGracefulDisconnect(), EIdConnClosedGracefully);
  client.Connect();
  EXPECT_TRUE(client.Connected());
  EXPECT_EQ(client.IOHandler(), &io);
}

TEST(IdTCPClientTest, APeerResetShowsInTheConnectedTest) {
  if (testsupport::RunningUnderWine()) GTEST_SKIP() << testsupport::kWineReadsResetAsClose;
  // The server resets only once the connect has completed on the client side.
  LoopbackServer server({step::WaitSignal(), step::Reset()});
  TIdTCPClient client;
  client.Connect(u"127.0.0.1", server.Port());
  server.Signal();
  ASSERT_TRUE(server.WaitDone());
  // The reset may take a moment to arrive; the first test that sees it raises.
  bool raised = false;
  for (int i = 0; i < 200 && !raised; ++i) {
    try {
      if (!client.Connected()) break;
      client.IOHandler()->CheckForDataOnSource(20);
    } catch (const EIdSocketError& e) {
      EXPECT_EQ(e.LastError(), 10054);
      raised = true;
    }
  }
  EXPECT_TRUE(raised);
  client.Disconnect();
  EXPECT_FALSE(client.Connected());
}

TEST(IdTCPClientTest, SettingsReachTheHandler) {
  TIdTCPClient client;
  client.SetReadTimeout(1234);
  client.SetUseNagle(false);
  auto owned = std::make_unique<TIdIOHandlerStack>();
  TIdIOHandlerStack* const handler = owned.get();
  client.SetIOHandler(std::move(owned));
  EXPECT_EQ(handler->ReadTimeout(), 1234);
  EXPECT_FALSE(handler->UseNagle());
  client.SetHost(u"example.invalid");
  client.SetPort(8080);
  client.SetConnectTimeout(77);
  EXPECT_EQ(handler->Host(), u"example.invalid");
  EXPECT_EQ(handler->Port(), 8080);
  EXPECT_EQ(handler->ConnectTimeout(), 77);
  handler->SetReadTimeout(99);
  EXPECT_EQ(client.ReadTimeout(), 99);  // read back from the handler
  EXPECT_EQ(handler->WorkTarget(), &client);
}

TEST(IdTCPClientTest, HandlerOwnership) {
  // A borrowed handler destroyed elsewhere is forgotten.
  TIdTCPClient client;
  {
    TIdIOHandlerStack borrowed;
    client.SetIOHandler(&borrowed);
    EXPECT_FALSE(client.ManagedIOHandler());
    EXPECT_EQ(client.Socket(), &borrowed);
  }
  EXPECT_EQ(client.IOHandler(), nullptr);
  EXPECT_EQ(client.Socket(), nullptr);
  // A borrowed handler outlives its connection, which lets go of it.
  TIdIOHandlerStack survivor;
  {
    TIdTCPClient owner;
    owner.SetIOHandler(&survivor);
    EXPECT_EQ(survivor.WorkTarget(), &owner);
  }
  EXPECT_EQ(survivor.WorkTarget(), nullptr);
}

TEST(IdTCPClientTest, DestinationOfTheSocketHandler) {
  struct Case {
    const char16_t* host;
    int port;
    std::uint16_t defaultPort;
    const char16_t* destination;
  };
  const Case cases[] = {
      {u"example.org", 8080, 80, u"example.org:8080"},
      {u"example.org", 80, 80, u"example.org"},
      {u"example.org", 0, 0, u"example.org"},
  };
  for (const Case& c : cases) {
    TIdIOHandlerStack handler;
    handler.SetDefaultPort(c.defaultPort);
    handler.SetHost(c.host);
    handler.SetPort(c.port);
    EXPECT_EQ(handler.Destination(), c.destination);
  }
  struct SetCase {
    const char16_t* text;
    const char16_t* host;
    int port;
  };
  const SetCase sets[] = {
      {u"server:8080", u"server", 8080},
      {u"server: 81 ", u"server", 81},
      {u"server:http", u"server", 80},  // not a number: the default port
      {u"no colon", u"old", 1},         // nothing changes
  };
  for (const SetCase& c : sets) {
    TIdIOHandlerStack handler;
    handler.SetDefaultPort(80);
    handler.SetHost(u"old");
    handler.SetPort(1);
    handler.SetDestination(c.text);
    EXPECT_EQ(handler.Host(), c.host);
    EXPECT_EQ(handler.Port(), c.port);
  }
}

}  // namespace
