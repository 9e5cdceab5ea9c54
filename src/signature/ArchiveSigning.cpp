#include "signature/ArchiveSigning.h"

#include <sodium.h>

#include <algorithm>

#include "core/Exception.h"
#include "core/Stream.h"
#include "signature/Base64Text.h"
#include "signature/SignatureComment.h"
#include "signature/SignatureFailures.h"
#include "signature/SignedMessage.h"
#include "signature/SodiumLibrary.h"
#include "zip/AbZipDirectoryFileFooter.h"

namespace signature {

TSecretKey::~TSecretKey() {
  sodium_memzero(Bytes.data(), Bytes.size());
}

TKeyPair GenerateKeyPair() {
  RequireSodium();
  TKeyPair pair;
  crypto_sign_keypair(pair.PublicKey.data(), pair.SecretKey.Bytes.data());
  return pair;
}

TKeyPair KeyPairFromSeed(const std::array<std::uint8_t, 32>& seed) {
  RequireSodium();
  TKeyPair pair;
  crypto_sign_seed_keypair(pair.PublicKey.data(), pair.SecretKey.Bytes.data(), seed.data());
  return pair;
}

TPublicKey PublicKeyOf(const TSecretKey& key) {
  TPublicKey publicKey{};
  std::copy(key.Bytes.begin() + 32, key.Bytes.end(), publicKey.begin());
  return publicKey;
}

TSecretKey DecodeSecretKey(std::string_view base64) {
  auto bytes = DecodeBase64(base64);
  if (!bytes || bytes->size() != TSecretKey().Bytes.size()) throw EAbZipBadSecretKey();
  TSecretKey key;
  std::copy(bytes->begin(), bytes->end(), key.Bytes.begin());
  sodium_memzero(bytes->data(), bytes->size());
  std::array<std::uint8_t, 32> seed{};
  std::copy(key.Bytes.begin(), key.Bytes.begin() + 32, seed.begin());
  const TKeyPair fromSeed = KeyPairFromSeed(seed);
  sodium_memzero(seed.data(), seed.size());
  if (fromSeed.PublicKey != PublicKeyOf(key)) throw EAbZipBadSecretKey();
  return key;
}

void WipeSecretText(std::string& text) {
  text.resize(text.capacity());
  sodium_memzero(text.data(), text.size());
  text.clear();
}

void SignArchive(const String& fileName, const TSecretKey& key, std::string_view version) {
  if (!IsSignableVersion(version)) throw Exception(u"Die Version kann nicht signiert werden");
  {
    TFileStream file(fileName, fmOpenReadWrite | fmShareDenyWrite);
    const SignedRegion region = LocateSignedRegion(file);
    if (!region.Comment.empty() && !ParseSignatureComment(region.Comment)) throw EAbZipForeignComment();

    // The comment's length is part of the signed bytes, and is known before the signature.
    const std::size_t length = FormatSignatureComment(version, TSignatureBytes{}).size();
    const std::uint8_t lengthField[2] = {static_cast<std::uint8_t>(length & 0xFF),
                                         static_cast<std::uint8_t>(length >> 8)};
    const std::int64_t lengthPosition = region.EndRecord + TAbZipDirectoryFileFooter::kHeadSize - 2;
    TSignedMessage message;
    message.AddStreamStart(file, lengthPosition);
    message.Add(lengthField, sizeof lengthField);
    message.Add(version);
    const std::string comment = FormatSignatureComment(version, message.Sign(key.Bytes));

    file.Seek(lengthPosition, TSeekOrigin::soBeginning);
    file.WriteBuffer(lengthField, sizeof lengthField);
    file.WriteBuffer(comment.data(), static_cast<std::int64_t>(comment.size()));
    file.SetSize(lengthPosition + 2 + static_cast<std::int64_t>(comment.size()));
  }
  VerifyArchiveFile(fileName, PublicKeyOf(key), version);
}

}  // namespace signature
