// Looks up arbitrary charset names: the answer never depends on the case of ASCII letters,
// and every answer gives an encoding that decodes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "http/IdCharsets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Pairs of bytes as UTF-16 code units, so names may hold any character.
  String name;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    name.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  const std::uint16_t codePage = CodePageForCharset(name);
  if (CodePageForCharset(UpperCaseAscii(name)) != codePage) std::abort();
  if (CodePageForCharset(LowerCaseAscii(name)) != codePage) std::abort();
  const TIdTextEncoding& encoding = EncodingForCharset(name);
  if (&EncodingForCharset(UpperCaseAscii(name)) != &encoding) std::abort();
  const String text = encoding.GetString(data, size);
  encoding.GetBytes(text);
  return 0;
}
