// fendrel-check: a publisher's view of an update server and of update archives, as the
// updater sees them. The interface is fixed so that scripts can rely on it; see the
// usage text.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "check/CheckArguments.h"
#include "check/CheckCommands.h"
#include "check/FailureReport.h"
#include "check/LineEscape.h"
#include "platform/Program.h"

int main(int argc, char** argv) {
  platform::RestrictLibrarySearch();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  check::Invocation invocation;
  try {
    invocation = check::ParseCheckArguments(arguments);
  } catch (const check::UsageError& e) {
    const std::string line = "fendrel-check: " + check::EscapeLine(FromUtf8(e.what())) + "\n\n";
    std::fputs(line.c_str(), stderr);
    std::fputs(check::UsageText(), stderr);
    return 2;
  }
  try {
    switch (invocation.What) {
      case check::Action::Help:
        std::fputs(check::UsageText(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
      case check::Action::Get:
        return check::RunGet(invocation.Get);
      case check::Action::List:
        return check::RunList(invocation.Archive);
      case check::Action::Test:
        return check::RunTest(invocation.Archive);
      case check::Action::Extract:
        return check::RunExtract(invocation.Archive);
      case check::Action::Keygen:
        return check::RunKeygen(invocation.Signature);
      case check::Action::Sign:
        return check::RunSign(invocation.Signature);
      case check::Action::Verify:
        return check::RunVerify(invocation.Signature);
      case check::Action::Publish:
        return check::RunPublish(invocation.Publish);
      case check::Action::Preflight:
        return check::RunPreflight(invocation.Preflight);
    }
  } catch (const std::exception& e) {
    // Whatever a command did not expect stops it as a whole.
    check::WriteFailure(e);
  }
  return 2;
}
