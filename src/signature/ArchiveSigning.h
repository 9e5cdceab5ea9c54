#ifndef FENDREL_SIGNATURE_ARCHIVESIGNING_H
#define FENDREL_SIGNATURE_ARCHIVESIGNING_H

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/String.h"
#include "signature/ArchiveSignature.h"

namespace signature {

// A secret key: the 32-byte seed followed by the public key. Wiped when it goes.
struct TSecretKey {
  std::array<std::uint8_t, 64> Bytes{};
  TSecretKey() = default;
  TSecretKey(const TSecretKey&) = default;
  TSecretKey& operator=(const TSecretKey&) = default;
  ~TSecretKey();
};

struct TKeyPair {
  TPublicKey PublicKey{};
  TSecretKey SecretKey;
};

// A new key pair from the system's random source.
TKeyPair GenerateKeyPair();
// The key pair of a 32-byte seed (fixed keys for tests).
TKeyPair KeyPairFromSeed(const std::array<std::uint8_t, 32>& seed);

// The key of its base64 text (88 characters); raises EAbZipBadSecretKey, also when its
// public half is not the one its seed gives.
TSecretKey DecodeSecretKey(std::string_view base64);
TPublicKey PublicKeyOf(const TSecretKey& key);
// Overwrites the whole storage of a text that held a secret key (its base64 form, say) and
// empties it, in a way the compiler cannot leave out.
void WipeSecretText(std::string& text);

// Signs the archive in place for the version (which must be signable): its comment
// becomes the signature comment, replacing an earlier one. Refuses, with the archive
// unchanged, a file without an end record (EAbZipInvalid), one with bytes after its
// comment (EAbZipSignatureNotLast) and one whose comment is not a signature
// (EAbZipForeignComment). Checks the written archive afterwards.
void SignArchive(const String& fileName, const TSecretKey& key, std::string_view version);

}  // namespace signature

#endif
