#ifndef FENDREL_TESTS_SUPPORT_RUNNINGEXECUTABLE_H
#define FENDREL_TESTS_SUPPORT_RUNNINGEXECUTABLE_H

#include <filesystem>

#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

// The path of the running test program as the system has it, taken independently of the
// platform layer so that tests can check what the layer reports.
inline std::filesystem::path RunningExecutable() {
#ifdef _WIN32
  std::vector<wchar_t> buffer(32768);
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::filesystem::path(std::wstring(buffer.data(), length));
#else
  return std::filesystem::read_symlink("/proc/self/exe");
#endif
}

#endif
