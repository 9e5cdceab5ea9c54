#ifndef FENDREL_TOOLS_CHECK_FORWARDONLYSTREAM_H
#define FENDREL_TOOLS_CHECK_FORWARDONLYSTREAM_H

#include <cstdint>

#include "core/Stream.h"

namespace check {

// Writes through to a borrowed stream in order, without ever sizing or positioning it, so
// that a device or a pipe can take a download. The position is the count written so far;
// a seek to it and sizing to it or beyond (the reader's advance sizing) change nothing.
// Going back, or cutting what was written, raises EWriteError: those bytes are gone.
class TForwardOnlyStream final : public TStream {
 public:
  explicit TForwardOnlyStream(TStream& target) : FTarget(target) {}

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t newSize) override;
  std::int64_t Size() override { return FWritten; }

 private:
  TStream& FTarget;
  std::int64_t FWritten = 0;
};

}  // namespace check

#endif
