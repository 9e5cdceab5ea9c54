// What the program derives from its own path, the same on every platform.
#include "platform/Program.h"

namespace platform {

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
