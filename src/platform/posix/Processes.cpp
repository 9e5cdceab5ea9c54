#include "platform/Processes.h"

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/posix/ExecutableLink.h"

extern char** environ;

namespace platform {
namespace {

// The file name of a process's executable: the last component of its exe link (as the
// file was when the process started, also when it has been replaced or deleted since), or
// its command name when the link cannot be read (another user's process).
String ExecutableFileName(const std::string& pidText) {
  const std::string base = "/proc/" + pidText;
  const std::string path = posix::ExecutablePath(base);
  if (!path.empty()) return FromUtf8(path.substr(path.find_last_of('/') + 1));
  std::ifstream comm(base + "/comm");
  std::string name;
  std::getline(comm, name);
  return FromUtf8(name);
}

// Whether the process has ended or is ending: a zombie not reaped yet, one on its way out,
// or one with a kill pending. Such a process no longer runs and is not listed.
bool HasEnded(const std::string& pidText) {
  const std::string base = "/proc/" + pidText;
  std::ifstream statFile(base + "/stat");
  std::string stat;
  std::getline(statFile, stat);
  const size_t nameEnd = stat.rfind(')');
  if (nameEnd == std::string::npos) return true;  // gone while being looked at
  std::istringstream fields(stat.substr(nameEnd + 1));
  std::string state;
  std::string skipped;
  unsigned long flags = 0;
  fields >> state >> skipped >> skipped >> skipped >> skipped >> skipped >> flags;
  if (state == "Z" || state == "X" || state == "x") return true;
  constexpr unsigned long kExiting = 0x4;  // the kernel's flag of a task that is exiting
  if ((flags & kExiting) != 0) return true;

  std::ifstream status(base + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (!line.starts_with("SigPnd:") && !line.starts_with("ShdPnd:")) continue;
    const unsigned long long pending = std::strtoull(line.c_str() + 7, nullptr, 16);
    if ((pending >> (SIGKILL - 1)) & 1) return true;
  }
  return false;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Resolves a bare file name as the shell does: the current directory first, then the
// search path. A name with a delimiter is taken as it stands.
std::string ResolveProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  if (IsExecutableFile("./" + name)) return "./" + name;
  const char* path = std::getenv("PATH");
  std::string rest = path != nullptr ? path : "";
  size_t start = 0;
  while (start <= rest.size()) {
    const size_t end = rest.find(':', start);
    const std::string dir = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return {};
}

}  // namespace

std::vector<ProcessEntry> ProcessSnapshot() {
  std::vector<ProcessEntry> entries;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return entries;
  while (const dirent* entry = ::readdir(proc)) {
    const std::string name = entry->d_name;
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    const unsigned long pid = std::strtoul(name.c_str(), nullptr, 10);
    if (pid == 0 || pid > UINT32_MAX) continue;
    if (HasEnded(name)) continue;
    entries.push_back({static_cast<std::uint32_t>(pid), ExecutableFileName(name)});
  }
  ::closedir(proc);
  return entries;
}

std::uint32_t CurrentProcessId() {
  return static_cast<std::uint32_t>(::getpid());
}

// A signal cannot carry an exit code: the process ends by SIGKILL, at once and
// without a chance to react, which is what termination means here.
bool TerminateProcessById(std::uint32_t processId, std::uint32_t, const String& exeFile) {
  if (processId == 0 || processId > static_cast<std::uint32_t>(INT_MAX)) return false;
  if (!exeFile.empty() &&
      UpperCaseAscii(ExecutableFileName(std::to_string(processId))) != UpperCaseAscii(exeFile))
    return false;
  return ::kill(static_cast<pid_t>(processId), SIGKILL) == 0;
}

bool ShellOpen(const String& fileName, const String& parameters) {
  const std::string program = ResolveProgram(ToUtf8(fileName));
  if (program.empty()) return false;
  std::string argument0 = program;
  std::string argument1 = ToUtf8(parameters);
  char* argv[] = {argument0.data(), parameters.empty() ? nullptr : argument1.data(), nullptr};

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // A new session, so that the program outlives the updater and its terminal.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGCHLD);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  pid_t child = 0;
  const int result = posix_spawn(&child, program.c_str(), nullptr, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  return result == 0;
}

}  // namespace platform
