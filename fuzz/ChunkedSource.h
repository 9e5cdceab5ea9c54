#ifndef FENDREL_FUZZ_CHUNKEDSOURCE_H
#define FENDREL_FUZZ_CHUNKEDSOURCE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/Stream.h"

namespace fuzzsupport {

// The fuzzer's input as a decoder's source that hands out at most `chunk` bytes per read,
// so buffer edges fall at every place over the runs. Seeking stays within the input.
class TChunkedSource final : public TStream {
 public:
  TChunkedSource(const std::uint8_t* data, std::size_t size, std::int64_t chunk)
      : FData(data), FSize(static_cast<std::int64_t>(size)), FChunk(chunk) {}
  std::int64_t Read(void* buffer, std::int64_t count) override {
    const std::int64_t n = std::min({count, FChunk, FSize - FPos});
    if (n <= 0) return 0;
    std::memcpy(buffer, FData + FPos, static_cast<std::size_t>(n));
    FPos += n;
    return n;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                              : origin == TSeekOrigin::soCurrent ? FPos
                                                                 : FSize;
    FPos = std::clamp<std::int64_t>(base + offset, 0, FSize);
    return FPos;
  }
  void SetSize(std::int64_t) override {}
  std::int64_t Size() override { return FSize; }

 private:
  const std::uint8_t* FData;
  std::int64_t FSize;
  std::int64_t FChunk;
  std::int64_t FPos = 0;
};

}  // namespace fuzzsupport

#endif
