#ifndef FENDREL_CODECS_ABDECODERFAILURES_H
#define FENDREL_CODECS_ABDECODERFAILURES_H

#include "zip/AbException.h"

// Failures of the decoders that protect the user's files and the program: data that runs
// past its recorded size or would take a decoder outside its tables, and decoder
// parameters or memory out of bounds. Each is a per-entry failure, declared once with its
// class, parent, code and text; unzip/AbExtractFailures.h lists them for tools that explain
// them.

// The decoder produced more bytes than the entry's uncompressed size.
using EAbZipSizeExceeded =
    TAbFixedException<EAbZipException, 105, u"Cannot extract file - data longer than its recorded size",
                      u"EAbZipSizeExceeded">;

// Damaged shrunk, reduced or imploded data that would make the decoder read or write
// outside its tables ends the entry with one of these.
// A follower set of a reduced entry counts more than 32 bytes.
using EAbZipBadFollowerCount =
    TAbFixedException<EAbZipException, 110,
                      u"Cannot extract file - reduced data holds a follower set over 32",
                      u"EAbZipBadFollowerCount">;
// A reduced entry picks a follower at or beyond its set's count.
using EAbZipBadFollowerIndex =
    TAbFixedException<EAbZipException, 111,
                      u"Cannot extract file - reduced data picks a follower its set does not hold",
                      u"EAbZipBadFollowerIndex">;
// The bit-length list of an imploded entry's tree covers more symbols than the tree holds.
using EAbZipBadImplodeTree =
    TAbFixedException<EAbZipException, 112,
                      u"Cannot extract file - imploded data gives more code lengths than its tree holds",
                      u"EAbZipBadImplodeTree">;
// A shrunk entry raises its code size past 13 bits (codes would reach 8,192 and more).
using EAbZipBadShrinkCode =
    TAbFixedException<EAbZipException, 113,
                      u"Cannot extract file - shrunk data grows its codes beyond 13 bits",
                      u"EAbZipBadShrinkCode">;
// A shrunk entry's code chain does not end within the 8,193 bytes of the decoder's stack.
using EAbZipShrinkChainTooLong =
    TAbFixedException<EAbZipException, 114,
                      u"Cannot extract file - shrunk data holds a code chain longer than its stack",
                      u"EAbZipShrinkChainTooLong">;

// A PPMd entry asks for model order 1 or a restoration method other than restart (0)
// and cut-off (1).
using EAbZipPpmdParameters =
    TAbFixedException<EAbZipException, 120, u"Cannot extract file - PPMd parameters out of range",
                      u"EAbZipPpmdParameters">;
// The memory a decoder's model needs (PPMd: up to 256 MB, as the entry asks) cannot be had.
using EAbZipDecoderMemory =
    TAbFixedException<EAbZipException, 121, u"Cannot extract file - not enough memory for the decoder",
                      u"EAbZipDecoderMemory">;
// A WavPack stream has no channels or samples of no size or more than 4 bytes.
using EAbZipWavPackFormat =
    TAbFixedException<EAbZipException, 122,
                      u"Cannot extract file - WavPack channel count or sample size out of range",
                      u"EAbZipWavPackFormat">;

#endif
