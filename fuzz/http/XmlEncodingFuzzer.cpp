// Detects the charset of arbitrary XML bodies, read whole and a few bytes at a time, and
// decodes the body with what was found.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Stream.h"
#include "http/IdCharsets.h"

namespace {

class TTrickleStream final : public TMemoryStream {
 public:
  std::int64_t Read(void* buffer, std::int64_t count) override {
    return TMemoryStream::Read(buffer, std::min<std::int64_t>(count, 3));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto length = static_cast<std::int64_t>(size);
  TMemoryStream whole;
  whole.WriteBuffer(data, length);
  whole.SetPosition(0);
  const String charset = ResponseTextCharset(u"application/xml", u"ISO-8859-1", u"", whole);
  // The position only ever moves past a byte-order mark, and never past the end.
  const std::int64_t position = whole.Position();
  if (position < 0 || position > 4 || position > length) std::abort();

  TTrickleStream slow;
  slow.WriteBuffer(data, length);
  slow.SetPosition(length / 2);
  const String again = DetectXmlEncoding(slow);
  if (again != charset) std::abort();
  if (slow.Position() != std::min(length, length / 2 + position)) std::abort();

  DecodeStreamText(whole, charset);
  if (whole.Position() != length) std::abort();
  return 0;
}
