#include "codecs/AbCopyStored.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::int64_t kStoredChunk = 61440;

}  // namespace

void CopyStored(const TAbZipItem& item, TStream& source, TStream& output) {
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(kStoredChunk, item.UncompressedSize())));
  std::int64_t left = item.UncompressedSize();
  while (left > 0) {
    const std::int64_t chunk = std::min(left, kStoredChunk);
    source.ReadBuffer(buffer.data(), chunk);
    output.WriteBuffer(buffer.data(), chunk);
    left -= chunk;
  }
}
