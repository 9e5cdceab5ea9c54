#ifndef FENDREL_PLATFORM_COMMANDLINE_H
#define FENDREL_PLATFORM_COMMANDLINE_H

#include <vector>

#include "core/String.h"

// The command line as each platform's InitCommandLine recorded it, for the parts of the
// program interface that are the same everywhere.
namespace platform::commandline {

// Keeps the words and the working directory of this moment as the start-up directory.
void Record(std::vector<String> words);

// The program's path from the recorded first word and start-up directory, when that path
// names an existing file; empty otherwise.
String ProgramPathFromRecord();

}  // namespace platform::commandline

#endif
