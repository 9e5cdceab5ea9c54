#include "codecs/AbZipDecryptEngine.h"

#include "core/Crc32.h"

namespace {

constexpr std::uint32_t kKeyMultiplier = 134775813u;

inline std::uint8_t KeyStreamByte(std::uint32_t aKey2) {
  const std::uint32_t t = (aKey2 & 0xFFFF) | 2;
  return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
}

}  // namespace

void TAbZipDecryptEngine::UpdateKeys(std::uint8_t aPlain) {
  FState[0] = Crc32UpdateByte(FState[0], aPlain);
  FState[1] = (FState[1] + (FState[0] & 0xFF)) * kKeyMultiplier + 1;
  FState[2] = Crc32UpdateByte(FState[2], static_cast<std::uint8_t>(FState[1] >> 24));
}

bool TAbZipDecryptEngine::VerifyHeader(const std::uint8_t* aHeader, const std::string& aPassphrase,
                                       std::uint32_t aCheckValue) {
  FState[0] = 0x12345678;
  FState[1] = 0x23456789;
  FState[2] = 0x34567890;
  for (const char ch : aPassphrase) UpdateKeys(static_cast<std::uint8_t>(ch));
  std::uint8_t last = 0;
  for (int i = 0; i < kHeaderSize; ++i) last = Decode(aHeader[i]);
  FReady = last == static_cast<std::uint8_t>(aCheckValue >> 24);
  return FReady;
}

std::uint8_t TAbZipDecryptEngine::Decode(std::uint8_t aCh) {
  const auto plain = static_cast<std::uint8_t>(aCh ^ KeyStreamByte(FState[2]));
  UpdateKeys(plain);
  return plain;
}

void TAbZipDecryptEngine::DecodeBuffer(void* aBuffer, std::int64_t aCount) {
  // The keys in locals and the table at hand: this loop carries every encrypted byte.
  const auto& table = Crc32Table();
  std::uint32_t key0 = FState[0];
  std::uint32_t key1 = FState[1];
  std::uint32_t key2 = FState[2];
  auto* p = static_cast<std::uint8_t*>(aBuffer);
  for (std::int64_t i = 0; i < aCount; ++i) {
    const auto plain = static_cast<std::uint8_t>(p[i] ^ KeyStreamByte(key2));
    p[i] = plain;
    key0 = table[(key0 ^ plain) & 0xFF] ^ (key0 >> 8);
    key1 = (key1 + (key0 & 0xFF)) * kKeyMultiplier + 1;
    key2 = table[(key2 ^ (key1 >> 24)) & 0xFF] ^ (key2 >> 8);
  }
  FState[0] = key0;
  FState[1] = key1;
  FState[2] = key2;
}
