#include <gtest/gtest.h>
#include <zlib.h>

#include "InflateTestSupport.h"
#include "codecs/AbDfException.h"
#include "codecs/AbDfInflate.h"
#include "core/Crc32.h"
#include "support/Corpus.h"

using namespace inflate_test;

namespace {

struct TInflated {
  Bytes FOutput;
  std::uint32_t FChecksum;
  TAbDeflateHelper FHelper;
  std::vector<std::int64_t> FWrites;
  std::int64_t FSourcePosition;
};

TInflated RunInflate(const Bytes& stream, std::int64_t chunk, std::uint32_t options = 0) {
  TChunkedStream source(stream, chunk);
  TRecordingStream dest;
  TInflated r;
  r.FHelper.FOptions |= options;
  r.FChecksum = Inflate(source, dest, &r.FHelper);
  r.FOutput = dest.Bytes();
  r.FWrites = dest.FWrites;
  r.FSourcePosition = source.Position();
  return r;
}

struct TSample {
  const char* FName;
  Bytes FData;
};

std::vector<TSample> Samples() {
  return {{"empty", {}},
          {"one byte", {0x41}},
          {"random 70000", RandomBytes(70000, 1)},
          {"text 300000", TextLike(300000, 2)},
          {"binary 250000", BinaryLike(250000, 3)},
          {"zeros 200000", Bytes(200000, 0)},
          {"text 5000", TextLike(5000, 4)}};
}

}  // namespace

// Every level and strategy of the oracle, fed in chunks of every size the decoder must
// take apart: the output, checksum, sizes and the source position all agree.
TEST(InflateOracleTest, ZlibStreamsInflateExactly) {
  const struct {
    int FLevel;
    int FStrategy;
    int FMemLevel;
  } settings[] = {{0, Z_DEFAULT_STRATEGY, 8},
                  {1, Z_DEFAULT_STRATEGY, 8},
                  {6, Z_DEFAULT_STRATEGY, 8},
                  {9, Z_DEFAULT_STRATEGY, 9},
                  {6, Z_FILTERED, 8},
                  {6, Z_HUFFMAN_ONLY, 8},
                  {6, Z_RLE, 8},
                  {6, Z_FIXED, 8},
                  {9, Z_DEFAULT_STRATEGY, 1}};
  for (const auto& sample : Samples()) {
    for (const auto& s : settings) {
      const Bytes stream = ZlibDeflate(sample.FData, s.FLevel, s.FStrategy, s.FMemLevel);
      for (const std::int64_t chunk : {1, 2, 3, 7, 4096}) {
        if (chunk < 4096 && sample.FData.size() > 70000) continue;  // the small chunks on the smaller samples
        SCOPED_TRACE(std::string(sample.FName) + " level " + std::to_string(s.FLevel) + " strategy " +
                     std::to_string(s.FStrategy) + " chunk " + std::to_string(chunk));
        const TInflated r = RunInflate(stream, chunk);
        ASSERT_EQ(r.FOutput, sample.FData);
        EXPECT_EQ(r.FChecksum, ZlibCrc(sample.FData));
        EXPECT_EQ(r.FHelper.FSizeNormal, static_cast<std::int64_t>(sample.FData.size()));
        EXPECT_EQ(r.FHelper.FSizeCompressed, static_cast<std::int64_t>(stream.size()));
        EXPECT_EQ(r.FSourcePosition, static_cast<std::int64_t>(stream.size()));
      }
    }
  }
}

// Small streams with the input split at every position, so that every symbol, header
// and stored length meets a read boundary once; bytes behind the stream stay unread.
TEST(InflateOracleTest, SmallStreamsSplitAtEveryPoint) {
  const Bytes datas[] = {TextLike(1000, 7), BinaryLike(1000, 8), RandomBytes(600, 9)};
  for (const Bytes& data : datas) {
    for (const int level : {0, 1, 9}) {
      Bytes stream = ZlibDeflate(data, level, Z_DEFAULT_STRATEGY);
      ASSERT_LE(stream.size(), 1024u);
      const std::size_t length = stream.size();
      stream.insert(stream.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0x55});
      for (std::size_t split = 1; split <= length; ++split) {
        SCOPED_TRACE("level " + std::to_string(level) + " split " + std::to_string(split));
        // The first read gives `split` bytes, the following ones the rest.
        class TSplitStream : public TChunkedStream {
         public:
          TSplitStream(Bytes d, std::int64_t first) : TChunkedStream(std::move(d), 1 << 30), FFirst(first) {}
          std::int64_t Read(void* buffer, std::int64_t count) override {
            if (FReads == 0) count = std::min(count, FFirst);
            return TChunkedStream::Read(buffer, count);
          }
          std::int64_t FFirst;
        } source(stream, static_cast<std::int64_t>(split));
        TMemoryStream dest;
        TAbDeflateHelper helper;
        EXPECT_EQ(Inflate(source, dest, &helper), ZlibCrc(data));
        ASSERT_EQ(dest.Bytes(), data);
        EXPECT_EQ(source.Position(), static_cast<std::int64_t>(length));
        EXPECT_EQ(helper.FSizeCompressed, static_cast<std::int64_t>(length));
      }
    }
  }
}

