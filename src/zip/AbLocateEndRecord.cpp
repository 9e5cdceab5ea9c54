#include "zip/AbLocateEndRecord.h"

#include <algorithm>
#include <vector>

#include "core/Exception.h"
#include "core/Stream.h"
#include "zip/AbRecordReading.h"
#include "zip/AbSpanStream.h"
#include "zip/AbZipDirectoryFileFooter.h"

namespace {

constexpr std::int64_t kHead = TAbZipDirectoryFileFooter::kHeadSize;
constexpr std::int64_t kLargestWindow = 65536;
constexpr std::int64_t kFirstWindow = 512;

bool IsSignatureAt(const std::uint8_t* p) {
  return p[0] == 0x50 && p[1] == 0x4B && p[2] == 0x05 && p[3] == 0x06;
}

}  // namespace

std::int64_t LocateEndRecord(TStream& stream) {
  auto* span = dynamic_cast<TAbSpanStream*>(&stream);
  const std::int64_t size = stream.Size();
  std::int64_t largest = kLargestWindow;
  bool oldIgnoreSpanning = false;
  if (span != nullptr) {
    if (size > 0 && size < kLargestWindow) largest = size;
    oldIgnoreSpanning = span->IgnoreSpanning();
    span->SetIgnoreSpanning(true);
  }
  const std::int64_t startPosition = stream.Position();

  // An archive without a comment ends with the record itself.
  if (size >= kHead) {
    std::uint8_t tail[kHead];
    stream.Seek(size - kHead, TSeekOrigin::soBeginning);
    stream.ReadBuffer(tail, kHead);
    if (IsSignatureAt(tail) && abrecord::Get16(tail + 20) == 0) {
      stream.Seek(size - kHead, TSeekOrigin::soBeginning);
      return size - kHead;
    }
  }

  std::int64_t window = kFirstWindow;
  std::int64_t distance = kFirstWindow;
  std::vector<std::uint8_t> buffer;
  for (;;) {
    std::int64_t start = size - distance;
    const bool last = start <= 0;
    if (last) start = 0;
    stream.Seek(start, TSeekOrigin::soBeginning);
    buffer.resize(static_cast<std::size_t>(window));
    const auto got = static_cast<std::int64_t>(abrecord::ReadFixed(stream, buffer.data(), buffer.size()));
    if (got < kHead) return -1;

    // Only the highest signature of a window is considered.
    for (std::int64_t i = got - kHead; i >= 0; --i) {
      if (!IsSignatureAt(&buffer[static_cast<std::size_t>(i)])) continue;
      const std::int64_t commentLength = abrecord::Get16(&buffer[static_cast<std::size_t>(i) + 20]);
      const std::int64_t following = size - (start + i + kHead);
      if (commentLength <= following) {
        stream.Seek(start + i, TSeekOrigin::soBeginning);
        return start + i;
      }
      break;
    }

    if (last) break;
    if (window < largest) window = std::min(window * 2, largest);
    distance += window - kHead;
  }

  stream.Seek(startPosition, TSeekOrigin::soBeginning);
  if (span != nullptr) span->SetIgnoreSpanning(oldIgnoreSpanning);
  return -1;
}
