#ifndef FENDREL_SIGNATURE_BASE64TEXT_H
#define FENDREL_SIGNATURE_BASE64TEXT_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace signature {

// The bytes of a base64 text (written with Base64Of of core/Base64.h), or nothing unless the text is exactly
// the encoding of them (no blanks or line breaks, padding as required, no stray bits).
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text);

}  // namespace signature

#endif
