// Scans arbitrary HTML for META elements, from a position chosen by the first input byte,
// and feeds the header lines found to the META header fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Stream.h"
#include "http/IdHTTPHeaderInfo.h"
#include "http/IdHeaderList.h"
#include "http/IdHtmlMeta.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::int64_t length = static_cast<std::int64_t>(size - 1);
  TMemoryStream stream;
  stream.WriteBuffer(data + 1, length);
  const std::int64_t position = length == 0 ? 0 : data[0] % (length + 1);
  stream.SetPosition(position);

  TIdHeaderList lines(IdRawHeaderFoldLength);
  ScanHtmlMetaHeaders(stream, lines);
  // The scan reads the whole document and leaves the stream where it was.
  if (stream.Position() != position || stream.Size() != length) std::abort();

  TIdMetaHTTPEquiv meta;
  for (const String& line : lines.Lines()) meta.RawHeaders().Add(line);
  meta.ProcessHeaders();
  meta.CharSet();
  return 0;
}