// The destination sees 32 KiB slides once the window's write point is reached, then one
// last piece; count-only mode writes nothing and counts the same; a part size ends
// decoding quietly with the part written.
TEST(InflateWindowTest, SlidesCountOnlyAndPartSize) {
  const Bytes data = TextLike(200000, 11);
  const Bytes stream = ZlibDeflate(data, 6, Z_DEFAULT_STRATEGY);

  const TInflated full = RunInflate(stream, 4096);
  const std::vector<std::int64_t> expected = {32768, 32768, 32768, 32768, 32768, 200000 - 5 * 32768};
  EXPECT_EQ(full.FWrites, expected);

  const TInflated counted = RunInflate(stream, 4096, dfc_TestOnly);
  EXPECT_TRUE(counted.FWrites.empty());
  EXPECT_EQ(counted.FHelper.FSizeNormal, 200000);
  EXPECT_EQ(counted.FChecksum, ZlibCrc(data));

  const TInflated adler = RunInflate(stream, 4096, dfc_UseAdler32);
  EXPECT_EQ(adler.FChecksum, adler32(1, data.data(), static_cast<uInt>(data.size())));

  for (const std::int64_t part : {1, 1000, 65536, 1000000}) {
    SCOPED_TRACE(part);
    TChunkedStream source(stream, 4096);
    TMemoryStream dest;
    TAbDeflateHelper helper;
    helper.FPartSize = part;
    EXPECT_EQ(Inflate(source, dest, &helper), 0u);
    const std::int64_t wanted = std::min<std::int64_t>(part, 65536);
    EXPECT_GE(dest.Size(), wanted);
    EXPECT_LT(dest.Size(), wanted + 258);
    EXPECT_EQ(dest.Bytes(), Bytes(data.begin(), data.begin() + dest.Size()));
    EXPECT_EQ(helper.FSizeNormal, dest.Size());
  }
}

// Deflate64 matches of the greatest length, one after the other, move the window past
// its write point by more than one slide each time: it slides as often as needed, so
// the buffer never overflows and the destination still sees 32 KiB pieces.
TEST(InflateWindowTest, Deflate64LongestMatchesInARow) {
  TBitWriter w;
  w.Bits(1, 1).Bits(1, 2).FixedLiteral('z');
  for (int i = 0; i < 12; ++i) w.FixedLiteral(285).Bits(65535, 16).FixedDistance(0);
  w.FixedLiteral(256);
  const TInflated r = RunInflate(w.Finish(), 4096, dfc_UseDeflate64);
  const Bytes expected(1 + 12 * 65538, 'z');
  ASSERT_EQ(r.FOutput, expected);
  EXPECT_EQ(r.FChecksum, ZlibCrc(expected));
  ASSERT_GE(r.FWrites.size(), 2u);
  for (std::size_t i = 0; i + 1 < r.FWrites.size(); ++i) EXPECT_EQ(r.FWrites[i], 32768) << i;
  EXPECT_LT(r.FWrites.back(), 98304);
}

