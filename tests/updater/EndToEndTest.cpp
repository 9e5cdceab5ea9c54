#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "TestPaths.h"
#include "support/TempDirectory.h"

namespace {

struct Outcome {
  std::string output;  // standard output
  std::string errors;  // standard error
  int exitCode = -1;
};

// Runs the real updater with no input. environment is put before the command as it stands
// (assignments, or "env -u NAME ..."); the update server is a closed port on this machine.
Outcome RunUpdaterWith(const std::string& environment, const std::string& arguments) {
  const std::filesystem::path errorsFile =
      std::filesystem::temp_directory_path() / ("fendrel-end-to-end-" + std::to_string(::getpid()) + ".err");
  // The update log goes to a folder of the test's own.
  const TTempDirectory state;
  const std::string command = environment + " FENDREL_UPDATE_URL=http://127.0.0.1:1/ XDG_STATE_HOME='" +
                              state.Path().string() + "' '" + std::string(kUpdaterPath) + "' " + arguments +
                              " </dev/null 2>'" + errorsFile.string() + "'";
  Outcome outcome;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return outcome;
  std::array<char, 4096> buffer{};
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) outcome.output.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream errors(errorsFile);
  std::stringstream text;
  text << errors.rdbuf();
  outcome.errors = text.str();
  std::filesystem::remove(errorsFile);
  return outcome;
}

// Runs the real updater with the given interface and no input.
Outcome RunUpdater(const std::string& arguments, const std::string& ui = "console") {
  return RunUpdaterWith("FENDREL_UPDATER_UI=" + ui + " QT_QPA_PLATFORM=offscreen", arguments);
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

// Asked for the window where none can be opened, the program says so in one line and ends
// with exit code 1 instead of aborting with the toolkit's own text.
TEST(UpdaterProgramTest, TheWindowAskedForWithoutADisplayFailsWithOneClearLine) {
#ifndef FENDREL_TESTS_WITH_QT
  GTEST_SKIP() << "this build has no window";
#endif
  const char* const environments[] = {
      "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM FENDREL_UPDATER_UI=qt",
      "env -u DISPLAY -u WAYLAND_DISPLAY FENDREL_UPDATER_UI=qt QT_QPA_PLATFORM=no-such-platform",
  };
  for (const char* environment : environments) {
    const Outcome outcome = RunUpdaterWith(environment, "1.4");
    EXPECT_EQ(outcome.exitCode, 1) << environment;
    EXPECT_EQ(outcome.errors,
              "Fendrel! Update: Das Fenster kann nicht geöffnet werden, weil keine Anzeige erreichbar ist "
              "(FENDREL_UPDATER_UI=console verwendet die Konsole).\n")
        << environment;
    EXPECT_EQ(outcome.output, "") << environment;
  }
}

// A value of FENDREL_UPDATER_UI that is not understood is named, and the console is used.
TEST(UpdaterProgramTest, AnUnknownInterfaceIsNamedAndTheConsoleIsUsed) {
  const Outcome outcome =
      RunUpdaterWith("FENDREL_UPDATER_UI=window DISPLAY=:0 QT_QPA_PLATFORM=offscreen", "1.4");
  EXPECT_EQ(
      outcome.errors.substr(0, outcome.errors.find('\n') + 1),
      "Fendrel! Update: FENDREL_UPDATER_UI=\"window\" ist kein bekannter Wert (console oder qt); die Konsole "
      "wird verwendet.\n");
  EXPECT_EQ(outcome.output.substr(0, outcome.output.find('\n') + 1), "Suche nach neuer Version\n");
  EXPECT_EQ(outcome.exitCode, 0);
}

}  // namespace
