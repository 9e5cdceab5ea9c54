#include "codecs/AbDfInBitStream.h"

#include <algorithm>
#include <cstring>

#include "codecs/AbDfException.h"

TAbDfInBitStream::TAbDfInBitStream(TStream& aStream, TAbProgressStep aOnProgress, std::int64_t aStreamSize)
    : FBuffer(new std::uint8_t[kBufferSize]),
      FStream(aStream),
      FStartPosition(aStream.Position()),
      FStreamSize(aStreamSize) {
  if (aOnProgress && aStreamSize > 0) FOnProgress = std::move(aOnProgress);
  FPos = FBuffer.get();
  FEnd = FBuffer.get();
}

void TAbDfInBitStream::RefillBuffer() {
  std::uint8_t* const buffer = FBuffer.get();
  const std::int64_t kept = FEnd - FPos;
  FBase += FPos - buffer;
  std::memmove(buffer, FPos, static_cast<std::size_t>(kept));
  std::int64_t filled = kept;
  std::int64_t read = 0;
  // A short read is not the end: only a read that gives nothing is.
  while (filled < kBufferSize) {
    const std::int64_t n = FStream.Read(buffer + filled, kBufferSize - filled);
    if (n <= 0) {
      FEnded = true;
      break;
    }
    filled += n;
    read += n;
  }
  FPos = buffer;
  FEnd = buffer + filled;
  FByteCount += read;
  if (FOnProgress && read > 0) {
    FOnProgress(static_cast<int>((FByteCount * 200 + FStreamSize) / (FStreamSize * 2)));
  }
}

void TAbDfInBitStream::EnsureSlow(unsigned aCount) {
  while (FBitCount < aCount) {
    if (FPos == FEnd) {
      if (!FEnded) {
        RefillBuffer();
        continue;
      }
      ++FVirtual;
    } else {
      FBits |= static_cast<std::uint64_t>(*FPos++) << FBitCount;
    }
    FBitCount += 8;
  }
}

void TAbDfInBitStream::CheckConsumed(const char16_t* aNoDataText) const {
  const std::int64_t available = (FByteCount + 3) / 4 * 4 * 8;
  if (ConsumedBits() > available) throw EAbInternalInflateError(aNoDataText);
}

void TAbDfInBitStream::AlignToByte() {
  const unsigned drop = FBitCount % 8;
  FBits >>= drop;
  FBitCount -= drop;
}

std::uint32_t TAbDfInBitStream::PeekBits(int aCount) {
  if (aCount <= 0) return 0;
  if (aCount > 32) aCount = 32;
  Ensure(static_cast<unsigned>(aCount));
  return static_cast<std::uint32_t>(FBits & ((std::uint64_t{1} << aCount) - 1));
}

void TAbDfInBitStream::DiscardBits(int aCount) {
  if (aCount < 1 || aCount > 32) throw EAbInternalInflateError(SInflateDiscardBitsCount);
  Ensure(static_cast<unsigned>(aCount));
  Consume(static_cast<unsigned>(aCount), SInflateNoDataDiscardBits);
}

bool TAbDfInBitStream::ReadBit() {
  Ensure(1);
  const bool bit = (FBits & 1) != 0;
  Consume(1, SInflateNoDataReadBit);
  return bit;
}

std::uint32_t TAbDfInBitStream::ReadBits(int aCount) {
  if (aCount < 1 || aCount > 16) throw EAbInternalInflateError(SInflateReadBitsCount);
  Ensure(static_cast<unsigned>(aCount));
  const auto bits = static_cast<std::uint32_t>(FBits & ((1u << aCount) - 1));
  Consume(static_cast<unsigned>(aCount), SInflateNoDataReadBits);
  return bits;
}

void TAbDfInBitStream::ReadBuffer(void* aBuffer, std::int64_t aCount) {
  auto* out = static_cast<std::uint8_t*>(aBuffer);
  // Whole bytes still held as bits come first.
  while (aCount > 0 && FBitCount >= 8) {
    *out++ = static_cast<std::uint8_t>(FBits);
    FBits >>= 8;
    FBitCount -= 8;
    --aCount;
    if (FEnded) CheckConsumed(SInflateNoDataReadBuffer);
  }
  if (aCount == 0) return;
  FBits = 0;
  FBitCount = 0;
  while (aCount > 0) {
    if (FPos == FEnd) {
      if (!FEnded && aCount >= kDirectRead) {
        // Long stored runs go straight from the stream to their place.
        const std::int64_t n = FStream.Read(out, aCount);
        if (n > 0) {
          FBase += n;
          FByteCount += n;
          if (FOnProgress)
            FOnProgress(static_cast<int>((FByteCount * 200 + FStreamSize) / (FStreamSize * 2)));
          out += n;
          aCount -= n;
          continue;
        }
        FEnded = true;
        continue;
      }
      if (!FEnded) {
        RefillBuffer();
        continue;
      }
      // The zero bytes that round the input up may still be taken.
      const std::int64_t available = (FByteCount + 3) / 4 * 4 - (FBase + (FPos - FBuffer.get()) + FVirtual);
      if (aCount > available) throw EAbInternalInflateError(SInflateNoDataReadBuffer);
      std::memset(out, 0, static_cast<std::size_t>(aCount));
      FVirtual += aCount;
      return;
    }
    const std::int64_t n = std::min<std::int64_t>(aCount, FEnd - FPos);
    std::memcpy(out, FPos, static_cast<std::size_t>(n));
    FPos += n;
    out += n;
    aCount -= n;
  }
}

std::int64_t TAbDfInBitStream::BytesConsumed() const {
  return std::min<std::int64_t>((ConsumedBits() + 7) / 8, FByteCount);
}

void TAbDfInBitStream::PositionStream() {
  FStream.Seek(FStartPosition + BytesConsumed(), TSeekOrigin::soBeginning);
}
