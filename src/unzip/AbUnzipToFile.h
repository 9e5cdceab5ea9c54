#ifndef FENDREL_UNZIP_ABUNZIPTOFILE_H
#define FENDREL_UNZIP_ABUNZIPTOFILE_H

#include "core/String.h"
#include "zip/AbZipArchive.h"
#include "zip/AbZipItem.h"

// Writes one entry to a file (the archive's extract helper). A directory entry creates
// its folder. A file is decoded into a new file beside the target, which takes the
// target's place only when the entry decoded completely and its CRC-32 matched; then
// the entry's date and attributes are applied. On every failure the old file stays as
// it was and no new file is left behind. While the archive has a staging set, the
// finished file (closed, its data on its way to the disk) is kept in that set instead,
// and the caller commits it; an earlier file kept there for the same target counts as
// standing at the target.
//
// Refused as a failure of this entry: the open archive as target (EAbZipTargetIsArchive),
// a read-only file or a folder at the target (EFCreateError, as a file that cannot be
// created), a CRC-32 mismatch (EAbZipBadCRC). An invalid stored date raises
// EConvertError after the file was written (it keeps the current time and its
// attributes stay as they were).
void UnzipItemToFile(TAbZipArchive& archive, TAbZipItem& item, const String& target);

// Creates a directory with every missing level below the second one (the fifth for a
// network path); a relative path whose first folder is missing therefore fails.
// A level that cannot be created raises EInOutError with the system's error code.
void ForceDirectoryPath(const String& path);

#endif
