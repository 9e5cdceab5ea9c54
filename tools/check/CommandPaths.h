#ifndef FENDREL_TOOLS_CHECK_COMMANDPATHS_H
#define FENDREL_TOOLS_CHECK_COMMANDPATHS_H

#include <string>

#include "core/String.h"

namespace check {

// A path argument made absolute against the current folder.
String AbsolutePath(const std::string& argument);

// A folder and a name below it, one separator between them.
String PathBelow(const String& folder, const String& name);

}  // namespace check

#endif
