#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/IdException.h"
#include "net/IdSocketHandle.h"
#include "support/LoopbackSocket.h"
#include "support/StackLoopback.h"
#include "support/TestSockets.h"
#include "support/UnderWine.h"

namespace {

using stacktest::Loopback;
using stacktest::StackListener;
using stacktest::StackPeer;
using testsupport::ClosedLoopbackPort;

constexpr auto Generous = std::chrono::seconds(20);

TIdBytes Bytes(const std::string& text) {
  return TIdBytes(text.begin(), text.end());
}

std::string Text(const TIdBytes& bytes, int count) {
  return std::string(bytes.begin(), bytes.begin() + count);
}

// A handle connected to a loopback listener, with the accepted server side.
struct Connection {
  std::unique_ptr<TIdSocketHandle> Client = std::make_unique<TIdSocketHandle>();
  StackPeer Server;
};

Connection ConnectTo(StackListener& listener, const String& ip, TIdIPVersion version) {
  Connection c;
  c.Client->SetIPVersion(version);
  c.Client->AllocateSocket();
  c.Client->Bind();
  c.Client->SetPeer(ip, listener.Port(), version);
  c.Client->Connect();
  c.Server = listener.Accept();
  return c;
}

// Sends until the stack raises, at most a bounded number of times.
void SendUntilRaised(TIdSocketHandle& client) {
  const TIdBytes chunk(4096, 'x');
  for (int i = 0; i < 1000; ++i) {
    client.Send(chunk);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

TEST(IdSocketHandleTest, ConnectsOverIPv4AndMovesBytesBothWays) {
  StackListener listener(Loopback::IPv4);
  ASSERT_TRUE(listener.Ok());
  Connection c = ConnectTo(listener, u"127.0.0.1", TIdIPVersion::Id_IPv4);
  ASSERT_TRUE(c.Server.Valid());
  TIdSocketHandle& client = *c.Client;
  EXPECT_TRUE(client.HandleAllocated());
  EXPECT_EQ(client.SocketType(), Id_SOCK_STREAM);
  EXPECT_TRUE(client.UseNagle());
  EXPECT_EQ(client.IP(), u"127.0.0.1");
  EXPECT_NE(client.Port(), 0);
  EXPECT_EQ(client.PeerIP(), u"127.0.0.1");
  EXPECT_EQ(client.PeerPort(), listener.Port());

  EXPECT_EQ(client.Send(Bytes("xxhello world"), 2, 5), 5);
  EXPECT_EQ(c.Server.Receive(5), "hello");
  EXPECT_FALSE(client.Readable(0));  // nothing has arrived: a poll returns at once

  c.Server.Send("answer");
  ASSERT_TRUE(client.Readable(-1));
  TIdBytes buffer(64);
  const int n = client.Receive(buffer);
  EXPECT_EQ(Text(buffer, n), "answer");

  c.Server.Close();
  ASSERT_TRUE(client.Readable(20000));  // a pending close counts as readable
  EXPECT_EQ(client.Receive(buffer), 0);
}

TEST(IdSocketHandleTest, ConnectsOverIPv6ToTheLoopbackAddress) {
  StackListener listener(Loopback::IPv6);
  if (!listener.Ok()) GTEST_SKIP() << "no IPv6 loopback on this machine";
  Connection c = ConnectTo(listener, u"::1", TIdIPVersion::Id_IPv6);
  ASSERT_TRUE(c.Server.Valid());
  EXPECT_EQ(c.Client->IP(), u"0:0:0:0:0:0:0:1");
  EXPECT_EQ(c.Client->PeerIP(), u"0:0:0:0:0:0:0:1");
  EXPECT_EQ(c.Client->IPVersion(), TIdIPVersion::Id_IPv6);
  EXPECT_EQ(c.Client->Send(Bytes("six")), 3);
  EXPECT_EQ(c.Server.Receive(3), "six");
}

TEST(IdSocketHandleTest, ARefusedConnectRaises10061AndKeepsTheSocket) {
  ClosedLoopbackPort closed;
  ASSERT_NE(closed.Port(), 0);
  TIdSocketHandle client;
  client.AllocateSocket();
  client.SetPeer(u"127.0.0.1", closed.Port());
  try {
    client.Connect();
    FAIL() << "no exception";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061);
    EXPECT_EQ(e.Message(), u"Socket-Fehler # 10061Verbindung abgelehnt.\r\n");
  }
  EXPECT_TRUE(client.HandleAllocated());
}

TEST(IdSocketHandleTest, BadAddressTextsAreRefusedBeforeAnyConnect) {
  TIdSocketHandle v6;
  v6.SetIPVersion(TIdIPVersion::Id_IPv6);
  v6.AllocateSocket();
  v6.SetPeer(u"1::2::3", 80, TIdIPVersion::Id_IPv6);
  try {
    v6.Connect();
    FAIL() << "no exception";
  } catch (const EIdInvalidIPv6Address& e) {
    EXPECT_EQ(e.Message(), u"1::2::3 ist keine gültige IPv6-Adresse");
  }
  TIdSocketHandle v4;
  v4.AllocateSocket();
  v4.SetPeer(u"1.2.3", 80);
  try {
    v4.Connect();
    FAIL() << "no exception";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10022);
  }
}

TEST(IdSocketHandleTest, BindingToAPortInUseRaisesCouldNotBind) {
  StackListener listener(Loopback::IPv4);
  ASSERT_TRUE(listener.Ok());
  TIdSocketHandle client;
  client.AllocateSocket();
  client.SetIP(u"127.0.0.1");
  client.SetPort(listener.Port());
  try {
    client.Bind();
    FAIL() << "no exception";
  } catch (const EIdCouldNotBindSocket& e) {
    EXPECT_EQ(e.Message(),
              u"Socket konnte nicht gebunden werden. Adresse und Port werden bereits verwendet.");
  }
  // A port given explicitly wins over a range.
  client.SetClientPortMin(1);
  client.SetClientPortMax(2);
  EXPECT_THROW(client.Bind(), EIdCouldNotBindSocket);
}

TEST(IdSocketHandleTest, PortZeroWithoutARangeLetsTheSystemChoose) {
  TIdSocketHandle client;
  client.AllocateSocket();
  client.SetClientPortMax(5000);  // one end of the range alone is no range
  client.Bind();
  EXPECT_NE(client.Port(), 0);
  EXPECT_EQ(client.IP(), u"0.0.0.0");
}

TEST(IdSocketHandleTest, AReversedPortRangeIsRefused) {
  TIdSocketHandle client;
  client.AllocateSocket();
  client.SetClientPortMin(5002);
  client.SetClientPortMax(5000);
  try {
    client.Bind();
    FAIL() << "no exception";
  } catch (const EIdInvalidPortRange& e) {
    EXPECT_EQ(e.Message(), u"Ungültiger Port-Bereich (5002 - 5000)");
  }
}

TEST(IdSocketHandleTest, APortRangeIsTriedFromTheTopDown) {
  // Find three free consecutive ports, then occupy the upper two.
  std::uint16_t base = 0;
  std::vector<std::unique_ptr<TIdSocketHandle>> held;
  for (int attempt = 0; attempt < 50 && base == 0; ++attempt) {
    ClosedLoopbackPort probe;
    if (probe.Port() == 0 || probe.Port() > 65000) continue;
    const std::uint16_t candidate = probe.Port();
    held.clear();
    bool ok = true;
    for (int i = 1; i <= 2 && ok; ++i) {
      auto handle = std::make_unique<TIdSocketHandle>();
      handle->AllocateSocket();
      handle->SetIP(u"127.0.0.1");
      handle->SetPort(static_cast<std::uint16_t>(candidate + i));
      try {
        handle->Bind();
        held.push_back(std::move(handle));
      } catch (const EIdCouldNotBindSocket&) {
        ok = false;
      }
    }
    if (ok) base = candidate;  // the probe releases base when it goes
  }
  ASSERT_NE(base, 0) << "no three consecutive free ports";

  TIdSocketHandle client;
  client.AllocateSocket();
  client.SetIP(u"127.0.0.1");
  client.SetClientPortMin(base);
  client.SetClientPortMax(static_cast<std::uint16_t>(base + 2));
  client.Bind();
  EXPECT_EQ(client.Port(), base);  // base + 2 and base + 1 were tried first and are taken

  TIdSocketHandle exhausted;
  exhausted.AllocateSocket();
  exhausted.SetIP(u"127.0.0.1");
  exhausted.SetClientPortMin(base);
  exhausted.SetClientPortMax(static_cast<std::uint16_t>(base + 2));
  try {
    exhausted.Bind();
    FAIL() << "no exception";
  } catch (const EIdCanNotBindPortInRange& e) {
    const String expected =
        u"Port-Bereich (" + IntToStr(base) + u" - " + IntToStr(base + 2) + u") kann nicht eingebunden werden";
    EXPECT_EQ(e.Message(), expected);
  }
}

TEST(IdSocketHandleTest, SendingToAPeerThatClosedRaisesInsteadOfEndingTheProcess) {
  StackListener listener(Loopback::IPv4);
  ASSERT_TRUE(listener.Ok());
  Connection c = ConnectTo(listener, u"127.0.0.1", TIdIPVersion::Id_IPv4);
  ASSERT_TRUE(c.Server.Valid());
  c.Server.Close();
  try {
    SendUntilRaised(*c.Client);
    FAIL() << "sending never failed";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10054);
    EXPECT_EQ(e.Message(), u"Socket-Fehler # 10054Die Verbindung wurde von Peer zurückgesetzt.\r\n");
  }
  EXPECT_TRUE(c.Client->HandleAllocated());  // a failed send leaves the socket to its owner
}

