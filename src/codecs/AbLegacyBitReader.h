#ifndef FENDREL_CODECS_ABLEGACYBITREADER_H
#define FENDREL_CODECS_ABLEGACYBITREADER_H

#include <cstdint>
#include <memory>

#include "core/Stream.h"

// Bit input of the shrink, reduce and implode decoders: the stream's bytes, 4 KiB at a
// time, first bit lowest. Past the end of the input every bit is 0; consuming such a
// bit sets Ended, which the decoders test to stop. Peeking never sets it.
class TAbLegacyBitReader {
 public:
  static constexpr std::int64_t kBufferSize = 4096;
  // The longest request: a Shannon-Fano code or a shrink code, at most 16 bits.
  static constexpr int kMaxBits = 16;

  explicit TAbLegacyBitReader(TStream& aStream);
  TAbLegacyBitReader(const TAbLegacyBitReader&) = delete;
  TAbLegacyBitReader& operator=(const TAbLegacyBitReader&) = delete;

  // The next aCount (0 to 16) bits without consuming them.
  std::uint32_t PeekBits(int aCount) {
    if (FBitCount < aCount) Fill(aCount);
    return static_cast<std::uint32_t>(FBits) & ((1u << aCount) - 1);
  }
  void DiscardBits(int aCount) {
    if (FBitCount < aCount) Fill(aCount);
    FBits >>= aCount;
    FBitCount -= aCount;
    if (FPadBits > FBitCount) {
      FEnded = true;
      FPadBits = FBitCount;
    }
  }
  std::uint32_t GetBits(int aCount) {
    const std::uint32_t bits = PeekBits(aCount);
    DiscardBits(aCount);
    return bits;
  }
  // A bit beyond the input was consumed.
  bool Ended() const { return FEnded; }

 private:
  void Fill(int aCount);

  TStream& FStream;
  std::unique_ptr<std::uint8_t[]> FBuffer;
  const std::uint8_t* FPos;
  const std::uint8_t* FEnd;
  std::uint64_t FBits = 0;
  int FBitCount = 0;
  int FPadBits = 0;  // zero bits at the top of FBits that lie past the input
  bool FInputDone = false;
  bool FEnded = false;
};

#endif
