#include <gtest/gtest.h>

#include <functional>

#include "InflateTestSupport.h"
#include "codecs/AbDfException.h"
#include "codecs/AbDfInflate.h"
#include "core/Crc32.h"

using namespace inflate_test;

namespace {

TBitWriter FinalFixed() {
  return std::move(TBitWriter().Bits(1, 1).Bits(1, 2));
}

// A dynamic block header with the code-length code given per symbol in transmission
// order (16, 17, 18, 0, 8, ...), the count of lengths sent being their number.
TBitWriter DynamicHeader(int hlit, int hdist, std::initializer_list<int> codeLengthLengths) {
  TBitWriter w;
  w.Bits(1, 1)
      .Bits(2, 2)
      .Bits(static_cast<std::uint32_t>(hlit - 257), 5)
      .Bits(static_cast<std::uint32_t>(hdist - 1), 5);
  w.Bits(static_cast<std::uint32_t>(codeLengthLengths.size() - 4), 4);
  for (int l : codeLengthLengths) w.Bits(static_cast<std::uint32_t>(l), 3);
  return w;
}

// A Deflate64-style dynamic block whose literal code has 'a' (0), end (10) and length 3
// (11), and whose distance code has only distance 1 (0): the bit pattern 1 is unused.
TBitWriter OneDistanceCodeBlock() {
  // Code-length code: 0 -> 00, 1 -> 01, 2 -> 10, 18 -> 11.
  TBitWriter w = DynamicHeader(258, 1, {0, 0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2});
  w.Code(3, 2).Bits(75, 7).Code(3, 2).Bits(0, 7);   // 97 zeros
  w.Code(1, 2);                                     // 'a': 1
  w.Code(3, 2).Bits(127, 7).Code(3, 2).Bits(9, 7);  // 158 zeros
  w.Code(2, 2).Code(2, 2);                          // end of block and 257: 2
  w.Code(1, 2);                                     // distance 0: 1
  return w;
}

// A final Deflate64 dynamic block whose literal code over-fills the code space: three
// 1-bit codes (symbols 0 to 2, which a plain table fill lets overwrite each other) and
// 15-bit codes for 'a', 'b', the end and length symbol 285, which fill their patterns
// last; one 1-bit distance code (distance 1). Then twenty times 'a', 'b' and a match of
// 3 + 65535 - i bytes: two literals of 15 bits followed by 31 bits of length.
TCraftedStream OverfullLongCodesBlock() {
  std::vector<int> lit(286, 0);
  lit[0] = lit[1] = lit[2] = 1;
  lit['a'] = lit['b'] = lit[256] = lit[285] = 15;
  const std::vector<std::uint32_t> codes = CanonicalCodes(lit);
  const auto code = [&](int symbol) { return codes[static_cast<std::size_t>(symbol)] & 0x7FFF; };
  TBitWriter w;
  w.Bits(1, 1).Bits(2, 2).Bits(286 - 257, 5).Bits(0, 5).Bits(19 - 4, 4);
  for (int s : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15}) w.Bits(s < 16 ? 4 : 0, 3);
  for (int l : lit) w.Code(static_cast<std::uint32_t>(l), 4);
  w.Code(1, 4);  // the one distance code
  Bytes out;
  for (std::uint32_t i = 0; i < 20; ++i) {
    w.Code(code('a'), 15).Code(code('b'), 15).Code(code(285), 15).Bits(65535 - i, 16).Code(0, 1);
    out.push_back('a');
    out.insert(out.end(), 1 + 3 + 65535 - i, 'b');
  }
  w.Code(code(256), 15);
  return {w.Finish(), out};
}

struct TErrorCase {
  const char* FName;
  std::function<Bytes()> FStream;
  bool FDeflate64;
  const char16_t* FText;
  std::size_t FBytesBefore;  // decoded bytes the destination holds after the failure
};

}  // namespace

