// The demo application: it stands for "Fendrel!" in the main command and in the
// updater's end-to-end tests. Each build carries one version number.
//
//   fendrel.exe --version   prints the version and exits
//   fendrel.exe [ARGS...]   records itself and stays running until it is ended
//
// The record is one line appended to the file that FENDREL_DEMO_RECORD names (else
// fendrel-runs.txt in the working directory): the process id, the version and each
// argument, separated by tabs. FENDREL_DEMO_LIFETIME (seconds) bounds how long a copy
// runs, so a test that loses track of a copy never leaves it behind for long.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#ifndef FENDREL_DEMO_VERSION
#error "FENDREL_DEMO_VERSION must name the version of this build"
#endif

namespace {

constexpr char kVersion[] = FENDREL_DEMO_VERSION;
#ifdef _WIN32
constexpr int kRecordFlags = O_WRONLY | O_CREAT | O_APPEND | O_BINARY;
#else
constexpr int kRecordFlags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC;
#endif

bool Record(const std::string& line) {
  const char* path = std::getenv("FENDREL_DEMO_RECORD");
  if (path == nullptr || path[0] == '\0') path = "fendrel-runs.txt";
  const int fd = ::open(path, kRecordFlags, 0644);
  if (fd < 0) return false;
  // One write of the whole line, so lines of copies started together never mix.
  const bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  return ::close(fd) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s\n", kVersion);
    return 0;
  }

#ifdef SIGPIPE
  // The first line is all it writes; a reader that went away must not end it.
  ::signal(SIGPIPE, SIG_IGN);
#endif
  long lifetime = 0;
  if (const char* text = std::getenv("FENDREL_DEMO_LIFETIME")) lifetime = std::strtol(text, nullptr, 10);

  std::string line = std::to_string(::getpid()) + '\t' + kVersion;
  std::string shown;
  for (int i = 1; i < argc; ++i) {
    line += '\t';
    line += argv[i];
    shown += ' ';
    shown += argv[i];
  }
  line += '\n';
  if (!Record(line)) {
    std::fprintf(stderr, "fendrel.exe: cannot record this start: %s\n", std::strerror(errno));
    return 1;
  }
  // It announces itself on a terminal only: where its output is caught, the record says it all.
  if (::isatty(STDOUT_FILENO) == 1) {
    std::printf("Fendrel! %s is running (process %ld, arguments:%s)\n", kVersion,
                static_cast<long>(::getpid()), shown.empty() ? " none" : shown.c_str());
    std::fflush(stdout);
  }

  if (lifetime > 0) {
    std::this_thread::sleep_for(std::chrono::seconds(lifetime));
    return 0;
  }
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
