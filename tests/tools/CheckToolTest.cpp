// The real fendrel-check binary, run as a publisher's script runs it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ToolPaths.h"
#include "support/ChildProgram.h"

namespace {

using testsupport::ProgramRun;

ProgramRun Check(std::vector<std::string> arguments, std::string workingDirectory = {}) {
  testsupport::ProgramCall call;
  call.Program = kCheckToolPath;
  call.Arguments = std::move(arguments);
  call.WorkingDirectory = std::move(workingDirectory);
  call.TimeoutMilliseconds = 30000;
  return testsupport::RunProgram(call);
}

TEST(CheckToolTest, HelpGoesToStandardOutputAndListsTheCommands) {
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{"--help"}, {"extract", "a.zip", "--help"}}) {
    const ProgramRun run = Check(arguments);
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Err, "");
    for (const char* command : {"\n  get URL", "\n  list ARCHIVE", "\n  test ARCHIVE",
                                "\n  extract ARCHIVE DIR", "\n  keygen SECRET PUBLIC",
                                "\n  sign ARCHIVE SECRET VERSION", "\n  verify ARCHIVE PUBLIC [VERSION]",
                                "\n  publish FOLDER VERSION", "\n  preflight BASEURL INSTALLED"}) {
      EXPECT_NE(run.Out.find(command), std::string::npos) << command;
    }
  }
}

TEST(CheckToolTest, AWrongCallExitsWithTwoAndTheUsageOnStandardError) {
  const std::vector<std::vector<std::string>> calls = {{},
                                                       {"get"},
                                                       {"get", "http://127.0.0.1:1/", "--deadline=5"},
                                                       {"unzip", "a.zip"},
                                                       {"list", "a.zip", "b.zip"}};
  for (const auto& arguments : calls) {
    const ProgramRun run = Check(arguments);
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err.rfind("fendrel-check: ", 0), 0u) << run.Err;
    EXPECT_NE(run.Err.find("\nUsage: fendrel-check"), std::string::npos);
  }
  // The offending argument is escaped like every line of the tool.
  const ProgramRun hostile = Check({"get", "u", "--x\x1b[2J\n"});
  EXPECT_NE(hostile.Err.find("unknown option \"--x\\x1b[2J\\n\""), std::string::npos) << hostile.Err;
}

}  // namespace
