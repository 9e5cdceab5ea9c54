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

// The number of the calling process.
std::uint32_t CurrentProcessId();

// Ends the process at once. False when it cannot be opened for termination or the
// termination fails. With an executable's file name (as the snapshot lists it), the process
// is ended only while it still runs a file of that name, compared without regard to case:
// a number the system has handed to another process since the snapshot is left alone.
bool TerminateProcessById(std::uint32_t processId, std::uint32_t exitCode, const String& exeFile = {});

// Starts a program the way the shell's "open" verb resolves a bare file name (the
// current working directory first), with the given parameter text, detached so that
// it outlives this program. False when it could not be started.
bool ShellOpen(const String& fileName, const String& parameters);

}  // namespace platform

#endif
