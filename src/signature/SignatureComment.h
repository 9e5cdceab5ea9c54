#ifndef FENDREL_SIGNATURE_SIGNATURECOMMENT_H
#define FENDREL_SIGNATURE_SIGNATURECOMMENT_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace signature {

inline constexpr std::size_t kSignatureSize = 64;
using TSignatureBytes = std::array<std::uint8_t, kSignatureSize>;

// The archive comment that carries a signature: "FENDREL-SIG1 <version> <base64 signature>",
// nothing before or after. The version is the text the update server names the update
// by, in UTF-8: 1 to kMaxVersionLength bytes, no control characters (blanks are allowed;
// the signature is the text after the last blank).
inline constexpr std::string_view kSignatureTag = "FENDREL-SIG1 ";
inline constexpr std::size_t kMaxVersionLength = 128;
// No signature comment is longer: a longer comment is refused before it is read further.
inline constexpr std::size_t kMaxSignatureCommentLength = kSignatureTag.size() + kMaxVersionLength + 1 + 88;

struct SignatureComment {
  std::string Version;
  TSignatureBytes Signature{};
};

// Whether a version text can be signed.
bool IsSignableVersion(std::string_view version);

// Whether the comment claims to be a signature (begins with the tag).
bool IsSignatureComment(std::string_view comment);

// The fields of a signature comment, or nothing when it is not exactly one.
std::optional<SignatureComment> ParseSignatureComment(std::string_view comment);

// The comment for a version (which must be signable) and a signature.
std::string FormatSignatureComment(std::string_view version, const TSignatureBytes& signature);

}  // namespace signature

#endif
