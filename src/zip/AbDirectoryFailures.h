#ifndef FENDREL_ZIP_ABDIRECTORYFAILURES_H
#define FENDREL_ZIP_ABDIRECTORYFAILURES_H

#include "zip/AbException.h"

// Refusals the loaded directory decides for an entry before anything of it is read. Each is
// a per-entry failure, declared once with its class, parent, code and text.

// The entry's local header and compressed data lie over an earlier entry's or over the
// directory: its bytes would be decoded a second time under another name (a few kilobytes
// of records over one entry could write gigabytes).
using EAbZipOverlappingEntry =
    TAbFixedException<EAbZipException, 106,
                      u"Cannot extract file - data overlaps another entry or the directory",
                      u"EAbZipOverlappingEntry">;

#endif
