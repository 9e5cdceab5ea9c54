#include "zip/AbRecordReading.h"

#include <algorithm>

#include "core/Exception.h"
#include "core/Stream.h"

namespace abrecord {

namespace {
constexpr std::size_t kChunk = 4096;
}

std::size_t ReadFixed(TStream& stream, std::uint8_t* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const std::int64_t n = stream.Read(buffer + done, static_cast<std::int64_t>(count - done));
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  std::fill(buffer + done, buffer + count, std::uint8_t{0});
  return done;
}

std::string ReadPlain(TStream& stream, std::size_t count) {
  std::string text;
  while (text.size() < count) {
    const std::size_t want = std::min(kChunk, count - text.size());
    const std::size_t old = text.size();
    text.resize(old + want);
    const std::size_t n = ReadFixed(stream, reinterpret_cast<std::uint8_t*>(text.data()) + old, want);
    text.resize(old + n);
    if (n < want) break;
  }
  return text;
}

std::vector<std::uint8_t> ReadExact(TStream& stream, std::size_t count) {
  std::vector<std::uint8_t> bytes;
  while (bytes.size() < count) {
    const std::size_t want = std::min(kChunk, count - bytes.size());
    const std::size_t old = bytes.size();
    bytes.resize(old + want);
    if (ReadFixed(stream, bytes.data() + old, want) < want) throw EReadError(SReadError);
  }
  return bytes;
}

}  // namespace abrecord
