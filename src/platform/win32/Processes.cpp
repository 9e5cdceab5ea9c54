#include "platform/Processes.h"

#include <windows.h>
// After the system's main header, which they build on.
#include <shellapi.h>
#include <tlhelp32.h>

#include <vector>

#include "core/win32/WideText.h"
#include "platform/win32/MainWindow.h"

namespace platform {
namespace {

using CreateSnapshotFunction = HANDLE(WINAPI*)(DWORD, DWORD);
using ProcessWalkFunction = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32W*);

// The snapshot functions, looked up by name in the kernel library: a system without them
// has an empty process list.
struct TToolhelp {
  CreateSnapshotFunction CreateSnapshot = nullptr;
  ProcessWalkFunction First = nullptr;
  ProcessWalkFunction Next = nullptr;

  bool Available() const { return CreateSnapshot != nullptr && First != nullptr && Next != nullptr; }
};

template <typename F>
F Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const TToolhelp& Toolhelp() {
  static const TToolhelp functions = [] {
    TToolhelp found;
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return found;
    found.CreateSnapshot = Lookup<CreateSnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
    found.First = Lookup<ProcessWalkFunction>(kernel, "Process32FirstW");
    found.Next = Lookup<ProcessWalkFunction>(kernel, "Process32NextW");
    return found;
  }();
  return functions;
}

// Whether the process's image file has the name, compared as the file system compares names.
bool RunsExecutable(HANDLE process, const String& exeFile) {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD length = static_cast<DWORD>(path.size());
    if (QueryFullProcessImageNameW(process, 0, path.data(), &length)) {
      std::size_t start = length;
      while (start > 0 && path[start - 1] != L'\\' && path[start - 1] != L'/') --start;
      return CompareStringOrdinal(path.data() + start, static_cast<int>(length - start), WideText(exeFile),
                                  static_cast<int>(exeFile.size()), TRUE) == CSTR_EQUAL;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || path.size() >= 32768) return false;
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::vector<ProcessEntry> ProcessSnapshot() {
  std::vector<ProcessEntry> entries;
  const TToolhelp& toolhelp = Toolhelp();
  if (!toolhelp.Available()) return entries;
  const HANDLE snapshot = toolhelp.CreateSnapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return entries;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL found = toolhelp.First(snapshot, &entry); found; found = toolhelp.Next(snapshot, &entry)) {
    // The name is at most 260 characters up to its first zero.
    std::size_t length = 0;
    while (length < MAX_PATH && entry.szExeFile[length] != L'\0') ++length;
    entries.push_back({entry.th32ProcessID, FromWide(entry.szExeFile, length)});
  }
  CloseHandle(snapshot);
  return entries;
}

std::uint32_t CurrentProcessId() {
  return GetCurrentProcessId();
}

bool TerminateProcessById(std::uint32_t processId, std::uint32_t exitCode, const String& exeFile) {
  const HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return false;
  // The open handle holds the process: what it runs now is what would be ended.
  if (!exeFile.empty() && !RunsExecutable(process, exeFile)) {
    CloseHandle(process);
    return false;
  }
  const BOOL terminated = TerminateProcess(process, exitCode);
  CloseHandle(process);
  return terminated != FALSE;
}

bool ShellOpen(const String& fileName, const String& parameters) {
  const HINSTANCE result =
      ShellExecuteW(win32::MainWindowHandle(), L"open", WideText(fileName),
                    parameters.empty() ? nullptr : WideText(parameters), nullptr, SW_SHOWNORMAL);
  // Values above 32 mean the program was started.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace platform
