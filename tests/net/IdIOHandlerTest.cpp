#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Stream.h"
#include "net/IdException.h"
#include "net/IdGlobal.h"
#include "net/IdIOHandler.h"
#include "net/IdTCPClient.h"
#include "support/LoopbackServer.h"
#include "support/Raised.h"
#include "support/RecordingIOHandler.h"

namespace {

using testsupport::LoopbackServer;
using testsupport::RecordingIOHandler;
using testsupport::ServerStep;
namespace step = testsupport::step;

// The parts are sent one by one; each next part leaves only after the client has received the
// previous one, so every part arrives in a receive of its own.
std::vector<ServerStep> Parts(const std::vector<std::string>& parts, std::vector<ServerStep> tail = {}) {
  std::vector<ServerStep> script;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) script.push_back(step::WaitSignal());
    script.push_back(step::Send(parts[i]));
  }
  for (ServerStep& s : tail) script.push_back(std::move(s));
  return script;
}

// A client connected to the server through a handler that counts its receives and sends and
// signals the server after every receive. A generous read time-out turns a read that would
// wait forever into a failure instead of a hang.
struct Connection {
  TIdTCPClient Client;
  RecordingIOHandler* Handler = nullptr;

  explicit Connection(LoopbackServer& server) {
    Client.SetReadTimeout(20000);
    auto handler = std::make_unique<RecordingIOHandler>();
    Handler = handler.get();
    Handler->AfterReceive = [&server] { server.Signal(); };
    Client.SetIOHandler(std::move(handler));
    Client.Connect(server.Host(), server.Port());
  }
  TIdIOHandler& IO() { return *Client.IOHandler(); }
};

std::string Text(const TIdBytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}
std::string Text(const TMemoryStream& stream) {
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}
TIdBytes Bytes(const std::string& text) {
  return TIdBytes(text.begin(), text.end());
}

// Records the work events as "begin <max>", the running count, and "end".
void RecordWork(TIdComponent& component, std::vector<std::string>& log) {
  component.OnWorkBegin = [&log](TIdComponent&, TWorkMode, std::int64_t max) {
    log.push_back("begin " + std::to_string(max));
  };
  component.OnWork = [&log](TIdComponent&, TWorkMode, std::int64_t n) { log.push_back(std::to_string(n)); };
  component.OnWorkEnd = [&log](TIdComponent&, TWorkMode) { log.push_back("end"); };
}

// --- Lines ---------------------------------------------------------------------------------

