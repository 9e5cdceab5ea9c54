#ifndef FENDREL_TESTS_SUPPORT_DISCARDSTREAM_H
#define FENDREL_TESTS_SUPPORT_DISCARDSTREAM_H

#include <algorithm>
#include <cstdint>

#include "core/Stream.h"

namespace testsupport {

// A stream that takes every byte and keeps none; its size and position move as a file's would.
class DiscardStream : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t count) override {
    FPosition += count;
    FSize = std::max(FSize, FPosition);
    return count;
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    if (origin == TSeekOrigin::soBeginning) FPosition = offset;
    if (origin == TSeekOrigin::soCurrent) FPosition += offset;
    if (origin == TSeekOrigin::soEnd) FPosition = FSize + offset;
    return FPosition;
  }
  void SetSize(std::int64_t newSize) override {
    FSize = newSize;
    FPosition = std::min(FPosition, FSize);
  }
  std::int64_t Size() override { return FSize; }

 private:
  std::int64_t FPosition = 0;
  std::int64_t FSize = 0;
};

}  // namespace testsupport

#endif
