// What the program derives from its own path and its recorded command line, the same on
// every platform.
#include <utility>
#include <vector>

#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/Program.h"

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

namespace commandline {

void Record(std::vector<String> words) {
  Arguments() = std::move(words);
  StartupDir() = CurrentDir();
}

String ProgramPathFromRecord() {
  const auto& arguments = Arguments();
  if (arguments.empty()) return {};
  // Only a path that leads to an existing file is taken for the program's own.
  const String fromCommandLine = ProgramPathFromCommandLine(arguments[0], StartupDir());
  return !fromCommandLine.empty() && FileExists(fromCommandLine) ? fromCommandLine : String();
}

}  // namespace commandline

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

String ProgramDir() {
  const String path = ProgramPath();
  const size_t delimiter = path.find_last_of(PathDelim);
  return delimiter == String::npos ? String() : path.substr(0, delimiter + 1);
}

String ApplicationTitleFromPath(StringView path) {
  const size_t slash = path.find_last_of(u"\\/");
  String name(slash == StringView::npos ? path : path.substr(slash + 1));
  const size_t dot = name.find(u'.');
  if (dot != String::npos) name.resize(dot);
  // Lower case as the system has it for file names: A to Z and the Latin-1 capitals.
  for (size_t i = 1; i < name.size(); ++i) {
    char16_t& c = name[i];
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c = static_cast<char16_t>(c + 32);
  }
  return name;
}

}  // namespace platform
