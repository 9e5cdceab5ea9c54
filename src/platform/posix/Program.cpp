#include "platform/Program.h"

#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/posix/ExecutableLink.h"

namespace platform {
namespace {

std::vector<String>& Arguments() {
  static std::vector<String> arguments;
  return arguments;
}

// The working directory when the command line was recorded.
String& StartupDir() {
  static String directory;
  return directory;
}

}  // namespace

void InitCommandLine(int argc, char** argv) {
  auto& arguments = Arguments();
  arguments.clear();
  for (int i = 0; i < argc; ++i) arguments.push_back(FromUtf8(argv[i]));
  StartupDir() = CurrentDir();
}

String ParamStr(int index) {
  if (index == 0) return ProgramPath();
  const auto& arguments = Arguments();
  if (index < 0 || static_cast<size_t>(index) >= arguments.size()) return {};
  return arguments[static_cast<size_t>(index)];
}

int ParamCount() {
  const auto size = Arguments().size();
  return size == 0 ? 0 : static_cast<int>(size) - 1;
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
  const auto& arguments = Arguments();
  if (arguments.empty()) return {};
  // Only a path that leads to an existing file is taken for the program's own.
  const String fromCommandLine = ProgramPathFromCommandLine(arguments[0], StartupDir());
  return !fromCommandLine.empty() && FileExists(fromCommandLine) ? fromCommandLine : String();
}

String CurrentDir() {
  std::string buffer(PATH_MAX, '\0');
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return {};
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return FromUtf8(buffer);
}

}  // namespace platform
