#ifndef FENDREL_CODECS_ABDFINBITSTREAM_H
#define FENDREL_CODECS_ABDFINBITSTREAM_H

#include <cstdint>
#include <memory>

#include "codecs/AbDfHelper.h"
#include "core/Stream.h"

// Bit input of the inflate decoder, least significant bit first. Raw bytes are read
// from the stream 16 KiB at a time. When the input ends, its length is rounded up to a
// multiple of four with zero bytes that may be consumed like real ones; consuming past
// them raises "no more compressed data" naming the operation that ran out. Peeks past
// the end see zero bits.
//
// The decoder's fast loop works on the public members directly: FBits holds FBitCount
// valid bits, and every bit above them is zero or the true next bit of the input.
class TAbDfInBitStream {
 public:
  static constexpr std::int64_t kBufferSize = 16384;
  // Bytes the fast loop needs in the buffer: up to three whole-word refills per round.
  static constexpr std::int64_t kFastMargin = 32;
  // ReadBuffer reads this many bytes or more from the stream directly once the buffer is
  // drained.
  static constexpr std::int64_t kDirectRead = 4096;

  TAbDfInBitStream(TStream& aStream, TAbProgressStep aOnProgress, std::int64_t aStreamSize);
  TAbDfInBitStream(const TAbDfInBitStream&) = delete;
  TAbDfInBitStream& operator=(const TAbDfInBitStream&) = delete;

  void AlignToByte();
  std::uint32_t PeekBits(int aCount);
  void DiscardBits(int aCount);
  bool ReadBit();
  std::uint32_t ReadBits(int aCount);
  void ReadBuffer(void* aBuffer, std::int64_t aCount);
  std::uint32_t BitBuffer() const { return static_cast<std::uint32_t>(FBits); }
  int BitsLeft() const { return FBitCount < 32 ? static_cast<int>(FBitCount) : 32; }

  // Input bytes consumed so far, a partly used byte counted whole, never more than the
  // stream gave.
  std::int64_t BytesConsumed() const;
  // Puts the stream just behind the last byte consumed.
  void PositionStream();

  // Loads bytes until at least aCount (at most 56) bits are valid; past the end of the
  // input the bits are zero.
  void Ensure(unsigned aCount) {
    if (FBitCount < aCount) EnsureSlow(aCount);
  }
  // Drops aCount valid bits; raises aNoDataText when that went past the input.
  void Consume(unsigned aCount, const char16_t* aNoDataText) {
    FBits >>= aCount;
    FBitCount -= aCount;
    if (FEnded) CheckConsumed(aNoDataText);
  }
  // Tops the buffer up from the stream when the fast loop's margin is not left.
  void RefillIfLow() {
    if (FEnd - FPos < kFastMargin && !FEnded) RefillBuffer();
  }
  bool FastReady() const { return FEnd - FPos >= kFastMargin; }

  std::uint64_t FBits = 0;
  unsigned FBitCount = 0;
  const std::uint8_t* FPos;
  const std::uint8_t* FEnd;

 private:
  void EnsureSlow(unsigned aCount);
  void RefillBuffer();
  void CheckConsumed(const char16_t* aNoDataText) const;
  std::int64_t ConsumedBits() const {
    return (FBase + (FPos - FBuffer.get()) + FVirtual) * 8 - static_cast<std::int64_t>(FBitCount);
  }

  std::unique_ptr<std::uint8_t[]> FBuffer;
  TStream& FStream;
  std::int64_t FStartPosition;
  TAbProgressStep FOnProgress;
  std::int64_t FStreamSize;
  std::int64_t FByteCount = 0;  // bytes read from the stream
  std::int64_t FBase = 0;       // stream bytes in front of FBuffer[0]
  std::int64_t FVirtual = 0;    // zero bytes loaded after the end
  bool FEnded = false;
};

#endif