// Crafted streams for every data error: each surfaces as EAbInflateError with the fixed
// text wrapped in the common message, and what was decoded before it is written out.
TEST(InflateErrorTest, CraftedStreamsRaiseTheirTexts) {
  const TErrorCase cases[] = {
      {"block type 3", [] { return TBitWriter().Bits(1, 1).Bits(3, 2).Finish(); }, false,
       SInflateBadBlockType, 0},
      {"stored length check",
       [] {
         return TBitWriter().Bits(1, 1).Bits(0, 2).Bits(0, 5).RawBytes({5, 0, 0, 0}).Finish();
       },
       false, SInflateBadStoredLength, 0},
      {"HLIT 287",
       [] {
         return DynamicHeader(287, 1, {0, 0, 0, 0}).Finish();
       },
       false, SInflateTooManyLiteralCodes, 0},
      {"HDIST 31 in Deflate",
       [] {
         return DynamicHeader(257, 31, {0, 0, 0, 0}).Finish();
       },
       false, SInflateTooManyDistanceCodes, 0},
      // Deflate64 accepts 31 distance codes and stops only at the empty code-length code.
      {"HDIST 32 in Deflate64",
       [] {
         return DynamicHeader(257, 32, {0, 0, 0, 0}).Finish();
       },
       true, SInflateBadCodeLengthSymbol, 0},
      {"code-length bits with no code",
       [] {
         return DynamicHeader(257, 1, {0, 0, 0, 1}).Code(1, 1).Finish();
       },
       false, SInflateBadCodeLengthSymbol, 0},
      {"repeat 16 first",
       [] {
         return DynamicHeader(257, 1, {1, 0, 0, 1}).Code(1, 1).Bits(0, 2).Finish();
       },
       false, SInflateRepeatFirst, 0},
      {"repeat past the end",
       [] {
         return DynamicHeader(257, 1, {0, 0, 1, 1}).Code(1, 1).Bits(127, 7).Code(1, 1).Bits(127, 7).Finish();
       },
       false, SInflateRepeatPastEnd, 0},
      {"length symbol 286", [] { return FinalFixed().FixedLiteral('x').FixedLiteral(286).Finish(); }, false,
       SInflateBadLengthSymbol, 1},
      {"length symbol 287 in Deflate64", [] { return FinalFixed().FixedLiteral(287).Finish(); }, true,
       SInflateBadLengthSymbol, 0},
      {"distance symbol 30 in Deflate",
       [] { return FinalFixed().FixedLiteral('a').FixedLiteral(257).FixedDistance(30).Finish(); }, false,
       SInflateBadDistanceSymbol, 1},
      {"distance symbol 31 in Deflate",
       [] { return FinalFixed().FixedLiteral('a').FixedLiteral(257).FixedDistance(31).Finish(); }, false,
       SInflateBadDistanceSymbol, 1},
      {"distance symbol 30 before enough output in Deflate64",
       [] { return FinalFixed().FixedLiteral('a').FixedLiteral(257).FixedDistance(30).Bits(0, 14).Finish(); },
       true, SInflateDistanceTooFar, 1},
      {"match before any output", [] { return FinalFixed().FixedLiteral(257).FixedDistance(0).Finish(); },
       false, SInflateDistanceTooFar, 0},
      {"distance beyond the output",
       [] {
         return FinalFixed().FixedLiteral('a').FixedLiteral('b').FixedLiteral(257).FixedDistance(2).Finish();
       },
       false, SInflateDistanceTooFar, 2},
      {"distance bits with no code in Deflate64",
       [] { return OneDistanceCodeBlock().Code(0, 1).Code(3, 2).Code(1, 1).Finish(); }, true,
       SInflateNoDistanceCode, 1},
      {"distance bits with no code in Deflate",
       [] { return OneDistanceCodeBlock().Code(0, 1).Code(3, 2).Code(1, 1).Finish(); }, false,
       SInflateBadDistanceSymbol, 1},
      {"empty input", [] { return Bytes(); }, false, SInflateNoDataReadBit, 0},
      // Three fixed blocks holding only their end fill 30 bits; the fourth header runs out.
      {"input ends in a block type",
       [] {
         return Bytes{0x02, 0x08, 0x20, 0x00};
       },
       false, SInflateNoDataReadBits, 0},
      {"input ends in the code lengths",
       [] {
         return DynamicHeader(257, 1, {0, 0, 1, 1}).Finish();
       },
       false, SInflateNoDataDiscardBits, 0},
      {"input ends before a stored length", [] { return Bytes{0x01}; }, false, SInflateNoDataReadBuffer, 0},
      {"input ends in stored data",
       [] {
         return TBitWriter().Bits(1, 1).Bits(0, 2).Bits(0, 5).RawBytes({100, 0, 155, 255, 1, 2, 3}).Finish();
       },
       false, SInflateNoDataReadBuffer, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FName);
    TChunkedStream source(c.FStream(), 3);
    TMemoryStream dest;
    TAbDeflateHelper helper;
    helper.FOptions |= c.FDeflate64 ? dfc_UseDeflate64 : 0;
    try {
      Inflate(source, dest, &helper);
      ADD_FAILURE() << "no error";
    } catch (const EAbInflateError& e) {
      EXPECT_EQ(e.Message(), String(SInflateErrorPrefix) + c.FText + u")") << e.what();
      EXPECT_EQ(e.ClassName(), u"EAbInflateError");
    }
    EXPECT_EQ(dest.Size(), static_cast<std::int64_t>(c.FBytesBefore));
  }
}

