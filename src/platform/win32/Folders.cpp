#include "platform/Folders.h"

#include <windows.h>

#include <random>

#include "core/Exception.h"
#include "core/SysError.h"
#include "core/win32/LongPath.h"
#include "core/win32/WideText.h"

namespace platform {
namespace {

String Joined(const String& folder, const String& name) {
  if (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) return folder + name;
  return folder + u'\\' + name;
}

bool RemoveEntry(const String& path) {
  const String system = SystemFilePath(path);
  const DWORD attributes = GetFileAttributesW(WideText(system));
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesW(WideText(system), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  // A link to a folder (a junction or a symbolic link) is removed as a folder, never entered.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return DeleteFileW(WideText(system)) != 0;
  bool complete = true;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    try {
      for (const String& name : FolderNames(path)) complete = RemoveEntry(Joined(path, name)) && complete;
    } catch (const Exception&) {
      complete = false;
    }
  }
  return RemoveDirectoryW(WideText(system)) != 0 && complete;
}

}  // namespace

std::vector<String> FolderNames(const String& folder) {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(WideText(SystemFilePath(Joined(folder, u"*"))), &found);
  if (search == INVALID_HANDLE_VALUE) {
    throw EFOpenError(Format(SFOpenError, {folder, SysErrorMessage(static_cast<int>(GetLastError()))}));
  }
  std::vector<String> names;
  do {
    const String name = FromWide(found.cFileName);
    if (name != u"." && name != u"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  const DWORD error = GetLastError();
  FindClose(search);
  if (error != ERROR_NO_MORE_FILES) {
    throw EFOpenError(Format(SFOpenError, {folder, SysErrorMessage(static_cast<int>(error))}));
  }
  return names;
}

String CreateScratchFolder(const String& prefix) {
  wchar_t base[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, base);
  if (length == 0 || length > MAX_PATH) {
    throw EFCreateError(Format(SFCreateError, {prefix, SysErrorMessage(static_cast<int>(GetLastError()))}));
  }
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  DWORD error = 0;
  String path;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::uint64_t value = generator();
    String suffix;
    for (int i = 0; i < 12; ++i, value >>= 4) suffix.push_back(kDigits[value & 0xF]);
    path = FromWide(base, length) + prefix + suffix;
    // Inherits the temporary folder's access list, which belongs to the user.
    if (CreateDirectoryW(WideText(SystemFilePath(path)), nullptr)) return path;
    error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) break;
  }
  throw EFCreateError(Format(SFCreateError, {path, SysErrorMessage(static_cast<int>(error))}));
}

bool RemoveTree(const String& folder) {
  return RemoveEntry(folder);
}

}  // namespace platform
