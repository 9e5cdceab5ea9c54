#ifndef FENDREL_SIGNATURE_SIGNATUREFAILURES_H
#define FENDREL_SIGNATURE_SIGNATUREFAILURES_H

#include "core/String.h"
#include "zip/AbException.h"

// Failures of the signature check of an update archive. Each has a fixed class, code and
// text; an archive that fails the check is never installed.

inline constexpr char16_t SAbZipNoSignature[] = u"Archive not signed - its comment holds no signature";
inline constexpr char16_t SAbZipBadSignatureComment[] = u"Archive signature malformed";
inline constexpr char16_t SAbZipSignatureNotLast[] = u"Archive signature does not end the file";
inline constexpr char16_t SAbZipBadSignature[] = u"Archive signature does not match the archive and the key";
inline constexpr char16_t SAbZipSignedVersion[] = u"Archive signed for another version";
inline constexpr char16_t SAbZipBadPublicKey[] = u"Public key malformed - 32 bytes in base64 expected";
inline constexpr char16_t SAbZipBadSecretKey[] = u"Secret key malformed - 64 bytes in base64 expected";
inline constexpr char16_t SAbZipForeignComment[] = u"Archive has a comment that is not a signature";

inline constexpr char16_t NEAbZipNoSignature[] = u"EAbZipNoSignature";
inline constexpr char16_t NEAbZipBadSignatureComment[] = u"EAbZipBadSignatureComment";
inline constexpr char16_t NEAbZipSignatureNotLast[] = u"EAbZipSignatureNotLast";
inline constexpr char16_t NEAbZipBadSignature[] = u"EAbZipBadSignature";
inline constexpr char16_t NEAbZipSignedVersion[] = u"EAbZipSignedVersion";
inline constexpr char16_t NEAbZipBadPublicKey[] = u"EAbZipBadPublicKey";
inline constexpr char16_t NEAbZipBadSecretKey[] = u"EAbZipBadSecretKey";
inline constexpr char16_t NEAbZipForeignComment[] = u"EAbZipForeignComment";

// The archive has no comment, or one that is not a signature.
using EAbZipNoSignature = TAbFixedException<EAbZipException, 130, SAbZipNoSignature, NEAbZipNoSignature>;
// The comment begins as a signature but is not one: a wrong field, an empty, overlong
// or unprintable version, or a signature that is not 64 bytes in base64.
using EAbZipBadSignatureComment =
    TAbFixedException<EAbZipException, 131, SAbZipBadSignatureComment, NEAbZipBadSignatureComment>;
// Bytes follow the end record's comment.
using EAbZipSignatureNotLast =
    TAbFixedException<EAbZipException, 132, SAbZipSignatureNotLast, NEAbZipSignatureNotLast>;
// The signature was not made with the key's partner over these bytes and this version.
using EAbZipBadSignature = TAbFixedException<EAbZipException, 133, SAbZipBadSignature, NEAbZipBadSignature>;
// A good signature of a version other than the one asked for.
using EAbZipSignedVersion =
    TAbFixedException<EAbZipException, 134, SAbZipSignedVersion, NEAbZipSignedVersion>;
// A public key that is not 32 bytes in base64.
using EAbZipBadPublicKey = TAbFixedException<EAbZipException, 135, SAbZipBadPublicKey, NEAbZipBadPublicKey>;

// Signing only. A secret key that is not 64 bytes in base64, or whose public half does
// not belong to its seed.
using EAbZipBadSecretKey = TAbFixedException<EAbZipException, 136, SAbZipBadSecretKey, NEAbZipBadSecretKey>;
// The archive to be signed has a comment of its own, which signing would destroy.
using EAbZipForeignComment =
    TAbFixedException<EAbZipException, 137, SAbZipForeignComment, NEAbZipForeignComment>;

#endif
