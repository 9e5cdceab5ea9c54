#include "codecs/AbLegacyBitReader.h"

TAbLegacyBitReader::TAbLegacyBitReader(TStream& aStream)
    : FStream(aStream),
      FBuffer(std::make_unique<std::uint8_t[]>(kBufferSize)),
      FPos(FBuffer.get()),
      FEnd(FBuffer.get()) {}

void TAbLegacyBitReader::Fill(int aCount) {
  while (FBitCount < aCount) {
    if (FPos == FEnd && !FInputDone) {
      const std::int64_t got = FStream.Read(FBuffer.get(), kBufferSize);
      FPos = FBuffer.get();
      FEnd = FPos + (got > 0 ? got : 0);
      FInputDone = got <= 0;
    }
    if (FPos < FEnd) {
      FBits |= static_cast<std::uint64_t>(*FPos++) << FBitCount;
    } else {
      FPadBits += 8;
    }
    FBitCount += 8;
  }
}
