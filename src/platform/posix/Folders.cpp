#include "platform/Folders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "core/Exception.h"
#include "core/SysError.h"

namespace platform {
namespace {

std::string Native(const String& path) {
  return ToUtf8(NativePath(path));
}

bool RemoveNative(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0;
  DIR* folder = ::opendir(path.c_str());
  if (folder == nullptr) {
    // A folder without read permission is opened once it is given back to its owner.
    ::chmod(path.c_str(), 0700);
    folder = ::opendir(path.c_str());
  }
  bool complete = folder != nullptr;
  if (folder != nullptr) {
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(folder)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(folder);
    for (const std::string& name : names) complete = RemoveNative(path + "/" + name) && complete;
  }
  return ::rmdir(path.c_str()) == 0 && complete;
}

}  // namespace

std::vector<String> FolderNames(const String& folder) {
  DIR* handle = ::opendir(Native(folder).c_str());
  if (handle == nullptr) throw EFOpenError(Format(SFOpenError, {folder, SysErrorMessage(errno)}));
  std::vector<String> names;
  errno = 0;
  while (const dirent* entry = ::readdir(handle)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(FromUtf8(name));
  }
  const int error = errno;
  ::closedir(handle);
  if (error != 0) throw EFOpenError(Format(SFOpenError, {folder, SysErrorMessage(error)}));
  return names;
}

String CreateScratchFolder(const String& prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = (base != nullptr && *base != '\0') ? base : "/tmp";
  if (pattern.back() != '/') pattern += '/';
  pattern += ToUtf8(prefix) + "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw EFCreateError(Format(SFCreateError, {FromUtf8(pattern), SysErrorMessage(errno)}));
  }
  return FromUtf8(pattern);
}

bool RemoveTree(const String& folder) {
  return RemoveNative(Native(folder));
}

}  // namespace platform
