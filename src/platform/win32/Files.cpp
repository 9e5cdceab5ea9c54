#include "platform/Files.h"

#include <windows.h>

#include "platform/ReplacementName.h"
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "core/Exception.h"
#include "core/SysError.h"
#include "core/win32/LongPath.h"
#include "core/win32/WideText.h"

// The system's header names its wide function DeleteFile; the platform's own is meant here.
#undef DeleteFile

namespace platform {
namespace {

DWORD AttributesOf(const String& path) {
  return GetFileAttributesW(WideText(SystemFilePath(path)));
}

[[noreturn]] void RaiseCreateError(const String& target, DWORD error) {
  throw EFCreateError(Format(SFCreateError, {target, SysErrorMessage(static_cast<int>(error))}));
}

// The directory part of a path, with its trailing separator ("" for a bare name).
String DirectoryPart(const String& path) {
  const size_t separator = path.find_last_of(u"\\/:");
  return separator == String::npos ? String() : path.substr(0, separator + 1);
}

// A handle that reads only a file's identity and times; links and directories included.
class TInfoHandle {
 public:
  TInfoHandle(const String& path, DWORD access)
      : FHandle(CreateFileW(WideText(SystemFilePath(path)), access,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
  ~TInfoHandle() {
    if (Valid()) CloseHandle(FHandle);
  }
  TInfoHandle(const TInfoHandle&) = delete;
  TInfoHandle& operator=(const TInfoHandle&) = delete;
  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return FHandle; }

 private:
  HANDLE FHandle;
};

}  // namespace

String NativePath(StringView path) {
  return String(path);
}

// Absolute: a drive with its root ("C:\"), a path from the current drive's root ("\"),
// or a network path ("\\server\share"). A drive without root ("C:name") is relative to
// that drive's current directory and counts as absolute too, since it never stays below
// the directory it is combined with.
bool IsAbsolutePath(StringView path) {
  if (path.empty()) return false;
  if (IsPathSeparator(path[0])) return true;
  const char16_t c = path[0];
  return path.size() >= 2 && path[1] == u':' && ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'));
}

bool IsPathSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

bool FileExists(const String& fileName) {
  const DWORD attributes = AttributesOf(fileName);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const String& directory) {
  const DWORD attributes = AttributesOf(directory);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {

// The text form of the user the process runs as; empty when it cannot be read.
std::wstring ProcessUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  std::wstring text;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  LPWSTR sid = nullptr;
  if (size != 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
    text = sid;
    LocalFree(sid);
  }
  CloseHandle(token);
  return text;
}

}  // namespace

void CreatePrivateFile(const String& fileName, std::string_view bytes) {
  // Full access for the process's user alone; nothing inherited from the folder.
  const std::wstring user = ProcessUserSid();
  if (user.empty()) RaiseCreateError(fileName, GetLastError());
  const std::wstring descriptorText = L"D:P(A;;FA;;;" + user + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(descriptorText.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    RaiseCreateError(fileName, GetLastError());
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const HANDLE handle = CreateFileW(WideText(SystemFilePath(fileName)), GENERIC_WRITE, 0, &attributes,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD openError = GetLastError();
  LocalFree(descriptor);
  if (handle == INVALID_HANDLE_VALUE) RaiseCreateError(fileName, openError);
  DWORD error = 0;
  for (std::size_t written = 0; error == 0 && written < bytes.size();) {
    DWORD n = 0;
    if (!WriteFile(handle, bytes.data() + written, static_cast<DWORD>(bytes.size() - written), &n, nullptr))
      error = GetLastError();
    written += n;
  }
  if (error == 0 && !FlushFileBuffers(handle)) error = GetLastError();
  CloseHandle(handle);
  if (error != 0) {
    DeleteFileW(WideText(SystemFilePath(fileName)));
    RaiseCreateError(fileName, error);
  }
}

bool IsPrivateFile(const String& fileName) {
  PSID owner = nullptr;
  PACL access = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(WideText(fileName), SE_FILE_OBJECT,
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr, &access,
                            nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  PSID self = nullptr;
  const std::wstring user = ProcessUserSid();
  if (!user.empty()) ConvertStringSidToSidW(user.c_str(), &self);
  // Without an access list everyone may do everything.
  bool alone = access != nullptr;
  for (DWORD i = 0; alone && i < access->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(access, i, &entry)) {
      alone = false;
      break;
    }
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    if ((allowed->Mask & (FILE_READ_DATA | GENERIC_READ | GENERIC_ALL | MAXIMUM_ALLOWED)) == 0) continue;
    const PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if ((owner != nullptr && EqualSid(sid, owner)) || (self != nullptr && EqualSid(sid, self)) ||
        IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid))
      continue;
    alone = false;
  }
  if (self != nullptr) LocalFree(self);
  LocalFree(descriptor);
  return alone;
}

bool DeleteFile(const String& fileName) {
  return DeleteFileW(WideText(SystemFilePath(fileName))) != FALSE;
}

bool RenameFile(const String& from, const String& to) {
  return MoveFileExW(WideText(SystemFilePath(from)), WideText(SystemFilePath(to)),
                     MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::int64_t FileSizeOf(const String& fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(WideText(SystemFilePath(fileName)), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool CreateDir(const String& directory, int* windowsError) {
  if (CreateDirectoryW(WideText(SystemFilePath(directory)), nullptr)) return true;
  if (windowsError != nullptr) *windowsError = static_cast<int>(GetLastError());
  return false;
}

// The attributes tell the kind, the read-only bit and the size; the identity needs a
// handle, which FileIdOf opens.
TPathState PathStateOf(const String& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  TPathState state;
  if (!GetFileAttributesExW(WideText(SystemFilePath(path)), GetFileExInfoStandard, &data)) return state;
  const DWORD attributes = data.dwFileAttributes;
  const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  state.UnixMode = readOnly ? 0444 : 0644;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    state.Kind = TPathKind::pkSymLink;
  } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    state.Kind = TPathKind::pkDirectory;
    state.UnixMode = 0755;
  } else if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
    state.Kind = TPathKind::pkOther;
  } else {
    state.Kind = TPathKind::pkFile;
    state.ReadOnly = readOnly;
    state.Size =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  }
  return state;
}

bool IsStreamOnly(const String&) {
  return false;
}

TFileId FileIdOf(const String& path) {
  const TInfoHandle handle(path, 0);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!handle.Valid() || !GetFileInformationByHandle(handle.Get(), &info)) return TFileId{};
  return TFileId{info.dwVolumeSerialNumber,
                 (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow, true};
}

std::int32_t FileGetAttr(const String& fileName) {
  const DWORD attributes = AttributesOf(fileName);
  if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
  return static_cast<std::int32_t>(attributes);
}

// Read-only, hidden, system and archive are set as given; a directory keeps its
// directory bit and never becomes read-only (which would mean something else for it).
bool FileSetAttr(const String& fileName, std::uint32_t attributes) {
  const DWORD current = AttributesOf(fileName);
  if (current == INVALID_FILE_ATTRIBUTES) return false;
  DWORD wanted = attributes & (faReadOnly | faHidden | faSysFile | faArchive);
  if ((current & FILE_ATTRIBUTE_DIRECTORY) != 0) wanted &= ~static_cast<DWORD>(faReadOnly);
  if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
  return SetFileAttributesW(WideText(SystemFilePath(fileName)), wanted) != FALSE;
}

namespace {

// The file system's time of a local date and time; false when it has none.
bool FileTimeOf(TDateTime localTime, FILETIME& result) {
  const TDateTimeParts parts = DecodeDateTime(localTime);
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(parts.Year);
  local.wMonth = static_cast<WORD>(parts.Month);
  local.wDay = static_cast<WORD>(parts.Day);
  local.wHour = static_cast<WORD>(parts.Hour);
  local.wMinute = static_cast<WORD>(parts.Minute);
  local.wSecond = static_cast<WORD>(parts.Second);
  local.wMilliseconds = static_cast<WORD>(parts.Millisecond);
  SYSTEMTIME universal{};
  return TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal) &&
         SystemTimeToFileTime(&universal, &result);
}

}  // namespace

bool FileSetDate(const String& fileName, TDateTime localTime) {
  FILETIME written{};
  if (!FileTimeOf(localTime, written)) return false;
  const TInfoHandle file(fileName, FILE_WRITE_ATTRIBUTES);
  return file.Valid() && SetFileTime(file.Get(), nullptr, nullptr, &written);
}

TDateTime FileGetDate(const String& fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(WideText(SystemFilePath(fileName)), GetFileExInfoStandard, &data)) return 0;
  SYSTEMTIME universal{};
  SYSTEMTIME local{};
  if (!FileTimeToSystemTime(&data.ftLastWriteTime, &universal) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
    return 0;
  TDateTime date = 0;
  TDateTime time = 0;
  if (!TryEncodeDate(local.wYear, local.wMonth, local.wDay, date) ||
      !TryEncodeTime(local.wHour, local.wMinute, local.wSecond, 0, time))
    return 0;
  return date + time;
}

TReplacementFile::TReplacementFile(const String& target) : FTarget(target) {
  const String directory = DirectoryPart(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const String name = NewReplacementName(directory);
    // Nobody else may open the file while it is written.
    const HANDLE handle = CreateFileW(WideText(SystemFilePath(name)), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      FHandle = reinterpret_cast<std::intptr_t>(handle);
      FTempName = name;
      return;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) RaiseCreateError(target, error);
  }
  RaiseCreateError(target, ERROR_FILE_EXISTS);
}

void TReplacementFile::Finish() {
  if (FHandle < 0) {
    if (FTempName.empty()) RaiseCreateError(FTarget, ERROR_INVALID_HANDLE);
    return;
  }
  FILETIME written{};
  if (FHasDateAndAttributes && FileTimeOf(FDate, written))
    SetFileTime(reinterpret_cast<HANDLE>(FHandle), nullptr, nullptr, &written);
  const BOOL closed = CloseHandle(reinterpret_cast<HANDLE>(FHandle));
  FHandle = -1;
  if (!closed) {
    const DWORD error = GetLastError();
    Discard();
    RaiseCreateError(FTarget, error);
  }
}

// The finished file is opened again by its name and its buffers are flushed: the system
// has no way to start that early and wait for it later.
void TReplacementFile::MakeDurable() {
  if (FTempName.empty()) RaiseCreateError(FTarget, ERROR_INVALID_HANDLE);
  if (!FDurable || FDataOnDisk) return;
  DWORD error = ERROR_SUCCESS;
  if (FHandle >= 0) {
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(FHandle))) error = GetLastError();
  } else {
    const HANDLE handle = CreateFileW(WideText(SystemFilePath(FTempName)), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      error = GetLastError();
    } else {
      if (!FlushFileBuffers(handle)) error = GetLastError();
      CloseHandle(handle);
    }
  }
  if (error != ERROR_SUCCESS) {
    Discard();
    RaiseCreateError(FTarget, error);
  }
  FDataOnDisk = true;
}

// The rename replaces a file standing at the target, or a link itself (never what it
// points to). A target that a running program holds open, or that is read-only, is not
// replaced: the move fails and the target stays as it was. A durable file's move is
// written through, so that the folder's entry is on the disk when the call returns.
void TReplacementFile::Commit(bool) {
  Finish();
  MakeDurable();
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | (FDurable ? MOVEFILE_WRITE_THROUGH : 0);
  if (!MoveFileExW(WideText(SystemFilePath(FTempName)), WideText(SystemFilePath(FTarget)), flags)) {
    const DWORD error = GetLastError();
    Discard();
    RaiseCreateError(FTarget, error);
  }
  FTempName.clear();
  // A read-only attribute is given only once the file stands at its place.
  if (FHasDateAndAttributes) FileSetAttr(FTarget, FAttributes);
}

TReplacedFilesHold::TReplacedFilesHold(const std::vector<const TReplacementFile*>&) {}

TReplacedFilesHold::~TReplacedFilesHold() = default;

// No call syncs a whole volume for a program without administrator rights: each file
// is flushed on its own.
bool SyncFileSystems(const std::vector<String>&) {
  return false;
}

void FlushFolders(const std::vector<String>&) {}

void TReplacementFile::Discard() noexcept {
  if (FHandle >= 0) {
    CloseHandle(reinterpret_cast<HANDLE>(FHandle));
    FHandle = -1;
  }
  if (!FTempName.empty()) {
    DeleteFileW(WideText(SystemFilePath(FTempName)));
    FTempName.clear();
  }
}

}  // namespace platform