TEST(IdSocketHandleTest, AResetByThePeerRaises10054OnReceive) {
  if (testsupport::RunningUnderWine()) GTEST_SKIP() << testsupport::kWineReadsResetAsClose;
  StackListener listener(Loopback::IPv4);
  ASSERT_TRUE(listener.Ok());
  Connection c = ConnectTo(listener, u"127.0.0.1", TIdIPVersion::Id_IPv4);
  ASSERT_TRUE(c.Server.Valid());
  c.Server.Reset();
  ASSERT_TRUE(c.Client->Readable(20000));
  TIdBytes buffer(16);
  try {
    c.Client->Receive(buffer);
    FAIL() << "no exception";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10054);
  }
}

TEST(IdSocketHandleTest, WaitsAndSendsWithoutASocket) {
  TIdSocketHandle handle;
  EXPECT_THROW(handle.Readable(0), EIdConnClosedGracefully);
  try {
    handle.Readable(-1);
    FAIL() << "no exception";
  } catch (const EIdConnClosedGracefully& e) {
    EXPECT_EQ(e.Message(), u"Die Verbindung wurde erfolgreich geschlossen.");
  }
  // Nothing to send makes no system call, so even a handle without socket answers 0.
  EXPECT_EQ(handle.Send(TIdBytes()), 0);
  EXPECT_EQ(handle.Send(Bytes("abc"), 3), 0);
  EXPECT_EQ(handle.Send(Bytes("abc"), 0, 0), 0);
  // The system's own number for a call without a socket: a bad descriptor on POSIX, not a
  // socket on Windows.
#ifdef _WIN32
  constexpr int kNoSocketError = 10038;
#else
  constexpr int kNoSocketError = 10009;
#endif
  TIdBytes buffer(4);
  try {
    handle.Receive(buffer);
    FAIL() << "no exception";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), kNoSocketError);
  }
}

