// Arbitrary bytes through the traditional decryption's header check and data stream.
// Input: one byte n, a password of n % 16 bytes, a 32-bit check value, then the entry's
// data. Data shorter than the header must raise the read error; a failed check must
// leave the data at the header; an accepted one must decrypt the rest alike whatever
// the read sizes, and alike byte by byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "codecs/AbDfDecryptStream.h"
#include "codecs/AbZipDecryptEngine.h"
#include "core/Exception.h"
#include "core/Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const std::size_t length = data[0] % 16;
  if (size < 5 + length) return 0;
  const std::string password(reinterpret_cast<const char*>(data + 1), length);
  const std::uint8_t* at = data + 1 + length;
  const std::uint32_t check = static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
                              static_cast<std::uint32_t>(at[2]) << 16 |
                              static_cast<std::uint32_t>(at[3]) << 24;
  at += 4;
  const std::size_t count = size - static_cast<std::size_t>(at - data);

  TMemoryStream encrypted;
  encrypted.Write(at, static_cast<std::int64_t>(count));
  encrypted.SetPosition(0);
  TAbDfDecryptStream stream(encrypted, password, check);
  bool valid = false;
  try {
    valid = stream.IsValid();
  } catch (const EReadError&) {
    if (count >= TAbZipDecryptEngine::kHeaderSize) std::abort();
    return 0;
  }
  if (count < TAbZipDecryptEngine::kHeaderSize) std::abort();
  if (!valid) {
    if (encrypted.Position() != 0) std::abort();
    return 0;
  }

  // The rest in reads of varying sizes...
  std::vector<std::uint8_t> chunked;
  std::uint8_t buffer[300];
  for (std::size_t i = 0;; ++i) {
    const std::int64_t want = 1 + (length == 0 ? 299 : data[1 + i % length] % 300);
    const std::int64_t got = stream.Read(buffer, want);
    if (got < 0 || got > want) std::abort();
    if (got == 0) break;
    chunked.insert(chunked.end(), buffer, buffer + got);
  }
  // ...and byte by byte from the header on.
  TAbZipDecryptEngine engine;
  if (!engine.VerifyHeader(at, password, check)) std::abort();
  if (chunked.size() != count - TAbZipDecryptEngine::kHeaderSize) std::abort();
  for (std::size_t i = 0; i < chunked.size(); ++i)
    if (engine.Decode(at[TAbZipDecryptEngine::kHeaderSize + i]) != chunked[i]) std::abort();
  return 0;
}
