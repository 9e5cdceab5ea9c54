#ifndef FENDREL_SUPPORT_CHILDPROGRAM_H
#define FENDREL_SUPPORT_CHILDPROGRAM_H

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// How a program is started by RunProgram.
struct ProgramCall {
  std::string Program;
  std::vector<std::string> Arguments;
  // Set in the child's environment on top of the test's own.
  std::vector<std::pair<std::string, std::string>> Environment;
  std::string WorkingDirectory;  // empty: the test's own
  std::string Input;             // standard input; its end follows
  // Standard error is a terminal (a pseudo-terminal passing the bytes unchanged) instead of a
  // file; what the program writes there comes back in Err all the same.
  bool ErrorToTerminal = false;
  int TimeoutMilliseconds = 60000;
};

struct ProgramRun {
  int ExitCode = -1;  // -1 when it did not exit normally
  int Signal = 0;     // the signal that ended it
  bool TimedOut = false;
  std::string Out;
  std::string Err;
};

// Runs a program to its end, its output caught in files (not pipes, so a program it
// starts in turn and leaves running can never hold the test up). A program still
// running after the time-out is killed.
ProgramRun RunProgram(const ProgramCall& call);

}  // namespace testsupport

#endif
