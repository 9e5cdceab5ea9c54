#include "net/IdBuffer.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/Exception.h"
#include "net/IdException.h"

namespace {

constexpr std::int64_t MaxBufferSize = std::numeric_limits<std::int32_t>::max();

}  // namespace

TIdBuffer::TIdBuffer() = default;

TIdBuffer::TIdBuffer(std::int32_t growthFactor) : FGrowthFactor(growthFactor) {}

TIdBuffer::TIdBuffer(TIdBufferBytesRemoved onBytesRemoved) : FOnBytesRemoved(std::move(onBytesRemoved)) {}

TIdBuffer::TIdBuffer(const TIdBytes& bytes, std::int32_t length) {
  Write(bytes, length);
}

void TIdBuffer::Clear() {
  TIdBytes().swap(FBytes);
  FHeadIndex = 0;
  FSize = 0;
}

void TIdBuffer::Write(const TIdBytes& bytes, std::int32_t length, std::int32_t destIndex,
                      std::int32_t srcIndex) {
  const auto available = static_cast<std::int64_t>(bytes.size()) - srcIndex;
  if (srcIndex < 0 || available < 1) return;
  std::int64_t count = available;
  if (length >= 0 && length < count) count = length;
  if (count < 1) return;
  if (count > MaxBufferSize) throw EIdTooMuchDataInBuffer();
  Write(bytes.data() + srcIndex, static_cast<std::int32_t>(count), destIndex);
}

void TIdBuffer::Write(const std::uint8_t* data, std::int32_t count, std::int32_t destIndex) {
  if (count < 1) return;
  if (destIndex < 0) {
    Append(data, count);
  } else {
    WriteAt(data, count, destIndex);
  }
}

void TIdBuffer::Write(StringView text, const TIdTextEncoding* encoding, std::int32_t destIndex) {
  if (text.empty()) return;
  const TIdBytes bytes = EncodingOrDefault(encoding, FByteEncoding).GetBytes(text);
  Write(bytes, -1, destIndex);
}

void TIdBuffer::Write(TStream& stream, std::int64_t byteCount) {
  if (byteCount < 0) byteCount = std::max<std::int64_t>(0, stream.Size() - stream.Position());
  if (byteCount == 0) return;
  if (FSize + byteCount > MaxBufferSize) throw EIdTooMuchDataInBuffer();
  TIdBytes bytes(static_cast<std::size_t>(byteCount));
  stream.ReadBuffer(bytes.data(), byteCount);
  Append(bytes.data(), static_cast<std::int32_t>(byteCount));
}

void TIdBuffer::Append(const std::uint8_t* data, std::int32_t count) {
  if (static_cast<std::int64_t>(FSize) + count > MaxBufferSize) throw EIdTooMuchDataInBuffer();
  if (FSize == 0) {
    // An empty buffer takes storage of exactly the new bytes.
    TIdBytes(data, data + count).swap(FBytes);
    FHeadIndex = 0;
    FSize = count;
    return;
  }
  CompactHead(false);
  if (Capacity() - FSize < count) {
    const std::int64_t wanted = static_cast<std::int64_t>(FSize) + count + std::max(FGrowthFactor, 0);
    FBytes.resize(static_cast<std::size_t>(std::min(wanted, MaxBufferSize)));
  }
  std::memcpy(FBytes.data() + FSize, data, static_cast<std::size_t>(count));
  FSize += count;
}

void TIdBuffer::WriteAt(const std::uint8_t* data, std::int32_t count, std::int32_t destIndex) {
  const std::int64_t end = static_cast<std::int64_t>(destIndex) + count;
  if (end > MaxBufferSize) throw EIdTooMuchDataInBuffer();
  CompactHead(false);
  if (Capacity() < end) FBytes.resize(static_cast<std::size_t>(end));
  // A gap between the stored bytes and destIndex reads as zeros.
  if (destIndex > FSize) std::fill(FBytes.begin() + FSize, FBytes.begin() + destIndex, std::uint8_t(0));
  std::memcpy(FBytes.data() + destIndex, data, static_cast<std::size_t>(count));
  if (end > FSize) FSize = static_cast<std::int32_t>(end);
}

void TIdBuffer::Remove(std::int32_t byteCount) {
  if (byteCount < 0) return;
  if (byteCount < FSize) {
    FHeadIndex += byteCount;
    FSize -= byteCount;
    if (FHeadIndex > FGrowthFactor) CompactHead(true);
  } else {
    Clear();
  }
  if (FOnBytesRemoved) FOnBytesRemoved(*this, byteCount);
}

void TIdBuffer::CompactHead(bool canShrink) {
  if (FHeadIndex > 0) {
    std::memmove(FBytes.data(), FBytes.data() + FHeadIndex, static_cast<std::size_t>(FSize));
    FHeadIndex = 0;
  }
  if (canShrink && Capacity() - FSize > FGrowthFactor) {
    SetCapacity(FSize + std::max(FGrowthFactor, 0));
  }
}

