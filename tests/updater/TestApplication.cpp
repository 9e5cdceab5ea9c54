// A stand-in for the application: copies of it, named fendrel.exe and the like, are
// started by the tests. It records its arguments in the file FENDREL_TEST_RECORD names
// (when set); started with "dontupdate" it then exits, otherwise it waits until it is
// ended. An alarm ends it after a minute in any case, so no copy outlives a test.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  alarm(60);
  bool dontUpdate = false;
  std::string record;
  for (int i = 1; i < argc; ++i) {
    record += argv[i];
    record += '\n';
    dontUpdate = dontUpdate || std::strcmp(argv[i], "dontupdate") == 0;
  }
  if (const char* path = std::getenv("FENDREL_TEST_RECORD")) {
    const std::string partial = std::string(path) + ".part";
    if (FILE* f = std::fopen(partial.c_str(), "wb")) {
      std::fwrite(record.data(), 1, record.size(), f);
      std::fclose(f);
      std::rename(partial.c_str(), path);
    }
  }
  if (dontUpdate) return 0;
  for (;;) pause();
}
