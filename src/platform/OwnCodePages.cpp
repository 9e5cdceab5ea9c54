#include "platform/OwnCodePages.h"

namespace platform::ownpages {

bool IsOwnPage(std::uint32_t codePage) {
  return codePage == 20127 || codePage == 28591 || codePage == 65001;
}

void Decode(std::uint32_t codePage, std::string_view bytes, String& result) {
  switch (codePage) {
    case 20127:
      result.resize(bytes.size());
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        result[i] = byte < 0x80 ? static_cast<char16_t>(byte) : kReplacement;
      }
      return;
    case 28591:
      result = FromLatin1(bytes);
      return;
    default:
      result = FromUtf8(bytes);
      return;
  }
}

void Encode(std::uint32_t codePage, StringView text, std::string& result) {
  if (codePage == 65001) {
    result = ToUtf8(text);
    return;
  }
  const char16_t limit = codePage == 20127 ? 0x80 : 0x100;
  result.resize(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    result[i] = text[i] < limit ? static_cast<char>(text[i]) : '?';
}

}  // namespace platform::ownpages
