#include "check/ForwardOnlyStream.h"

#include "core/Exception.h"

namespace check {

std::int64_t TForwardOnlyStream::Read(void*, std::int64_t) {
  return 0;
}

std::int64_t TForwardOnlyStream::Write(const void* buffer, std::int64_t count) {
  const std::int64_t written = FTarget.Write(buffer, count);
  if (written > 0) FWritten += written;
  return written;
}

std::int64_t TForwardOnlyStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  // The size is the position, so a seek from the end and one from here are the same.
  const std::int64_t target = origin == TSeekOrigin::soBeginning ? offset : SaturatingAdd(FWritten, offset);
  if (target != FWritten) throw EWriteError(SWriteError);
  return FWritten;
}

void TForwardOnlyStream::SetSize(std::int64_t newSize) {
  if (newSize < FWritten) throw EWriteError(SWriteError);
}

}  // namespace check
