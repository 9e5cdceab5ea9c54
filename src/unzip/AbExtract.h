#ifndef FENDREL_UNZIP_ABEXTRACT_H
#define FENDREL_UNZIP_ABEXTRACT_H

#include <cstdint>
#include <exception>
#include <functional>

#include "core/Exception.h"
#include "core/Stream.h"
#include "core/String.h"
#include "zip/AbArchiveTypes.h"
#include "zip/AbZipArchive.h"

// Extraction operations of an open archive: selecting entries, resolving targets,
// and the failure guard around each entry, which turns an entry's exception into the
// archive's failure event and goes on with the next entry.
namespace abunzip {

// Told about every exception the failure guard catches, before the failure event.
using TAbCaughtEvent = std::function<void(std::exception_ptr)>;

// The failure event's class and code for an exception.
void ClassifyException(const Exception& e, TAbErrorClass& errorClass, std::int32_t& errorCode);

// Every entry that matches mask and not exclusionMask, in directory order; folder
// entries only with eoCreateDirs. Archive progress after every entry; an abort answer
// raises EAbUserAbort.
void ExtractFilesEx(TAbZipArchive& archive, const String& mask, const String& exclusionMask,
                    const TAbCaughtEvent& caught = {});
// One entry; an empty newName derives the target from the entry.
void ExtractAt(TAbZipArchive& archive, int index, const String& newName, const TAbCaughtEvent& caught = {});
void ExtractTaggedItems(TAbZipArchive& archive, const TAbCaughtEvent& caught = {});
// The entry of that name (ASCII case ignored) into stream; nothing when there is none.
void ExtractToStream(TAbZipArchive& archive, const String& fileName, TStream& stream,
                     const TAbCaughtEvent& caught = {});
// Tests every tagged entry; the first failure ends the operation with its exception.
void TestTaggedItems(TAbZipArchive& archive);
// Tests the one entry, as TestTaggedItems would with only it tagged, without going
// through the others (no archive progress).
void TestAt(TAbZipArchive& archive, int index);

void TagItems(TAbArchive& archive, const String& mask);
void UnTagItems(TAbArchive& archive, const String& mask);
void ClearTags(TAbArchive& archive);

}  // namespace abunzip

#endif
