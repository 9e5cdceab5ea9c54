#ifndef FENDREL_PLATFORM_PROCESSES_H
#define FENDREL_PLATFORM_PROCESSES_H

#include <cstdint>
#include <vector>

#include "core/String.h"

namespace platform {

// One entry of the process list: the process and its executable's file name.
struct ProcessEntry {
  std::uint32_t ProcessId = 0;
  String ExeFile;
};

// Every process of the system, as far as it can be seen.
std::vector<ProcessEntry> ProcessSnapshot();

// Ends the process at once. False when it cannot be opened for termination or the
// termination fails.
bool TerminateProcessById(std::uint32_t processId, std::uint32_t exitCode);

// Starts a program the way the shell's "open" verb resolves a bare file name (the
// current working directory first), with the given parameter text, detached so that
// it outlives this program. False when it could not be started.
bool ShellOpen(const String& fileName, const String& parameters);

}  // namespace platform

#endif
