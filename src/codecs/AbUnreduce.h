#ifndef FENDREL_CODECS_ABUNREDUCE_H
#define FENDREL_CODECS_ABUNREDUCE_H

#include <cstdint>

#include "codecs/AbLegacyBitReader.h"
#include "codecs/AbLegacyOutput.h"

// Decodes reduced data (methods 2 to 5, compression factor 1 to 4): follower sets
// for every byte, then bytes where 144 starts a copy of 3 or more earlier bytes (144, 0
// is the byte 144 itself). Stops at the end of the input or after aSize bytes of
// output; a copy from before the first byte yields zero bytes. A follower set over 32
// raises EAbZipBadFollowerCount, a follower its set does not hold
// EAbZipBadFollowerIndex, a factor outside 1 to 4 EAbZipInvalidFactor.
void Unreduce(TAbLegacyBitReader& aInput, TAbLegacyOutput& aOutput, int aFactor, std::int64_t aSize);

#endif
