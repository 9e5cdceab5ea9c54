#ifndef FENDREL_PLATFORM_FILES_H
#define FENDREL_PLATFORM_FILES_H

#include "core/String.h"

namespace platform {

bool FileExists(const String& fileName);
bool DirectoryExists(const String& directory);
// Deletes a file; false when it could not be deleted.
bool DeleteFile(const String& fileName);

}  // namespace platform

#endif
