#ifndef FENDREL_PLATFORM_FOLDERS_H
#define FENDREL_PLATFORM_FOLDERS_H

#include <cstdint>
#include <vector>

#include "core/String.h"
#include "platform/Files.h"

// Folders as a whole, for the publisher's tool: what a folder holds, the facts of a file
// that a release archive records, and scratch folders that go again with everything in them.
namespace platform {

// The names a folder holds, without "." and "..", in the order the file system gives them.
// Raises EFOpenError naming the folder when it cannot be read.
std::vector<String> FolderNames(const String& folder);

// What stands at a path, links not followed: its kind, its size (files) and its Unix
// permission bits (0o7777 at most; on Windows 0o444 or 0o644 by the read-only attribute,
// 0o755 for a folder).
struct TFileFacts {
  TPathKind Kind = TPathKind::pkMissing;
  std::int64_t Size = 0;
  std::uint32_t UnixMode = 0;
};
TFileFacts FileFactsOf(const String& path);

// A new, empty folder under the system's temporary folder that only its owner may use,
// its name beginning with the prefix. Raises EFCreateError when none can be made.
String CreateScratchFolder(const String& prefix);

// Deletes a folder and everything in it; a link inside is deleted, never followed. A
// read-only entry is deleted too. False when anything stayed.
bool RemoveTree(const String& folder);

}  // namespace platform

#endif
