#ifndef FENDREL_UNZIP_ABDETECTARCHIVETYPE_H
#define FENDREL_UNZIP_ABDETECTARCHIVETYPE_H

#include "core/Stream.h"
#include "core/String.h"
#include "zip/AbArchiveTypes.h"

// Deciding which kind of archive a file is. Only ZIP archives are read by this system:
// TAR, gzip, bzip2 and cabinet files answer atUnknown. Every check reads from offset 0
// and puts the stream's position back; nothing is ever written.

// By the file's extension, then by its content when it exists and is not empty.
TAbArchiveType DetectArchiveType(const String& fileName);
// The same for an archive read from a stream, known by the name archiveName.
TAbArchiveType DetectArchiveType(const String& archiveName, TStream& stream);
// atSpannedZip for a file starting with 50 4B 07 08 or an end record on a disk other
// than 0, atZip for an end record on disk 0, else atUnknown (also on a read error).
TAbArchiveType ProbeZip(TStream& stream);
// atSelfExtZip for a file starting with "MZ" that ProbeZip takes as atZip.
TAbArchiveType ProbeSelfExtracting(TStream& stream);
// The first content check that recognises the stream.
TAbArchiveType DetectStreamArchiveType(TStream& stream);

#endif
