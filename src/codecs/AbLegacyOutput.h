#ifndef FENDREL_CODECS_ABLEGACYOUTPUT_H
#define FENDREL_CODECS_ABLEGACYOUTPUT_H

#include <cstdint>
#include <memory>

#include "core/Stream.h"

// Output of the shrink, reduce and implode decoders. Bytes collect in a ring that also
// serves as the history for copies; every 32 KiB, and at the end, they are written to
// the destination from its position at the start, in order, each exactly once. A write
// the destination takes only in part raises the stream write error.
class TAbLegacyOutput {
 public:
  static constexpr std::int64_t kRingSize = 65536;
  static constexpr std::int64_t kFlushSize = 32768;
  // The farthest a copy may reach back: every byte this far back is still in the ring.
  static constexpr std::int64_t kMaxDistance = kRingSize - kFlushSize;

  explicit TAbLegacyOutput(TStream& aStream);
  TAbLegacyOutput(const TAbLegacyOutput&) = delete;
  TAbLegacyOutput& operator=(const TAbLegacyOutput&) = delete;

  void WriteByte(std::uint8_t aByte) {
    FRing[FCount & (kRingSize - 1)] = aByte;
    if ((++FCount & (kFlushSize - 1)) == 0) Flush();
  }
  // The byte aDistance (1 to kMaxDistance) places before the next one; 0 before the
  // first byte of output.
  std::uint8_t ByteBack(std::int64_t aDistance) const {
    return aDistance > FCount ? 0 : FRing[(FCount - aDistance) & (kRingSize - 1)];
  }
  // Copies aLength bytes starting aDistance places back, one at a time (so an overlap
  // repeats), but none beyond aLimit bytes of output.
  void CopyBack(std::int64_t aDistance, std::int64_t aLength, std::int64_t aLimit);
  // Bytes produced so far.
  std::int64_t Count() const { return FCount; }
  // Writes what the destination has not received yet. The bytes count as gone even when
  // the write fails, so flushing again on the way out writes nothing twice.
  void Flush();

 private:
  TStream& FStream;
  std::unique_ptr<std::uint8_t[]> FRing;
  std::int64_t FCount = 0;
  std::int64_t FFlushed = 0;
};

#endif