void TIdBuffer::SetCapacity(std::int32_t capacity) {
  if (capacity < FSize) throw EIdException(SIdBufferCapacityTooSmall);
  CompactHead(false);
  if (capacity == Capacity()) return;
  // New storage of exactly the capacity, so that shrinking really gives memory back.
  TIdBytes bytes(static_cast<std::size_t>(capacity));
  if (FSize > 0) std::memcpy(bytes.data(), FBytes.data(), static_cast<std::size_t>(FSize));
  FBytes.swap(bytes);
}

std::int32_t TIdBuffer::CheckedCount(std::int32_t byteCount, std::int32_t index) const {
  const std::int32_t start = index < 0 ? 0 : index;
  const std::int32_t available = FSize - start;
  if (byteCount == -1) byteCount = available;
  if (start > FSize || byteCount > available) {
    throw EIdNotEnoughDataInBuffer(
        Format(SIdNotEnoughDataInBuffer, {std::int64_t(byteCount), std::int64_t(FSize)}));
  }
  return byteCount;
}

void TIdBuffer::ExtractToBytes(TIdBytes& bytes, std::int32_t byteCount, bool append, std::int32_t index) {
  const std::int32_t count = CheckedCount(byteCount, index);
  if (count <= 0) return;
  std::size_t target = 0;
  if (append) {
    target = bytes.size();
    bytes.resize(target + static_cast<std::size_t>(count));
  } else if (bytes.size() < static_cast<std::size_t>(count)) {
    bytes.resize(static_cast<std::size_t>(count));
  }
  const std::int32_t start = index < 0 ? 0 : index;
  std::memcpy(bytes.data() + target, FBytes.data() + FHeadIndex + start, static_cast<std::size_t>(count));
  if (index < 0) Remove(count);
}

String TIdBuffer::ExtractToString(std::int32_t byteCount, const TIdTextEncoding* encoding) {
  const std::int32_t count = CheckedCount(byteCount, -1);
  if (count < 1) return String();
  const String text = EncodingOrDefault(encoding, FByteEncoding)
                          .GetString(FBytes.data() + FHeadIndex, static_cast<std::size_t>(count));
  Remove(count);
  return text;
}

void TIdBuffer::ExtractToStream(TStream& stream, std::int32_t byteCount, std::int32_t index) {
  const std::int32_t count = CheckedCount(byteCount, index);
  if (count <= 0) return;
  if (index >= 0) {
    stream.WriteBuffer(FBytes.data() + FHeadIndex + index, count);
    return;
  }
  CompactHead(true);
  const std::int64_t written = std::max<std::int64_t>(0, stream.Write(FBytes.data(), count));
  // Only what the stream took leaves the buffer, so nothing is lost or written twice.
  if (written > 0) Remove(static_cast<std::int32_t>(std::min<std::int64_t>(written, count)));
  if (written < count) throw EWriteError(SWriteError);
}

std::int32_t TIdBuffer::IndexOf(const TIdBytes& pattern, std::int32_t startPos) const {
  if (FSize == 0) return -1;
  if (pattern.empty()) throw EIdException(SIdBufferMissingTerminator);
  if (startPos < 0 || startPos >= FSize) throw EIdException(SIdBufferInvalidStartPos);
  if (static_cast<std::int64_t>(pattern.size()) > FSize - startPos) return -1;
  const std::uint8_t* first = FBytes.data() + FHeadIndex;
  const std::uint8_t* last = first + FSize;
  const std::uint8_t* found = std::search(first + startPos, last, pattern.begin(), pattern.end());
  return found == last ? -1 : static_cast<std::int32_t>(found - first);
}

std::int32_t TIdBuffer::IndexOf(StringView text, std::int32_t startPos,
                                const TIdTextEncoding* encoding) const {
  return IndexOf(EncodingOrDefault(encoding, FByteEncoding).GetBytes(text), startPos);
}

std::int32_t TIdBuffer::IndexOf(std::uint8_t byte, std::int32_t startPos) const {
  if (FSize == 0) return -1;
  if (startPos < 0 || startPos >= FSize) throw EIdException(SIdBufferInvalidStartPos);
  const std::uint8_t* first = FBytes.data() + FHeadIndex;
  const void* found = std::memchr(first + startPos, byte, static_cast<std::size_t>(FSize - startPos));
  return found == nullptr ? -1 : static_cast<std::int32_t>(static_cast<const std::uint8_t*>(found) - first);
}

std::uint8_t TIdBuffer::PeekByte(std::int32_t index) const {
  if (FSize == 0) throw EIdException(SIdBufferNoBytes);
  if (index < 0 || index >= FSize) throw EIdException(SIdBufferIndexOutOfBounds);
  return FBytes[static_cast<std::size_t>(FHeadIndex + index)];
}
