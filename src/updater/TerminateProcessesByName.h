#ifndef FENDREL_UPDATER_TERMINATEPROCESSESBYNAME_H
#define FENDREL_UPDATER_TERMINATEPROCESSESBYNAME_H

#include "core/String.h"

namespace updater {

// Whether a process list entry's executable text names the given executable: its
// file-name part (after the last "\", "/" or ":"), or the whole text, equals the
// name, with only the letters a to z compared without regard to case.
bool ExecutableMatches(StringView exeFile, StringView name);

// Ends every process whose executable matches the name, at once, except the calling one,
// each only while it still runs the executable the process list named. Returns the result
// of the last attempt (non-zero for success), 0 when nothing matched.
int TerminateProcessesByName(const String& name);

}  // namespace updater

#endif
