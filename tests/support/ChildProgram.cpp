#include "support/ChildProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

extern char** environ;

namespace testsupport {
namespace {

// A file in the temporary folder, removed from the folder at once and closed by the
// object: the descriptor alone keeps it.
class ScratchFile {
 public:
  ScratchFile() {
    char name[] = "/tmp/fendrel-child-XXXXXX";
    FDescriptor = ::mkostemp(name, O_CLOEXEC);
    if (FDescriptor >= 0) ::unlink(name);
  }
  ~ScratchFile() {
    if (FDescriptor >= 0) ::close(FDescriptor);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  int Descriptor() const { return FDescriptor; }

  std::string ReadAll() const {
    std::string all;
    char buffer[65536];
    off_t offset = 0;
    for (;;) {
      const ssize_t n = ::pread(FDescriptor, buffer, sizeof buffer, offset);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return all;
      all.append(buffer, static_cast<std::size_t>(n));
      offset += n;
    }
  }

 private:
  int FDescriptor = -1;
};

// Waits for the child's end within the time-out: on a process descriptor where the
// system has them, else by looking again every few milliseconds.
bool WaitForEnd(pid_t pid, int timeoutMilliseconds, int& status) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
#ifdef SYS_pidfd_open
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  const int pidfd = -1;
#endif
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      if (pidfd >= 0) ::close(pidfd);
      return true;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    if (left <= 0) break;
    if (pidfd >= 0) {
      pollfd p{pidfd, POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(left));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  if (pidfd >= 0) ::close(pidfd);
  return false;
}

// A pseudo-terminal whose terminal side becomes a child's standard error, passing the bytes
// unchanged; a thread collects what arrives on the other side.
class ErrorTerminal {
 public:
  ErrorTerminal() {
    FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0 || ::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0) return;
    const char* name = ::ptsname(FMaster);
    if (name == nullptr) return;
    FTerminal = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FTerminal < 0) return;
    termios settings{};
    if (::tcgetattr(FTerminal, &settings) == 0) {
      ::cfmakeraw(&settings);
      ::tcsetattr(FTerminal, TCSANOW, &settings);
    }
    FReader = std::thread([this] { Collect(); });
  }
  ~ErrorTerminal() {
    FStop = true;
    if (FReader.joinable()) FReader.join();
    if (FTerminal >= 0) ::close(FTerminal);
    if (FMaster >= 0) ::close(FMaster);
  }
  ErrorTerminal(const ErrorTerminal&) = delete;
  ErrorTerminal& operator=(const ErrorTerminal&) = delete;

  bool Ready() const { return FTerminal >= 0; }
  int Terminal() const { return FTerminal; }
  // Everything the terminal received until now, once the writers are done.
  std::string Finish() {
    FStop = true;
    if (FReader.joinable()) FReader.join();
    return FReceived;
  }

 private:
  void Collect() {
    char buffer[4096];
    for (;;) {
      pollfd p{FMaster, POLLIN, 0};
      const int ready = ::poll(&p, 1, 20);
      if (ready > 0 && (p.revents & POLLIN) != 0) {
        const ssize_t n = ::read(FMaster, buffer, sizeof buffer);
        if (n > 0) {
          FReceived.append(buffer, static_cast<std::size_t>(n));
          continue;
        }
      }
      // Stops once nothing more is waiting after the stop was asked for.
      if (FStop && ready <= 0) return;
      if (ready < 0 && errno != EINTR) return;
    }
  }

  int FMaster = -1;
  int FTerminal = -1;
  std::atomic<bool> FStop{false};
  std::string FReceived;
  std::thread FReader;
};

}  // namespace

ProgramRun RunProgram(const ProgramCall& call) {
  ProgramRun run;
  ScratchFile input, out, err;
  if (input.Descriptor() < 0 || out.Descriptor() < 0 || err.Descriptor() < 0) return run;
  std::unique_ptr<ErrorTerminal> terminal;
  if (call.ErrorToTerminal) {
    terminal = std::make_unique<ErrorTerminal>();
    if (!terminal->Ready()) return run;
  }
  const int errorTarget = terminal ? terminal->Terminal() : err.Descriptor();
  if (!call.Input.empty() && ::write(input.Descriptor(), call.Input.data(), call.Input.size()) !=
                                 static_cast<ssize_t>(call.Input.size())) {
    return run;
  }

  // Everything the child needs is made before the fork: only async-signal-safe calls follow.
  std::vector<std::string> argumentTexts{call.Program};
  argumentTexts.insert(argumentTexts.end(), call.Arguments.begin(), call.Arguments.end());
  std::vector<char*> argv;
  for (std::string& a : argumentTexts) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<std::string> environmentTexts;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& [key, value] : call.Environment) replaced = replaced || key == name;
    if (!replaced) environmentTexts.push_back(entry);
  }
  for (const auto& [key, value] : call.Environment) environmentTexts.push_back(key + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : environmentTexts) envp.push_back(e.data());
  envp.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid < 0) return run;
  if (pid == 0) {
    ::lseek(input.Descriptor(), 0, SEEK_SET);
    ::dup2(input.Descriptor(), STDIN_FILENO);
    ::dup2(out.Descriptor(), STDOUT_FILENO);
    ::dup2(errorTarget, STDERR_FILENO);
    if (!call.WorkingDirectory.empty() && ::chdir(call.WorkingDirectory.c_str()) != 0) ::_exit(126);
    ::execve(call.Program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }

  int status = 0;
  if (!WaitForEnd(pid, call.TimeoutMilliseconds, status)) {
    run.TimedOut = true;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  if (WIFEXITED(status)) run.ExitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.Signal = WTERMSIG(status);
  run.Out = out.ReadAll();
  run.Err = terminal ? terminal->Finish() : err.ReadAll();
  return run;
}

}  // namespace testsupport
