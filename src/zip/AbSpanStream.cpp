#include "zip/AbSpanStream.h"

#include <algorithm>
#include <cstring>

#include "core/Exception.h"
#include "zip/AbException.h"

namespace {
constexpr std::int64_t kBufferSize = 64 * 1024;
}

bool TAbSpanStream::IsAbsolutePath(const String& path) {
  if (path.empty()) return false;
  if (path[0] == u'/' || path[0] == u'\\') return true;
  return path.find(u':') != String::npos;
}

TAbSpanStream::TAbSpanStream(const String& archiveName, std::uint16_t mode, TAbMediaType mediaType,
                             std::int64_t threshold)
    : FMediaType(mediaType), FThreshold(threshold), FImageName(archiveName), FFileMode(mode) {
  if (!IsAbsolutePath(archiveName)) throw EAbException(SAbFullPathRequired, 0);
  const bool writing = mode == fmCreate || (mode & 0x0003) != fmOpenRead;
  FSpanMode = writing ? TAbSpanMode::smWriting : TAbSpanMode::smReading;
  // Only ever read: the sharing part of the mode is kept, the access part dropped.
  const std::uint16_t readMode = writing ? fmShareDenyNone : static_cast<std::uint16_t>(mode & 0x00F0);
  FStr = std::make_unique<TFileStream>(archiveName, static_cast<std::uint16_t>(fmOpenRead | readMode));
}

TAbSpanStream::TAbSpanStream(std::unique_ptr<TStream> stream, const String& archiveName)
    : FImageName(archiveName), FStr(std::move(stream)) {
  FInnerPosition = FStr->Position();
}

TAbSpanStream::~TAbSpanStream() = default;

void TAbSpanStream::FillBuffer() {
  if (FBuffer.empty()) FBuffer.resize(static_cast<std::size_t>(kBufferSize));
  if (FInnerPosition != FPosition) FInnerPosition = FStr->Seek(FPosition, TSeekOrigin::soBeginning);
  FBufferStart = FPosition;
  FBufferLength = 0;
  if (FInnerPosition != FPosition) return;
  while (FBufferLength < kBufferSize) {
    const std::int64_t n = FStr->Read(FBuffer.data() + FBufferLength, kBufferSize - FBufferLength);
    if (n <= 0) break;
    FBufferLength += n;
  }
  FInnerPosition = FPosition + FBufferLength;
}

std::int64_t TAbSpanStream::Read(void* buffer, std::int64_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::int64_t total = 0;
  while (count > 0) {
    if (FPosition >= FBufferStart && FPosition < FBufferStart + FBufferLength) {
      const std::int64_t n = std::min(count, FBufferStart + FBufferLength - FPosition);
      std::memcpy(out, FBuffer.data() + (FPosition - FBufferStart), static_cast<std::size_t>(n));
      out += n;
      count -= n;
      total += n;
      FPosition += n;
      continue;
    }
    if (count >= kBufferSize) {
      // Large reads go straight to the file.
      if (FInnerPosition != FPosition) FInnerPosition = FStr->Seek(FPosition, TSeekOrigin::soBeginning);
      if (FInnerPosition != FPosition) break;
      while (count > 0) {
        const std::int64_t n = FStr->Read(out, count);
        if (n <= 0) break;
        out += n;
        count -= n;
        total += n;
        FPosition += n;
        FInnerPosition += n;
      }
      break;
    }
    FillBuffer();
    if (FBufferLength == 0) break;
  }
  FBytesRead += total;
  return total;
}

std::int64_t TAbSpanStream::Write(const void* /*buffer*/, std::int64_t /*count*/) {
  return 0;
}

std::int64_t TAbSpanStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  if (origin == TSeekOrigin::soCurrent && offset == 0) return FPosition;
  // A place inside the buffered bytes exists: the file need not be asked for its size.
  if (origin == TSeekOrigin::soBeginning && offset >= FBufferStart && offset < FBufferStart + FBufferLength)
    return FPosition = offset;
  const std::int64_t size = Size();
  std::int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = FPosition;
  if (origin == TSeekOrigin::soEnd) base = size;
  std::int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? 0 : size;
  FPosition = std::clamp<std::int64_t>(target, 0, size);
  return FPosition;
}

void TAbSpanStream::SetSize(std::int64_t /*newSize*/) {
  throw EWriteError(SWriteError);
}

std::int64_t TAbSpanStream::Size() {
  const std::int64_t inner = FStr->Seek(0, TSeekOrigin::soCurrent);
  const std::int64_t size = FStr->Seek(0, TSeekOrigin::soEnd);
  FStr->Seek(inner, TSeekOrigin::soBeginning);
  FInnerPosition = inner;
  return size < 0 ? 0 : size;
}
