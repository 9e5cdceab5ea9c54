#ifndef FENDREL_TESTS_SUPPORT_STREAMBYTES_H
#define FENDREL_TESTS_SUPPORT_STREAMBYTES_H

#include <cstdint>
#include <string>

#include "core/Stream.h"

namespace testsupport {

// Everything a stream holds, read from its start.
inline std::string StreamBytes(TStream& stream) {
  std::string bytes(static_cast<std::size_t>(stream.Size()), '\0');
  stream.SetPosition(0);
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return bytes;
}

}  // namespace testsupport

#endif
