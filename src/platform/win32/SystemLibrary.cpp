#include "platform/win32/SystemLibrary.h"

#include <string>

namespace platform::win32 {

HMODULE LoadSystemLibrary(const wchar_t* name, DWORD* error) {
  DWORD previousMode = 0;
  const bool modeSet =
      SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode) != FALSE;
  HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  DWORD failure = module == nullptr ? GetLastError() : ERROR_SUCCESS;
  if (module == nullptr && failure == ERROR_INVALID_PARAMETER) {
    // A system without the search flags (Windows 7 without its loader update): the full
    // path in the system folder leaves nothing to search.
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      const std::wstring path = std::wstring(folder, length) + L"\\" + name;
      module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
      failure = module == nullptr ? GetLastError() : ERROR_SUCCESS;
    }
  }
  if (modeSet) SetThreadErrorMode(previousMode, nullptr);
  if (error != nullptr) *error = failure;
  return module;
}

void RestrictLibrarySearch() {
  using SetDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return;
  const auto setDirectories = reinterpret_cast<SetDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDirectories != nullptr) setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace platform::win32
