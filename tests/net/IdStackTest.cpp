#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "net/IdException.h"
#include "net/IdStack.h"

namespace {

class IdStackTest : public ::testing::Test {
 protected:
  TIdStackUsage FUsage;
  TIdStack& Stack() { return GlobalStack(); }
};

TEST_F(IdStackTest, LocalhostInAnyLetterCaseAndAddressesResolveWithoutALookup) {
  for (const String host : {u"LOCALHOST", u"localhost", u"LocalHost"}) {
    EXPECT_EQ(Stack().ResolveHost(host), u"127.0.0.1");
  }
  // An address is returned exactly as it was given, blanks included.
  EXPECT_EQ(Stack().ResolveHost(u"127.0.0.1"), u"127.0.0.1");
  EXPECT_EQ(Stack().ResolveHost(u" 10.0.0.1"), u" 10.0.0.1");
  EXPECT_EQ(Stack().ResolveHost(u"::1", TIdIPVersion::Id_IPv6), u"0:0:0:0:0:0:0:1");
}

TEST(IdStackStaticTest, IsIPWantsExactlyFourFieldsFrom0To255) {
  struct Case {
    const char16_t* Text;
    bool Expected;
  };
  const Case cases[] = {
      {u"1.2.3.4", true},       {u"127.0.0.1", true},  {u" 10.0.0.1", true},  {u"255.255.255.255", true},
      {u"1 . 2 . 3 . 4", true}, {u"001.02.3.4", true}, {u"1.2.3", false},     {u"1.2.3.4.5", false},
      {u"1.2.3.256", false},    {u"1.2..4", false},    {u"", false},          {u"a.b.c.d", false},
      {u"1.2.3.-4", false},     {u"1.2.3.4.", false},  {u"localhost", false}, {u"::1", false},
  };
  for (const Case& c : cases) EXPECT_EQ(TIdStack::IsIP(c.Text), c.Expected) << ToUtf8(c.Text);
}

TEST(IdStackStaticTest, MakeCanonicalIPv6AddressExpandsOrRejects) {
  struct Case {
    const char16_t* Text;
    const char16_t* Expected;
  };
  const Case cases[] = {
      {u"::1", u"0:0:0:0:0:0:0:1"},
      {u"::", u"0:0:0:0:0:0:0:0"},
      {u"fe80::1:abcd", u"FE80:0:0:0:0:0:1:ABCD"},
      {u"2001:db8:0:0:0:0:0:1", u"2001:DB8:0:0:0:0:0:1"},
      {u"2001:0DB8::0001", u"2001:DB8:0:0:0:0:0:1"},
      {u"1::", u"1:0:0:0:0:0:0:0"},
      {u"::ffff:192.168.1.2", u"0:0:0:0:0:FFFF:C0A8:102"},
      {u"1:2:3:4:5:6:1.2.3.4", u"1:2:3:4:5:6:102:304"},
      {u"1:2:3:4:5:6:7::", u"1:2:3:4:5:6:7:0"},
      {u"", u""},
      {u"1.2.3.4", u""},
      {u"localhost", u""},
      {u"1:2:3:4:5:6:7", u""},
      {u"1:2:3:4:5:6:7:8:9", u""},
      {u"1::2::3", u""},
      {u":::", u""},
      {u":1", u""},
      {u"1:", u""},
      {u"12345::", u""},
      {u"g::", u""},
      {u"::1.2.3", u""},
      {u"::1.2.3.256", u""},
      {u"1.2.3.4::", u""},
      {u"1:2:3:4:5:6:7:1.2.3.4", u""},
      {u"[::1]", u""},
      {u" ::1", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TIdStack::MakeCanonicalIPv6Address(c.Text), String(c.Expected)) << ToUtf8(c.Text);
  }
}

TEST_F(IdStackTest, SocketErrorsCarryTheNumberAndTheGermanTextThenCrLf) {
  EXPECT_EQ(Stack().WSTranslateSocketErrorMsg(10061), u"Socket-Fehler # 10061Verbindung abgelehnt.\r\n");
  EXPECT_EQ(Stack().WSTranslateSocketErrorMsg(11001), u"Socket-Fehler # 11001Host nicht gefunden.\r\n");
  EXPECT_EQ(Stack().WSTranslateSocketErrorMsg(11004), u"Socket-Fehler # 11004\r\n");
  try {
    Stack().RaiseSocketError(10054);
    FAIL() << "no exception";
  } catch (const EIdNotASocket&) {
    FAIL() << "10054 is not 10038";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10054);
    EXPECT_EQ(e.Message(), u"Socket-Fehler # 10054Die Verbindung wurde von Peer zurückgesetzt.\r\n");
  }
  try {
    Stack().RaiseSocketError(10038);
    FAIL() << "no exception";
  } catch (const EIdNotASocket& e) {
    const EIdSocketError& asSocketError = e;
    EXPECT_EQ(asSocketError.LastError(), 10038);
    EXPECT_EQ(e.ClassName(), u"EIdNotASocket");
  }
  EXPECT_EQ(Stack().CheckForSocketError(5), 5);
}

TEST_F(IdStackTest, ANameThatDoesNotExistRaises11001) {
  for (const String host : {u"no-such-host.invalid", u"NO-SUCH-HOST.INVALID.", u"invalid"}) {
    for (const TIdIPVersion version : {TIdIPVersion::Id_IPv4, TIdIPVersion::Id_IPv6}) {
      try {
        Stack().ResolveHost(host, version);
        FAIL() << "no exception for " << ToUtf8(host);
      } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.LastError(), 11001);
        EXPECT_EQ(e.Message(), u"Socket-Fehler # 11001Host nicht gefunden.\r\n");
      }
    }
  }
}

TEST_F(IdStackTest, AnUnknownIPVersionIsRefused) {
  try {
    Stack().ResolveHost(u"localhost", static_cast<TIdIPVersion>(2));
    FAIL() << "no exception";
  } catch (const EIdIPVersionUnsupported& e) {
    EXPECT_EQ(e.Message(), u"Die angeforderte IPVersion-/Adress-Familie wird nicht unterstützt.");
  }
}

TEST(IdStackStaticTest, TheStackLivesWhileAReferenceIsHeld) {
  TIdStack* first = nullptr;
  {
    TIdStackUsage outer;
    first = &GlobalStack();
    {
      TIdStackUsage inner;
      EXPECT_EQ(&GlobalStack(), first);
    }
    EXPECT_EQ(&GlobalStack(), first);
  }
  EXPECT_THROW(GlobalStack(), EIdStackError);
  TIdStack::DecUsage();  // releasing with no reference held changes nothing
  TIdStackUsage again;
  EXPECT_NO_THROW(GlobalStack().WSTranslateSocketErrorMsg(10004));
}

TEST(IdStackStaticTest, UsageMayBeTakenAndReleasedOnManyThreads) {
  TIdStackUsage keep;
  TIdStack* const stack = &GlobalStack();
  std::atomic<bool> sameStack{true};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        TIdStackUsage usage;
        if (&GlobalStack() != stack) sameStack = false;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_TRUE(sameStack);
}

TEST(IdStackStaticTest, ByteOrderIsBigEndianOnTheWire) {
  const std::uint32_t value = TIdStack::HostToNetwork(std::uint32_t{0x01020304});
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[3], 4);
  EXPECT_EQ(TIdStack::NetworkToHost(TIdStack::HostToNetwork(std::uint64_t{0x0102030405060708})),
            0x0102030405060708u);
  EXPECT_EQ(TIdStack::NetworkToHost(TIdStack::HostToNetwork(std::uint16_t{0xABCD})), 0xABCD);
}

}  // namespace
