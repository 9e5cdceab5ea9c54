#ifndef FENDREL_PLATFORM_POSIX_EXECUTABLELINK_H
#define FENDREL_PLATFORM_POSIX_EXECUTABLELINK_H

#include <string>

namespace platform::posix {

// The path of the file a process runs, read from its exe link under /proc (procDir is
// "/proc/PID" or "/proc/self"); empty when the link cannot be read. When the file has been
// replaced or deleted since the process started, the system marks the link with a trailing
// " (deleted)"; that mark is taken off, so the path names the file as it was started.
std::string ExecutablePath(const std::string& procDir);

}  // namespace platform::posix

#endif
