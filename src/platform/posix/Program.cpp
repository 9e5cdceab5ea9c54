#include "platform/Program.h"

#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

namespace platform {
namespace {

std::vector<String>& Arguments() {
  static std::vector<String> arguments;
  return arguments;
}

}  // namespace

void InitCommandLine(int argc, char** argv) {
  auto& arguments = Arguments();
  arguments.clear();
  for (int i = 0; i < argc; ++i) arguments.push_back(FromUtf8(argv[i]));
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

String ProgramPath() {
  std::string buffer(PATH_MAX, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0) return Arguments().empty() ? String() : Arguments()[0];
  buffer.resize(static_cast<size_t>(n));
  return FromUtf8(buffer);
}

String ProgramDir() {
  const String path = ProgramPath();
  return path.substr(0, path.find_last_of(PathDelim) + 1);
}

String CurrentDir() {
  std::string buffer(PATH_MAX, '\0');
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return {};
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return FromUtf8(buffer);
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
