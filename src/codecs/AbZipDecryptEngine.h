#ifndef FENDREL_CODECS_ABZIPDECRYPTENGINE_H
#define FENDREL_CODECS_ABZIPDECRYPTENGINE_H

#include <cstdint>
#include <string>

// The traditional ZIP stream cipher: three 32-bit keys set up from the password and
// advanced by every plain byte.
class TAbZipDecryptEngine {
 public:
  static constexpr int kHeaderSize = 12;

  // Sets the keys up from aPassphrase (its bytes as they are) and decrypts the 12-byte
  // header; true when its last byte equals the top byte of aCheckValue. The keys then
  // stand at the first data byte.
  bool VerifyHeader(const std::uint8_t* aHeader, const std::string& aPassphrase, std::uint32_t aCheckValue);
  std::uint8_t Decode(std::uint8_t aCh);
  // Decrypts aCount bytes in place.
  void DecodeBuffer(void* aBuffer, std::int64_t aCount);
  bool Ready() const { return FReady; }

 private:
  void UpdateKeys(std::uint8_t aPlain);

  bool FReady = false;
  std::uint32_t FState[3] = {0, 0, 0};
};

#endif
