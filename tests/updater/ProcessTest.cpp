#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "TestPaths.h"
#include "platform/Processes.h"
#include "updater/TerminateProcessesByName.h"

namespace {

namespace fs = std::filesystem;

TEST(ExecutableMatchesTest, ComparesTheFileNameWithoutRegardToAsciiCase) {
  struct Case {
    const char16_t* exeFile;
    bool matches;
  };
  const Case cases[] = {
      {u"fendrel.exe", true},
      {u"FENDREL.EXE", true},
      {u"Fendrel.exe", true},
      {u"C:\\Programme\\Fendrel\\fendrel.exe", true},
      {u"C:fendrel.exe", true},
      {u"/opt/fendrel/fendrel.exe", true},
      {u"fendrel.exe.bak", false},
      {u"myfendrel.exe", false},
      {u"fendrel.ex", false},
      {u"fendrel.exe\\", false},
      {u"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(updater::ExecutableMatches(c.exeFile, u"fendrel.exe"), c.matches) << ToUtf8(c.exeFile);
  EXPECT_TRUE(updater::ExecutableMatches(u"fendrel.exe", u"FENDREL.exe"));
  // Only a to z are folded: an accented capital is not its small letter.
  EXPECT_FALSE(updater::ExecutableMatches(u"FENDREL.EX\u00C9", u"fendrel.ex\u00E9"));
  EXPECT_TRUE(updater::ExecutableMatches(u"FENDREL.EX\u00E9", u"fendrel.ex\u00E9"));
  EXPECT_TRUE(updater::ExecutableMatches(String(u"fendrel.exe\0junk", 16), u"fendrel.exe"));
}

// Copies of the test application under several names in a private folder.
class RunningCopies : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("fendrel-processes-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    for (const pid_t pid : children_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    fs::remove_all(dir_);
  }

  pid_t Start(const std::string& name) {
    const fs::path copy = dir_ / name;
    if (!fs::exists(copy)) fs::copy_file(kTestApplicationPath, copy);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execl(copy.c_str(), copy.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    children_.push_back(pid);
    // Wait until the child runs its own program, not the test's copy of itself.
    for (int i = 0; i < 500 && ExeOf(pid) != name; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return pid;
  }

  static std::string ExeOf(pid_t pid) {
    std::error_code ec;
    const fs::path target = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
    return ec ? std::string() : target.filename().string();
  }

  // How the child ended, waiting at most ten seconds: the signal, or 0 while it runs.
  int EndSignal(pid_t pid) {
    for (int i = 0; i < 1000; ++i) {
      int status = 0;
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        std::erase(children_, pid);
        return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
  }

  // True when the child is still running after a short look.
  bool StillRunning(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == 0;
  }

  fs::path dir_;
  std::vector<pid_t> children_;
};

TEST_F(RunningCopies, EveryMatchingCopyEndsAndOthersRunOn) {
  const pid_t lower = Start("fendrel.exe");
  const pid_t lowerToo = Start("fendrel.exe");
  const pid_t upper = Start("FENDREL.EXE");
  const pid_t mixed = Start("Fendrel.exe");
  const pid_t backup = Start("fendrel.exe.bak");
  const pid_t prefixed = Start("myfendrel.exe");
  // A file really named so is not taken for a deleted fendrel.exe.
  const pid_t marked = Start("fendrel.exe (deleted)");

  EXPECT_NE(updater::TerminateProcessesByName(u"fendrel.exe"), 0);
  for (const pid_t pid : {lower, lowerToo, upper, mixed}) EXPECT_EQ(EndSignal(pid), SIGKILL) << pid;
  EXPECT_TRUE(StillRunning(backup));
  EXPECT_TRUE(StillRunning(prefixed));
  EXPECT_TRUE(StillRunning(marked));

  // The later calls of the three find nothing.
  EXPECT_EQ(updater::TerminateProcessesByName(u"fendrel.exe"), 0);
  EXPECT_EQ(updater::TerminateProcessesByName(u"fendrel.exe"), 0);
}

// After an update has replaced the application's file, or it has been deleted, a copy that
// still runs from the old file must end all the same.
TEST_F(RunningCopies, CopiesRunningFromAReplacedOrDeletedFileEnd) {
  const pid_t replaced = Start("fendrel.exe");
  fs::copy_file(kTestApplicationPath, dir_ / "fendrel.exe.new");
  fs::rename(dir_ / "fendrel.exe.new", dir_ / "fendrel.exe");

  fs::create_directories(dir_ / "gone");
  const fs::path goneCopy = dir_ / "gone" / "fendrel.exe";
  fs::copy_file(kTestApplicationPath, goneCopy);
  const pid_t deleted = fork();
  if (deleted == 0) {
    ::execl(goneCopy.c_str(), goneCopy.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  children_.push_back(deleted);
  for (int i = 0; i < 500 && ExeOf(deleted) != "fendrel.exe"; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  fs::remove(goneCopy);

  EXPECT_NE(updater::TerminateProcessesByName(u"fendrel.exe"), 0);
  EXPECT_EQ(EndSignal(replaced), SIGKILL);
  EXPECT_EQ(EndSignal(deleted), SIGKILL);
}

// A copy that was ended but has not been reaped yet is gone as far as the calls that follow
// are concerned: they find nothing and report nothing ended.
TEST_F(RunningCopies, AnEndedCopyThatIsNotReapedYetIsNotEndedAgain) {
  const pid_t pid = Start("fendrel.exe");
  EXPECT_NE(updater::TerminateProcessesByName(u"fendrel.exe"), 0);
  // Wait until it is a zombie, without reaping it.
  siginfo_t info{};
  ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT), 0);
  EXPECT_EQ(updater::TerminateProcessesByName(u"fendrel.exe"), 0);
  EXPECT_EQ(updater::TerminateProcessesByName(u"fendrel.exe"), 0);
  for (const auto& entry : platform::ProcessSnapshot())
    EXPECT_NE(entry.ProcessId, static_cast<std::uint32_t>(pid));
  EXPECT_EQ(EndSignal(pid), SIGKILL);
}

// A process is ended only while it runs the executable the caller names: a number handed to
// another program since the process list was read is left alone.
TEST_F(RunningCopies, TerminationByIdChecksTheExecutableItStillRuns) {
  struct Case {
    const char16_t* ExeFile;
    bool Ended;
  };
  const Case cases[] = {{u"other.exe", false}, {u"FENDREL.exe", true}};
  for (const Case& c : cases) {
    const pid_t pid = Start("fendrel.exe");
    EXPECT_EQ(platform::TerminateProcessById(static_cast<std::uint32_t>(pid), 0, c.ExeFile), c.Ended)
        << ToUtf8(c.ExeFile);
    if (c.Ended)
      EXPECT_EQ(EndSignal(pid), SIGKILL);
    else
      EXPECT_TRUE(StillRunning(pid));
  }
}

// An updater deployed under the application's name ends the other copies, never itself.
TEST(TerminateOwnProcess, TheCallingProcessIsNeverEnded) {
  const std::string own = fs::read_symlink("/proc/self/exe").filename().string();
  EXPECT_EQ(updater::TerminateProcessesByName(FromUtf8(own)), 0);
  EXPECT_EQ(platform::CurrentProcessId(), static_cast<std::uint32_t>(::getpid()));
}

TEST_F(RunningCopies, NothingRunningReturnsZero) {
  const pid_t other = Start("myfendrel.exe");
  EXPECT_EQ(updater::TerminateProcessesByName(u"fendrel.exe"), 0);
  EXPECT_TRUE(StillRunning(other));
}

TEST_F(RunningCopies, SnapshotListsExecutableFileNames) {
  const pid_t pid = Start("fendrel.exe");
  bool found = false;
  for (const auto& entry : platform::ProcessSnapshot()) {
    if (entry.ProcessId == static_cast<std::uint32_t>(pid)) found = entry.ExeFile == u"fendrel.exe";
  }
  EXPECT_TRUE(found);
}

TEST_F(RunningCopies, ShellOpenStartsTheApplicationInTheWorkingDirectoryWithDontUpdate) {
  fs::copy_file(kTestApplicationPath, dir_ / "fendrel.exe");
  const fs::path record = dir_ / "arguments.txt";
  ::setenv("FENDREL_TEST_RECORD", record.c_str(), 1);
  const fs::path previous = fs::current_path();
  fs::current_path(dir_);
  const bool started = platform::ShellOpen(u"fendrel.exe", u"dontupdate");
  fs::current_path(previous);
  ::unsetenv("FENDREL_TEST_RECORD");
  ASSERT_TRUE(started);

  for (int i = 0; i < 1000 && !fs::exists(record); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::ifstream in(record);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), "dontupdate\n");  // one argument, exactly this
  while (::waitpid(-1, nullptr, WNOHANG) > 0) {
  }

  EXPECT_FALSE(platform::ShellOpen(u"no-such-program.exe", u"dontupdate"));
}

}  // namespace
