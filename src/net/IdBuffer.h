#ifndef FENDREL_NET_IDBUFFER_H
#define FENDREL_NET_IDBUFFER_H

#include <cstdint>
#include <functional>
#include <utility>

#include "core/Stream.h"
#include "core/String.h"
#include "net/IdGlobal.h"
#include "net/IdStack.h"

class TIdBuffer;

// Fired after every Remove with the number of bytes asked for.
using TIdBufferBytesRemoved = std::function<void(TIdBuffer& sender, std::int32_t bytes)>;

// A growable first-in, first-out byte store. Positions given to and returned by its
// operations count from the first stored byte. Storage grows by the needed amount plus
// GrowthFactor spare bytes, keeps at most GrowthFactor bytes of dead space at the front
// after a removal, and is dropped entirely when the buffer becomes empty.
class TIdBuffer {
 public:
  static constexpr std::int32_t DefaultGrowthFactor = 2048;

  TIdBuffer();
  explicit TIdBuffer(std::int32_t growthFactor);
  explicit TIdBuffer(TIdBufferBytesRemoved onBytesRemoved);
  // A copy of the first length bytes (all of them for -1).
  explicit TIdBuffer(const TIdBytes& bytes, std::int32_t length = -1);
  TIdBuffer(const TIdBuffer&) = delete;
  TIdBuffer& operator=(const TIdBuffer&) = delete;

  // Empties the buffer and releases its storage. Fires no event.
  void Clear();

  // Appends (destIndex -1) or overwrites at destIndex the length bytes of bytes from
  // srcIndex on (length -1: all of them). Raises EIdTooMuchDataInBuffer past 2 GB.
  void Write(const TIdBytes& bytes, std::int32_t length = -1, std::int32_t destIndex = -1,
             std::int32_t srcIndex = 0);
  // The same for count bytes at data.
  void Write(const std::uint8_t* data, std::int32_t count, std::int32_t destIndex = -1);
  // Encoded text; without an encoding the buffer's Encoding, else the process default.
  void Write(StringView text, const TIdTextEncoding* encoding = nullptr, std::int32_t destIndex = -1);
  // byteCount bytes from the stream's position (-1: everything up to its end).
  void Write(TStream& stream, std::int64_t byteCount = -1);

  // Drops byteCount bytes from the front (all when at least Size) and fires OnBytesRemoved.
  void Remove(std::int32_t byteCount);
  // Moves the stored bytes to the start of the storage; with canShrink also trims the
  // spare room to GrowthFactor bytes.
  void CompactHead(bool canShrink = true);

  // With index -1 the bytes are taken from the front and removed; with an index of 0 or
  // more they are copied from that position and stay. byteCount -1 means everything.
  // Asking for more than is stored raises EIdNotEnoughDataInBuffer.
  // With append the bytes go after the array's content; otherwise to its start (the array
  // is lengthened when it is too short).
  void ExtractToBytes(TIdBytes& bytes, std::int32_t byteCount = -1, bool append = true,
                      std::int32_t index = -1);
  String ExtractToString(std::int32_t byteCount = -1, const TIdTextEncoding* encoding = nullptr);
  // Writes straight from the storage. When the stream takes fewer bytes than given, only
  // those are removed and EWriteError is raised.
  void ExtractToStream(TStream& stream, std::int32_t byteCount = -1, std::int32_t index = -1);

  // Position of the first occurrence at or after startPos, or -1. An empty buffer gives
  // -1; otherwise an empty pattern or a start outside the stored bytes raises EIdException.
  std::int32_t IndexOf(const TIdBytes& pattern, std::int32_t startPos = 0) const;
  std::int32_t IndexOf(StringView text, std::int32_t startPos = 0,
                       const TIdTextEncoding* encoding = nullptr) const;
  std::int32_t IndexOf(std::uint8_t byte, std::int32_t startPos = 0) const;

  // The byte at a position without taking it out.
  std::uint8_t PeekByte(std::int32_t index) const;

  std::int32_t Size() const { return FSize; }
  std::int32_t Capacity() const { return static_cast<std::int32_t>(FBytes.size()); }
  // Raises EIdException when below Size.
  void SetCapacity(std::int32_t capacity);
  std::int32_t GrowthFactor() const { return FGrowthFactor; }
  void SetGrowthFactor(std::int32_t growthFactor) { FGrowthFactor = growthFactor; }
  const TIdTextEncoding* Encoding() const { return FByteEncoding; }
  void SetEncoding(const TIdTextEncoding* encoding) { FByteEncoding = encoding; }
  const TIdBufferBytesRemoved& OnBytesRemoved() const { return FOnBytesRemoved; }
  void SetOnBytesRemoved(TIdBufferBytesRemoved handler) { FOnBytesRemoved = std::move(handler); }

 private:
  void Append(const std::uint8_t* data, std::int32_t count);
  void WriteAt(const std::uint8_t* data, std::int32_t count, std::int32_t destIndex);
  // Resolves a count of -1 and checks it against what is stored from index on.
  std::int32_t CheckedCount(std::int32_t byteCount, std::int32_t index) const;

  TIdStackUsage FStackUsage;
  TIdBytes FBytes;
  const TIdTextEncoding* FByteEncoding = nullptr;
  std::int32_t FGrowthFactor = DefaultGrowthFactor;
  std::int32_t FHeadIndex = 0;
  TIdBufferBytesRemoved FOnBytesRemoved;
  std::int32_t FSize = 0;
};

#endif
