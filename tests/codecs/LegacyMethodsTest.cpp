// Shrink, reduce and implode on small hand-made bit streams: the rules of each format
// that real archives rarely show, and damaged data that must end as a data error.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "codecs/AbDecoderFailures.h"
#include "codecs/AbUnzipHelper.h"
#include "codecs/AbUnzipItem.h"
#include "core/Exception.h"
#include "support/ZipWriter.h"
#include "zip/AbException.h"

namespace {

// Bits first-lowest, as the legacy formats store them.
class TBitWriter {
 public:
  TBitWriter& Put(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
      if (FBits % 8 == 0) FBytes.push_back('\0');
      if ((value >> i) & 1) FBytes.back() = static_cast<char>(FBytes.back() | (1 << (FBits % 8)));
      ++FBits;
    }
    return *this;
  }
  // A Shannon-Fano code as stored: its bits from the most significant one down.
  TBitWriter& PutCode(std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Put((code >> i) & 1, 1);
    return *this;
  }
  TBitWriter& PutBytes(const std::string& bytes) {
    for (const char c : bytes) Put(static_cast<std::uint8_t>(c), 8);
    return *this;
  }
  std::string Bytes() const { return FBytes; }

 private:
  std::string FBytes;
  int FBits = 0;
};

// Shrink codes of the given widths.
std::string ShrinkCodes(const std::vector<std::pair<int, int>>& codes) {
  TBitWriter w;
  for (const auto& [code, width] : codes) w.Put(static_cast<std::uint32_t>(code), width);
  return w.Bytes();
}

// Reduced data without follower sets: every symbol is 8 plain bits.
std::string ReduceSymbols(const std::vector<int>& symbols) {
  TBitWriter w;
  for (int x = 0; x < 256; ++x) w.Put(0, 6);
  for (const int s : symbols) w.Put(static_cast<std::uint32_t>(s), 8);
  return w.Bytes();
}

// Imploded data with complete trees of equal code lengths (8 bits for the 256 literals,
// 6 for the 64 lengths and distances), where symbol s has code (count - 1 - s).
struct TImplodeWriter {
  bool threeTrees;
  bool window8K;
  TBitWriter w;

  TImplodeWriter(bool aThreeTrees, bool aWindow8K) : threeTrees(aThreeTrees), window8K(aWindow8K) {
    if (threeTrees) Tree(256, 8);
    Tree(64, 6);
    Tree(64, 6);
  }
  void Tree(int symbols, int length) {
    w.Put(static_cast<std::uint32_t>(symbols / 16 - 1), 8);
    for (int i = 0; i < symbols / 16; ++i) w.Put(static_cast<std::uint32_t>(0xF0 | (length - 1)), 8);
  }
  TImplodeWriter& Literal(char c) {
    w.Put(1, 1);
    if (threeTrees)
      w.PutCode(255 - static_cast<std::uint8_t>(c), 8);
    else
      w.Put(static_cast<std::uint8_t>(c), 8);
    return *this;
  }
  // A copy reaching back distance + 1 bytes, of length symbol lengthSymbol (and, for 63,
  // extra more).
  TImplodeWriter& Copy(int distance, int lengthSymbol, int extra = 0) {
    const int lowBits = window8K ? 7 : 6;
    w.Put(0, 1);
    w.Put(static_cast<std::uint32_t>(distance & ((1 << lowBits) - 1)), lowBits);
    w.PutCode(static_cast<std::uint32_t>(63 - (distance >> lowBits)), 6);
    w.PutCode(static_cast<std::uint32_t>(63 - lengthSymbol), 6);
    if (lengthSymbol == 63) w.Put(static_cast<std::uint32_t>(extra), 8);
    return *this;
  }
};

struct TLegacyStream {
  std::uint8_t method;
  std::string data;
  std::int64_t size;
  TAbZipDictionarySize dictionary = TAbZipDictionarySize::dsInvalid;
  int trees = 0;
};

std::string Decode(const TLegacyStream& stream) {
  TMemoryStream source;
  source.WriteBuffer(stream.data.data(), static_cast<std::int64_t>(stream.data.size()));
  source.SetPosition(0);
  TMemoryStream dest;
  TAbUnzipHelper helper(source, dest);
  helper.SetCompressionMethod(stream.method);
  helper.SetUnCompressedSize(stream.size);
  helper.SetDictionarySize(stream.dictionary);
  helper.SetShannonFanoTreeCount(stream.trees);
  helper.Execute();
  return {dest.Bytes().begin(), dest.Bytes().end()};
}

TLegacyStream Imploded(const TImplodeWriter& writer, std::int64_t size) {
  return {6, writer.w.Bytes(), size,
          writer.window8K ? TAbZipDictionarySize::ds8K : TAbZipDictionarySize::ds4K,
          writer.threeTrees ? 3 : 2};
}

