#ifndef FENDREL_CODECS_ABPPMDITEM_H
#define FENDREL_CODECS_ABPPMDITEM_H

#include "codecs/AbMethodRegistration.h"
#include "core/Stream.h"

// A PPMd var.I rev. 1 entry (method 98): a 16-bit parameter word (bits 0-3 model order
// - 1, bits 4-11 model memory in MB - 1, bits 12-15 restoration method), then the
// range-coded data, decoded up to its end mark. A missing word raises the stream read
// error; an order below 2 or a restoration method other than restart (0) and cut-off (1)
// raises EAbZipPpmdParameters before any decoding; a model that cannot be allocated
// raises EAbZipDecoderMemory; data that runs out before the end mark raises EAbReadError.
// Damaged data ends decoding quietly: the CRC-32 comparison reports it.
void DecodePpmdItem(TStream& source, TStream& dest);

// A PPMd entry asks for model order 1 or a restoration method other than restart (0)
// and cut-off (1).
using EAbZipPpmdParameters =
    TAbFixedException<EAbZipException, 120, u"Cannot extract file - PPMd parameters out of range",
                      u"EAbZipPpmdParameters">;

inline constexpr TAbMethodRegistration kAbPpmdMethod{
    .FirstMethod = 98,
    .LastMethod = 98,
    .Decoder = [](TAbZipArchive&, TAbZipItem&, TStream& source,
                  TStream& output) { DecodePpmdItem(source, output); },
    .Failures = kAbFailureTable<EAbZipPpmdParameters>,
    .Library = "lzma-sdk"};

#endif
