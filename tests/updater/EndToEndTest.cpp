#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "TestPaths.h"

namespace {

struct Outcome {
  std::string output;
  int exitCode = -1;
};

// Runs the real updater with the given interface and no input.
Outcome RunUpdater(const std::string& arguments, const std::string& ui = "console") {
  const std::string command = "FENDREL_UPDATER_UI=" + ui + " QT_QPA_PLATFORM=offscreen '" +
                              std::string(kUpdaterPath) + "' " + arguments + " </dev/null 2>&1";
  Outcome outcome;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return outcome;
  std::array<char, 4096> buffer{};
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) outcome.output.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

TEST(UpdaterProgramTest, WithoutArgumentShowsTheGateAndClosesAfterTheCountdown) {
  const Outcome outcome = RunUpdater("");
  EXPECT_EQ(outcome.output,
            "Suche nach neuer Version\n"
            "Bitte über Fendrel! starten\n"
            "Schließe Anwendung (2)\n"
            "Schließe Anwendung (1)\n"
            "Schließe Anwendung (0)\n");
  EXPECT_EQ(outcome.exitCode, 0);
}

// The same path through the real window: its activation runs the sequence, and the
// closed window ends the program.
TEST(UpdaterProgramTest, TheWindowClosesItselfAfterTheGatePath) {
  EXPECT_EQ(RunUpdater("", "qt").exitCode, 0);
}

}  // namespace
