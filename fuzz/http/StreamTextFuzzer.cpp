// Decodes arbitrary bytes in the charset of a table row chosen by the first two input
// bytes. Where our own code decodes (UTF-8, UTF-16, UTF-32), text that decoded without a
// replacement character must encode back to the very same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/Stream.h"
#include "http/IdCharsets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto rows = CharsetCodePages();
  const auto& row = rows[(data[0] | (data[1] << 8)) % rows.size()];
  const String charset(row.Name);
  data += 2;
  size -= 2;

  TMemoryStream stream;
  stream.WriteBuffer(data, static_cast<std::int64_t>(size));
  stream.SetPosition(0);
  const String text = DecodeStreamText(stream, charset);

  const std::uint16_t codePage = row.CodePage;
  const bool ownDecoder =
      codePage == 65001 || codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001;
  if (ownDecoder && text.find(u'\uFFFD') == String::npos) {
    const TIdBytes bytes = EncodingForCharset(charset).GetBytes(text);
    if (bytes.size() != size || !std::equal(bytes.begin(), bytes.end(), data)) std::abort();
  }
  if (codePage == 0 && text.size() != size) std::abort();
  return 0;
}
