#ifndef FENDREL_SIGNATURE_SIGNATUREFAILURES_H
#define FENDREL_SIGNATURE_SIGNATUREFAILURES_H

#include "zip/AbException.h"

// Failures of the signature check of an update archive, each declared once with its class,
// parent, code and text; an archive that fails the check is never installed.

// The archive has no comment, or one that is not a signature.
using EAbZipNoSignature =
    TAbFixedException<EAbZipException, 130, u"Archive not signed - its comment holds no signature",
                      u"EAbZipNoSignature">;
// The comment begins as a signature but is not one: a wrong field, an empty, overlong
// or unprintable version, or a signature that is not 64 bytes in base64.
using EAbZipBadSignatureComment =
    TAbFixedException<EAbZipException, 131, u"Archive signature malformed", u"EAbZipBadSignatureComment">;
// Bytes follow the end record's comment.
using EAbZipSignatureNotLast =
    TAbFixedException<EAbZipException, 132, u"Archive signature does not end the file",
                      u"EAbZipSignatureNotLast">;
// The signature was not made with the key's partner over these bytes and this version.
using EAbZipBadSignature =
    TAbFixedException<EAbZipException, 133, u"Archive signature does not match the archive and the key",
                      u"EAbZipBadSignature">;
// A good signature of a version other than the one asked for.
using EAbZipSignedVersion =
    TAbFixedException<EAbZipException, 134, u"Archive signed for another version", u"EAbZipSignedVersion">;
// A public key that is not 32 bytes in base64.
using EAbZipBadPublicKey =
    TAbFixedException<EAbZipException, 135, u"Public key malformed - 32 bytes in base64 expected",
                      u"EAbZipBadPublicKey">;

// Signing only. A secret key that is not 64 bytes in base64, or whose public half does
// not belong to its seed.
using EAbZipBadSecretKey =
    TAbFixedException<EAbZipException, 136, u"Secret key malformed - 64 bytes in base64 expected",
                      u"EAbZipBadSecretKey">;
// The archive to be signed has a comment of its own, which signing would destroy.
using EAbZipForeignComment =
    TAbFixedException<EAbZipException, 137, u"Archive has a comment that is not a signature",
                      u"EAbZipForeignComment">;

#endif
