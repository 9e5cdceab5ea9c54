// publish in a build without the archive writer it needs: the command is named, and says so.
#include <cstdio>

#include "check/CheckCommands.h"

namespace check {

int RunPublish(const PublishArguments&) {
  std::fputs(
      "fendrel-check: \"publish\" is not available in this build; make releases with the Linux build of "
      "fendrel-check (preflight works here)\n",
      stderr);
  return 2;
}

}  // namespace check