TEST(IdSocketHandleTest, ABoundedWaitWithoutDataEndsUnready) {
  StackListener listener(Loopback::IPv4);
  ASSERT_TRUE(listener.Ok());
  Connection c = ConnectTo(listener, u"127.0.0.1", TIdIPVersion::Id_IPv4);
  EXPECT_FALSE(c.Client->Readable(50));
  EXPECT_FALSE(c.Client->Select(1));
}

TEST(IdSocketHandleTest, TheIPVersionIsFixedWhileASocketIsHeld) {
  TIdSocketHandle handle;
  handle.AllocateSocket();
  EXPECT_NO_THROW(handle.SetIPVersion(TIdIPVersion::Id_IPv4));
  try {
    handle.SetIPVersion(TIdIPVersion::Id_IPv6);
    FAIL() << "no exception";
  } catch (const EIdCannotSetIPVersionWhenConnected& e) {
    EXPECT_EQ(e.Message(), u"Wenn verbunden, kann IPVersion nicht verändert werden");
  }
  handle.CloseSocket();
  handle.CloseSocket();  // closing twice is harmless
  handle.SetIPVersion(TIdIPVersion::Id_IPv6);
  handle.AllocateSocket();  // the new socket is of the version chosen
  handle.Bind();
  EXPECT_EQ(handle.IP(), u"0:0:0:0:0:0:0:0");
}

