// Raw Deflate (or, built with FENDREL_FUZZ_DEFLATE64, Deflate64) streams of arbitrary
// bytes through Inflate. The first input byte picks the size of the source's reads and
// a part size, so buffer and window edges move around. Every outcome must be a result
// or EAbInflateError, with the destination holding exactly the bytes produced; the
// decoder with only its careful loop, with the plain fast loop and (where the processor
// has it) with the BMI2 fast loop must agree on everything the caller sees; for Deflate,
// a stream zlib accepts must decode to zlib's bytes.
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "codecs/AbDfException.h"
#include "codecs/AbDfInflate.h"
#include "core/Crc32.h"
#include "support/ChunkedStream.h"

namespace {

#ifdef FENDREL_FUZZ_DEFLATE64
constexpr bool kDeflate64 = true;
#else
constexpr bool kDeflate64 = false;
#endif

// Raised by the sink once enough output was seen, which bounds the time per input.
struct TEnough {};

// Keeps the first bytes for the comparison and counts and checksums all of them.
class TSink : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    const std::size_t keep =
        std::min<std::size_t>(static_cast<std::size_t>(count), kKeep - std::min(kKeep, FBytes.size()));
    FBytes.insert(FBytes.end(), p, p + keep);
    FCrc = Crc32Update(FCrc, p, static_cast<std::size_t>(count));
    FCount += count;
    FWrites.push_back(count);
    if (FCount > kLimit) throw TEnough();
    return count;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return FCount; }
  void SetSize(std::int64_t) override {}

  static constexpr std::size_t kKeep = 8 << 20;
  static constexpr std::int64_t kLimit = 16 << 20;
  std::vector<std::uint8_t> FBytes;
  std::vector<std::int64_t> FWrites;
  std::uint32_t FCrc = kCrc32Preset;
  std::int64_t FCount = 0;
};

// What one decoding run showed.
struct TRun {
  TSink FSink;
  bool FOk = false;
  bool FEnough = false;
  String FError;
  std::uint32_t FChecksum = 0;
  std::int64_t FPosition = 0;
};

// zlib's answer for a raw Deflate stream: true with the bytes when it accepts the stream.
bool ZlibInflate(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  std::vector<std::uint8_t> buffer(65536);
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = buffer.data();
    z.avail_out = static_cast<uInt>(buffer.size());
    rc = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buffer.data(), buffer.data() + (buffer.size() - z.avail_out));
    if (rc == Z_OK && z.avail_out != 0 && z.avail_in == 0) break;  // needs more input
    if (out.size() > TSink::kKeep) break;
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t control = data[0];
  ++data;
  --size;
  static constexpr std::int64_t kChunks[] = {1 << 20, 1, 2, 3, 7, 4096, 16383, 16385};
  const std::int64_t chunk = kChunks[control & 7];
  const bool partSized = (control & 0x18) == 0x18;

  static constexpr TAbInflateLoop kLoops[] = {TAbInflateLoop::ilCareful, TAbInflateLoop::ilPlain,
                                              TAbInflateLoop::ilBmi2};
  TRun runs[std::size(kLoops)];
  std::size_t ran = 0;
  for (const TAbInflateLoop loop : kLoops) {
    if (!ForceInflateLoop(loop)) continue;  // a processor without BMI2
    TRun& r = runs[ran++];
    testsupport::TChunkedStream source(data, size, chunk);
    TAbDeflateHelper helper;
    if (kDeflate64) helper.FOptions |= dfc_UseDeflate64;
    if (partSized) helper.FPartSize = 1 + control * 97;
    try {
      r.FChecksum = Inflate(source, r.FSink, &helper);
      r.FOk = true;
    } catch (const EAbInflateError& e) {
      r.FError = e.Message();
    } catch (const TEnough&) {
      r.FEnough = true;
    }
    ForceInflateLoop(TAbInflateLoop::ilChosen);
    r.FPosition = source.Position();
    if (r.FPosition < 0 || r.FPosition > static_cast<std::int64_t>(size)) std::abort();
    if (r.FOk) {
      if (helper.FSizeNormal != r.FSink.FCount || helper.FSizeCompressed != r.FPosition) std::abort();
      if (!partSized && r.FChecksum != ~r.FSink.FCrc) std::abort();
    }
  }
  const TRun& careful = runs[0];
  for (std::size_t i = 1; i < ran; ++i) {
    const TRun& fast = runs[i];
    if (fast.FOk != careful.FOk || fast.FEnough != careful.FEnough || fast.FError != careful.FError ||
        fast.FChecksum != careful.FChecksum || fast.FSink.FCount != careful.FSink.FCount ||
        fast.FSink.FCrc != careful.FSink.FCrc || fast.FSink.FWrites != careful.FSink.FWrites) {
      std::abort();
    }
    if (!fast.FEnough && fast.FPosition != careful.FPosition) std::abort();
  }
  if (careful.FEnough) return 0;
  const bool ok = careful.FOk;
  const TSink& sink = careful.FSink;
  if (!kDeflate64 && !partSized && size <= 65536) {
    std::vector<std::uint8_t> expected;
    if (ZlibInflate(data, size, expected) && expected.size() <= TSink::kKeep) {
      if (!ok || sink.FBytes != expected) std::abort();
    }
  }
  return 0;
}
