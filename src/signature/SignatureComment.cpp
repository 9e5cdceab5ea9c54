#include "signature/SignatureComment.h"

#include <algorithm>

#include "core/Base64.h"
#include "signature/Base64Text.h"

namespace signature {

bool IsSignableVersion(std::string_view version) {
  if (version.empty() || version.size() > kMaxVersionLength) return false;
  return std::none_of(version.begin(), version.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

bool IsSignatureComment(std::string_view comment) {
  return comment.substr(0, kSignatureTag.size()) == kSignatureTag;
}

std::optional<SignatureComment> ParseSignatureComment(std::string_view comment) {
  if (!IsSignatureComment(comment) || comment.size() > kMaxSignatureCommentLength) return std::nullopt;
  const std::string_view rest = comment.substr(kSignatureTag.size());
  const std::size_t blank = rest.rfind(' ');
  if (blank == std::string_view::npos) return std::nullopt;
  const std::string_view version = rest.substr(0, blank);
  if (!IsSignableVersion(version)) return std::nullopt;
  const auto bytes = DecodeBase64(rest.substr(blank + 1));
  if (!bytes || bytes->size() != kSignatureSize) return std::nullopt;
  SignatureComment parsed;
  parsed.Version = std::string(version);
  std::copy(bytes->begin(), bytes->end(), parsed.Signature.begin());
  return parsed;
}

std::string FormatSignatureComment(std::string_view version, const TSignatureBytes& signature) {
  return std::string(kSignatureTag) + std::string(version) + ' ' +
         Base64Of(signature.data(), signature.size());
}

}  // namespace signature
