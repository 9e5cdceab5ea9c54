#include "core/SysError.h"

#include <windows.h>

#include "core/win32/WideText.h"

namespace {

String SystemText(DWORD error, DWORD language) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, language, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return {};
  String text = FromWide(buffer, length);
  LocalFree(buffer);
  // The system ends its texts with a line break (and often a full stop before it).
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' '))
    text.pop_back();
  return text;
}

}  // namespace

String SysErrorMessage(int error) {
  const auto code = static_cast<DWORD>(error);
  String text = SystemText(code, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
  if (text.empty()) text = SystemText(code, 0);
  return text;
}
