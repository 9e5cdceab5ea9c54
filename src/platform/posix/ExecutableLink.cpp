#include "platform/posix/ExecutableLink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace platform::posix {
namespace {

constexpr char kDeletedMark[] = " (deleted)";

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

std::string ExecutablePath(const std::string& procDir) {
  const std::string link = procDir + "/exe";
  std::string target(PATH_MAX, '\0');
  const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
  if (n <= 0 || static_cast<size_t>(n) >= target.size()) return {};
  target.resize(static_cast<size_t>(n));
  if (!target.ends_with(kDeletedMark)) return target;
  // A file may really be named so: the mark is the system's only when the path with it does
  // not lead to the running file itself.
  struct stat running {};
  struct stat named {};
  if (::stat(link.c_str(), &running) == 0 && ::stat(target.c_str(), &named) == 0 &&
      SameFile(running, named)) {
    return target;
  }
  target.resize(target.size() - (sizeof kDeletedMark - 1));
  return target;
}

}  // namespace platform::posix
