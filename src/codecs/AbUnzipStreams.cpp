#include "codecs/AbUnzipStreams.h"

#include <algorithm>
#include <cstdint>

#include "codecs/AbDecoderFailures.h"
#include "codecs/AbPercent.h"
#include "core/Crc32.h"
#include "zip/AbException.h"

std::int64_t TAbUnzipOutputStream::Read(void*, std::int64_t) {
  throw EAbException(u"TAbUnzipOutputStream.Read not supported");
}

std::int64_t TAbUnzipOutputStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  if (FSizeLimit >= 0 && count > FSizeLimit - FBytesWritten) throw EAbZipSizeExceeded();
  const std::int64_t n = FStream.Write(buffer, count);
  FCRC32 = Crc32Update(FCRC32, buffer, static_cast<std::size_t>(count));
  if (n > 0) FBytesWritten += n;
  if (FOnProgress) {
    const std::uint8_t progress = AbPercentOf(FBytesWritten, FUncompressedSize);
    if (progress != FCurrentProgress) {
      bool abort = false;
      FOnProgress(progress, abort);
      FCurrentProgress = progress;
      if (abort) throw EAbUserAbort();
    }
  }
  return n;
}

TAbUnzipSubsetStream::TAbUnzipSubsetStream(TStream& stream, std::int64_t streamSize)
    : FStream(stream),
      FStartPos(stream.Position()),
      FCurPos(FStartPos),
      FEndPos(SaturatingAdd(FStartPos, std::max<std::int64_t>(streamSize, 0))) {}

std::int64_t TAbUnzipSubsetStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t wanted = std::min(count, FEndPos - FCurPos);
  if (wanted <= 0) return 0;
  const std::int64_t n = FStream.Read(buffer, wanted);
  if (n > 0) FCurPos += n;
  return n > 0 ? n : 0;
}

std::int64_t TAbUnzipSubsetStream::Write(const void*, std::int64_t) {
  throw EAbException(u"TAbUnzipSubsetStream.Write not supported");
}

std::int64_t TAbUnzipSubsetStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t target = FCurPos;
  switch (origin) {
    case TSeekOrigin::soBeginning:
      target = SaturatingAdd(FStartPos, offset);
      break;
    case TSeekOrigin::soCurrent:
      target = SaturatingAdd(FCurPos, offset);
      break;
    case TSeekOrigin::soEnd:
      target = SaturatingAdd(FEndPos, offset);
      break;
  }
  target = std::clamp(target, FStartPos, FEndPos);
  if (target != FCurPos) {
    FStream.Seek(target, TSeekOrigin::soBeginning);
    FCurPos = target;
  }
  return FCurPos - FStartPos;
}

void TAbUnzipSubsetStream::SetSize(std::int64_t) {
  throw EAbException(u"TAbUnzipSubsetStream.Write not supported");
}
