#ifndef FENDREL_CODECS_ABBZIP2ITEM_H
#define FENDREL_CODECS_ABBZIP2ITEM_H

#include "codecs/AbMethodRegistration.h"
#include "core/Stream.h"
#include "zip/AbZipArchive.h"
#include "zip/AbZipItem.h"

// A bzip2 entry (method 12): exactly the entry's uncompressed size is copied out of the
// stream. Damaged data or reading past the stream's end raises EBZDecompressionError;
// data that ends before the size raises the stream read error.
void DecodeBzip2Item(TAbZipArchive& archive, TAbZipItem& item, TStream& source, TStream& dest);

inline constexpr TAbMethodRegistration kAbBzip2Method{
    .FirstMethod = 12, .LastMethod = 12, .Decoder = &DecodeBzip2Item, .Library = "bzip2"};

#endif