// Outputs of more than a megabyte: matches reach back across the points where the window
// moves its history to the front, in Deflate (zlib's stream) and Deflate64 (stored runs
// and the longest matches over the farthest distances).
TEST(InflateWindowTest, LongOutputsKeepTheirHistory) {
  const Bytes data = BinaryLike(1600000, 15);
  const TInflated deflated = RunInflate(ZlibDeflate(data, 6, Z_DEFAULT_STRATEGY), 4096);
  ASSERT_EQ(deflated.FOutput, data);
  for (std::size_t i = 0; i + 1 < deflated.FWrites.size(); ++i) ASSERT_EQ(deflated.FWrites[i], 32768) << i;

  TBitWriter w;
  Bytes expected;
  std::mt19937 rng(16);
  for (int round = 0; round < 14; ++round) {
    const std::uint16_t len = static_cast<std::uint16_t>(20000 + rng() % 2000);
    w.Bits(0, 1).Bits(0, 2);
    w.Align();
    w.Bits(len, 16).Bits(static_cast<std::uint16_t>(~len), 16);
    for (int i = 0; i < len; ++i) {
      const auto b = static_cast<std::uint8_t>(rng());
      w.Bits(b, 8);
      expected.push_back(b);
    }
    // A fixed block: one match of 65538 bytes at distance 49153 + extra.
    const std::uint32_t extra = rng() % 16384;
    const std::uint32_t distance =
        std::min<std::uint32_t>(49153 + extra, static_cast<std::uint32_t>(expected.size()));
    w.Bits(round == 13 ? 1 : 0, 1).Bits(1, 2).FixedLiteral(285).Bits(65535, 16);
    if (distance == 49153 + extra) {
      w.FixedDistance(31).Bits(extra, 14);
    } else {
      w.FixedDistance(0);  // not enough history yet: distance 1
    }
    const std::size_t from = expected.size() - (distance == 49153 + extra ? distance : 1);
    for (std::size_t i = 0; i < 65538; ++i) expected.push_back(expected[from + i]);
    w.FixedLiteral(256);
  }
  const TInflated d64 = RunInflate(w.Finish(), 7, dfc_UseDeflate64);
  ASSERT_EQ(d64.FOutput.size(), expected.size());
  ASSERT_EQ(d64.FOutput, expected);
  EXPECT_EQ(d64.FChecksum, ZlibCrc(expected));
}

// Input progress reports the share of the stream read, to 100; a progress abort ends
// decoding without an error.
TEST(InflateWindowTest, ProgressAndAbort) {
  const Bytes data = RandomBytes(100000, 12);
  const Bytes stream = ZlibDeflate(data, 6, Z_DEFAULT_STRATEGY);
  std::vector<int> steps;
  TChunkedStream source(stream, 1 << 20);
  TMemoryStream dest;
  TAbDeflateHelper helper;
  helper.FStreamSize = -1;
  helper.FOnProgressStep = [&](int percent) { steps.push_back(percent); };
  EXPECT_EQ(Inflate(source, dest, &helper), ZlibCrc(data));
  ASSERT_FALSE(steps.empty());
  EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
  EXPECT_EQ(steps.back(), 100);

  TChunkedStream source2(stream, 1 << 20);
  TMemoryStream dest2;
  helper.FOnProgressStep = [&](int percent) {
    if (percent > 30) throw EAbAbortProgress();
  };
  EXPECT_EQ(Inflate(source2, dest2, &helper), 0u);
  EXPECT_LT(dest2.Size(), 100000);
  EXPECT_EQ(dest2.Bytes(), Bytes(data.begin(), data.begin() + dest2.Size()));
}

// A stream cut short fails with one of the input-exhausted texts; what was decoded up
// to then is in the destination, and never a byte that the input did not hold.
TEST(InflateWindowTest, TruncatedStreamKeepsDecodedBytes) {
  const Bytes data = TextLike(150000, 13);
  const Bytes stream = ZlibDeflate(data, 6, Z_DEFAULT_STRATEGY);
  const Bytes cut(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(stream.size() / 2));
  TChunkedStream source(cut, 4096);
  TMemoryStream dest;
  try {
    Inflate(source, dest, nullptr);
    FAIL() << "no error";
  } catch (const EAbInflateError& e) {
    EXPECT_EQ(e.Message().rfind(String(SInflateErrorPrefix) + u"no more compressed data in stream [", 0), 0u)
        << e.what();
  }
  EXPECT_GT(dest.Size(), 32768);
  const auto mismatch = std::mismatch(dest.Bytes().begin(), dest.Bytes().end(), data.begin());
  EXPECT_GE(mismatch.first - dest.Bytes().begin(), dest.Size() - 1000) << "of " << dest.Size();
  EXPECT_LE(source.Position(), static_cast<std::int64_t>(cut.size()));

  // Every cut of a small stream fails cleanly or, where only zero bits were missing,
  // still decodes.
  const Bytes small = ZlibDeflate(TextLike(2000, 14), 9, Z_DEFAULT_STRATEGY);
  for (std::size_t n = 0; n < small.size(); ++n) {
    TChunkedStream s(Bytes(small.begin(), small.begin() + static_cast<std::ptrdiff_t>(n)), 7);
    TMemoryStream d;
    try {
      Inflate(s, d, nullptr);
    } catch (const EAbInflateError&) {
    }
    EXPECT_LE(s.Position(), static_cast<std::int64_t>(n));
  }
}

