#include "signature/Base64Text.h"

#include <sodium.h>

#include "signature/SodiumLibrary.h"

namespace signature {

std::string EncodeBase64(const std::uint8_t* bytes, std::size_t count) {
  RequireSodium();
  const std::size_t size = sodium_base64_ENCODED_LEN(count, sodium_base64_VARIANT_ORIGINAL);
  std::string text(size, '\0');
  sodium_bin2base64(text.data(), size, bytes, count, sodium_base64_VARIANT_ORIGINAL);
  text.resize(size - 1);  // without the terminating zero
  return text;
}

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
  if (EncodeBase64(bytes.data(), bytes.size()) != text) return std::nullopt;
  return bytes;
}

}  // namespace signature
