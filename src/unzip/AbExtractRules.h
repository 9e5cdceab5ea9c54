#ifndef FENDREL_UNZIP_ABEXTRACTRULES_H
#define FENDREL_UNZIP_ABEXTRACTRULES_H

#include <cstdint>

#include "core/String.h"

// The text rules of extraction: which entries a mask selects, which stored names may
// become files, and how a target path is put together. Names are built with "\"
// between their steps; the file layer maps them to the file system's form.
namespace abunzip {

// The wildcard rule on texts already in upper case: "?" is one character, "*" any
// run; "*" and "*.*" alone match any non-empty text; an empty text matches only an
// empty pattern.
bool MatchesWildcard(StringView text, StringView pattern);

// One sub-mask against an entry's stored name (drive of the mask ignored, folders of
// the entry ignored when the mask has none, ASCII letters without case).
bool MatchesStoredName(StringView storedName, bool isDirectory, StringView mask);

// A list of sub-masks separated by ";", each trimmed; an empty mask matches nothing.
bool MatchesStoredNameEx(StringView storedName, bool isDirectory, StringView maskList);

// The name an entry is written under, relative to the base directory: with restorePath
// the stored folders (with "." steps dropped), otherwise the bare name. Raises
// EAbZipRefusedName for a name that cannot be a file here or on Windows, and, with
// restorePath, EAbZipUnsafePath for a path that would leave the base directory.
String EntryTargetName(StringView storedName, bool isDirectory, bool restorePath);

// Puts the base directory in front of a relative target ("\" between them unless the
// base is empty or already ends in a separator or ":").
String JoinBaseDirectory(StringView baseDirectory, StringView target);

// The directory part of a target: up to its last separator or ":", without that
// separator unless it is a root ("C:\", "/"). Empty for a bare name.
String DirectoryPartOf(StringView target);

// The base-directory rule: a trailing "\" is dropped unless the value is one character
// long or the "\" follows a ":".
String NormalizeBaseDirectory(StringView value);

}  // namespace abunzip

#endif
