#include "core/FileHandle.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "core/SysError.h"
#include "core/win32/LongPath.h"
#include "core/win32/WideText.h"

namespace filehandle {
namespace {

thread_local DWORD lastError = 0;

DWORD Access(std::uint16_t mode) {
  switch (mode & 0x0003) {
    case fmOpenWrite:
      return GENERIC_WRITE;
    case fmOpenReadWrite:
      return GENERIC_READ | GENERIC_WRITE;
    default:
      return GENERIC_READ;
  }
}

// What other processes may do with the file while this handle is open: the compatible
// and the exclusive mode share nothing, "deny write" lets others read, "deny read" lets
// them write, "deny none" lets them do both (deleting and renaming included, as a reader
// that keeps nothing out should).
DWORD Sharing(std::uint16_t mode) {
  switch (mode & 0x00F0) {
    case fmShareDenyWrite:
      return FILE_SHARE_READ;
    case fmShareDenyRead:
      return FILE_SHARE_WRITE;
    case fmShareDenyNone:
      return FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    default:
      return 0;
  }
}

std::intptr_t OpenWith(const String& fileName, DWORD access, DWORD sharing, DWORD disposition) {
  const HANDLE handle = CreateFileW(WideText(SystemFilePath(fileName)), access, sharing, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    lastError = GetLastError();
    return -1;
  }
  return reinterpret_cast<std::intptr_t>(handle);
}

HANDLE Native(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

std::intptr_t Open(const String& fileName, std::uint16_t mode) {
  return OpenWith(fileName, Access(mode), Sharing(mode), OPEN_EXISTING);
}

std::intptr_t Create(const String& fileName, std::uint16_t mode) {
  return OpenWith(fileName, GENERIC_READ | GENERIC_WRITE, Sharing(mode), CREATE_ALWAYS);
}

std::intptr_t CreatePrivate(const String& directory) {
  // A fresh name each try: CREATE_NEW never takes over a file that exists. Shared with
  // nobody, so no other opener gets at it, and deleted when the handle closes, which the
  // system does also for a process that was ended.
  static std::atomic<std::uint32_t> counter{0};
  const String folder = directory.empty() ? String(u".") : directory;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const String name = folder + u"\\~fendrel-" + IntToStr(GetCurrentProcessId()) + u"-" +
                        IntToStr(static_cast<std::int64_t>(GetTickCount64())) + u"-" + IntToStr(counter++) +
                        u".tmp";
    const HANDLE handle =
        CreateFileW(WideText(name), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return reinterpret_cast<std::intptr_t>(handle);
    lastError = GetLastError();
    if (lastError != ERROR_FILE_EXISTS && lastError != ERROR_ALREADY_EXISTS) return -1;
  }
  return -1;
}

std::int64_t Read(std::intptr_t handle, void* buffer, std::int64_t count) {
  auto* out = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::int64_t>(count - done, 1 << 30));
    DWORD n = 0;
    if (!ReadFile(Native(handle), out + done, chunk, &n, nullptr)) {
      lastError = GetLastError();
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
    const DWORD chunk = static_cast<DWORD>(std::min<std::int64_t>(count - done, 1 << 30));
    DWORD n = 0;
    if (!WriteFile(Native(handle), in + done, chunk, &n, nullptr) || n == 0) {
      lastError = GetLastError();
      return done > 0 ? done : -1;
    }
    done += n;
  }
  return done;
}

std::int64_t Seek(std::intptr_t handle, std::int64_t offset, TSeekOrigin origin) {
  const DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                       : origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                          : FILE_END;
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  LARGE_INTEGER position{};
  if (!SetFilePointerEx(Native(handle), distance, &position, method)) {
    lastError = GetLastError();
    return -1;
  }
  return position.QuadPart;
}

bool Truncate(std::intptr_t handle, std::int64_t size) {
  LARGE_INTEGER current{};
  LARGE_INTEGER zero{};
  LARGE_INTEGER target{};
  target.QuadPart = size;
  if (!SetFilePointerEx(Native(handle), zero, &current, FILE_CURRENT) ||
      !SetFilePointerEx(Native(handle), target, nullptr, FILE_BEGIN) || !SetEndOfFile(Native(handle))) {
    lastError = GetLastError();
    return false;
  }
  SetFilePointerEx(Native(handle), current, nullptr, FILE_BEGIN);
  return true;
}

void Close(std::intptr_t handle) {
  CloseHandle(Native(handle));
}

String LastErrorMessage() {
  return SysErrorMessage(static_cast<int>(lastError));
}

}  // namespace filehandle