TEST(LegacyMethods, EdgeCasesOfEachFormatDecodeAsStated) {
  struct Case {
    const char* label;
    TLegacyStream stream;
    std::string expected;
  };
  const std::string zeros(140, '\0');
  const Case cases[] = {
      {"shrink: a first code followed by nothing", {1, ShrinkCodes({{'Q', 9}}), 1}, "Q"},
      {"shrink: 256,1 widens the codes to 10 bits",
       {1, ShrinkCodes({{'A', 9}, {256, 9}, {1, 9}, {'B', 10}, {257, 10}}), 4},
       "ABAB"},
      // 257 "ab", 258 "ba", 259 "abc"; the clear frees 258 and 259 (no entry continues
      // them) and keeps 257 (259 continues it); 258 then becomes "ca" and 259 "abc".
      {"shrink: 256,2 frees the leaves and reuses the lowest free codes",
       {1,
        ShrinkCodes({{'a', 9}, {'b', 9}, {257, 9}, {'c', 9}, {256, 9}, {2, 9}, {257, 9}, {258, 9}, {259, 9}}),
        12},
       "ababcabcaabc"},
      {"shrink: a code not yet defined repeats the previous string",
       {1, ShrinkCodes({{'x', 9}, {'y', 9}, {258, 9}}), 4},
       "xyyy"},
      {"reduce: 144,0 is the byte 144", {2, ReduceSymbols({'x', 144, 0, 'y'}), 3}, "x\x90y"},
      {"reduce: 144 and a length start an overlapping copy",
       {2, ReduceSymbols({'a', 'b', 144, 0x02, 1}), 7},
       "abababa"},
      {"reduce factor 1: V 0xFF reads a length byte; a copy before the start gives zeros",
       {2, ReduceSymbols({'z', 144, 0xFF, 10, 0}), 141},
       "z" + zeros},
      {"reduce factor 4: V's top four bits are the distance's high part, its low four the length",
       {5, ReduceSymbols({'a', 'b', 'c', 144, 0x10, 1}), 6},
       std::string("abc\0\0\0", 6)},
      {"reduce stops at the entry's size", {3, ReduceSymbols({'a', 'b', 'c', 'd'}), 2}, "ab"},
      {"implode, 2 trees, 4K: 8-bit literals, copies of 2 and more, length symbol 63",
       Imploded(TImplodeWriter(false, false).Literal('a').Literal('b').Copy(1, 3).Copy(0, 63, 10), 82),
       "abababa" + std::string(75, 'a')},
      {"implode, 3 trees, 8K: coded literals, copies of 3 and more, before the start zeros",
       Imploded(TImplodeWriter(true, true).Literal('a').Literal('b').Copy(1, 2).Copy(8191, 0), 10),
       std::string("abababa\0\0\0", 10)},
      {"implode, 2 trees, 8K: 7 low distance bits",
       Imploded(TImplodeWriter(false, true).Literal('x').Literal('y').Copy(129, 0).Literal('z'), 5),
       std::string("xy\0\0z", 5)},
      {"implode stops at the entry's size, inside a copy",
       Imploded(TImplodeWriter(true, false).Literal('a').Copy(0, 10), 4), "aaaa"},
      // Length and distance trees of one symbol each (one 1-bit code); the other
      // symbols have no code.
      {"implode with trees shorter than their symbols",
       {6,
        TBitWriter()
            .Put(0, 8)
            .Put(0, 8)
            .Put(0, 8)
            .Put(0, 8)
            .Put(1, 1)
            .PutBytes("a")
            .Put(0, 1)
            .Put(0, 6)
            .Put(0, 1)
            .Put(0, 1)
            .Bytes(),
        3, TAbZipDictionarySize::ds4K, 2},
       "aaa"},
  };
  for (const auto& c : cases) {
    try {
      EXPECT_EQ(Decode(c.stream), c.expected) << c.label;
    } catch (const Exception& e) {
      ADD_FAILURE() << c.label << ": " << e.what();
    }
  }
}

