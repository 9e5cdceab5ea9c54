#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/IdException.h"
#include "net/IdNameOverrides.h"
#include "net/IdTCPClient.h"
#include "support/LoopbackServer.h"
#include "support/Raised.h"

namespace {

using testsupport::LoopbackServer;
namespace step = testsupport::step;

// A server that sends one byte at a time with pauses, and never a line end.
std::vector<testsupport::ServerStep> Drip() {
  std::vector<testsupport::ServerStep> script;
  for (int i = 0; i < 200; ++i) {
    script.push_back(step::Send("x"));
    script.push_back(step::Pause(20));
  }
  return script;
}

TEST(IdReadDeadlineTest, EndsAReadThatEachReceiveWouldAllow) {
  LoopbackServer server(Drip());
  TIdTCPClient client;
  client.SetReadTimeout(2000);  // every single receive arrives well within this
  client.Connect(server.Host(), server.Port());
  TIdIOHandler& handler = *client.IOHandler();
  handler.SetReadDeadline(CurrentTicks(), 150);
  EXPECT_EQ(Raised<EIdReadTimeout>([&] { handler.ReadLn(); }).Message(), u"Zeitüberschreitung beim Lesen.");
  // A poll still sees the connection; lifting the deadline lets reads wait again.
  EXPECT_TRUE(client.Connected());
  handler.ClearReadDeadline();
  TIdBytes bytes;
  handler.ReadBytes(bytes, 2, false);
  EXPECT_EQ(bytes.size(), 2u);
  client.Disconnect();
}

TEST(IdReadDeadlineTest, APassedDeadlineFailsEveryWaitingRead) {
  LoopbackServer server({step::Send("abc"), step::Hold()});
  TIdTCPClient client;
  client.Connect(server.Host(), server.Port());
  TIdIOHandler& handler = *client.IOHandler();
  TIdBytes bytes;
  handler.ReadBytes(bytes, 3, false);
  handler.SetReadDeadline(CurrentTicks() - 1000, 10);
  Raised<EIdReadTimeout>([&] { handler.ReadBytes(bytes, 1, false); });
  Raised<EIdReadTimeout>([&] { handler.Discard(1); });
  EXPECT_FALSE(handler.CheckForDataOnSource(1000));
  client.Disconnect();
}

// A wait for input comes in slices with OnWaiting between them: the data that arrives later
// is read as without them, a raise from the handler ends the read and leaves it, and the
// read time-out still ends a wait made of many slices.
TEST(IdWaitIntervalTest, AWaitComesInSlicesThatTheCallerMayEnd) {
  LoopbackServer server({step::WaitSignal(), step::Send("abc"), step::Hold()});
  TIdTCPClient client;
  client.SetReadTimeout(20000);
  client.Connect(server.Host(), server.Port());
  TIdIOHandler& handler = *client.IOHandler();
  handler.SetWaitInterval(10);
  int slices = 0;
  handler.OnWaiting = [&](TIdIOHandler& sender) {
    EXPECT_EQ(&sender, &handler);
    if (++slices == 3) server.Signal();
  };
  TIdBytes bytes;
  handler.ReadBytes(bytes, 3, false);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abc");
  EXPECT_GE(slices, 3);

  struct Stop {};
  handler.OnWaiting = [](TIdIOHandler&) { throw Stop(); };
  EXPECT_THROW(handler.ReadBytes(bytes, 1, false), Stop);
  EXPECT_TRUE(client.Connected());  // ending a wait loses nothing of the connection

  slices = 0;
  handler.OnWaiting = [&](TIdIOHandler&) { ++slices; };
  handler.SetReadTimeout(100);
  Raised<EIdReadTimeout>([&] { handler.ReadBytes(bytes, 1, false); });
  EXPECT_GE(slices, 2);
  client.Disconnect();
}

TEST(IdNameOverridesTest, MapsHostAndPortToAnAddressWithoutRegardToCase) {
  TIdNameOverrides overrides;
  overrides.Add(u"A.H.Example", 8080, u"127.0.0.1");
  overrides.Add(u"[::1]", 80, u"[::1]");
  overrides.Add(u"v6.example", 80, u"::1");
  String address;
  EXPECT_TRUE(overrides.Find(u"a.h.example", 8080, address));
  EXPECT_EQ(address, u"127.0.0.1");
  EXPECT_FALSE(overrides.Find(u"a.h.example", 80, address));
  EXPECT_TRUE(overrides.Find(u"::1", 80, address));
  EXPECT_EQ(address, u"::1");
  EXPECT_EQ(TIdNameOverrides::VersionOf(address), TIdIPVersion::Id_IPv6);
  for (const char16_t* bad : {u"", u"example.com", u"1.2.3", u"[::1"}) {
    EXPECT_EQ(Raised<EIdException>([&] { overrides.Add(u"x", 1, bad); }).Message(),
              Format(SIdNameOverrideNotAnAddress, {String(bad)}));
  }
}

TEST(IdNameOverridesTest, TheClientConnectsToTheAddressInsteadOfResolving) {
  LoopbackServer server({step::Send("hi\r\n"), step::Close()});
  TIdTCPClient client;
  // The name is never resolved: a lookup of it would fail.
  client.NameOverrides().Add(u"updates.invalid", server.Port(), u"127.0.0.1");
  client.Connect(u"updates.invalid", server.Port());
  EXPECT_EQ(client.IOHandler()->ReadLn(), u"hi");
  client.Disconnect();
}

}  // namespace
