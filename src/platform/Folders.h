#ifndef FENDREL_PLATFORM_FOLDERS_H
#define FENDREL_PLATFORM_FOLDERS_H

#include <cstdint>
#include <vector>

#include "core/String.h"
#include "platform/Files.h"

// Folders as a whole: what a folder holds, and scratch folders that go again with
// everything in them. (What stands at one path is PathStateOf's.)
namespace platform {

// The names a folder holds, without "." and "..", in the order the file system gives them.
// Raises EFOpenError naming the folder when it cannot be read.
std::vector<String> FolderNames(const String& folder);

// A new, empty folder under the system's temporary folder that only its owner may use,
// its name beginning with the prefix. Raises EFCreateError when none can be made.
String CreateScratchFolder(const String& prefix);

// Deletes a folder and everything in it; a link inside is deleted, never followed. A
// read-only entry is deleted too. False when anything stayed.
bool RemoveTree(const String& folder);

}  // namespace platform

#endif
