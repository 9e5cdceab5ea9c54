#ifndef FENDREL_CORE_STREAM_H
#define FENDREL_CORE_STREAM_H

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/FileModes.h"
#include "core/String.h"

// A position plus an offset, held at the ends of the 64-bit range instead of wrapping.
std::int64_t SaturatingAdd(std::int64_t base, std::int64_t offset);

// The abstract byte stream. Read and Write move at most count bytes and return how
// many moved; ReadBuffer and WriteBuffer move exactly count bytes or raise.
class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual void SetSize(std::int64_t newSize) = 0;
  virtual std::int64_t Size();

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

  // Raises EReadError ("Stream-Lesefehler") when fewer than count bytes can be read.
  void ReadBuffer(void* buffer, std::int64_t count);
  // Raises EWriteError ("Stream-Schreibfehler") when fewer than count bytes are taken.
  void WriteBuffer(const void* buffer, std::int64_t count);
  // Copies count bytes from the source's position; a count of 0 copies the whole
  // source from its start. Returns the number of bytes copied.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// Bytes held in memory. Seeking past the end is allowed; a write there fills the gap with zeros.
// A position before the start is allowed too, but nothing is read or written there. Seeks
// relative to the position or the end stop at the ends of the 64-bit range.
class TMemoryStream : public TStream {
 public:
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t newSize) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }

  void Clear();
  const std::uint8_t* Memory() const { return FData.data(); }
  std::uint8_t* Memory() { return FData.data(); }
  const std::vector<std::uint8_t>& Bytes() const { return FData; }

 private:
  std::vector<std::uint8_t> FData;
  std::int64_t FPosition = 0;
};

// A named file. Opening raises EFOpenError, creating EFCreateError, each with the
// file name and the operating system's reason.
//
// The sharing mode is recorded and passed to the operating system layer; on POSIX
// sharing is advisory only and other processes are not kept out of the file.
class TFileStream : public TStream {
 public:
  TFileStream(const String& fileName, std::uint16_t mode);
  ~TFileStream() override;
  // An empty file in the directory that only this stream reaches: no other opener can
  // open it, and it is gone when the stream is freed (on POSIX also when the process is
  // killed). Its FileName is empty. Raises EFCreateError with the directory.
  static std::unique_ptr<TFileStream> CreatePrivate(const String& directory);

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t newSize) override;

  const String& FileName() const { return FFileName; }

 private:
  explicit TFileStream(std::intptr_t handle) : FHandle(handle) {}

  String FFileName;
  std::intptr_t FHandle = -1;
};

// Puts a stream back to the position it had when the keeper was made, when the keeper
// ends, also on an exception (a failure of that seek is swallowed: the stream's first
// failure is the one that propagates).
class TPositionKeeper {
 public:
  explicit TPositionKeeper(TStream& stream) : FStream(stream), FPosition(stream.Position()) {}
  ~TPositionKeeper() {
    try {
      FStream.SetPosition(FPosition);
    } catch (...) {
    }
  }
  TPositionKeeper(const TPositionKeeper&) = delete;
  TPositionKeeper& operator=(const TPositionKeeper&) = delete;
  // Moves the position to put back by count bytes, but not beyond limit.
  void Advance(std::int64_t count, std::int64_t limit) {
    FPosition = std::max(FPosition, std::min(FPosition + count, limit));
  }

 private:
  TStream& FStream;
  std::int64_t FPosition;
};

#endif
