#include "platform/Files.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "core/Exception.h"
#include "core/FileHandle.h"
#include "core/SysError.h"
#include "platform/ReplacementName.h"

namespace platform {
namespace {

std::string Native(const String& path) {
  return ToUtf8(NativePath(path));
}

bool StatOf(const String& path, struct stat& st) {
  return ::stat(Native(path).c_str(), &st) == 0;
}
bool LstatOf(const String& path, struct stat& st) {
  return ::lstat(Native(path).c_str(), &st) == 0;
}

[[noreturn]] void RaiseCreateError(const String& target, int error) {
  throw EFCreateError(Format(SFCreateError, {target, SysErrorMessage(error)}));
}

// The directory part of a native path, with its trailing "/" ("" for a bare name).
std::string DirectoryPart(const std::string& native) {
  const size_t slash = native.find_last_of('/');
  return slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
}

}  // namespace

String NativePath(StringView path) {
  String result(path);
  for (auto& c : result)
    if (c == u'\\') c = u'/';
  return result;
}

bool IsAbsolutePath(StringView path) {
  return !path.empty() && (path[0] == u'/' || path[0] == u'\\');
}

bool IsPathSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

bool FileExists(const String& fileName) {
  struct stat st {};
  return StatOf(fileName, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const String& directory) {
  struct stat st {};
  return StatOf(directory, st) && S_ISDIR(st.st_mode);
}

void CreatePrivateFile(const String& fileName, std::string_view bytes) {
  const std::string native = Native(fileName);
  const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) RaiseCreateError(fileName, errno);
  // The mode is not left to the creation mask, which may only take bits away.
  int error = ::fchmod(fd, 0600) == 0 ? 0 : errno;
  for (std::size_t written = 0; error == 0 && written < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n > 0) written += static_cast<std::size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(native.c_str());
    RaiseCreateError(fileName, error);
  }
}

bool DeleteFile(const String& fileName) {
  return ::unlink(Native(fileName).c_str()) == 0;
}

bool RenameFile(const String& from, const String& to) {
  return ::rename(Native(from).c_str(), Native(to).c_str()) == 0;
}

std::int64_t FileSizeOf(const String& fileName) {
  struct stat st {};
  if (!StatOf(fileName, st)) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool CreateDir(const String& directory, int* windowsError) {
  if (::mkdir(Native(directory).c_str(), 0777) == 0) return true;
  if (windowsError != nullptr) {
    switch (errno) {
      case ENOENT:
      case ENOTDIR:
        *windowsError = 3;
        break;
      case EACCES:
      case EPERM:
      case EROFS:
        *windowsError = 5;
        break;
      case EEXIST:
        *windowsError = 183;
        break;
      case ENAMETOOLONG:
        *windowsError = 206;
        break;
      case ENOSPC:
        *windowsError = 112;
        break;
      default:
        *windowsError = 29;
        break;
    }
  }
  return false;
}

namespace {

TFileId IdOf(const struct stat& st) {
  return TFileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), true};
}

}  // namespace

TFileId FileIdOf(const String& path) {
  struct stat st {};
  return StatOf(path, st) ? IdOf(st) : TFileId{};
}

TPathState PathStateOf(const String& path) {
  struct stat st {};
  TPathState state;
  if (!LstatOf(path, st)) return state;
  state.UnixMode = st.st_mode & 07777;
  if (S_ISLNK(st.st_mode)) {
    state.Kind = TPathKind::pkSymLink;
  } else if (S_ISDIR(st.st_mode)) {
    state.Kind = TPathKind::pkDirectory;
  } else if (S_ISREG(st.st_mode)) {
    state.Kind = TPathKind::pkFile;
    state.ReadOnly = (st.st_mode & 0222) == 0;
    state.Size = static_cast<std::int64_t>(st.st_size);
    state.Id = IdOf(st);
  } else {
    state.Kind = TPathKind::pkOther;
  }
  return state;
}

