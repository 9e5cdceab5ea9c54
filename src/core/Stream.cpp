#include "core/Stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "core/Exception.h"
#include "core/FileHandle.h"

std::int64_t SaturatingAdd(std::int64_t base, std::int64_t offset) {
  std::int64_t sum = 0;
  if (!__builtin_add_overflow(base, offset, &sum)) return sum;
  return offset > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

std::int64_t TStream::Size() {
  const std::int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EWriteError(SWriteError);
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr std::int64_t kChunk = 64 * 1024;
  std::vector<std::uint8_t> chunk(static_cast<size_t>(std::min(std::max<std::int64_t>(count, 1), kChunk)));
  const std::int64_t total = count;
  while (count > 0) {
    const std::int64_t n = std::min(count, static_cast<std::int64_t>(chunk.size()));
    source.ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    count -= n;
  }
  return total;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const auto size = static_cast<std::int64_t>(FData.size());
  // Before the start, as past the end, there is nothing to read.
  if (count <= 0 || FPosition < 0 || FPosition >= size) return 0;
  const std::int64_t n = std::min(count, size - FPosition);
  std::memcpy(buffer, FData.data() + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0 || FPosition < 0) return 0;
  std::int64_t end = 0;
  if (__builtin_add_overflow(FPosition, count, &end)) throw EOutOfMemory(SOutOfMemory);
  if (end > static_cast<std::int64_t>(FData.size())) {
    try {
      if (end > static_cast<std::int64_t>(FData.capacity())) {
        FData.reserve(std::max<size_t>(static_cast<size_t>(end), FData.capacity() + FData.capacity() / 2));
      }
      FData.resize(static_cast<size_t>(end));
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory(SOutOfMemory);
    } catch (const std::length_error&) {
      throw EOutOfMemory(SOutOfMemory);
    }
  }
  std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
  FPosition = end;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning:
      FPosition = offset;
      break;
    case TSeekOrigin::soCurrent:
      FPosition = SaturatingAdd(FPosition, offset);
      break;
    case TSeekOrigin::soEnd:
      FPosition = SaturatingAdd(static_cast<std::int64_t>(FData.size()), offset);
      break;
  }
  return FPosition;
}

void TMemoryStream::SetSize(std::int64_t newSize) {
  if (newSize < 0) newSize = 0;
  try {
    FData.resize(static_cast<size_t>(newSize));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(SOutOfMemory);
  } catch (const std::length_error&) {
    throw EOutOfMemory(SOutOfMemory);
  }
  if (FPosition > newSize) FPosition = newSize;
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  FPosition = 0;
}

TFileStream::TFileStream(const String& fileName, std::uint16_t mode) : FFileName(fileName) {
  if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
    FHandle = filehandle::Create(fileName, mode);
    if (FHandle < 0) throw EFCreateError(Format(SFCreateError, {fileName, filehandle::LastErrorMessage()}));
  } else {
    FHandle = filehandle::Open(fileName, mode);
    if (FHandle < 0) throw EFOpenError(Format(SFOpenError, {fileName, filehandle::LastErrorMessage()}));
  }
}

std::unique_ptr<TFileStream> TFileStream::CreatePrivate(const String& directory) {
  const std::intptr_t handle = filehandle::CreatePrivate(directory);
  if (handle < 0) throw EFCreateError(Format(SFCreateError, {directory, filehandle::LastErrorMessage()}));
  return std::unique_ptr<TFileStream>(new TFileStream(handle));
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) filehandle::Close(FHandle);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const std::int64_t n = filehandle::Read(FHandle, buffer, count);
  if (n < 0) throw EReadError(SReadError);
  return n;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const std::int64_t n = filehandle::Write(FHandle, buffer, count);
  return n < 0 ? 0 : n;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  return filehandle::Seek(FHandle, offset, origin);
}

void TFileStream::SetSize(std::int64_t newSize) {
  const std::int64_t position = Position();
  if (!filehandle::Truncate(FHandle, newSize)) throw EWriteError(SWriteError);
  if (position > newSize) SetPosition(newSize);
}
