#include <cstdio>

#include "check/CheckCommands.h"
#include "check/FailureReport.h"
#include "core/Exception.h"

namespace check {

int RunGet(const GetArguments&) {
  // The HTTP client is not part of this build yet.
  std::fputs(FailureLines(Exception(u"Dieser Build enthält noch keinen HTTP-Client")).c_str(), stderr);
  return 1;
}

}  // namespace check
