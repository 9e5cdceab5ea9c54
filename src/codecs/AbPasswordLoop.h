#ifndef FENDREL_CODECS_ABPASSWORDLOOP_H
#define FENDREL_CODECS_ABPASSWORDLOOP_H

#include <cstdint>
#include <memory>

#include "core/Stream.h"
#include "zip/AbZipArchive.h"

// Obtaining the password of an encrypted entry and checking it against the entry's
// header.

// Asks the archive's OnNeedPassword for a password, offering the current one. A
// non-empty answer becomes the archive's Password; an empty one sets aAbort. Without a
// handler nothing changes.
void RequestPassword(TAbZipArchive& aArchive, bool& aAbort);

// When the archive has no Password, asks for one (counting the try); still none raises
// EAbZipInvalidPassword.
void EnsurePassword(TAbZipArchive& aArchive, int& aTries, bool& aAbort);

// Checks the archive's Password against the header at aData's position, asking for
// another after each failed check; returns a stream of the decrypted data that owns
// aData. More failed checks than PasswordRetries raise EAbZipInvalidPassword, an empty
// answer to a later request EAbUserAbort, data shorter than the header EReadError. The
// accepted password stays in the archive for the next entries.
std::unique_ptr<TStream> OpenDecryptedData(TAbZipArchive& aArchive, std::unique_ptr<TStream> aData,
                                           std::uint32_t aCheckValue);

#endif
