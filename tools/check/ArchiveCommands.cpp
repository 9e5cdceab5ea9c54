#include <cstdio>

#include "check/CheckCommands.h"
#include "check/FailureReport.h"
#include "core/Exception.h"

namespace check {
namespace {

int Unavailable() {
  // The ZIP reader is not part of this build yet: no archive can be opened.
  std::fputs(FailureLines(Exception(u"Dieser Build enthält noch keinen Entpacker")).c_str(), stderr);
  return 2;
}

}  // namespace

int RunList(const ArchiveArguments&) {
  return Unavailable();
}
int RunTest(const ArchiveArguments&) {
  return Unavailable();
}
int RunExtract(const ArchiveArguments&) {
  return Unavailable();
}

}  // namespace check
