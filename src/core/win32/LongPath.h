#ifndef FENDREL_CORE_WIN32_LONGPATH_H
#define FENDREL_CORE_WIN32_LONGPATH_H

#include "core/String.h"

// A path in the form the system's file functions take at any length. A path shorter than the
// limit of a directory's name (MAX_PATH - 12) stands as it is; a longer one is made full
// and given the "\\?\" prefix ("\\?\UNC\" for a share), which lifts the limit of MAX_PATH
// characters where the program is not declared aware of long paths or the system's policy
// does not allow them. The prefix also ends the system's own clean-up of the path, so "."
// and ".." parts and "/" separators are resolved here first.
String SystemFilePath(const String& path);

#endif