TEST(IdIOHandlerReadLnTest, LinesAcrossReceiveBoundaries) {
  struct Case {
    const char* name;
    std::vector<std::string> parts;
    String terminator;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"CR LF", {"abc\r\n"}, u"", {"abc"}},
      {"bare LF", {"abc\n"}, u"", {"abc"}},
      {"only the last CR goes", {"abc\r\r\n"}, u"", {"abc\r"}},
      {"empty line", {"\r\n", "x\n"}, u"", {"", "x"}},
      {"CR at the end of one receive, LF at the start of the next",
       {"abc\r", "\ndef\r\n"},
       u"",
       {"abc", "def"}},
      {"line in three receives", {"ab", "c", "d\r\n"}, u"", {"abcd"}},
      {"two lines in one receive", {"one\r\ntwo\r\n"}, u"", {"one", "two"}},
      {"other terminator removes only itself", {"abc\r\r\n"}, u"\r\n", {"abc\r"}},
      {"two-byte terminator split across receives", {"abcX", "Ydef", "XY"}, u"XY", {"abc", "def"}},
      {"8-bit bytes read as question marks",
       {"Gr\xfc\xdf"
        "e\n"},
       u"",
       {"Gr??e"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackServer server(Parts(c.parts, {step::WaitSignal()}));
    Connection connection(server);
    for (const std::string& expected : c.lines)
      EXPECT_EQ(ToUtf8(connection.IO().ReadLn(c.terminator)), expected);
    // Every part came in a receive of its own, and no line needed a receive more than that.
    std::vector<int> sizes;
    for (const std::string& part : c.parts) sizes.push_back(static_cast<int>(part.size()));
    EXPECT_EQ(connection.Handler->ReceiveSizes, sizes);
    EXPECT_TRUE(connection.IO().InputBufferIsEmpty());
  }
}

TEST(IdIOHandlerReadLnTest, LineLengthLimitCountsTheBytesBeforeTheTerminator) {
  struct Case {
    const char* name;
    std::size_t length;
    const char* ending;
    bool accepted;
  };
  const Case cases[] = {
      {"16384 before LF", 16384, "\n", true},
      {"16385 before LF", 16385, "\n", false},
      {"16383 before CR LF", 16383, "\r\n", true},
      {"16384 before CR LF (the CR counts)", 16384, "\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string line(c.length, 'a');
    LoopbackServer server({step::Send(line + c.ending), step::Hold()});
    Connection connection(server);
    if (c.accepted) {
      EXPECT_EQ(connection.IO().ReadLn().size(), c.length);
      continue;
    }
    const auto e = Raised<EIdReadLnMaxLineLengthExceeded>([&] { connection.IO().ReadLn(); });
    EXPECT_EQ(e.Message(), u"Max. Zeilenlänge überschritten.");
    // The over-long line stays buffered.
    EXPECT_EQ(static_cast<std::size_t>(connection.IO().InputBuffer().Size()),
              c.length + std::strlen(c.ending));
  }
}

TEST(IdIOHandlerReadLnTest, SplitHandsOutAnOverLongLineInPieces) {
  LoopbackServer server({step::Send(std::string(16385, 'a') + "\nnext\n"), step::Hold()});
  Connection connection(server);
  connection.IO().SetMaxLineAction(TIdMaxLineAction::maSplit);
  EXPECT_EQ(connection.IO().ReadLn(), String(16384, u'a'));
  EXPECT_TRUE(connection.IO().ReadLnSplit());
  EXPECT_EQ(connection.IO().ReadLn(), u"a");
  EXPECT_FALSE(connection.IO().ReadLnSplit());
  EXPECT_EQ(connection.IO().ReadLn(), u"next");
}

TEST(IdIOHandlerReadLnTest, ALineWithoutTerminatorDoesNotGrowTheBufferWithoutBound) {
  // 1 MB without a line end, and the connection stays open: the read must give up on its own.
  LoopbackServer server({step::Send(std::string(1 << 20, 'a')), step::Hold()});
  {
    Connection connection(server);
    EXPECT_THROW(connection.IO().ReadLn(), EIdReadLnMaxLineLengthExceeded);
    EXPECT_LE(connection.IO().InputBuffer().Size(), 16384 + connection.IO().RecvBufferSize());
  }
  LoopbackServer splitServer({step::Send(std::string(1 << 20, 'b')), step::Hold()});
  Connection connection(splitServer);
  connection.IO().SetMaxLineAction(TIdMaxLineAction::maSplit);
  EXPECT_EQ(connection.IO().ReadLn(), String(16384, u'b'));
  EXPECT_TRUE(connection.IO().ReadLnSplit());
}

TEST(IdIOHandlerReadLnTest, CloseBeforeTheTerminatorKeepsTheBytesAndTheConnection) {
  LoopbackServer server({step::Send("abc"), step::Close()});
  Connection connection(server);
  TIdIOHandler& io = connection.IO();
  const auto e = Raised<EIdConnClosedGracefully>([&] { io.ReadLn(); });
  EXPECT_EQ(e.Message(), u"Die Verbindung wurde erfolgreich geschlossen.");
  EXPECT_EQ(io.InputBuffer().Size(), 3);
  EXPECT_FALSE(io.Opened());
  EXPECT_TRUE(io.Connected());
  EXPECT_TRUE(connection.Client.Connected());
  TIdBytes rest;
  io.ReadBytes(rest, 3);
  EXPECT_EQ(Text(rest), "abc");
  EXPECT_FALSE(io.Connected());
}

TEST(IdIOHandlerReadLnTest, CompleteLinesComeBeforeTheClose) {
  LoopbackServer server({step::Send("last\r\n"), step::Close()});
  Connection connection(server);
  EXPECT_EQ(connection.IO().ReadLn(), u"last");
  EXPECT_THROW(connection.IO().ReadLn(), EIdConnClosedGracefully);
}

TEST(IdIOHandlerReadLnTest, TimeOuts) {
  LoopbackServer server({step::Send("par"), step::Hold()});
  Connection connection(server);
  TIdIOHandler& io = connection.IO();
  // An explicit time-out returns the empty text and keeps what arrived.
  EXPECT_EQ(io.ReadLn(u"\n", 100), u"");
  EXPECT_TRUE(io.ReadLnTimedout());
  EXPECT_EQ(io.InputBuffer().Size(), 3);
  // The default time-out with a positive ReadTimeout raises from the wait.
  io.SetReadTimeout(100);
  const auto e = Raised<EIdReadTimeout>([&] { io.ReadLn(); });
  EXPECT_EQ(e.Message(), u"Zeitüberschreitung beim Lesen.");
  EXPECT_TRUE(io.Connected());
  EXPECT_EQ(io.InputBuffer().Size(), 3);
  TIdBytes bytes;
  const auto readTen = [&] { io.ReadBytes(bytes, 10); };
  EXPECT_THROW(readTen(), EIdReadTimeout);
}

// --- Counted reads, streams and skips ---------------------------------------------------------

// A handler that records the time limit of every wait and lets the server send its next part
// only once the client has started waiting for it.
class WaitRecordingIOHandler final : public RecordingIOHandler {
 public:
  std::vector<int> Waits;
  std::function<void()> BeforeWait;
  bool Readable(int msec) override {
    Waits.push_back(msec);
    if (BeforeWait) BeforeWait();
    return RecordingIOHandler::Readable(msec);
  }
};

// A ReadTimeout of 0 means no limit, as -1 does: the reads wait until the data comes.
TEST(IdIOHandlerReadTest, AReadTimeoutOf0WaitsWithoutLimit) {
  LoopbackServer server({step::WaitSignal(), step::Send("line\n"), step::WaitSignal(), step::Send("abc"),
                         step::WaitSignal(), step::Send("defg"), step::WaitSignal(), step::Send("hi"),
                         step::WaitSignal(), step::Send("jk"), step::Hold()});
  TIdTCPClient client;
  client.SetReadTimeout(0);
  auto owned = std::make_unique<WaitRecordingIOHandler>();
  WaitRecordingIOHandler& handler = *owned;
  handler.BeforeWait = [&server] { server.Signal(); };
  client.SetIOHandler(std::move(owned));
  client.Connect(server.Host(), server.Port());
  TIdIOHandler& io = *client.IOHandler();
  EXPECT_EQ(io.ReadTimeout(), 0);

  EXPECT_EQ(io.ReadLn(), u"line");
  TIdBytes bytes;
  io.ReadBytes(bytes, 3);
  EXPECT_EQ(Text(bytes), "abc");
  TMemoryStream stream;
  io.ReadStream(stream, 4);
  EXPECT_EQ(Text(stream), "defg");
  io.Discard(2);
  // Taking whatever arrives waits for it too, rather than polling once.
  TIdBytes rest;
  io.ReadBytes(rest, -1, false);
  EXPECT_EQ(Text(rest), "jk");
  ASSERT_FALSE(handler.Waits.empty());
  for (const int wait : handler.Waits) EXPECT_EQ(wait, IdTimeoutInfinite);
}

// A positive ReadTimeout ends a wait without data in EIdReadTimeout for the counted reads and
// skips as well; the connection stays open, and what arrived is where the operation put it.
TEST(IdIOHandlerReadTest, ReadTimeoutsOfStreamsAndSkips) {
  {
    LoopbackServer server({step::Send("ab"), step::Hold()});
    Connection connection(server);
    connection.IO().SetReadTimeout(100);
    TMemoryStream stream;
    EXPECT_THROW(connection.IO().ReadStream(stream, 10), EIdReadTimeout);
    EXPECT_EQ(Text(stream), "ab");
    EXPECT_TRUE(connection.Client.Connected());
  }
  {
    LoopbackServer server({step::Send("ab"), step::Hold()});
    Connection connection(server);
    connection.IO().SetReadTimeout(100);
    EXPECT_THROW(connection.IO().Discard(10), EIdReadTimeout);
    EXPECT_TRUE(connection.IO().InputBufferIsEmpty());
    EXPECT_TRUE(connection.Client.Connected());
  }
  {
    // Skipping everything ends normally only at the close: a silent peer is a time-out.
    LoopbackServer server({step::Send("ab"), step::Hold()});
    Connection connection(server);
    connection.IO().SetReadTimeout(100);
    EXPECT_THROW(connection.IO().DiscardAll(), EIdReadTimeout);
    EXPECT_TRUE(connection.IO().InputBufferIsEmpty());
    EXPECT_TRUE(connection.Client.Connected());
  }
}

TEST(IdIOHandlerReadTest, ReadBytesAppendsOrOverwrites) {
  LoopbackServer server(Parts({"0123", "456789", "ab"}, {step::Hold()}));
  Connection connection(server);
  TIdBytes bytes = Bytes("xy");
  connection.IO().ReadBytes(bytes, 3, true);
  EXPECT_EQ(Text(bytes), "xy012");
  connection.IO().ReadBytes(bytes, 2, false);
  EXPECT_EQ(Text(bytes), "34012");
  connection.IO().ReadBytes(bytes, -1, false);  // what is buffered and what one receive brings
  EXPECT_EQ(Text(bytes), "56789ab");
}

TEST(IdIOHandlerReadStreamTest, CountedReadThatEndsEarlyKeepsTheBytesAndTrimsTheStream) {
  LoopbackServer server({step::Send("abcd"), step::Close()});
  Connection connection(server);
  TMemoryStream stream;
  stream.WriteBuffer("pre", 3);
  EXPECT_THROW(connection.IO().ReadStream(stream, 10), EIdConnClosedGracefully);
  EXPECT_EQ(Text(stream), "preabcd");
  EXPECT_EQ(stream.Position(), 7);
}

TEST(IdIOHandlerReadStreamTest, UntilDisconnectEndsNormallyAtTheClose) {
  LoopbackServer server(Parts({"head\n", "abcd", "efgh"}, {step::WaitSignal(), step::Close()}));
  Connection connection(server);
  EXPECT_EQ(connection.IO().ReadLn(), u"head");
  TMemoryStream stream;
  connection.IO().ReadStream(stream, -1, true);
  EXPECT_EQ(Text(stream), "abcdefgh");
  EXPECT_FALSE(connection.Client.Connected());
}

TEST(IdIOHandlerReadStreamTest, CountedReadTakesBufferedBytesFirstAndLeavesTheRest) {
  // Head, body and the next line arrive together; the body read must not take more than its count.
  LoopbackServer server({step::Send("len 5\nhelloNEXT\n"), step::Hold()});
  Connection connection(server);
  EXPECT_EQ(connection.IO().ReadLn(), u"len 5");
  TMemoryStream stream;
  connection.IO().ReadStream(stream, 5);
  EXPECT_EQ(Text(stream), "hello");
  EXPECT_EQ(connection.IO().ReadLn(), u"NEXT");
  EXPECT_EQ(connection.Handler->ReceiveSizes.size(), 1u);
  // A count of 0 reads nothing and leaves the stream ending at its position.
  stream.SetPosition(2);
  connection.IO().ReadStream(stream, 0);
  EXPECT_EQ(Text(stream), "he");
}

TEST(IdIOHandlerReadStreamTest, CountAnnouncedOnTheConnection) {
  struct Case {
    bool largeStream;
    std::string prefix;
  };
  const Case cases[] = {{false, std::string("\0\0\0\5", 4)}, {true, std::string("\0\0\0\0\0\0\0\5", 8)}};
  for (const Case& c : cases) {
    LoopbackServer server({step::Send(c.prefix + "helloX"), step::Hold()});
    Connection connection(server);
    connection.IO().SetLargeStream(c.largeStream);
    TMemoryStream stream;
    connection.IO().ReadStream(stream);
    EXPECT_EQ(Text(stream), "hello");
    EXPECT_EQ(connection.IO().InputBuffer().Size(), 1);
  }
}

TEST(IdIOHandlerReadStreamTest, AHugeAnnouncedCountAllocatesOnlyWhatArrives) {
  // The peer announces 2^40 bytes and sends ten; sizing the stream for the announced count
  // would need a terabyte.
  LoopbackServer server({step::Send(std::string("\0\0\1\0\0\0\0\0", 8) + "0123456789"), step::Close()});
  Connection connection(server);
  connection.IO().SetLargeStream(true);
  TMemoryStream stream;
  EXPECT_THROW(connection.IO().ReadStream(stream), EIdConnClosedGracefully);
  EXPECT_EQ(Text(stream), "0123456789");
}

TEST(IdIOHandlerReadStreamTest, ACountPastTheLargestStreamSizeIsRefused) {
  LoopbackServer server({step::Hold()});
  Connection connection(server);
  TMemoryStream stream;
  stream.WriteBuffer("x", 1);
  const auto e = Raised<EIdIOHandlerStreamDataTooLarge>(
      [&] { connection.IO().ReadStream(stream, std::numeric_limits<std::int64_t>::max()); });
  EXPECT_EQ(e.Message(), u"Daten sind für den Stream zu groß");
  EXPECT_EQ(stream.Size(), 1);
}

TEST(IdIOHandlerReadStreamTest, ReportsReadWorkOnceForTheWholeCopy) {
  LoopbackServer server(Parts({"abc", "defg"}, {step::Hold()}));
  Connection connection(server);
  std::vector<std::string> log;
  RecordWork(connection.Client, log);
  TMemoryStream stream;
  connection.IO().ReadStream(stream, 7);
  EXPECT_EQ(Text(stream), "abcdefg");
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.front(), "begin 7");
  EXPECT_EQ(log[log.size() - 2], "7");
  EXPECT_EQ(log.back(), "end");
}

TEST(IdIOHandlerReadStreamTest, InsideTheConnectionsOwnBracketOnlyTheOuterBeginAndEndFire) {
  LoopbackServer server({step::Send("abcdefg"), step::Hold()});
  Connection connection(server);
  std::vector<std::string> log;
  RecordWork(connection.Client, log);
  connection.Client.BeginWork(TWorkMode::wmRead, 100);
  TMemoryStream stream;
  connection.IO().ReadStream(stream, 3);
  connection.IO().ReadStream(stream, 4);
  EXPECT_EQ(log, (std::vector<std::string>{"begin 100", "3", "7"}));
  connection.Client.EndWork(TWorkMode::wmRead);
  EXPECT_EQ(log.back(), "end");
}

TEST(IdIOHandlerReadTest, DiscardSkipsExactlyTheCount) {
  LoopbackServer server(Parts({"01234", "56789tail\n"}, {step::Hold()}));
  Connection connection(server);
  std::vector<std::int64_t> work;
  int begins = 0;
  connection.Client.OnWorkBegin = [&](TIdComponent&, TWorkMode, std::int64_t) { ++begins; };
  connection.Client.OnWork = [&](TIdComponent&, TWorkMode, std::int64_t n) { work.push_back(n); };
  connection.IO().Discard(0);
  EXPECT_EQ(begins, 0);
  connection.IO().Discard(10);
  EXPECT_EQ(begins, 1);
  EXPECT_EQ(work, (std::vector<std::int64_t>{5, 10}));
  EXPECT_EQ(connection.IO().ReadLn(), u"tail");
}

TEST(IdIOHandlerReadTest, DiscardPastTheCloseRaisesAndDiscardAllEndsThere) {
  {
    LoopbackServer server({step::Send("abc"), step::Close()});
    Connection connection(server);
    EXPECT_THROW(connection.IO().Discard(10), EIdConnClosedGracefully);
  }
  LoopbackServer server(Parts({"abc", std::string(100000, 'x')}, {step::Close()}));
  Connection connection(server);
  connection.IO().DiscardAll();
  EXPECT_TRUE(connection.IO().InputBufferIsEmpty());
  EXPECT_FALSE(connection.Client.Connected());
}

TEST(IdIOHandlerReadTest, AFailingWorkEndNeverHidesTheReadFailureButSurfacesAfterSuccess) {
  struct Case {
    const char* name;
    std::vector<ServerStep> script;
    std::function<void(TIdIOHandler&, TMemoryStream&)> operation;
    std::string reported;
    std::string received;
  };
  const Case cases[] = {
      {"read stream past the close",
       {step::Send("abc"), step::Close()},
       [](TIdIOHandler& io, TMemoryStream& stream) { io.ReadStream(stream, 10); },
       "closed",
       "abc"},
      {"discard past the close",
       {step::Send("abc"), step::Close()},
       [](TIdIOHandler& io, TMemoryStream&) { io.Discard(10); },
       "closed",
       ""},
      {"complete read stream",
       {step::Send("abc"), step::Hold()},
       [](TIdIOHandler& io, TMemoryStream& stream) { io.ReadStream(stream, 3); },
       "end",
       "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackServer server(c.script);
    Connection connection(server);
    connection.Client.OnWorkEnd = [](TIdComponent&, TWorkMode) { throw std::runtime_error("end"); };
    TMemoryStream stream;
    std::string reported;
    try {
      c.operation(connection.IO(), stream);
    } catch (const EIdConnClosedGracefully&) {
      reported = "closed";
    } catch (const std::runtime_error& e) {
      reported = e.what();
    }
    EXPECT_EQ(reported, c.reported);
    // The stream sized in advance ends at the last byte that arrived, either way.
    EXPECT_EQ(Text(stream), c.received);
  }
}

TEST(IdIOHandlerReadTest, CheckForDataOnSource) {
  LoopbackServer server(Parts({"abc", "def"}, {step::WaitSignal(), step::Close()}));
  Connection connection(server);
  TIdIOHandler& io = connection.IO();
  EXPECT_TRUE(io.CheckForDataOnSource(5000));
  EXPECT_EQ(io.InputBuffer().Size(), 3);
  io.InputBuffer().Clear();
  EXPECT_TRUE(io.CheckForDataOnSource(5000));  // the second part
  io.InputBuffer().Clear();
  // The close comes next: no data, and no exception either.
  EXPECT_NO_THROW(EXPECT_FALSE(io.CheckForDataOnSource(5000)));
  EXPECT_NO_THROW(EXPECT_FALSE(io.CheckForDataOnSource(5000)));
  EXPECT_FALSE(io.Connected());
}

TEST(IdIOHandlerReadTest, CheckForDataOnSourceWithASilentPeerTimesOutQuietly) {
  LoopbackServer server({step::Hold()});
  Connection connection(server);
  EXPECT_FALSE(connection.IO().CheckForDataOnSource(50));
  EXPECT_TRUE(connection.IO().Connected());
}

// --- Writing -------------------------------------------------------------------------------

TEST(IdIOHandlerWriteTest, TextIsWrittenWithTheDefaultEncoding) {
  LoopbackServer server({step::ReceiveUntil("end\r\n")});
  {
    Connection connection(server);
    TIdIOHandler& io = connection.IO();
    io.Write(String());
    io.WriteLn();
    io.Write(u"ä=");
    io.WriteLn(u"end");
    EXPECT_EQ(connection.Handler->SendSizes.size(), 3u);  // the empty text sent nothing
  }
  ASSERT_TRUE(server.WaitDone());
  EXPECT_EQ(server.Received(), "\r\n?=end\r\n");
}

TEST(IdIOHandlerWriteTest, ARequestHeadLeavesInOneSend) {
  LoopbackServer server({step::ReceiveUntil("\r\n\r\n")});
  std::string head;
  {
    Connection connection(server);
    TIdIOHandler& io = connection.IO();
    io.WriteBufferOpen();
    const char16_t* lines[] = {u"GET /fendrel/newest HTTP/1.1", u"Host: 127.0.0.1", u"Accept: text/html, */*",
                               u"User-Agent: Mozilla/3.0 (compatible; Fendrel)", u""};
    for (const char16_t* line : lines) {
      io.WriteLn(line);
      head += ToUtf8(line) + "\r\n";
    }
    EXPECT_TRUE(io.WriteBufferingActive());
    EXPECT_TRUE(connection.Handler->SendSizes.empty());
    io.WriteBufferClose();
    EXPECT_FALSE(io.WriteBufferingActive());
    EXPECT_EQ(connection.Handler->SendSizes, std::vector<int>{static_cast<int>(head.size())});
  }
  ASSERT_TRUE(server.WaitDone());
  EXPECT_EQ(server.Receives(), std::vector<std::string>{head});
}

TEST(IdIOHandlerWriteTest, WriteBufferThresholdCancelAndReopen) {
  LoopbackServer server({step::ReceiveUntil("!")});
  {
    Connection connection(server);
    TIdIOHandler& io = connection.IO();
    io.WriteBufferOpen(10);
    io.Write(Bytes("0123456789abcdefghijklmno"));  // 25 bytes: two sends of 10 leave at once
    EXPECT_EQ(connection.Handler->SendSizes, (std::vector<int>{10, 10}));
    io.WriteBufferClose();
    EXPECT_EQ(connection.Handler->SendSizes, (std::vector<int>{10, 10, 5}));

    io.WriteBufferOpen();
    io.Write(u"dropped by the second open");
    io.WriteBufferOpen();
    io.Write(u"kept");
    io.WriteBufferFlush(2);
    io.WriteBufferClose();

    io.WriteBufferOpen();
    io.Write(u"cancelled");
    io.WriteBufferCancel();
    EXPECT_FALSE(io.WriteBufferingActive());
    io.Write(u"!");
  }
  ASSERT_TRUE(server.WaitDone());
  EXPECT_EQ(server.Received(), "0123456789abcdefghijklmnokept!");
}

// A stream that claims more bytes than it holds.
class ShortStream : public TMemoryStream {
 public:
  explicit ShortStream(std::int64_t claimed) : FClaimed(claimed) {}
  std::int64_t Size() override { return FClaimed; }

 private:
  std::int64_t FClaimed;
};

TEST(IdIOHandlerWriteTest, StreamsGoInSendBufferSizeChunksWithTheirCountInFront) {
  LoopbackServer server({step::Receive(14)});
  {
    Connection connection(server);
    TIdIOHandler& io = connection.IO();
    io.SetSendBufferSize(4);
    std::vector<std::string> log;
    RecordWork(connection.Client, log);
    TMemoryStream stream;
    stream.WriteBuffer("0123456789", 10);
    io.Write(stream, 0, true);
    EXPECT_EQ(connection.Handler->SendSizes, (std::vector<int>{4, 4, 4, 2}));
    EXPECT_EQ(log, (std::vector<std::string>{"begin 10", "4", "8", "10", "end"}));
  }
  ASSERT_TRUE(server.WaitDone());
  EXPECT_EQ(server.Received(), std::string("\0\0\0\x0a", 4) + "0123456789");
}

TEST(IdIOHandlerWriteTest, StreamFailures) {
  LoopbackServer server({step::ReceiveUntilClosed()});
  Connection connection(server);
  TIdIOHandler& io = connection.IO();
  // 2 GB with a 4-byte count: refused before anything is sent.
  ShortStream huge(std::int64_t{1} << 31);
  const auto large = Raised<EIdIOHandlerRequiresLargeStream>([&] { io.Write(huge, -1, true); });
  EXPECT_EQ(large.Message(),
            u"Setzen Sie LargeStream auf True, um Streams, die größer als 2 GB sind, zu senden");
  EXPECT_TRUE(connection.Handler->SendSizes.empty());
  // A source that runs dry before its size.
  ShortStream dry(100);
  dry.WriteBuffer("abc", 3);
  const auto none = Raised<EIdNoDataToRead>([&] { io.Write(dry); });
  EXPECT_EQ(none.Message(), u"Keine Daten für den Lesezugriff.");
  EXPECT_EQ(connection.Handler->SendSizes, std::vector<int>{3});
}

TEST(IdIOHandlerWriteTest, AWriteAfterThePeerClosedRaisesEvenWithUnreadInput) {
  LoopbackServer server({step::Send("unread"), step::Close()});
  Connection connection(server);
  TIdIOHandler& io = connection.IO();
  EXPECT_THROW(io.ReadLn(), EIdConnClosedGracefully);  // notices the close
  EXPECT_FALSE(io.InputBufferIsEmpty());
  EXPECT_THROW(io.Write(u"x"), EIdConnClosedGracefully);
  EXPECT_THROW(io.WriteLn(u"x"), EIdConnClosedGracefully);
  EXPECT_TRUE(connection.Handler->SendSizes.empty());
}

TEST(IdIOHandlerWriteTest, WritingIntoAConnectionThePeerDroppedRaisesInsteadOfEndingTheProcess) {
  for (const bool reset : {false, true}) {
    SCOPED_TRACE(reset ? "reset" : "close");
    // The server drops the connection only once the connect has completed on the client side.
    LoopbackServer server({step::WaitSignal(), reset ? step::Reset() : step::Close()});
    Connection connection(server);
    server.Signal();
    ASSERT_TRUE(server.WaitDone());
    const TIdBytes block(65536, 'x');
    bool raised = false;
    // The first sends may still be taken by the system; a later one must fail.
    for (int i = 0; i < 200 && !raised; ++i) {
      try {
        connection.IO().Write(block);
      } catch (const EIdSocketError&) {
        raised = true;
      } catch (const EIdConnClosedGracefully&) {
        raised = true;
      }
    }
    EXPECT_TRUE(raised);
  }
}

}  // namespace
