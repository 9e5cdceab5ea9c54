#include "platform/Program.h"

#include <windows.h>
// After the system's main header, which it builds on.
#include <shellapi.h>

#include <utility>
#include <vector>

#include "core/win32/WideText.h"
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/win32/SystemLibrary.h"

namespace platform {

void RestrictLibrarySearch() {
  win32::RestrictLibrarySearch();
}

// The arguments are read from the system's own UTF-16 command line, split by the system's
// rules, so no character is lost to the ANSI code page of the narrow arguments.
void InitCommandLine(int, char**) {
  std::vector<String> arguments;
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (words != nullptr) {
    for (int i = 0; i < count; ++i) arguments.push_back(FromWide(words[i]));
    LocalFree(words);
  }
  commandline::Record(std::move(arguments));
}

String EnvironmentVariable(const char16_t* name) {
  const auto* wideName = reinterpret_cast<const wchar_t*>(name);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetEnvironmentVariableW(wideName, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    // Too small: the length asked for counts the terminating zero.
    if (length < buffer.size()) return FromWide(buffer.data(), length);
    buffer.resize(length);
  }
}

bool StandardErrorIsTerminal() {
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  return error != nullptr && error != INVALID_HANDLE_VALUE && GetFileType(error) == FILE_TYPE_CHAR &&
         GetConsoleMode(error, &mode) != 0;
}

String ProgramPathFromCommandLine(StringView argument0, StringView startupDir) {
  if (argument0.find_first_of(u"\\/") == StringView::npos) return {};
  if (IsAbsolutePath(argument0)) return String(argument0);
  if (!IsAbsolutePath(startupDir)) return {};
  String path(startupDir);
  if (!IsPathSeparator(path.back())) path += PathDelim;
  return path + String(argument0);
}

String ProgramPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) break;
    if (length < buffer.size()) return FromWide(buffer.data(), length);
    if (buffer.size() >= 32768) break;
    buffer.resize(buffer.size() * 2);
  }
  return commandline::ProgramPathFromRecord();
}

String CurrentDir() {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return {};
  std::vector<wchar_t> buffer(needed);
  const DWORD length = GetCurrentDirectoryW(needed, buffer.data());
  return length == 0 || length >= needed ? String() : FromWide(buffer.data(), length);
}

String StateDirectory() {
  String base = EnvironmentVariable(u"LOCALAPPDATA");
  if (base.empty()) {
    const String profile = EnvironmentVariable(u"USERPROFILE");
    if (profile.empty()) return {};
    base = profile + u"\\AppData\\Local";
  }
  while (base.size() > 3 && (base.back() == u'\\' || base.back() == u'/')) base.pop_back();
  return base + u"\\Fendrel";
}

}  // namespace platform
