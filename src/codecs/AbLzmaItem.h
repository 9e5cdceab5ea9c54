#ifndef FENDREL_CODECS_ABLZMAITEM_H
#define FENDREL_CODECS_ABLZMAITEM_H

#include "codecs/AbMethodRegistration.h"
#include "core/Stream.h"
#include "zip/AbZipArchive.h"
#include "zip/AbZipItem.h"

// An LZMA entry (method 14): 2 version bytes, a 16-bit properties size, the properties,
// then the LZMA data, decoded up to the entry's uncompressed size. A codec error, an end
// marker before that size, a decoder that makes no progress and a short write raise
// Exception "RINOK(%d)" with the codec's result (1 data, 2 memory, 4 unsupported
// properties, 9 write); a header cut short raises the stream read error. Data that ends
// early ends quietly: the CRC-32 comparison reports it.
void DecodeLzmaItem(TAbZipArchive& archive, TAbZipItem& item, TStream& source, TStream& dest);

inline constexpr TAbMethodRegistration kAbLzmaMethod{
    .FirstMethod = 14, .LastMethod = 14, .Decoder = &DecodeLzmaItem, .Library = "lzma-sdk"};

#endif
