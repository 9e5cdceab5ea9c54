#ifndef FENDREL_TESTS_SUPPORT_ZIPCIPHER_H
#define FENDREL_TESTS_SUPPORT_ZIPCIPHER_H

#include <cstdint>
#include <string>

#include "core/Crc32.h"
#include "support/ZipWriter.h"

// The encrypting side of the traditional ZIP cipher, written out on its own as the
// reference the decrypting side is tested against.
class TTestZipCipher {
 public:
  explicit TTestZipCipher(const std::string& password) {
    for (const char c : password) Update(static_cast<std::uint8_t>(c));
  }
  std::string Encrypt(const std::string& plain) {
    std::string out;
    for (const char c : plain) {
      const std::uint32_t t = (FKeys[2] & 0xFFFF) | 2;
      out += static_cast<char>(static_cast<std::uint8_t>(c) ^ static_cast<std::uint8_t>((t * (t ^ 1)) >> 8));
      Update(static_cast<std::uint8_t>(c));
    }
    return out;
  }

  // An encrypted entry of entry's payload (its data when none is set): eleven header
  // bytes, the check byte (the top byte of the DOS time with flag bit 3, else of the
  // CRC-32), then the payload.
  static TTestZipEntry Encrypted(TTestZipEntry entry, const std::string& password) {
    entry.flags |= 1;
    const std::uint32_t crc = entry.crc.value_or(Crc32(entry.data.data(), entry.data.size()));
    const auto check = static_cast<char>((entry.flags & 8) != 0 ? entry.dosTime >> 8 : crc >> 24);
    entry.payload = TTestZipCipher(password).Encrypt(std::string("0123456789a") + check +
                                                     entry.payload.value_or(entry.data));
    return entry;
  }

 private:
  void Update(std::uint8_t b) {
    FKeys[0] = Crc32UpdateByte(FKeys[0], b);
    FKeys[1] = (FKeys[1] + (FKeys[0] & 0xFF)) * 134775813u + 1;
    FKeys[2] = Crc32UpdateByte(FKeys[2], static_cast<std::uint8_t>(FKeys[1] >> 24));
  }
  std::uint32_t FKeys[3] = {0x12345678, 0x23456789, 0x34567890};
};

#endif
