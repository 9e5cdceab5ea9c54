#include "core/win32/LongPath.h"

#include <windows.h>

#include <vector>

#include "core/win32/WideText.h"

String SystemFilePath(const String& path) {
  constexpr std::size_t kShortEnough = MAX_PATH - 12;
  if (path.size() < kShortEnough) return path;
  if (path.starts_with(u"\\\\?\\") || path.starts_with(u"\\\\.\\")) return path;
  std::vector<wchar_t> full(path.size() + MAX_PATH);
  for (;;) {
    const DWORD length =
        GetFullPathNameW(WideText(path), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) {
      const String resolved = FromWide(full.data(), length);
      if (resolved.starts_with(u"\\\\")) return u"\\\\?\\UNC\\" + resolved.substr(2);
      return u"\\\\?\\" + resolved;
    }
    full.resize(length);
  }
}
