#include "codecs/AbDfOutputWindow.h"

#include <algorithm>
#include <cstring>

#include "codecs/AbDfException.h"
#include "core/Crc32.h"

namespace {

std::uint32_t Adler32Update(std::uint32_t adler, const std::uint8_t* p, std::int64_t n) {
  constexpr std::uint32_t kBase = 65521;
  std::uint32_t a = adler & 0xFFFF;
  std::uint32_t b = adler >> 16;
  while (n > 0) {
    const std::int64_t run = std::min<std::int64_t>(n, 2048);
    for (std::int64_t i = 0; i < run; ++i) {
      a += p[i];
      b += a;
    }
    a %= kBase;
    b %= kBase;
    p += run;
    n -= run;
  }
  return b << 16 | a;
}

}  // namespace

TAbDfOutputWindow::TAbDfOutputWindow(TStream& aStream, bool aUseDeflate64, bool aUseCRC32,
                                     std::int64_t aPartSize, bool aTestOnly)
    : FStream(aStream), FTestOnly(aTestOnly), FUseCRC32(aUseCRC32) {
  FWritePoint = aUseDeflate64 ? 98304 : 65536;
  FHistory = aUseDeflate64 ? 65536 : 32768;
  const std::int64_t reserve = aUseDeflate64 ? 65538 : 258;
  FBuffer.reset(new std::uint8_t[kCapacity + reserve + kCopySlack]);
  FChecksum = aUseCRC32 ? kCrc32Preset : 1;
  const auto part = static_cast<std::int32_t>(static_cast<std::uint32_t>(aPartSize));
  FPartSize = part > 0 ? std::min<std::int64_t>(part, FWritePoint) : 0;
  FCurrent = FBuffer.get();
  FWritePos = FBuffer.get();
  FEnd = FBuffer.get() + kCapacity;
  FLimit = FBuffer.get() + (FPartSize > 0 ? FPartSize : FWritePoint);
}

void TAbDfOutputWindow::Emit(const std::uint8_t* aData, std::int64_t aCount) {
  if (aCount <= 0) return;
  FChecksum = FUseCRC32 ? Crc32Update(FChecksum, aData, static_cast<std::size_t>(aCount))
                        : Adler32Update(FChecksum, aData, aCount);
  if (!FTestOnly) FStream.WriteBuffer(aData, aCount);
  FWritten += aCount;
}

void TAbDfOutputWindow::Compact() {
  std::uint8_t* const buffer = FBuffer.get();
  std::uint8_t* const keep = std::min(FWritePos, FCurrent - FHistory);
  const std::int64_t shift = keep - buffer;
  std::memmove(buffer, keep, static_cast<std::size_t>(FCurrent - keep));
  FCurrent -= shift;
  FWritePos -= shift;
}

void TAbDfOutputWindow::AtLimit() {
  // No slide happens before the part size is reached, so the buffer holds every byte.
  if (FPartSize > 0 && FCurrent - FBuffer.get() >= FPartSize) throw EAbPartSizedInflate();
  // A Deflate64 match may pass the write point by more than one slide.
  while (FCurrent - FWritePos >= FWritePoint) {
    Emit(FWritePos, kSlideCount);
    FWritePos += kSlideCount;
  }
  if (FCurrent >= FEnd) Compact();
  FLimit = std::min(FWritePos + FWritePoint, FEnd);
  if (FPartSize > 0) FLimit = std::min(FLimit, FBuffer.get() + FPartSize);
}

void TAbDfOutputWindow::Flush() {
  std::uint8_t* const from = FWritePos;
  // The bytes count as gone even when writing them fails, so a second flush on the
  // error path writes nothing twice.
  FWritePos = FCurrent;
  Emit(from, FCurrent - from);
  FLimit = std::min(FWritePos + FWritePoint, FEnd);
  if (FPartSize > 0) FLimit = std::min(FLimit, FBuffer.get() + FPartSize);
}

std::uint32_t TAbDfOutputWindow::Checksum() {
  Flush();
  return FUseCRC32 ? ~FChecksum : FChecksum;
}

void TAbDfOutputWindow::CopyMatch(std::uint32_t aLen, std::uint32_t aDist) {
  if (aDist == 0 || aDist > static_cast<std::uint64_t>(FCurrent - FBuffer.get())) {
    throw EAbInternalInflateError(SInflateDistanceTooFar);
  }
  std::uint8_t* dst = FCurrent;
  const std::uint8_t* src = FCurrent - aDist;
  if (aDist >= aLen) {
    std::memcpy(dst, src, aLen);
  } else {
    for (std::uint32_t i = 0; i < aLen; ++i) dst[i] = src[i];
  }
  FCurrent += aLen;
}

void TAbDfOutputWindow::AddLiteral(std::uint8_t aCh) {
  *FCurrent++ = aCh;
  if (FCurrent >= FLimit) AtLimit();
}

void TAbDfOutputWindow::AddLenDist(int aLen, int aDist) {
  if (aLen <= 0) return;
  CopyMatch(static_cast<std::uint32_t>(aLen), static_cast<std::uint32_t>(aDist));
  if (FCurrent >= FLimit) AtLimit();
}

void TAbDfOutputWindow::AddBuffer(const void* aBuffer, std::int64_t aCount) {
  const auto* p = static_cast<const std::uint8_t*>(aBuffer);
  while (aCount > 0) {
    if (FCurrent >= FLimit) AtLimit();
    const std::int64_t n = std::min<std::int64_t>(aCount, FLimit - FCurrent);
    std::memcpy(FCurrent, p, static_cast<std::size_t>(n));
    FCurrent += n;
    p += n;
    aCount -= n;
    if (FCurrent >= FLimit) AtLimit();
  }
}
