#ifndef FENDREL_CODECS_ABDECODERFAILURES_H
#define FENDREL_CODECS_ABDECODERFAILURES_H

#include "zip/AbException.h"

// Failures that more than one decoder raises, protecting the user's files and the program:
// data that runs past its recorded size, memory for a decoder's model that cannot be had.
// Each is a per-entry failure, declared once with its class, parent, code and text. A
// failure only one codec raises is declared in that codec's header and named in its
// registration (codecs/AbMethodRegistry.h collects them all).

// The decoder produced more bytes than the entry's uncompressed size.
using EAbZipSizeExceeded =
    TAbFixedException<EAbZipException, 105, u"Cannot extract file - data longer than its recorded size",
                      u"EAbZipSizeExceeded">;

// The memory a decoder's model needs (PPMd: up to 256 MB, as the entry asks) cannot be had.
using EAbZipDecoderMemory =
    TAbFixedException<EAbZipException, 121, u"Cannot extract file - not enough memory for the decoder",
                      u"EAbZipDecoderMemory">;

#endif
