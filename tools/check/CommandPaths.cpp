#include "check/CommandPaths.h"

#include "platform/Files.h"
#include "platform/Program.h"

namespace check {

String AbsolutePath(const std::string& argument) {
  const String path = FromUtf8(argument);
  if (platform::IsAbsolutePath(path)) return path;
  return PathBelow(platform::CurrentDir(), path);
}

String PathBelow(const String& folder, const String& name) {
  if (folder.empty() || platform::IsPathSeparator(folder.back())) return folder + name;
  return folder + platform::PathDelim + name;
}

}  // namespace check
