#ifndef FENDREL_TESTS_SUPPORT_SIGNINGKEYS_H
#define FENDREL_TESTS_SUPPORT_SIGNINGKEYS_H

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "signature/ArchiveSigning.h"
#include "support/TempDirectory.h"

namespace testsupport {

// The key pair the keyed test updater trusts: its public half is fixed in
// tests/updater/CMakeLists.txt ("znT4wjm5sS8Fl6rNeaO8QrDmLjohSydskQUoH0WxWXI=").
inline signature::TKeyPair TrustedTestKeys() {
  std::array<std::uint8_t, 32> seed{};
  for (std::size_t i = 0; i < seed.size(); ++i) seed[i] = static_cast<std::uint8_t>(0x46 + i * 3);
  return signature::KeyPairFromSeed(seed);
}

// A key pair nobody trusts.
inline signature::TKeyPair OtherTestKeys() {
  std::array<std::uint8_t, 32> seed{};
  for (std::size_t i = 0; i < seed.size(); ++i) seed[i] = static_cast<std::uint8_t>(0xA1 + i * 5);
  return signature::KeyPairFromSeed(seed);
}

// The archive bytes signed for the version, as the publisher's tool signs a file.
inline std::string SignedZip(const std::string& archive, const signature::TSecretKey& key,
                             std::string_view version) {
  TTempDirectory scratch;
  const std::string path = scratch / "update.zip";
  TTempDirectory::WriteFile(path, archive);
  signature::SignArchive(FromUtf8(path), key, version);
  return TTempDirectory::ReadFile(path);
}

}  // namespace testsupport

#endif
