#include "signature/ArchiveSignature.h"

#include <algorithm>
#include <memory>

#include "core/Stream.h"
#include "signature/Base64Text.h"
#include "signature/SignatureComment.h"
#include "signature/SignatureFailures.h"
#include "signature/SignedMessage.h"
#include "zip/AbLocateEndRecord.h"
#include "zip/AbSpanStream.h"
#include "zip/AbZipDirectoryFileFooter.h"

namespace signature {

TPublicKey DecodePublicKey(std::string_view base64) {
  const auto bytes = DecodeBase64(base64);
  if (!bytes || bytes->size() != TPublicKey().size()) throw EAbZipBadPublicKey();
  TPublicKey key{};
  std::copy(bytes->begin(), bytes->end(), key.begin());
  return key;
}

SignedRegion LocateSignedRegion(TStream& archive) {
  const std::int64_t size = archive.Size();
  SignedRegion region;
  region.EndRecord = LocateEndRecord(archive);
  if (region.EndRecord < 0) throw EAbZipInvalid();
  TAbZipDirectoryFileFooter footer;
  footer.LoadFromStream(archive);
  region.Comment = footer.ZipfileComment();
  if (region.EndRecord + TAbZipDirectoryFileFooter::kHeadSize +
          static_cast<std::int64_t>(region.Comment.size()) !=
      size) {
    throw EAbZipSignatureNotLast();
  }
  return region;
}

std::string VerifyArchiveSignature(TStream& archive, const TPublicKey& key,
                                   std::optional<std::string_view> expectedVersion) {
  const TPositionKeeper keeper(archive);
  const SignedRegion region = LocateSignedRegion(archive);
  if (!IsSignatureComment(region.Comment)) throw EAbZipNoSignature();
  const auto parsed = ParseSignatureComment(region.Comment);
  if (!parsed) throw EAbZipBadSignatureComment();

  TSignedMessage message;
  message.AddStreamStart(archive, region.EndRecord + TAbZipDirectoryFileFooter::kHeadSize);
  message.Add(parsed->Version);
  if (!message.Verify(parsed->Signature, key)) throw EAbZipBadSignature();
  if (expectedVersion && parsed->Version != *expectedVersion) throw EAbZipSignedVersion();
  return parsed->Version;
}

std::string VerifyArchiveFile(const String& fileName, const TPublicKey& key,
                              std::optional<std::string_view> expectedVersion) {
  TAbSpanStream archive(std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyWrite), fileName);
  return VerifyArchiveSignature(archive, key, expectedVersion);
}

}  // namespace signature
