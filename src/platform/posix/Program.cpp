#include "platform/Program.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/CommandLine.h"
#include "platform/posix/ExecutableLink.h"

namespace platform {

void RestrictLibrarySearch() {}

void InitCommandLine(int argc, char** argv) {
  std::vector<String> words;
  for (int i = 0; i < argc; ++i) words.push_back(FromUtf8(argv[i]));
  commandline::Record(std::move(words));
}

String EnvironmentVariable(const char16_t* name) {
  const char* value = std::getenv(ToUtf8(name).c_str());
  return value != nullptr ? FromUtf8(value) : String();
}

bool StandardErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

String ProgramPathFromCommandLine(StringView argument0, StringView startupDir) {
  if (argument0.find(PathDelim) == StringView::npos) return {};
  if (argument0.front() == PathDelim) return String(argument0);
  if (startupDir.empty() || startupDir.front() != PathDelim) return {};
  String path(startupDir);
  if (path.back() != PathDelim) path += PathDelim;
  return path + String(argument0);
}

String ProgramPath() {
  const std::string path = posix::ExecutablePath("/proc/self");
  if (!path.empty()) return FromUtf8(path);
  return commandline::ProgramPathFromRecord();
}

String CurrentDir() {
  std::string buffer(PATH_MAX, '\0');
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return {};
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return FromUtf8(buffer);
}

String StateDirectory() {
  String base = EnvironmentVariable(u"XDG_STATE_HOME");
  if (base.empty() || base.front() != u'/') {
    const String home = EnvironmentVariable(u"HOME");
    if (home.empty() || home.front() != u'/') return {};
    base = home + u"/.local/state";
  }
  while (base.size() > 1 && base.back() == u'/') base.pop_back();
  return base + u"/fendrel";
}

}  // namespace platform
