#ifndef FENDREL_ZIP_ABLOCATEENDRECORD_H
#define FENDREL_ZIP_ABLOCATEENDRECORD_H

#include <cstdint>

class TStream;

// Finds the end-of-central-directory record: first the last 22 bytes (an archive
// without a comment), then windows that double from 512 bytes up to 64 KiB, moving back
// from the end and overlapping by 22 bytes. In each window only the highest signature
// counts, and only when its comment length fits in the bytes after it. Answers the
// record's position with the stream positioned on it, or -1.
//
// On a TAbSpanStream the search sets IgnoreSpanning; it stays set when a record is
// found and is put back, with the position, when none is found after the last window.
std::int64_t LocateEndRecord(TStream& stream);

#endif
