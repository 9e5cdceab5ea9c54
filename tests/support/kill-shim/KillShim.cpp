// A library loaded into a child program (LD_PRELOAD) that counts the program's calls
// that write files, put them on the disk or rename them, and ends the program with
// SIGKILL at a chosen call, before that call is made:
//   FENDREL_KILL_CALL  write, fdatasync, fsync, syncfs or rename
//   FENDREL_KILL_AT    the number of that call (1 for the first)
//   FENDREL_CALL_COUNTS a file that receives "NAME COUNT" lines when the program ends
// Writes to standard output and error are not counted.
#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

enum Call { kWrite, kFdatasync, kFsync, kSyncfs, kRename, kCallCount };
const char* const kNames[kCallCount] = {"write", "fdatasync", "fsync", "syncfs", "rename"};

long counts[kCallCount];

int KillCall() {
  static const int call = [] {
    const char* name = getenv("FENDREL_KILL_CALL");
    for (int i = 0; name != nullptr && i < kCallCount; ++i)
      if (strcmp(name, kNames[i]) == 0) return i;
    return -1;
  }();
  return call;
}

long KillAt() {
  static const long at = [] {
    const char* text = getenv("FENDREL_KILL_AT");
    return text == nullptr ? 0L : atol(text);
  }();
  return at;
}

void Count(Call call) {
  ++counts[call];
  if (KillCall() == call && counts[call] == KillAt()) kill(getpid(), SIGKILL);
}

template <class F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

__attribute__((destructor)) void WriteCounts() {
  const char* file = getenv("FENDREL_CALL_COUNTS");
  if (file == nullptr) return;
  FILE* out = fopen(file, "w");
  if (out == nullptr) return;
  for (int i = 0; i < kCallCount; ++i) fprintf(out, "%s %ld\n", kNames[i], counts[i]);
  fclose(out);
}

}  // namespace

extern "C" {

ssize_t write(int fd, const void* buffer, size_t count) {
  static const auto next = Next<ssize_t (*)(int, const void*, size_t)>("write");
  if (fd > 2) Count(kWrite);
  return next(fd, buffer, count);
}

int fdatasync(int fd) {
  static const auto next = Next<int (*)(int)>("fdatasync");
  Count(kFdatasync);
  return next(fd);
}

int fsync(int fd) {
  static const auto next = Next<int (*)(int)>("fsync");
  Count(kFsync);
  return next(fd);
}

int syncfs(int fd) {
  static const auto next = Next<int (*)(int)>("syncfs");
  Count(kSyncfs);
  return next(fd);
}

int rename(const char* from, const char* to) {
  static const auto next = Next<int (*)(const char*, const char*)>("rename");
  Count(kRename);
  return next(from, to);
}
}