bool IsStreamOnly(const String& path) {
  struct stat st {};
  return StatOf(path, st) && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

bool IsPrivateFile(const String& fileName) {
  struct stat st {};
  return StatOf(fileName, st) && (st.st_mode & 0077) == 0;
}

std::int32_t FileGetAttr(const String& fileName) {
  struct stat st {};
  if (!StatOf(fileName, st)) return -1;
  std::int32_t attributes = 0;
  if (S_ISDIR(st.st_mode))
    attributes |= faDirectory;
  else if (!S_ISREG(st.st_mode))
    attributes |= faSysFile;
  if ((st.st_mode & 0222) == 0) attributes |= faReadOnly;
  if (!S_ISDIR(st.st_mode)) attributes |= faArchive;
  return attributes;
}

namespace {

// The file system's time of a local date and time; false when it has none. The
// conversion looks at the time zone's file each time; the start of the last hour asked
// for is kept, since the entries of one archive mostly fall into few hours and zones
// change their offset only at the start of an hour.
bool FileTimeOf(TDateTime localTime, timespec& result) {
  const TDateTimeParts parts = DecodeDateTime(localTime);
  struct THour {
    int Year = 0, Month = 0, Day = 0, Hour = -1;
    time_t Start = 0;
  };
  static thread_local THour last;
  if (parts.Year != last.Year || parts.Month != last.Month || parts.Day != last.Day ||
      parts.Hour != last.Hour) {
    tm local{};
    local.tm_year = parts.Year - 1900;
    local.tm_mon = parts.Month - 1;
    local.tm_mday = parts.Day;
    local.tm_hour = parts.Hour;
    local.tm_isdst = -1;
    errno = 0;
    const time_t start = ::mktime(&local);
    if (start == static_cast<time_t>(-1) && errno != 0) return false;
    last = THour{parts.Year, parts.Month, parts.Day, parts.Hour, start};
  }
  result.tv_sec = last.Start + parts.Minute * 60 + parts.Second;
  result.tv_nsec = static_cast<long>(parts.Millisecond) * 1000000L;
  return true;
}

// The permission bits that the attributes give a file or folder with the given mode:
// read-only takes every write bit away, anything else gives the owner's back.
mode_t ModeWithAttributes(mode_t mode, bool directory, std::uint32_t attributes) {
  if (directory || (attributes & faReadOnly) == 0) return mode | S_IWUSR;
  return mode & ~static_cast<mode_t>(0222);
}

}  // namespace

bool FileSetAttr(const String& fileName, std::uint32_t attributes) {
  struct stat st {};
  const std::string native = Native(fileName);
  if (::stat(native.c_str(), &st) != 0) return false;
  const mode_t mode = ModeWithAttributes(st.st_mode & 07777, S_ISDIR(st.st_mode), attributes);
  if (mode == (st.st_mode & 07777)) return true;
  return ::chmod(native.c_str(), mode) == 0;
}

bool FileSetDate(const String& fileName, TDateTime localTime) {
  timespec times[2]{};
  times[0].tv_nsec = UTIME_OMIT;
  if (!FileTimeOf(localTime, times[1])) return false;
  return ::utimensat(AT_FDCWD, Native(fileName).c_str(), times, 0) == 0;
}

TDateTime FileGetDate(const String& fileName) {
  struct stat st {};
  if (!StatOf(fileName, st)) return 0;
  tm local{};
  const time_t seconds = st.st_mtim.tv_sec;
  if (::localtime_r(&seconds, &local) == nullptr) return 0;
  return UnixSecondsToDateTime(static_cast<std::int64_t>(seconds) + local.tm_gmtoff);
}

TReplacementFile::TReplacementFile(const String& target) : FTarget(target) {
  const String directory = FromUtf8(DirectoryPart(Native(target)));
  for (int attempt = 0; attempt < 100; ++attempt) {
    const String name = NewReplacementName(directory);
    int fd;
    do {
      fd = ::open(ToUtf8(name).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
      FHandle = fd;
      FTempName = name;
      return;
    }
    if (errno != EEXIST) RaiseCreateError(target, errno);
  }
  RaiseCreateError(target, EEXIST);
}

namespace {

// Files at least this large start their way to the disk as soon as they are finished;
// smaller ones are left to the one sync of their file system, which writes a great
// many small files faster than starting each on its own.
constexpr off_t kEarlyWritebackBytes = 1 << 20;

void StartWriteback(int fd, off_t size) {
#ifdef __linux__
  if (size >= kEarlyWritebackBytes) ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
  (void)fd;
  (void)size;
#endif
}

// A folder's name as the system takes it ("." for the current one).
std::string NativeFolder(const String& folder) {
  std::string native = Native(folder);
  return native.empty() ? std::string(".") : native;
}

int OpenFolder(const String& folder) {
  int fd;
  do {
    fd = ::open(NativeFolder(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

void TReplacementFile::Finish() {
  if (FHandle < 0) {
    if (FTempName.empty()) RaiseCreateError(FTarget, EBADF);
    return;
  }
  const int fd = static_cast<int>(FHandle);
  // The mode is worked out once and set on the open file, the date too: the file
  // arrives at the target complete, without further calls on its name.
  struct stat created {};
  if (::fstat(fd, &created) == 0) {
    mode_t mode = created.st_mode & 0777;
    const TPathState standing = FStandingSeen ? FStanding : PathStateOf(FTarget);
    if (standing.Kind == TPathKind::pkFile) {
      // The replacing file keeps what the old one allowed; set-id bits are not carried over.
      mode = standing.UnixMode & 0777;
    } else if (FExecuteBits != 0) {
      // Execute bits only where the creation mask left the matching read bit.
      mode |= ((mode & 0444) >> 2) & FExecuteBits;
    }
    if (FHasDateAndAttributes) mode = ModeWithAttributes(mode, false, FAttributes);
    if (mode != (created.st_mode & 0777)) ::fchmod(fd, mode);
    if (FDurable) StartWriteback(fd, created.st_size);
  }
  if (FHasDateAndAttributes) {
    timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    if (FileTimeOf(FDate, times[1])) ::futimens(fd, times);
  }
  const int closed = ::close(fd);
  FHandle = -1;
  const int closeError = errno;
  if (closed != 0) {
    Discard();
    RaiseCreateError(FTarget, closeError);
  }
}

void TReplacementFile::MakeDurable() {
  if (FTempName.empty()) RaiseCreateError(FTarget, EBADF);
  if (!FDurable || FDataOnDisk) return;
  int error = 0;
  if (FHandle >= 0) {
    if (::fdatasync(static_cast<int>(FHandle)) != 0) error = errno;
  } else {
    // Reopened by its name: the finished file holds no handle.
    const int fd = ::open(ToUtf8(FTempName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || ::fdatasync(fd) != 0) error = errno;
    if (fd >= 0) ::close(fd);
  }
  if (error != 0) {
    Discard();
    RaiseCreateError(FTarget, error);
  }
  FDataOnDisk = true;
}

void TReplacementFile::Commit(bool flushFolder) {
  Finish();
  MakeDurable();
  const std::string target = Native(FTarget);
  if (::rename(ToUtf8(FTempName).c_str(), target.c_str()) != 0) {
    const int error = errno;
    Discard();
    RaiseCreateError(FTarget, error);
  }
  FTempName.clear();
  if (FDurable && flushFolder) FlushFolders({FromUtf8(DirectoryPart(target))});
}

namespace {

// Whether the file system on the device is mounted to discard a file's blocks on the
// disk as they are freed: releasing even a small file then waits for the disk.
bool DiscardsFreedBlocks(std::uint64_t device) {
  const auto dev = static_cast<dev_t>(device);
  const std::string id = std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
  std::ifstream mounts("/proc/self/mountinfo");
  std::string line;
  while (std::getline(mounts, line)) {
    // "ID PARENT MAJOR:MINOR ROOT POINT OPTIONS [TAGS] - TYPE SOURCE SUPER-OPTIONS"
    std::istringstream fields(line);
    std::string mountId, parentId, deviceId, root, point, options;
    fields >> mountId >> parentId >> deviceId >> root >> point >> options;
    const std::size_t dash = line.find(" - ");
    if (deviceId != id || dash == std::string::npos) continue;
    std::istringstream rest(line.substr(dash + 3));
    std::string type, source, superOptions;
    rest >> type >> source >> superOptions;
    if (("," + options + "," + superOptions + ",").find(",discard,") != std::string::npos) return true;
  }
  return false;
}

}  // namespace

TReplacedFilesHold::TReplacedFilesHold(const std::vector<const TReplacementFile*>& files) {
  constexpr std::int64_t kHeldBytes = 1 << 20;
  std::map<std::uint64_t, bool> discarding;
  const auto releaseWaits = [&](const TPathState& standing) {
    if (standing.Size >= kHeldBytes) return true;
    const auto known = discarding.find(standing.Id.Volume);
    if (known != discarding.end()) return known->second;
    return discarding[standing.Id.Volume] = DiscardsFreedBlocks(standing.Id.Volume);
  };
  rlimit limit{};
  std::size_t most = 512;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0)
    most = limit.rlim_cur == RLIM_INFINITY ? 65536 : static_cast<std::size_t>(limit.rlim_cur / 2);
  for (const TReplacementFile* file : files) {
    if (FHandles.size() >= most) break;
    const TPathState* standing = file->Standing();
    if (standing != nullptr && (standing->Kind != TPathKind::pkFile || !releaseWaits(*standing))) continue;
    const std::string path = Native(file->Target());
#ifdef O_PATH
    const int fd = ::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
#endif
    if (fd >= 0) FHandles.push_back(fd);
  }
}

TReplacedFilesHold::~TReplacedFilesHold() {
  for (const std::intptr_t fd : FHandles) ::close(static_cast<int>(fd));
}

bool SyncFileSystems(const std::vector<String>& paths) {
#ifdef __linux__
  std::set<dev_t> synced;
  bool allSynced = true;
  for (const String& path : paths) {
    const int fd = OpenFolder(path);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
      allSynced = false;
    } else if (synced.insert(st.st_dev).second && ::syncfs(fd) != 0) {
      allSynced = false;
    }
    if (fd >= 0) ::close(fd);
  }
  return allSynced;
#else
  (void)paths;
  return false;
#endif
}

void FlushFolders(const std::vector<String>& folders) {
  for (const String& folder : folders) {
    const int fd = OpenFolder(folder);
    if (fd < 0) continue;
    ::fsync(fd);
    ::close(fd);
  }
}

void TReplacementFile::Discard() noexcept {
  if (FHandle >= 0) {
    ::close(static_cast<int>(FHandle));
    FHandle = -1;
  }
  if (!FTempName.empty()) {
    ::unlink(ToUtf8(FTempName).c_str());
    FTempName.clear();
  }
}

}  // namespace platform
