#include "updater/TerminateProcessesByName.h"

#include "platform/Processes.h"

namespace updater {

bool ExecutableMatches(StringView exeFile, StringView name) {
  // The entry holds at most 260 characters, up to the first zero.
  exeFile = exeFile.substr(0, 260);
  exeFile = exeFile.substr(0, exeFile.find(u'\0'));
  const size_t delimiter = exeFile.find_last_of(u"\\/:");
  const StringView fileName = delimiter == StringView::npos ? exeFile : exeFile.substr(delimiter + 1);
  const String wanted = UpperCaseAscii(name);
  return UpperCaseAscii(fileName) == wanted || UpperCaseAscii(exeFile) == wanted;
}

int TerminateProcessesByName(const String& name) {
  int result = 0;
  // The updater may carry the application's name; it never ends itself.
  const std::uint32_t own = platform::CurrentProcessId();
  for (const auto& entry : platform::ProcessSnapshot()) {
    if (entry.ProcessId != own && ExecutableMatches(entry.ExeFile, name)) {
      result = platform::TerminateProcessById(entry.ProcessId, 0, entry.ExeFile) ? 1 : 0;
    }
  }
  return result;
}

}  // namespace updater
