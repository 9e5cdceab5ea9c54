#include "signature/SignedMessage.h"

#include <algorithm>
#include <vector>

#include "core/Stream.h"
#include "signature/SodiumLibrary.h"

namespace signature {
namespace {

constexpr std::int64_t kChunk = 64 * 1024;
static_assert(crypto_sign_BYTES == kSignatureSize && crypto_sign_PUBLICKEYBYTES == 32 &&
              crypto_sign_SECRETKEYBYTES == 64);

}  // namespace

TSignedMessage::TSignedMessage() {
  RequireSodium();
  crypto_sign_init(&FState);
}

void TSignedMessage::Add(const std::uint8_t* bytes, std::size_t count) {
  crypto_sign_update(&FState, bytes, count);
}

void TSignedMessage::Add(std::string_view text) {
  Add(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

void TSignedMessage::AddStreamStart(TStream& stream, std::int64_t count) {
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(count, kChunk)));
  stream.Seek(0, TSeekOrigin::soBeginning);
  while (count > 0) {
    const std::int64_t part = std::min(count, kChunk);
    stream.ReadBuffer(buffer.data(), part);
    Add(buffer.data(), static_cast<std::size_t>(part));
    count -= part;
  }
}

bool TSignedMessage::Verify(const TSignatureBytes& signature, const std::array<std::uint8_t, 32>& publicKey) {
  return crypto_sign_final_verify(&FState, signature.data(), publicKey.data()) == 0;
}

TSignatureBytes TSignedMessage::Sign(const std::array<std::uint8_t, 64>& secretKey) {
  TSignatureBytes signature{};
  crypto_sign_final_create(&FState, signature.data(), nullptr, secretKey.data());
  return signature;
}

}  // namespace signature
