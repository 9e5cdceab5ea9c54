#ifndef FENDREL_CODECS_ABWAVPACKITEM_H
#define FENDREL_CODECS_ABWAVPACKITEM_H

#include "codecs/AbMethodRegistration.h"
#include "core/Stream.h"

// A WavPack entry (method 97): the audio file that was compressed, rebuilt from the
// WavPack stream: the stored header (RIFF), the samples as little-endian bytes (8-bit as
// unsigned), the pad byte a RIFF data chunk of odd length is followed by, and any trailing
// chunks. A stream that cannot be opened raises Exception
// "WavPack decompression failed: " with the codec's text; a channel count below 1 or a
// sample size outside 1-4 bytes raises EAbZipWavPackFormat. Damaged samples are written
// as the codec gives them: the CRC-32 comparison reports them.
void DecodeWavPackItem(TStream& source, TStream& dest);

// A WavPack stream has no channels or samples of no size or more than 4 bytes.
using EAbZipWavPackFormat =
    TAbFixedException<EAbZipException, 122,
                      u"Cannot extract file - WavPack channel count or sample size out of range",
                      u"EAbZipWavPackFormat">;

inline constexpr TAbMethodRegistration kAbWavPackMethod{
    .FirstMethod = 97,
    .LastMethod = 97,
    .Decoder = [](TAbZipArchive&, TAbZipItem&, TStream& source,
                  TStream& output) { DecodeWavPackItem(source, output); },
    .Failures = kAbFailureTable<EAbZipWavPackFormat>,
    .Library = "wavpack"};

#endif