TEST(LegacyMethods, DamagedDataEndsAsADataError) {
  struct Case {
    const char* label;
    TLegacyStream stream;
    const char* expectedClass;
  };
  TBitWriter followerIndex;
  for (int x = 255; x > 0; --x) followerIndex.Put(0, 6);
  followerIndex.Put(3, 6).PutBytes("abc").Put(0, 1).Put(3, 2);
  TBitWriter singleFollower;
  for (int x = 255; x > 0; --x) singleFollower.Put(0, 6);
  singleFollower.Put(1, 6).PutBytes("a").Put(0, 1).Put(1, 1);
  TBitWriter longLengthList;
  longLengthList.Put(4, 8);
  for (int i = 0; i < 5; ++i) longLengthList.Put(0xF5, 8);
  TBitWriter longLiteralList;
  longLiteralList.Put(16, 8);
  for (int i = 0; i < 17; ++i) longLiteralList.Put(0xF7, 8);
  const Case cases[] = {
      {"reduce: a follower set of 33", {2, TBitWriter().Put(33, 6).Bytes(), 10}, "EAbZipBadFollowerCount"},
      {"reduce: a follower set of 63", {5, TBitWriter().Put(63, 6).Bytes(), 10}, "EAbZipBadFollowerCount"},
      {"reduce: follower index 3 of a set of 3", {2, followerIndex.Bytes(), 10}, "EAbZipBadFollowerIndex"},
      {"reduce: follower index 1 of a set of 1", {4, singleFollower.Bytes(), 10}, "EAbZipBadFollowerIndex"},
      {"implode: 80 lengths for 64 symbols",
       {6, longLengthList.Bytes(), 10, TAbZipDictionarySize::ds4K, 2},
       "EAbZipBadImplodeTree"},
      {"implode: 272 lengths for 256 literals",
       {6, longLiteralList.Bytes(), 10, TAbZipDictionarySize::ds8K, 3},
       "EAbZipBadImplodeTree"},
      {"shrink: codes widened past 13 bits",
       {1,
        ShrinkCodes({{'a', 9},
                     {256, 9},
                     {1, 9},
                     {256, 10},
                     {1, 10},
                     {256, 11},
                     {1, 11},
                     {256, 12},
                     {1, 12},
                     {256, 13},
                     {1, 13},
                     {'b', 14}}),
        10},
       "EAbZipBadShrinkCode"},
      {"shrink: a chain through undefined codes never ends",
       {1, ShrinkCodes({{300, 9}, {301, 9}}), 10},
       "EAbZipShrinkChainTooLong"},
      {"shrink: after a clear, a code made its own prefix never ends",
       {1, ShrinkCodes({{'a', 9}, {'b', 9}, {256, 9}, {2, 9}, {258, 9}, {257, 9}, {258, 9}}), 10},
       "EAbZipShrinkChainTooLong"},
  };
  for (const auto& c : cases) {
    try {
      Decode(c.stream);
      ADD_FAILURE() << c.label << ": decoded without an error";
    } catch (const Exception& e) {
      EXPECT_EQ(ToUtf8(e.ClassName()), c.expectedClass) << c.label;
    }
  }
}

TEST(LegacyMethods, DecodedBytesFollowWhatTheDestinationHeldAndReachItOnFailure) {
  const std::string reduced = ReduceSymbols({'a', 'b', 144, 0x02, 1});
  auto archive = std::make_unique<TAbZipArchive>(
      [&] {
        auto stream = std::make_unique<TMemoryStream>();
        const std::string zip = TTestZipWriter::Build(
            {{.name = "r", .data = "abababa", .payload = reduced, .method = 2},
             {.name = "i",
              .data = "abababa",
              .payload = TImplodeWriter(false, false).Literal('a').Literal('b').Copy(1, 3).w.Bytes(),
              .method = 6}});
        stream->WriteBuffer(zip.data(), static_cast<std::int64_t>(zip.size()));
        stream->SetPosition(0);
        return stream;
      }(),
      u"/memory/legacy.zip");
  archive->Load();
  for (int index = 0; index < 2; ++index) {
    TMemoryStream dest;
    dest.WriteBuffer("kept:", 5);
    UnzipItemToStream(*archive, archive->Items(index), &dest);
    EXPECT_EQ(std::string(dest.Bytes().begin(), dest.Bytes().end()), "kept:abababa") << index;
  }

  // The bytes before a failure are written out before it leaves the decoder.
  TBitWriter damaged;
  for (int x = 255; x > 0; --x) damaged.Put(0, 6);
  damaged.Put(1, 6).PutBytes("a").Put(1, 1).Put(0, 8).Put(0, 1).Put(1, 1);
  TMemoryStream source;
  source.WriteBuffer(damaged.Bytes().data(), static_cast<std::int64_t>(damaged.Bytes().size()));
  source.SetPosition(0);
  TMemoryStream dest;
  TAbUnzipHelper helper(source, dest);
  helper.SetCompressionMethod(2);
  helper.SetUnCompressedSize(10);
  EXPECT_THROW(helper.Execute(), EAbZipBadFollowerIndex);
  EXPECT_EQ(std::string(dest.Bytes().begin(), dest.Bytes().end()), std::string(1, '\0'));
}

}  // namespace
