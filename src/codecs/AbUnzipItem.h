#ifndef FENDREL_CODECS_ABUNZIPITEM_H
#define FENDREL_CODECS_ABUNZIPITEM_H

#include <cstdint>
#include <memory>

#include "codecs/AbMethodRegistration.h"
#include "core/Stream.h"
#include "zip/AbZipArchive.h"
#include "zip/AbZipItem.h"

// Turning one ZIP entry into its bytes: locating the data behind the local header,
// choosing the decoder by the compression method, copying stored data, and checking
// the CRC-32 recorded in the central directory.

// A stream over the entry's stored bytes (after the checks of its range and version and
// the local header; an entry whose bytes lie over another's raises EAbZipOverlappingEntry),
// decrypted when the entry is encrypted: the password is checked first, asked for
// through the archive's OnNeedPassword as often as its PasswordRetries allow. The
// caller owns it; it reads the archive stream at its current position, so it must
// be freed before the archive stream is used for anything else.
std::unique_ptr<TStream> OpenItemData(TAbZipArchive& archive, TAbZipItem& item);

// Decodes from source (as OpenItemData gives it) into dest. A CRC-32 mismatch goes to
// the archive's failure event when one is assigned, else raises EAbZipBadCRC. Output
// past the entry's uncompressed size raises EAbZipSizeExceeded; an empty entry whose
// CRC-32 is not 0 counts as a mismatch.
void DecodeItemData(TAbZipArchive& archive, TAbZipItem& item, TStream& source, TStream& dest);

// The same decoding, reporting nothing: answers whether the CRC-32 matched.
bool DecodeItemDataChecked(TAbZipArchive& archive, TAbZipItem& item, TStream& source, TStream& dest);

// Writes the entry's bytes into dest at its position (the archive's extract-to-stream
// helper). A missing dest raises EAbBadStream.
void UnzipItemToStream(TAbZipArchive& archive, TAbZipItem& item, TStream* dest);

// Compares the local header with the central record (EAbZipInvalidLFH at the first
// difference), then decodes the entry and throws the bytes away (the archive's test
// helper). A CRC-32 mismatch goes to the archive's failure event when one is assigned
// and crcFailureRaises is not set; otherwise it raises EAbZipBadCRC.
void TestZipItem(TAbZipArchive& archive, TAbZipItem& item, bool crcFailureRaises = false);

// The decoder registered for the method (codecs/AbMethodRegistry.h); null for a method
// this build cannot decode.
TAbMethodDecoder FindMethodDecoder(std::uint8_t method);

// Runs the decoder of the entry's method from source into the counting output; raises
// EAbZipInvalidMethod for a method this build cannot decode.
void DecodeItemMethod(TAbZipArchive& archive, TAbZipItem& item, TStream& source, TStream& output);

#endif
