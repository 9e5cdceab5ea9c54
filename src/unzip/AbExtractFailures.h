#ifndef FENDREL_UNZIP_ABEXTRACTFAILURES_H
#define FENDREL_UNZIP_ABEXTRACTFAILURES_H

#include <algorithm>
#include <array>

#include "codecs/AbMethodRegistry.h"
#include "zip/AbDirectoryFailures.h"
#include "zip/AbException.h"

// Refusals of extraction that protect the user's files: names that cannot be files, paths
// that would leave the target directory, the archive as its own target. Each is a per-entry
// failure, declared once with its class, parent, code and text.

// A control character, an empty, "." or ".." bare name, a device name (CON, PRN, AUX,
// NUL, COM0-9, LPT0-9, COM¹-COM³, LPT¹-LPT³, with or without extension) or a step ending in a
// dot or blank.
using EAbZipRefusedName =
    TAbFixedException<EAbZipException, 101, u"Cannot extract file - name cannot be a file",
                      u"EAbZipRefusedName">;
// With stored paths kept: a parent-folder step, an empty step, a drive, a colon or a
// leading separator.
using EAbZipUnsafePath =
    TAbFixedException<EAbZipException, 102, u"Cannot extract file - path leaves the target directory",
                      u"EAbZipUnsafePath">;
// A folder of the target's path below the base directory is a symbolic link.
using EAbZipLinkInPath =
    TAbFixedException<EAbZipException, 103, u"Cannot extract file - path runs through a symbolic link",
                      u"EAbZipLinkInPath">;
// The target is the open archive file (same file, whatever the spelling).
using EAbZipTargetIsArchive =
    TAbFixedException<EAbZipException, 104, u"Cannot extract file - target is the archive itself",
                      u"EAbZipTargetIsArchive">;

// Every failure of extraction beyond the archive's own (the refusals above, the
// directory's (zip/AbDirectoryFailures.h) and the registered decoders' failures), made from
// the classes, for tools that explain them.
inline constexpr auto kAbExtractFailures = [] {
  const auto& refusals = kAbFailureTable<EAbZipRefusedName, EAbZipUnsafePath, EAbZipLinkInPath,
                                         EAbZipTargetIsArchive, EAbZipOverlappingEntry>;
  std::array<TAbFailureDescription, std::size(refusals) + kAbDecoderFailures.size()> failures{};
  std::copy(kAbDecoderFailures.begin(), kAbDecoderFailures.end(),
            std::copy(std::begin(refusals), std::end(refusals), failures.begin()));
  return failures;
}();

#endif
