#ifndef FENDREL_TESTS_SUPPORT_CHUNKEDSTREAM_H
#define FENDREL_TESTS_SUPPORT_CHUNKEDSTREAM_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/Stream.h"

namespace testsupport {

// Bytes as a decoder's source that hands out at most `chunk` bytes per read, so buffer
// edges fall wherever a test or a fuzz run puts them. Seeking stays within the bytes.
class TChunkedStream : public TStream {
 public:
  TChunkedStream(std::vector<std::uint8_t> data, std::int64_t chunk)
      : FData(std::move(data)), FChunk(chunk) {}
  TChunkedStream(const std::uint8_t* data, std::size_t size, std::int64_t chunk)
      : TChunkedStream(std::vector<std::uint8_t>(data, data + size), chunk) {}
  std::int64_t Read(void* buffer, std::int64_t count) override {
    const std::int64_t n = std::max<std::int64_t>(0, std::min({count, FChunk, Size() - FPosition}));
    if (n > 0) std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    ++FReads;
    return n;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                              : origin == TSeekOrigin::soCurrent ? FPosition
                                                                 : Size();
    FPosition = std::clamp<std::int64_t>(base + offset, 0, Size());
    return FPosition;
  }
  void SetSize(std::int64_t) override {}
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }
  int FReads = 0;  // the reads so far

 private:
  std::vector<std::uint8_t> FData;
  std::int64_t FChunk;
  std::int64_t FPosition = 0;
};

}  // namespace testsupport

#endif
