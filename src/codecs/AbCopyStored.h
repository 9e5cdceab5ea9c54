#ifndef FENDREL_CODECS_ABCOPYSTORED_H
#define FENDREL_CODECS_ABCOPYSTORED_H

#include "core/Stream.h"
#include "zip/AbZipItem.h"

// Copies exactly the entry's uncompressed size from source to output, 60 KB at a time,
// each piece read in full (stored entries, and decoders that read as a stream).
void CopyStored(const TAbZipItem& item, TStream& source, TStream& output);

#endif
