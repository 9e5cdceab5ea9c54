#ifndef FENDREL_PLATFORM_OWNCODEPAGES_H
#define FENDREL_PLATFORM_OWNCODEPAGES_H

#include <cstdint>
#include <string>
#include <string_view>

#include "core/String.h"

// The code pages the system converts by its own rules on every platform: 20127 (7-bit
// ASCII: a byte above 127 decodes to U+FFFD), 28591 (ISO-8859-1) and 65001 (UTF-8).
// Characters a page cannot hold are written as "?".
namespace platform::ownpages {

inline constexpr char16_t kReplacement = u'\uFFFD';

bool IsOwnPage(std::uint32_t codePage);
void Decode(std::uint32_t codePage, std::string_view bytes, String& result);
void Encode(std::uint32_t codePage, StringView text, std::string& result);

}  // namespace platform::ownpages

#endif
