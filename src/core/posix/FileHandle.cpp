#include "core/FileHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/SysError.h"

namespace filehandle {
namespace {

thread_local int lastError = 0;

int AccessFlags(std::uint16_t mode) {
  switch (mode & 0x0003) {
    case fmOpenWrite:
      return O_WRONLY;
    case fmOpenReadWrite:
      return O_RDWR;
    default:
      return O_RDONLY;
  }
}

std::intptr_t OpenWith(const String& fileName, int flags) {
  int fd;
  do {
    fd = ::open(ToUtf8(fileName).c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    lastError = errno;
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    lastError = EISDIR;
    return -1;
  }
  return fd;
}

}  // namespace

// Sharing modes are not enforced: POSIX has only advisory locks, which other
// programs need not honour, so every file is opened as if shared with everyone.
std::intptr_t Open(const String& fileName, std::uint16_t mode) {
  return OpenWith(fileName, AccessFlags(mode));
}

std::intptr_t Create(const String& fileName, std::uint16_t) {
  return OpenWith(fileName, O_RDWR | O_CREAT | O_TRUNC);
}

std::intptr_t CreatePrivate(const String& directory) {
  const std::string folder = directory.empty() ? std::string(".") : ToUtf8(directory);
  int fd;
#ifdef O_TMPFILE
  // A file that never had a name: nobody can open it, and the system frees it with the
  // last handle, also when the process is killed.
  do {
    fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) return fd;
  // File systems without unnamed files answer EOPNOTSUPP; kernels that predate them
  // EISDIR or EINVAL. Any other failure (no such folder, no permission) is final.
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
    lastError = errno;
    return -1;
  }
#endif
  // Otherwise a fresh name, readable by the owner only, taken away at once.
  std::string path = folder + "/.fendrel-private-XXXXXX";
  fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0) {
    lastError = errno;
    return -1;
  }
  if (::unlink(path.c_str()) != 0) {
    lastError = errno;
    ::close(fd);
    return -1;
  }
  return fd;
}

std::int64_t Read(std::intptr_t handle, void* buffer, std::int64_t count) {
  auto* out = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(static_cast<int>(handle), out + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      lastError = errno;
      return done > 0 ? done : -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::int64_t Write(std::intptr_t handle, const void* buffer, std::int64_t count) {
  const auto* in = static_cast<const char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(static_cast<int>(handle), in + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      lastError = errno;
      return done > 0 ? done : -1;
    }
    done += n;
  }
  return done;
}

std::int64_t Seek(std::intptr_t handle, std::int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  const off_t result = ::lseek(static_cast<int>(handle), static_cast<off_t>(offset), whence);
  if (result < 0) lastError = errno;
  return result;
}

bool Truncate(std::intptr_t handle, std::int64_t size) {
  if (::ftruncate(static_cast<int>(handle), static_cast<off_t>(size)) == 0) return true;
  lastError = errno;
  return false;
}

void Close(std::intptr_t handle) {
  ::close(static_cast<int>(handle));
}

String LastErrorMessage() {
  return SysErrorMessage(lastError);
}

}  // namespace filehandle
