#ifndef FENDREL_SIGNATURE_ARCHIVESIGNATURE_H
#define FENDREL_SIGNATURE_ARCHIVESIGNATURE_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/String.h"

class TStream;

namespace signature {

using TPublicKey = std::array<std::uint8_t, 32>;

// The key of its base64 text (44 characters); raises EAbZipBadPublicKey.
TPublicKey DecodePublicKey(std::string_view base64);

// The end record of an archive, found by the reader's own search, and the comment that
// follows it up to the end of the file.
struct SignedRegion {
  std::int64_t EndRecord = 0;  // the record's position: the signed bytes end 22 bytes later
  std::string Comment;
};

// Raises EAbZipInvalid when no end record is found, EAbZipSignatureNotLast when bytes
// follow its comment. The comment is read with the record's own bounds: never more than
// the file holds. Moves the stream's position.
SignedRegion LocateSignedRegion(TStream& archive);

// Checks the archive's signature with the key and answers the signed version. With
// expectedVersion the signed version must be exactly that text (UTF-8). Reads the
// stream once from its start, in bounded memory, and puts its position back.
// Raises EAbZipInvalid, EAbZipNoSignature, EAbZipBadSignatureComment,
// EAbZipSignatureNotLast, EAbZipBadSignature, EAbZipSignedVersion, or the stream's
// read error when the archive shrinks meanwhile.
std::string VerifyArchiveSignature(TStream& archive, const TPublicKey& key,
                                   std::optional<std::string_view> expectedVersion);

// The same for a file, opened for reading while others may only read it; the search
// for the end record sees it exactly as the archive component does.
std::string VerifyArchiveFile(const String& fileName, const TPublicKey& key,
                              std::optional<std::string_view> expectedVersion);

}  // namespace signature

#endif
