#include "signature/Base64Text.h"

#include <sodium.h>

#include "core/Base64.h"
#include "signature/SodiumLibrary.h"

namespace signature {

std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text) {
  RequireSodium();
  std::vector<std::uint8_t> bytes(text.size() / 4 * 3 + 3);
  std::size_t length = 0;
  const char* end = nullptr;
  if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length, &end,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      end != text.data() + text.size()) {
    return std::nullopt;
  }
  bytes.resize(length);
  // Only the one canonical spelling of the bytes counts.
  if (Base64Of(bytes.data(), bytes.size()) != text) return std::nullopt;
  return bytes;
}

}  // namespace signature
