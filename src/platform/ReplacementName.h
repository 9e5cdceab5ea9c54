#ifndef FENDREL_PLATFORM_REPLACEMENTNAME_H
#define FENDREL_PLATFORM_REPLACEMENTNAME_H

#include "core/String.h"

// The names replacement files are given, shared by both platforms' files and the
// removal of what a killed run left.
namespace platform {

// A new name beside a target: its directory part (with its trailing separator, or empty),
// ".fendrel-", twelve random lowercase hexadecimal digits and ".part". It begins with a
// dot and ends in ".part", so it is never a name Windows reserves for a device.
String NewReplacementName(const String& directoryPart);

// Whether a bare name is one NewReplacementName gives.
bool IsReplacementName(StringView name);

}  // namespace platform

#endif