// Streams at the edges of the format that must decode.
TEST(InflateErrorTest, EdgeStreamsDecode) {
  Bytes history(40000);
  for (std::size_t i = 0; i < history.size(); ++i) history[i] = static_cast<std::uint8_t>(i * 7 % 251);
  Bytes withFar = history;
  for (int i = 0; i < 3; ++i) withFar.push_back(withFar[withFar.size() - 32769]);

  const auto storedThenFixed = [&](bool final) {
    TBitWriter w;
    w.Bits(0, 1).Bits(0, 2).Bits(0, 5).RawBytes({0x40, 0x9C, 0xBF, 0x63});  // 40000 bytes
    for (auto b : history) w.Bits(b, 8);
    w.Bits(final ? 1 : 0, 1).Bits(1, 2);
    return w;
  };
  const struct {
    const char* FName;
    Bytes FStream;
    bool FDeflate64;
    Bytes FOutput;
  } cases[] = {
      {"empty stored final block", {0x01, 0x00, 0x00, 0xFF, 0xFF}, false, {}},
      {"fixed block with only its end", {0x03, 0x00}, false, {}},
      {"distance 1, length 258",
       FinalFixed().FixedLiteral('a').FixedLiteral(285).FixedDistance(0).FixedLiteral(256).Finish(), false,
       Bytes(259, 'a')},
      {"Deflate64 length symbol 285 with 16 extra bits",
       FinalFixed()
           .FixedLiteral('a')
           .FixedLiteral(285)
           .Bits(1000, 16)
           .FixedDistance(0)
           .FixedLiteral(256)
           .Finish(),
       true, Bytes(1004, 'a')},
      {"Deflate64 distance symbol 30",
       storedThenFixed(true).FixedLiteral(257).FixedDistance(30).Bits(0, 14).FixedLiteral(256).Finish(), true,
       withFar},
      {"Deflate64 dynamic block with one distance code",
       OneDistanceCodeBlock().Code(0, 1).Code(3, 2).Code(0, 1).Code(2, 2).Finish(), true, Bytes(4, 'a')},
      {"Deflate64 longest lengths after two literals of an over-full code", OverfullLongCodesBlock().FStream,
       true, OverfullLongCodesBlock().FOutput},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FName);
    TChunkedStream source(c.FStream, 5);
    TMemoryStream dest;
    TAbDeflateHelper helper;
    helper.FOptions |= c.FDeflate64 ? dfc_UseDeflate64 : 0;
    const std::uint32_t crc = Inflate(source, dest, &helper);
    EXPECT_EQ(dest.Bytes(), c.FOutput);
    EXPECT_EQ(crc, Crc32(c.FOutput.data(), c.FOutput.size()));
    EXPECT_EQ(source.Position(), static_cast<std::int64_t>(c.FStream.size()));
  }
}

// Misuse of the bit reader's counts is an internal error of its own.
TEST(InflateErrorTest, BitCountsOutOfRange) {
  TChunkedStream source(Bytes(16, 0xA5), 16);
  TAbDfInBitStream in(source, nullptr, 0);
  EXPECT_EQ(in.ReadBits(3), 5u);
  try {
    in.ReadBits(17);
    ADD_FAILURE();
  } catch (const EAbInternalInflateError& e) {
    EXPECT_EQ(e.Message(), SInflateReadBitsCount);
  }
  try {
    in.DiscardBits(0);
    ADD_FAILURE();
  } catch (const EAbInternalInflateError& e) {
    EXPECT_EQ(e.Message(), SInflateDiscardBitsCount);
  }
  EXPECT_EQ(in.PeekBits(5), 0x14u);
}
