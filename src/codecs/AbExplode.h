#ifndef FENDREL_CODECS_ABEXPLODE_H
#define FENDREL_CODECS_ABEXPLODE_H

#include <cstdint>

#include "codecs/AbLegacyBitReader.h"
#include "codecs/AbLegacyOutput.h"
#include "zip/AbArchiveTypes.h"

// Decodes imploded data (method 6): Shannon-Fano coded literals (with 3 trees; with 2
// they are 8 plain bits), lengths and distances over a 4 KiB or 8 KiB window. The
// shortest copy is 3 bytes with 3 trees, else 2; length symbol 63 adds 8 more bits.
// Stops at the end of the input or after aSize bytes of output; a copy from before the
// first byte yields zero bytes. A tree whose bit-length list reaches past its last
// symbol raises EAbZipBadImplodeTree.
void Explode(TAbLegacyBitReader& aInput, TAbLegacyOutput& aOutput, TAbZipDictionarySize aDictionarySize,
             int aTreeCount, std::int64_t aSize);

#endif
