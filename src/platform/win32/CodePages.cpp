// Code pages through the system's own conversion tables. The pages 20127 (7-bit ASCII),
// 28591 (ISO-8859-1) and 65001 (UTF-8) are decoded by the system's own rules, the same
// on every platform, so that bytes outside a page's range always give U+FFFD.
#include "platform/CodePages.h"

#include <windows.h>

#include <climits>

#include "platform/OwnCodePages.h"

namespace platform {
namespace {

std::uint32_t Resolve(std::uint32_t codePage) {
  if (codePage == kSystemAnsiCodePage) return AnsiCodePage();
  if (codePage == kSystemOemCodePage) return OemCodePage();
  return codePage;
}

// The UTF-16 pages are decoded above this layer; the system has no table for them here.
bool IsUnicodePage(std::uint32_t codePage) {
  return codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001;
}

bool IsSystemPage(std::uint32_t codePage) {
  return !IsUnicodePage(codePage) && IsValidCodePage(codePage) != FALSE;
}

// Pages whose conversions take no flags (the stateful and the Unicode-derived ones).
bool TakesNoFlags(std::uint32_t codePage) {
  return (codePage >= 50220 && codePage <= 50229) || codePage == 52936 || codePage == 54936 ||
         (codePage >= 57002 && codePage <= 57011) || codePage == 65000 || codePage == 42;
}

}  // namespace

std::uint32_t AnsiCodePage() {
  return GetACP();
}
std::uint32_t OemCodePage() {
  return GetOEMCP();
}

bool IsCodePageSupported(std::uint32_t codePage) {
  codePage = Resolve(codePage);
  return ownpages::IsOwnPage(codePage) || IsSystemPage(codePage);
}

bool CodePageToUnicode(std::uint32_t codePage, std::string_view bytes, String& result) {
  result.clear();
  codePage = Resolve(codePage);
  if (ownpages::IsOwnPage(codePage)) {
    ownpages::Decode(codePage, bytes, result);
    return true;
  }
  if (!IsSystemPage(codePage)) return false;
  if (bytes.empty()) return true;
  // The system counts in int: input it cannot count is not converted.
  if (bytes.size() > INT_MAX / 2) return false;
  const int size = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  if (needed <= 0) return false;
  result.resize(static_cast<std::size_t>(needed));
  MultiByteToWideChar(codePage, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(result.data()), needed);
  return true;
}

bool UnicodeToCodePage(std::uint32_t codePage, StringView text, std::string& result) {
  result.clear();
  codePage = Resolve(codePage);
  if (ownpages::IsOwnPage(codePage)) {
    ownpages::Encode(codePage, text, result);
    return true;
  }
  if (!IsSystemPage(codePage)) return false;
  if (text.empty()) return true;
  // Every character the page cannot hold becomes "?", never a look-alike from a best-fit
  // table; an unpaired surrogate is such a character too. A character beyond U+FFFF in a
  // page that holds none becomes one "?" (the system would write one for each half).
  const bool holdsSupplementary = codePage == 54936 || codePage == 65000;
  String checked;
  checked.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      if (holdsSupplementary) {
        checked += text[i];
        checked += text[i + 1];
      } else {
        checked += u'?';
      }
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      checked += u'?';
    } else {
      checked += text[i];
    }
  }
  const bool noFlags = TakesNoFlags(codePage);
  const DWORD flags = noFlags ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = noFlags ? nullptr : "?";
  const auto* wide = reinterpret_cast<const wchar_t*>(checked.data());
  if (checked.size() > INT_MAX / 4) return false;
  const int size = static_cast<int>(checked.size());
  const int needed = WideCharToMultiByte(codePage, flags, wide, size, nullptr, 0, fallback, nullptr);
  if (needed <= 0) return false;
  result.resize(static_cast<std::size_t>(needed));
  WideCharToMultiByte(codePage, flags, wide, size, result.data(), needed, fallback, nullptr);
  return true;
}

}  // namespace platform
