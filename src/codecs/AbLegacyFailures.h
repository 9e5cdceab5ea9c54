#ifndef FENDREL_CODECS_ABLEGACYFAILURES_H
#define FENDREL_CODECS_ABLEGACYFAILURES_H

#include "zip/AbException.h"

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

#endif