// The same code as one flat table of the longest code's width, filled symbol by symbol
// with later symbols overwriting earlier ones: the reference the two-level tables must
// match for complete, incomplete and over-subscribed sets of lengths.
TEST(InflateHuffmanTreeTest, TwoLevelTableMatchesFlatTable) {
  std::mt19937 rng(99);
  for (int round = 0; round < 400; ++round) {
    const int alphabet = round % 3 == 0 ? 30 : 286;
    std::vector<std::uint8_t> lengths(alphabet);
    const int maxLen = 1 + static_cast<int>(rng() % 15);
    const int used = 1 + static_cast<int>(rng() % alphabet);
    for (int i = 0; i < used; ++i) lengths[rng() % alphabet] = static_cast<std::uint8_t>(1 + rng() % maxLen);
    if (round % 4 == 0) {
      // A complete code from a random tree shape.
      std::fill(lengths.begin(), lengths.end(), 0);
      std::vector<int> depth = {0};
      while (depth.size() < static_cast<std::size_t>(std::min(alphabet, 2 + static_cast<int>(rng() % 200)))) {
        const std::size_t k = rng() % depth.size();
        if (depth[k] >= 15) continue;
        const int d = depth[k] + 1;
        depth[k] = d;
        depth.push_back(d);
      }
      for (std::size_t i = 0; i < depth.size(); ++i)
        lengths[(i * 7) % alphabet] = static_cast<std::uint8_t>(depth[i]);
    }
    TAbDfDecodeHuffmanTree tree(alphabet, 15, TAbDfHuffmanUsage::huDecoding, 9);
    tree.Build(lengths.data(), 0, alphabet, nullptr, 0, TAbDfSymbolRoles{alphabet, -1, alphabet});

    int longest = 0;
    int count[16] = {};
    for (auto l : lengths) {
      longest = std::max<int>(longest, l);
      if (l) ++count[l];
    }
    ASSERT_EQ(tree.LookupBitLength(), longest);
    std::vector<std::uint32_t> flat(std::size_t{1} << longest, 0xFFFFFFFFu);
    std::uint32_t next[17] = {};
    for (int len = 1, code = 0; len <= 15; ++len) {
      code = (code + count[len - 1]) << 1;
      next[len] = static_cast<std::uint32_t>(code);
    }
    for (int s = 0; s < alphabet; ++s) {
      const int len = lengths[s];
      if (!len) continue;
      std::uint32_t c = next[len]++ & ((1u << len) - 1);
      std::uint32_t rev = 0;
      for (int i = 0; i < len; ++i) rev |= ((c >> i) & 1) << (len - 1 - i);
      for (std::uint32_t i = rev; i < flat.size(); i += 1u << len)
        flat[i] = static_cast<std::uint32_t>(s) | len << 16;
    }
    for (std::uint32_t i = 0; i < flat.size(); ++i) {
      ASSERT_EQ(tree.Decode(i), flat[i]) << "round " << round << " index " << i;
    }
  }
}

// The Deflate64 entries of the test archives (own and, when present, the outside corpus's)
// inflate to their recorded size and CRC-32.
TEST(InflateCorpusTest, Deflate64EntriesInflate) {
  std::string missing;
  const std::vector<TZipDataSet> sets = ZipDataSets({"deflate64/7z-long-distance.zip"}, missing);
  FENDREL_NEEDS(missing.empty(), missing);
  for (const TZipDataSet& set : sets) {
    SCOPED_TRACE(set.Label);
    const std::vector<TCorpusEntry> entries = Deflate64CorpusEntries(set.Dir);
    for (const TCorpusEntry& entry : entries) {
      SCOPED_TRACE(entry.FName);
      const TInflated r = RunInflate(entry.FData, 4096, dfc_UseDeflate64);
      EXPECT_EQ(r.FOutput.size(), entry.FSize);
      EXPECT_EQ(r.FChecksum, entry.FCrc);
      EXPECT_EQ(Crc32(r.FOutput.data(), r.FOutput.size()), entry.FCrc);
    }
    EXPECT_FALSE(entries.empty()) << "the manifest names no Deflate64 archive";
  }
}
