#ifndef FENDREL_TOOLS_CHECK_RELEASERULES_H
#define FENDREL_TOOLS_CHECK_RELEASERULES_H

#include <cstdint>
#include <optional>
#include <string>

#include "core/String.h"

// What a release must be for the updater to install it: the rules publish refuses by.
namespace check {

// The largest file an entry may hold: the archive's 32-bit sizes, short of the value that
// stands for "larger" in archives the updater does not read.
inline constexpr std::int64_t kLargestEntrySize = 0xFFFFFFFE;

// Why the updater could not install an entry of this stored name ("/" between folders),
// or nothing: the extraction's own name rules (also with the folders kept when
// keepFolders), and the characters Windows allows in no file name.
std::optional<std::string> EntryNameRefusal(const String& storedName, bool keepFolders);

// Why a text cannot name a release, or nothing: it must be signable, read by the updater as
// a number (with the process's decimal separator, which the caller sets as the updater
// does), and usable as the server's folder name (a digit, no blank, no separator).
std::optional<std::string> VersionRefusal(const std::string& version);

}  // namespace check

#endif
