// The process list through Toolhelp and termination with exit code 0: a copy of this test
// program, renamed, stands for the running application.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "core/win32/WideText.h"
#include "platform/Processes.h"
#include "support/TempDirectory.h"
#include "updater/TerminateProcessesByName.h"

namespace {

constexpr char kChildVariable[] = "FENDREL_WIN32_CHILD";

// Run in the copy only: stays until it is ended (bounded, so a lost copy goes away).
TEST(Win32Child, StaysUntilEnded) {
  if (std::getenv(kChildVariable) == nullptr) GTEST_SKIP() << "only the started copy runs this";
  Sleep(60000);
}

std::wstring OwnPath() {
  wchar_t buffer[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return buffer;
}

HANDLE StartCopy(const std::filesystem::path& exe) {
  std::wstring commandLine = L"\"" + exe.wstring() + L"\" --gtest_filter=Win32Child.StaysUntilEnded";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  SetEnvironmentVariableA(kChildVariable, "1");
  const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                      nullptr, nullptr, &startup, &info);
  SetEnvironmentVariableA(kChildVariable, nullptr);
  if (!started) return nullptr;
  CloseHandle(info.hThread);
  return info.hProcess;
}

TEST(Win32Processes, TheSnapshotListsThisProgramByItsFileName) {
  const String own = FromWide(OwnPath().c_str());
  const String name = own.substr(own.find_last_of(u"\\/") + 1);
  bool found = false;
  for (const auto& entry : platform::ProcessSnapshot()) {
    if (entry.ProcessId == GetCurrentProcessId()) {
      found = true;
      EXPECT_TRUE(updater::ExecutableMatches(entry.ExeFile, name)) << ToUtf8(entry.ExeFile);
    }
  }
  EXPECT_TRUE(found);
}

TEST(Win32Processes, EveryCopyIsEndedWithExitCodeZeroWhateverTheLetterCase) {
  TTempDirectory dir;
  const auto exe = dir.Path() / "Fendrel.EXE";
  ASSERT_TRUE(CopyFileW(OwnPath().c_str(), exe.wstring().c_str(), FALSE));
  const HANDLE first = StartCopy(exe);
  const HANDLE second = StartCopy(exe);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  // Both copies are in the list as soon as they were created.
  EXPECT_EQ(updater::TerminateProcessesByName(u"fendrel.exe"), 1);
  for (const HANDLE process : {first, second}) {
    ASSERT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process);
  }
  EXPECT_EQ(updater::TerminateProcessesByName(u"fendrel.exe"), 0);
  EXPECT_EQ(updater::TerminateProcessesByName(u"fendrel"), 0);
}

// An updater deployed under the application's name ends the other copies, never itself; and a
// process is ended only while it still runs the executable the process list named.
TEST(Win32Processes, TheCallerIsSparedAndOnlyTheListedExecutableIsEnded) {
  const String own = FromWide(OwnPath().c_str());
  EXPECT_EQ(updater::TerminateProcessesByName(own.substr(own.find_last_of(u"\\/") + 1)), 0);

  TTempDirectory dir;
  const auto exe = dir.Path() / "Fendrel.exe";
  ASSERT_TRUE(CopyFileW(OwnPath().c_str(), exe.wstring().c_str(), FALSE));
  const HANDLE copy = StartCopy(exe);
  ASSERT_NE(copy, nullptr);
  const DWORD id = GetProcessId(copy);
  EXPECT_FALSE(platform::TerminateProcessById(id, 0, u"other.exe"));
  EXPECT_EQ(WaitForSingleObject(copy, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(platform::TerminateProcessById(id, 0, u"FENDREL.EXE"));
  EXPECT_EQ(WaitForSingleObject(copy, 20000), WAIT_OBJECT_0);
  CloseHandle(copy);
}

}  // namespace
