#include <gtest/gtest.h>
#include <zlib.h>

#include "InflateTestSupport.h"
#include "codecs/AbDfException.h"
#include "codecs/AbDfInflate.h"

using namespace inflate_test;

namespace {

// Everything a decoding run shows from outside.
struct TOutcome {
  Bytes FOutput;
  std::vector<std::int64_t> FWrites;
  std::uint32_t FChecksum = 0;
  std::string FError;  // empty when decoding succeeded
  std::int64_t FSizeNormal = 0;
  std::int64_t FSizeCompressed = 0;
  std::int64_t FSourcePosition = 0;
};

// Switches this thread to one decoding loop while it lives.
class TLoopInUse {
 public:
  explicit TLoopInUse(TAbInflateLoop aLoop) {
    if (!ForceInflateLoop(aLoop)) ADD_FAILURE() << "this processor cannot run the loop asked for";
  }
  ~TLoopInUse() { ForceInflateLoop(TAbInflateLoop::ilChosen); }
  TLoopInUse(const TLoopInUse&) = delete;
  TLoopInUse& operator=(const TLoopInUse&) = delete;
};

struct TLoop {
  TAbInflateLoop FLoop;
  const char* FName;
};

// The fast loops this processor runs: the plain build everywhere, so the loop of older
// processors is tested on every machine, and the BMI2 build where the processor has it.
// Each is held against the careful loop.
std::vector<TLoop> FastLoops() {
  std::vector<TLoop> loops{{TAbInflateLoop::ilPlain, "plain loop"}};
  if (ForceInflateLoop(TAbInflateLoop::ilBmi2)) loops.push_back({TAbInflateLoop::ilBmi2, "BMI2 loop"});
  ForceInflateLoop(TAbInflateLoop::ilChosen);
  return loops;
}

struct TRunOptions {
  std::uint32_t FOptions = 0;
  std::int64_t FPartSize = 0;
};

TOutcome Decode(TStream& source, TAbInflateLoop loop, const TRunOptions& options = {}) {
  const TLoopInUse mode(loop);
  TRecordingStream dest;
  TAbDeflateHelper helper;
  helper.FOptions |= options.FOptions;
  helper.FPartSize = options.FPartSize;
  TOutcome o;
  try {
    o.FChecksum = Inflate(source, dest, &helper);
    o.FSizeNormal = helper.FSizeNormal;
    o.FSizeCompressed = helper.FSizeCompressed;
  } catch (const EAbInflateError& e) {
    o.FError = e.what();
  }
  o.FOutput = dest.Bytes();
  o.FWrites = dest.FWrites;
  o.FSourcePosition = source.Position();
  return o;
}

TOutcome Decode(const Bytes& stream, TAbInflateLoop loop, const TRunOptions& options = {},
                std::int64_t chunk = 4096) {
  TChunkedStream source(stream, chunk);
  return Decode(source, loop, options);
}

constexpr TAbInflateLoop kCareful = TAbInflateLoop::ilCareful;

std::ptrdiff_t FirstDifference(const Bytes& a, const Bytes& b) {
  const std::size_t n = std::min(a.size(), b.size());
  return std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n), b.begin()).first - a.begin();
}

void ExpectSame(const TOutcome& a, const TOutcome& b) {
  EXPECT_EQ(a.FError, b.FError);
  EXPECT_EQ(a.FOutput.size(), b.FOutput.size());
  EXPECT_TRUE(a.FOutput == b.FOutput) << "first difference at " << FirstDifference(a.FOutput, b.FOutput);
  EXPECT_EQ(a.FWrites, b.FWrites);
  EXPECT_EQ(a.FChecksum, b.FChecksum);
  EXPECT_EQ(a.FSizeNormal, b.FSizeNormal);
  EXPECT_EQ(a.FSizeCompressed, b.FSizeCompressed);
  EXPECT_EQ(a.FSourcePosition, b.FSourcePosition);
}

struct TCase {
  std::string FName;
  Bytes FStream;
  Bytes FOutput;
  bool FDeflate64;
};

