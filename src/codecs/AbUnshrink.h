#ifndef FENDREL_CODECS_ABUNSHRINK_H
#define FENDREL_CODECS_ABUNSHRINK_H

#include "codecs/AbLegacyBitReader.h"
#include "codecs/AbLegacyOutput.h"

// Decodes shrunk data (method 1): LZW with codes of 9 to 13 bits, where code 256
// followed by 1 widens the codes by one bit and followed by 2 frees every entry that
// is no other entry's prefix. Every code the input holds is decoded; the first one that
// runs past the input ends the entry. Widening past 13 bits raises EAbZipBadShrinkCode,
// a code chain longer than the 8,193-byte stack EAbZipShrinkChainTooLong.
void Unshrink(TAbLegacyBitReader& aInput, TAbLegacyOutput& aOutput);

#endif
