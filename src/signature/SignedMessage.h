#ifndef FENDREL_SIGNATURE_SIGNEDMESSAGE_H
#define FENDREL_SIGNATURE_SIGNEDMESSAGE_H

#include <sodium.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "signature/SignatureComment.h"

class TStream;

namespace signature {

// What a signature covers, fed in piece by piece: the archive's bytes before its comment,
// then the version text. Only a hash of it is kept, so archives of any size take the
// same memory.
class TSignedMessage {
 public:
  TSignedMessage();
  TSignedMessage(const TSignedMessage&) = delete;
  TSignedMessage& operator=(const TSignedMessage&) = delete;

  void Add(const std::uint8_t* bytes, std::size_t count);
  void Add(std::string_view text);
  // Adds the stream's first count bytes, read from its start; raises EReadError when
  // the stream holds fewer.
  void AddStreamStart(TStream& stream, std::int64_t count);

  // Each ends the message.
  bool Verify(const TSignatureBytes& signature, const std::array<std::uint8_t, 32>& publicKey);
  TSignatureBytes Sign(const std::array<std::uint8_t, 64>& secretKey);

 private:
  crypto_sign_state FState;
};

}  // namespace signature

#endif