// Valid streams of every kind the decoder meets: the oracle's levels and strategies,
// streams whose block types change every few kilobytes, and crafted fixed-code streams
// over every length and distance code, in Deflate and Deflate64.
std::vector<TCase> ValidStreams() {
  std::vector<TCase> cases;
  const struct {
    const char* FName;
    Bytes FData;
  } samples[] = {
      {"text", TextLike(200000, 21)}, {"binary", BinaryLike(200000, 22)}, {"random", RandomBytes(50000, 23)}};
  const struct {
    int FLevel;
    int FStrategy;
  } settings[] = {{1, Z_DEFAULT_STRATEGY},
                  {6, Z_DEFAULT_STRATEGY},
                  {9, Z_DEFAULT_STRATEGY},
                  {6, Z_FILTERED},
                  {6, Z_HUFFMAN_ONLY},
                  {6, Z_RLE},
                  {6, Z_FIXED}};
  for (const auto& sample : samples) {
    for (const auto& s : settings) {
      cases.push_back({std::string(sample.FName) + " level " + std::to_string(s.FLevel) + " strategy " +
                           std::to_string(s.FStrategy),
                       ZlibDeflate(sample.FData, s.FLevel, s.FStrategy), sample.FData, false});
    }
  }
  for (std::uint32_t seed = 1; seed <= 3; ++seed) {
    const Bytes data = seed == 2 ? TextLike(300000, 30 + seed) : BinaryLike(300000, 30 + seed);
    cases.push_back({"mixed blocks " + std::to_string(seed), ZlibMixedBlocks(data, seed), data, false});
    TCraftedStream crafted = RandomFixedStream(300000, false, 40 + seed);
    cases.push_back({"crafted Deflate " + std::to_string(seed), crafted.FStream, crafted.FOutput, false});
    crafted = RandomFixedStream(1500000, true, 50 + seed);
    cases.push_back({"crafted Deflate64 " + std::to_string(seed), crafted.FStream, crafted.FOutput, true});
    crafted = RandomFixedStream(200000, false, 60 + seed, true);
    cases.push_back(
        {"crafted Deflate, long codes " + std::to_string(seed), crafted.FStream, crafted.FOutput, false});
    crafted = RandomFixedStream(1500000, true, 70 + seed, true);
    cases.push_back(
        {"crafted Deflate64, long codes " + std::to_string(seed), crafted.FStream, crafted.FOutput, true});
  }
  return cases;
}

}  // namespace

// Each fast loop and the careful loop give the same bytes, the same writes, checksum,
// sizes and source position on every kind of valid stream, and the same place to stop at
// for a part size; all give the stream's true output.
TEST(InflateLoopsTest, FastAndCarefulLoopsAgreeOnValidStreams) {
  const std::vector<TLoop> loops = FastLoops();
  for (const TCase& c : ValidStreams()) {
    SCOPED_TRACE(c.FName);
    const TRunOptions variant{c.FDeflate64 ? dfc_UseDeflate64 : 0u, 0};
    const TOutcome careful = Decode(c.FStream, kCareful, variant);
    EXPECT_EQ(careful.FError, "");
    EXPECT_TRUE(careful.FOutput == c.FOutput)
        << "first difference at " << FirstDifference(careful.FOutput, c.FOutput);
    EXPECT_EQ(careful.FChecksum, ZlibCrc(c.FOutput));
    for (const TLoop& loop : loops) {
      SCOPED_TRACE(loop.FName);
      ExpectSame(Decode(c.FStream, loop.FLoop, variant), careful);
    }
    for (const std::int64_t part : {1, 300, 50001}) {
      SCOPED_TRACE("part size " + std::to_string(part));
      const TRunOptions parted{variant.FOptions, part};
      const TOutcome carefulPart = Decode(c.FStream, kCareful, parted);
      for (const TLoop& loop : loops) {
        SCOPED_TRACE(loop.FName);
        ExpectSame(Decode(c.FStream, loop.FLoop, parted), carefulPart);
      }
    }
  }
  std::string missing;
  const std::vector<TZipDataSet> sets = ZipDataSets({"deflate64/7z-long-distance.zip"}, missing);
  FENDREL_NEEDS(missing.empty(), missing);
  for (const TZipDataSet& set : sets) {
    for (const TCorpusEntry& entry : Deflate64CorpusEntries(set.Dir)) {
      SCOPED_TRACE(set.Label + ": " + entry.FName);
      const TOutcome careful = Decode(entry.FData, kCareful, {dfc_UseDeflate64, 0});
      EXPECT_EQ(careful.FChecksum, entry.FCrc);
      for (const TLoop& loop : loops) {
        SCOPED_TRACE(loop.FName);
        ExpectSame(Decode(entry.FData, loop.FLoop, {dfc_UseDeflate64, 0}), careful);
      }
    }
  }
}

