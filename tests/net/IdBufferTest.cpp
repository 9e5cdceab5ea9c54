#include <gtest/gtest.h>

#include <climits>
#include <numeric>
#include <vector>

#include "core/Exception.h"
#include "net/IdBuffer.h"
#include "net/IdException.h"

namespace {

TIdBytes Sequence(std::size_t count, std::uint8_t first = 0) {
  TIdBytes bytes(count);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

TIdBytes Bytes(std::initializer_list<std::uint8_t> values) {
  return TIdBytes(values);
}

// Records every OnBytesRemoved report.
struct RemovalLog {
  std::vector<std::int32_t> Counts;
  TIdBufferBytesRemoved Handler() {
    return [this](TIdBuffer&, std::int32_t n) { Counts.push_back(n); };
  }
};

TEST(IdBufferTest, AppendingGrowsByTheNeedAndTheGrowthFactor) {
  TIdBuffer buffer;
  buffer.Write(Sequence(10));
  EXPECT_EQ(buffer.Capacity(), 10);
  buffer.Write(Sequence(5, 10));
  EXPECT_EQ(buffer.Capacity(), 10 + 5 + 2048);
  EXPECT_EQ(buffer.Size(), 15);
  TIdBytes out;
  buffer.ExtractToBytes(out);
  EXPECT_EQ(out, Sequence(15));
}

TEST(IdBufferTest, AppendingReusesDeadSpaceAtTheFrontBeforeGrowing) {
  TIdBuffer buffer;
  buffer.Write(Sequence(10));
  buffer.Write(Sequence(5, 10));  // capacity 2063
  buffer.Remove(10);              // five bytes left, ten bytes of dead space before them
  // 2063 - 5 = 2058 bytes free once the rest sits at the front: no growth is needed.
  buffer.Write(Sequence(2055, 15));
  EXPECT_EQ(buffer.Capacity(), 2063);
  EXPECT_EQ(buffer.Size(), 2060);
  TIdBytes out;
  buffer.ExtractToBytes(out);
  EXPECT_EQ(out, Sequence(2060, 10));
}

TEST(IdBufferTest, RemovalMovesTheHeadAndCompactsOncePastTheGrowthFactor) {
  TIdBuffer buffer;
  buffer.Write(Sequence(5000));
  buffer.Write(Sequence(1, 0x88));  // 5001 bytes, capacity 5000 + 1 + 2048 = 7049
  ASSERT_EQ(buffer.Capacity(), 7049);

  buffer.Remove(3);  // the head moves; storage stays
  EXPECT_EQ(buffer.Capacity(), 7049);
  EXPECT_EQ(buffer.PeekByte(0), 3);

  buffer.Remove(2045);  // head at 2048: not yet beyond the growth factor
  EXPECT_EQ(buffer.Capacity(), 7049);

  buffer.Remove(1);  // head at 2049: the rest moves to the front and spare room is trimmed
  EXPECT_EQ(buffer.Size(), 2952);
  EXPECT_EQ(buffer.Capacity(), 2952 + 2048);
  TIdBytes out;
  buffer.ExtractToBytes(out);
  TIdBytes expected = Sequence(5000);
  expected.push_back(0x88);
  expected.erase(expected.begin(), expected.begin() + 2049);
  EXPECT_EQ(out, expected);
}

TEST(IdBufferTest, RemovingMoreThanIsStoredEmptiesAndReportsTheCountAskedFor) {
  RemovalLog log;
  TIdBuffer buffer(log.Handler());
  buffer.Write(Sequence(10));
  buffer.Remove(25);
  EXPECT_EQ(buffer.Size(), 0);
  EXPECT_EQ(buffer.Capacity(), 0);
  EXPECT_EQ(log.Counts, std::vector<std::int32_t>{25});
  buffer.Remove(-1);  // a negative count changes nothing
  EXPECT_EQ(log.Counts.size(), 1u);
}

TEST(IdBufferTest, ExtractionsReportRemovalsButClearAndCopiesDoNot) {
  RemovalLog log;
  TIdBuffer buffer(log.Handler());
  buffer.Write(TextToBytes(u"abcdefghij"));
  TIdBytes copy;
  buffer.ExtractToBytes(copy, 3, false, 2);  // copy from position 2, bytes stay
  EXPECT_EQ(copy, TextToBytes(u"cde"));
  EXPECT_EQ(buffer.Size(), 10);
  TIdBytes taken{'x'};
  buffer.ExtractToBytes(taken, 2);  // appended after the array's content
  EXPECT_EQ(taken, TextToBytes(u"xab"));
  TIdBytes overwritten = TextToBytes(u"12345");
  buffer.ExtractToBytes(overwritten, 2, false);  // to the array's start, no shortening
  EXPECT_EQ(overwritten, TextToBytes(u"cd345"));
  EXPECT_EQ(buffer.ExtractToString(3), u"efg");
  TMemoryStream stream;
  buffer.ExtractToStream(stream, 2);
  EXPECT_EQ(stream.Bytes(), TextToBytes(u"hi"));
  buffer.Clear();
  EXPECT_EQ(log.Counts, (std::vector<std::int32_t>{2, 2, 3, 2}));
}

TEST(IdBufferTest, TakingOutMoreThanIsStoredRaisesAndKeepsTheBytes) {
  TIdBuffer buffer;
  buffer.Write(Sequence(10));
  TIdBytes out;
  try {
    buffer.ExtractToBytes(out, 11);
    FAIL() << "no exception";
  } catch (const EIdNotEnoughDataInBuffer& e) {
    EXPECT_EQ(e.Message(), u"Nicht genügend Daten im Puffer. (11/10)");
  }
  EXPECT_THROW(buffer.ExtractToString(11), EIdNotEnoughDataInBuffer);
  TMemoryStream stream;
  EXPECT_THROW(buffer.ExtractToStream(stream, 11), EIdNotEnoughDataInBuffer);
  EXPECT_THROW(buffer.ExtractToBytes(out, 5, true, 6), EIdNotEnoughDataInBuffer);
  EXPECT_EQ(buffer.Size(), 10);
  EXPECT_TRUE(out.empty());
}

TEST(IdBufferTest, IndexOfCountsFromTheFirstStoredByte) {
  TIdBuffer buffer;
  buffer.Write(TextToBytes(u"zzab\r\nc"));
  buffer.Remove(2);  // stored: a b CR LF c
  const TIdBytes crlf = Bytes({13, 10});
  struct Case {
    TIdBytes Pattern;
    std::int32_t Start;
    std::int32_t Expected;
  };
  const Case cases[] = {
      {crlf, 0, 2},
      {crlf, 2, 2},
      {crlf, 3, -1},
      {Bytes({'c'}), 4, 4},
      {TextToBytes(u"c!"), 4, -1},  // longer than what remains
      {TextToBytes(u"ab\r\nc"), 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(buffer.IndexOf(c.Pattern, c.Start), c.Expected) << c.Start;
  EXPECT_EQ(buffer.IndexOf(std::uint8_t(10)), 3);
  EXPECT_EQ(buffer.IndexOf(std::uint8_t(10), 4), -1);
  EXPECT_EQ(buffer.IndexOf(u"\r\n"), 2);
}

TEST(IdBufferTest, IndexOfRejectsAnEmptyPatternAndAStartOutsideTheBytes) {
  TIdBuffer empty;
  EXPECT_EQ(empty.IndexOf(TIdBytes()), -1);  // an empty buffer answers -1 before any check
  TIdBuffer buffer;
  buffer.Write(TextToBytes(u"abcde"));
  try {
    buffer.IndexOf(TIdBytes());
    FAIL() << "no exception";
  } catch (const EIdException& e) {
    EXPECT_EQ(e.Message(), u"Pufferbegrenzer muss angegeben werden.");
  }
  for (const std::int32_t start : {-1, 5, 6}) {
    try {
      buffer.IndexOf(Bytes({'a'}), start);
      FAIL() << "no exception for " << start;
    } catch (const EIdException& e) {
      EXPECT_EQ(e.Message(), u"Pufferstartposition ist ungültig.");
    }
    EXPECT_THROW(buffer.IndexOf(std::uint8_t('a'), start), EIdException);
  }
}

TEST(IdBufferTest, AppendingPastTwoGigabytesRaisesBeforeTouchingTheBytes) {
  TIdBuffer buffer;
  buffer.Write(Sequence(1));
  const std::uint8_t one = 0;
  try {
    buffer.Write(&one, INT_MAX);  // the count is refused before anything is read
    FAIL() << "no exception";
  } catch (const EIdTooMuchDataInBuffer& e) {
    EXPECT_EQ(e.Message(), u"Zu viele Daten im Puffer.");
  }
  EXPECT_EQ(buffer.Size(), 1);
}

TEST(IdBufferTest, CapacityAndPeekGuardTheStoredBytes) {
  TIdBuffer buffer;
  EXPECT_THROW(buffer.PeekByte(0), EIdException);
  buffer.Write(Sequence(4));
  EXPECT_THROW(buffer.SetCapacity(3), EIdException);
  EXPECT_THROW(buffer.PeekByte(4), EIdException);
  buffer.SetCapacity(100);
  EXPECT_EQ(buffer.Capacity(), 100);
  EXPECT_EQ(buffer.PeekByte(3), 3);
}

TEST(IdBufferTest, TextUsesTheGivenEncodingElseTheBuffersElseAscii) {
  TIdBuffer buffer;
  buffer.Write(u"Grüße");
  EXPECT_EQ(buffer.ExtractToString(), u"Gr??e");
  buffer.SetEncoding(&Id8BitEncoding());
  buffer.Write(u"Grüße");
  EXPECT_EQ(buffer.ExtractToString(), u"Grüße");
  buffer.Write(u"ü", &IdUTF8Encoding());
  EXPECT_EQ(buffer.Size(), 2);
  EXPECT_EQ(buffer.ExtractToString(-1, &IdUTF8Encoding()), u"ü");
}

TEST(IdBufferTest, WritingAtAPositionOverwritesAndExtends) {
  TIdBuffer buffer;
  buffer.Write(TextToBytes(u"abcdef"));
  buffer.Remove(1);                         // bcdef
  buffer.Write(TextToBytes(u"XY"), -1, 1);  // bXYef
  buffer.Write(TextToBytes(u"Z"), -1, 7);   // bXYef, gap, Z
  TIdBytes out;
  buffer.ExtractToBytes(out);
  EXPECT_EQ(out, Bytes({'b', 'X', 'Y', 'e', 'f', 0, 0, 'Z'}));
}

// A stream that takes at most Limit bytes in all.
class ShortStream : public TMemoryStream {
 public:
  explicit ShortStream(std::int64_t limit) : FLimit(limit) {}
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const std::int64_t taken = std::min(count, FLimit - Size());
    return taken <= 0 ? 0 : TMemoryStream::Write(buffer, taken);
  }

 private:
  std::int64_t FLimit;
};

TEST(IdBufferTest, AStreamThatTakesFewerBytesKeepsTheRestInTheBuffer) {
  RemovalLog log;
  TIdBuffer buffer(log.Handler());
  buffer.Write(TextToBytes(u"0123456789"));
  ShortStream stream(4);
  EXPECT_THROW(buffer.ExtractToStream(stream, 10), EWriteError);
  EXPECT_EQ(stream.Bytes(), TextToBytes(u"0123"));
  EXPECT_EQ(buffer.ExtractToString(), u"456789");
  EXPECT_EQ(log.Counts.front(), 4);
}

TEST(IdBufferTest, WritingFromAStreamTakesTheBytesFromItsPosition) {
  TMemoryStream stream;
  const TIdBytes source = TextToBytes(u"abcdef");
  stream.WriteBuffer(source.data(), 6);
  stream.SetPosition(2);
  TIdBuffer buffer;
  buffer.Write(stream, 2);
  buffer.Write(stream);
  EXPECT_EQ(buffer.ExtractToString(), u"cdef");
  stream.SetPosition(5);
  EXPECT_THROW(buffer.Write(stream, 3), EReadError);
}

}  // namespace
