#ifndef FENDREL_CODECS_ABUNZIPSTREAMS_H
#define FENDREL_CODECS_ABUNZIPSTREAMS_H

#include <cstdint>
#include <functional>

#include "core/Stream.h"

// A progress report in percent; setting abort asks the operation to stop.
using TAbProgressEvent = std::function<void(std::uint8_t progress, bool& abort)>;

// Sits between a decoder and the real destination: counts and checksums every byte
// offered, reports progress against the expected size, and stops a decoder that
// produces more than the size allows.
class TAbUnzipOutputStream final : public TStream {
 public:
  explicit TAbUnzipOutputStream(TStream& stream) : FStream(stream) {}

  // Raises EAbException: the stream only takes bytes.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  // Passes the bytes on; all count bytes go into the CRC-32, whatever the destination
  // took. Raises EAbZipSizeExceeded (nothing written) when the bytes would pass the
  // size limit, and EAbUserAbort when the progress report asks to stop.
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override { return FStream.Seek(offset, origin); }
  void SetSize(std::int64_t newSize) override { FStream.SetSize(newSize); }

  // The finished CRC-32 of everything offered so far.
  std::uint32_t CRC32() const { return ~FCRC32; }
  std::int64_t BytesWritten() const { return FBytesWritten; }
  std::int64_t UncompressedSize() const { return FUncompressedSize; }
  void SetUncompressedSize(std::int64_t size) { FUncompressedSize = size; }
  // The most bytes the destination may receive; negative for no limit.
  void SetSizeLimit(std::int64_t limit) { FSizeLimit = limit; }
  const TAbProgressEvent& OnProgress() const { return FOnProgress; }
  void SetOnProgress(TAbProgressEvent handler) { FOnProgress = std::move(handler); }

 private:
  std::int64_t FBytesWritten = 0;
  std::uint32_t FCRC32 = 0xFFFFFFFFu;
  std::uint8_t FCurrentProgress = 0;
  TStream& FStream;
  std::int64_t FUncompressedSize = 0;
  std::int64_t FSizeLimit = -1;
  TAbProgressEvent FOnProgress;
};

// A byte range of another stream, from its position at creation on, as a stream of
// its own. It reads the underlying stream at its current position: while an entry is
// decoded it must be the only reader.
class TAbUnzipSubsetStream final : public TStream {
 public:
  TAbUnzipSubsetStream(TStream& stream, std::int64_t streamSize);

  std::int64_t Read(void* buffer, std::int64_t count) override;
  // Raises EAbException: the stream only gives bytes.
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // Relative to the start of the range, clamped into it.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t newSize) override;
  std::int64_t Size() override { return FEndPos - FStartPos; }

 private:
  TStream& FStream;
  std::int64_t FStartPos;
  std::int64_t FCurPos;
  std::int64_t FEndPos;
};

// Takes any number of bytes and forgets them.
class TAbDiscardStream final : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t count) override {
    if (count > 0) FSize += count;
    return count > 0 ? count : 0;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return FSize; }
  void SetSize(std::int64_t) override {}
  std::int64_t Size() override { return FSize; }

 private:
  std::int64_t FSize = 0;
};

#endif
