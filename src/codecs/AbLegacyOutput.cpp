#include "codecs/AbLegacyOutput.h"

#include <algorithm>

TAbLegacyOutput::TAbLegacyOutput(TStream& aStream)
    : FStream(aStream), FRing(std::make_unique<std::uint8_t[]>(kRingSize)) {}

void TAbLegacyOutput::CopyBack(std::int64_t aDistance, std::int64_t aLength, std::int64_t aLimit) {
  const std::int64_t length = std::min(aLength, aLimit - FCount);
  for (std::int64_t i = 0; i < length; ++i) WriteByte(ByteBack(aDistance));
}

void TAbLegacyOutput::Flush() {
  while (FFlushed < FCount) {
    const std::int64_t start = FFlushed & (kRingSize - 1);
    const std::int64_t count = std::min(FCount - FFlushed, kRingSize - start);
    FFlushed += count;
    FStream.WriteBuffer(FRing.get() + start, count);
  }
}
