#ifndef FENDREL_PLATFORM_CODEPAGES_H
#define FENDREL_PLATFORM_CODEPAGES_H

#include <cstdint>
#include <string>
#include <string_view>

#include "core/String.h"

namespace platform {

// The numbers that name the system's own ANSI and OEM code pages (Windows' CP_ACP and
// CP_OEMCP; named apart from the system header's macros). On POSIX the ANSI code page is
// 1252 and the OEM code page 850, as on a German Windows; Windows tells its own.
inline constexpr std::uint32_t kSystemAnsiCodePage = 0;
inline constexpr std::uint32_t kSystemOemCodePage = 1;
std::uint32_t AnsiCodePage();
std::uint32_t OemCodePage();

// True when bytes of this code page can be decoded on this system (kSystemAnsiCodePage and
// kSystemOemCodePage name the system's own pages).
bool IsCodePageSupported(std::uint32_t codePage);

// Decodes bytes of a Windows code page into UTF-16. Bytes that are invalid or
// incomplete in that page decode to U+FFFD (in 7-bit ASCII, 20127, a byte above 127
// too); on Windows, in the pages the system decodes, to the page's own default character
// as the system gives it (U+30FB in 932). Returns false, leaving result empty, when the code page is not
// supported.
bool CodePageToUnicode(std::uint32_t codePage, std::string_view bytes, String& result);

// Encodes UTF-16 text into a Windows code page. A character the page cannot hold, and
// an unpaired surrogate, is written as "?". Returns false, leaving result empty, when
// the code page is not supported.
bool UnicodeToCodePage(std::uint32_t codePage, StringView text, std::string& result);

}  // namespace platform

#endif