// Damaged streams (bytes overwritten, bits flipped, the end cut off) fail or decode the
// same way in every loop: the same error text, the same bytes written before it.
TEST(InflateLoopsTest, FastAndCarefulLoopsAgreeOnDamagedStreams) {
  const std::vector<TLoop> loops = FastLoops();
  std::mt19937 rng(77);
  int failures = 0;
  for (const TCase& c : ValidStreams()) {
    if (c.FStream.size() > 200000) continue;  // the long Deflate64 streams take long to damage often
    for (int round = 0; round < 12; ++round) {
      Bytes damaged = c.FStream;
      const std::size_t at = rng() % damaged.size();
      switch (round % 3) {
        case 0:
          damaged[at] = static_cast<std::uint8_t>(rng());
          break;
        case 1:
          for (int k = 0; k < 4; ++k)
            damaged[rng() % damaged.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
          break;
        default:
          damaged.resize(at);
      }
      SCOPED_TRACE(c.FName + " round " + std::to_string(round) + " at " + std::to_string(at));
      const TRunOptions variant{c.FDeflate64 ? dfc_UseDeflate64 : 0u, 0};
      const TOutcome careful = Decode(damaged, kCareful, variant);
      for (const TLoop& loop : loops) {
        SCOPED_TRACE(loop.FName);
        ExpectSame(Decode(damaged, loop.FLoop, variant), careful);
      }
      if (!careful.FError.empty()) ++failures;
    }
  }
  EXPECT_GT(failures, 0) << "no damage was noticed at all";
}

// Input handed over in pieces of every small size, or in a rotation of them, decodes to
// the same bytes and the same writes as input read whole, in every loop; stored runs of
// more than 4 KiB meet the reads straight into the window on the way.
TEST(InflateLoopsTest, EveryInputSplitDecodesTheSame) {
  std::vector<TCase> cases;
  const Bytes text = TextLike(100000, 61);
  cases.push_back({"text level 6", ZlibDeflate(text, 6, Z_DEFAULT_STRATEGY), text, false});
  const Bytes binary = BinaryLike(120000, 62);
  cases.push_back({"mixed blocks", ZlibMixedBlocks(binary, 62), binary, false});
  TCraftedStream crafted = RandomFixedStream(100000, false, 63);
  cases.push_back({"crafted Deflate", crafted.FStream, crafted.FOutput, false});
  crafted = RandomFixedStream(300000, true, 64, true);
  cases.push_back({"crafted Deflate64, long codes", crafted.FStream, crafted.FOutput, true});

  // Reads of the sizes in FPattern in turn.
  class TPatternStream : public TChunkedStream {
   public:
    TPatternStream(Bytes d, std::vector<std::int64_t> pattern)
        : TChunkedStream(std::move(d), 1 << 30), FPattern(std::move(pattern)) {}
    std::int64_t Read(void* buffer, std::int64_t count) override {
      return TChunkedStream::Read(buffer, std::min(count, FPattern[FNext++ % FPattern.size()]));
    }

   private:
    std::vector<std::int64_t> FPattern;
    std::size_t FNext = 0;
  };

  for (const TCase& c : cases) {
    const TRunOptions variant{c.FDeflate64 ? dfc_UseDeflate64 : 0u, 0};
    const TOutcome whole = Decode(c.FStream, TAbInflateLoop::ilChosen, variant, 1 << 30);
    ASSERT_TRUE(whole.FOutput == c.FOutput) << c.FName;
    std::vector<TLoop> loops = FastLoops();
    loops.push_back({kCareful, "careful loop"});
    for (const TLoop& loop : loops) {
      for (const std::int64_t piece : {1, 2, 3, 7, 64, 4095, 16385}) {
        SCOPED_TRACE(c.FName + " " + loop.FName + " pieces of " + std::to_string(piece));
        ExpectSame(whole, Decode(c.FStream, loop.FLoop, variant, piece));
      }
      SCOPED_TRACE(c.FName + " " + loop.FName + " rotating pieces");
      TPatternStream source(c.FStream, {1, 2, 3, 7, 64, 5000, 5});
      ExpectSame(whole, Decode(source, loop.FLoop, variant));
    }
  }
}
