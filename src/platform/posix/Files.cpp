#include "platform/Files.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool FileExists(const String& fileName) {
  struct stat st {};
  return ::stat(ToUtf8(fileName).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const String& directory) {
  struct stat st {};
  return ::stat(ToUtf8(directory).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(const String& fileName) {
  return ::unlink(ToUtf8(fileName).c_str()) == 0;
}

}  // namespace platform
