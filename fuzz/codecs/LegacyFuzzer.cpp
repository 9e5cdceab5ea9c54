// Arbitrary bytes through the shrink, reduce and implode decoders. The first input byte
// selects the decoder (0 shrink, 1 to 4 reduce with that factor, 5 to 8 implode with
// 4K/2, 4K/3, 8K/2 and 8K/3) and, divided by 9, the size of the source's reads. Every
// outcome must be a result or one of the decoders' data errors; reduce and implode
// never produce more than the entry's size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "codecs/AbDecoderFailures.h"
#include "codecs/AbUnzipHelper.h"
#include "core/Stream.h"
#include "support/ChunkedStream.h"

namespace {

// Raised by the sink once enough output was seen, which bounds the time per input.
struct TEnough {};

class TSink : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t count) override {
    if (count <= 0 || count > 65536) std::abort();
    FCount += count;
    if (FCount > kLimit) throw TEnough();
    return count;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { std::abort(); }
  void SetSize(std::int64_t) override {}

  static constexpr std::int64_t kLimit = 4 << 20;
  std::int64_t FCount = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int variant = data[0] % 9;
  static constexpr std::int64_t kChunks[] = {4096, 1, 3, 4095, 5000, 7, 2, 65536};
  const std::int64_t chunk = kChunks[(data[0] / 9) % 8];
  constexpr std::int64_t kEntrySize = 1 << 20;

  testsupport::TChunkedStream source(data + 1, size - 1, chunk);
  TSink sink;
  TAbUnzipHelper helper(source, sink);
  helper.SetUnCompressedSize(kEntrySize);
  if (variant == 0) {
    helper.SetCompressionMethod(1);
  } else if (variant <= 4) {
    helper.SetCompressionMethod(static_cast<std::uint8_t>(1 + variant));
  } else {
    helper.SetCompressionMethod(6);
    helper.SetDictionarySize((variant - 5) >= 2 ? TAbZipDictionarySize::ds8K : TAbZipDictionarySize::ds4K);
    helper.SetShannonFanoTreeCount((variant - 5) % 2 == 1 ? 3 : 2);
  }
  try {
    helper.Execute();
  } catch (const TEnough&) {
    if (variant != 0) std::abort();
    return 0;
  } catch (const EAbZipException& e) {
    if (e.ErrorCode() < 110 || e.ErrorCode() > 114) std::abort();
  }
  if (variant != 0 && sink.FCount > kEntrySize) std::abort();
  return 0;
}
