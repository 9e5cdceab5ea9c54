#ifndef FENDREL_PLATFORM_CODEPAGES_H
#define FENDREL_PLATFORM_CODEPAGES_H

#include <cstdint>
#include <string>
#include <string_view>

#include "core/String.h"

namespace platform {

// Windows code page numbers. The system's ANSI code page is 1252 and its OEM code
// page 850, as on a German Windows.
inline constexpr std::uint32_t CP_ACP = 0;
inline constexpr std::uint32_t CP_OEMCP = 1;
std::uint32_t AnsiCodePage();
std::uint32_t OemCodePage();

// True when bytes of this code page can be decoded on this system (CP_ACP and
// CP_OEMCP name the system's own pages).
bool IsCodePageSupported(std::uint32_t codePage);

// Decodes bytes of a Windows code page into UTF-16. Bytes that are invalid or
// incomplete in that page decode to U+FFFD (in 7-bit ASCII, 20127, a byte above 127
// too). Returns false, leaving result empty, when the code page is not supported.
bool CodePageToUnicode(std::uint32_t codePage, std::string_view bytes, String& result);

// Encodes UTF-16 text into a Windows code page. A character the page cannot hold, and
// an unpaired surrogate, is written as "?". Returns false, leaving result empty, when
// the code page is not supported.
bool UnicodeToCodePage(std::uint32_t codePage, StringView text, std::string& result);

}  // namespace platform

#endif
