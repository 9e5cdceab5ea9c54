#ifndef FENDREL_CODECS_ABCOPYSTORED_H
#define FENDREL_CODECS_ABCOPYSTORED_H

#include "codecs/AbMethodRegistration.h"
#include "core/Stream.h"
#include "zip/AbZipItem.h"

// Copies exactly the entry's uncompressed size from source to output, 60 KB at a time,
// each piece read in full (stored entries, and decoders that read as a stream).
void CopyStored(const TAbZipItem& item, TStream& source, TStream& output);

// Stored entries (method 0).
inline constexpr TAbMethodRegistration kAbStoredMethod{
    .FirstMethod = 0,
    .LastMethod = 0,
    .Decoder = [](TAbZipArchive&, TAbZipItem& item, TStream& source, TStream& output) {
      CopyStored(item, source, output);
    }};

#endif