TEST(IdSocketHandleTest, UseNagleSwitchesTheNoDelayOption) {
  TIdSocketHandle handle;
  handle.AllocateSocket();
  ASSERT_TRUE(handle.UseNagle());
  handle.SetUseNagle(false);
  EXPECT_EQ(handle.GetSockOpt(Id_IPPROTO_TCP, Id_TCP_NODELAY), 1);
  handle.SetUseNagle(true);
  EXPECT_EQ(handle.GetSockOpt(Id_IPPROTO_TCP, Id_TCP_NODELAY), 0);
  handle.SetSockOpt(Id_SOL_SOCKET, Id_SO_REUSEADDR, 1);
  EXPECT_NE(handle.GetSockOpt(Id_SOL_SOCKET, Id_SO_REUSEADDR), 0);
}

TEST(IdSocketHandleTest, ResetForgetsTheNumberAndTheAddressesWithoutClosing) {
  StackListener listener(Loopback::IPv4);
  ASSERT_TRUE(listener.Ok());
  Connection c = ConnectTo(listener, u"127.0.0.1", TIdIPVersion::Id_IPv4);
  TIdSocketHandle& client = *c.Client;
  const TIdStackSocketHandle number = client.Handle();
  const std::uint16_t localPort = client.Port();
  client.Reset(false);
  EXPECT_FALSE(client.HandleAllocated());
  EXPECT_EQ(client.Port(), localPort);
  EXPECT_TRUE(client.PeerIP().empty());
  EXPECT_EQ(client.PeerPort(), 0);
  // The socket itself is still open and connected.
  const auto socket = static_cast<testsupport::SocketNumber>(number);
  EXPECT_EQ(testsupport::SendBytes(socket, "ok", 2), 2);
  EXPECT_EQ(c.Server.Receive(2), "ok");
  testsupport::CloseSocket(socket);
  client.Reset(true);
  EXPECT_TRUE(client.IP().empty());
  EXPECT_EQ(client.Port(), 0);
}

TEST(IdSocketHandleTest, ClosingFromAnotherThreadEndsABlockedConnect) {
  // A listener whose single backlog slot is taken leaves further connects pending.
  StackListener listener(Loopback::IPv4, 0);
  ASSERT_TRUE(listener.Ok());
  std::vector<std::unique_ptr<TIdSocketHandle>> fillers;
  for (int i = 0; i < 2; ++i) {
    auto filler = std::make_unique<TIdSocketHandle>();
    filler->AllocateSocket();
    filler->SetPeer(u"127.0.0.1", listener.Port());
    // Abandonable, as a connect with a time limit is.
    auto done = std::async(std::launch::async, [&filler] { filler->Connect(true); });
    if (done.wait_for(std::chrono::milliseconds(500)) != std::future_status::ready) {
      // This one is blocked: it is the connect to end.
      filler->CloseSocket();
      ASSERT_EQ(done.wait_for(Generous), std::future_status::ready) << "the connect did not end";
      try {
        done.get();
        FAIL() << "the closed connect reported success";
      } catch (const EIdNotASocket& e) {
        EXPECT_EQ(e.LastError(), 10038);
      }
      EXPECT_FALSE(filler->HandleAllocated());
      return;
    }
    done.get();
    fillers.push_back(std::move(filler));
  }
  GTEST_SKIP() << "the system accepted every connect, none stayed pending";
}

}  // namespace
