// A client session fed what a server might send: the first byte sets the size of the pieces
// in which the rest arrives (so record edges fall everywhere), each piece followed by a step
// of the handshake or, once it is done, by decrypting. Every failure must be one of the TLS
// exceptions; what the session sends back is drained as the handler drains it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "net/IdException.h"
#include "net/IdTlsSession.h"

// No store of trusted authorities is read: every run would load it again, and no input could
// lead to one of them anyway.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SSL_CERT_FILE", "/dev/null", 1);
  setenv("SSL_CERT_DIR", "/nonexistent", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t piece = static_cast<std::size_t>(data[0]) * 16 + 1;
  ++data;
  --size;
  try {
    const auto session = CreateTlsSession(u"127.0.0.1", {});
    TIdBytes outgoing;
    TIdBytes plain;
    bool done = session->Handshake();
    session->TakeOutgoing(outgoing);
    for (std::size_t offset = 0; offset < size; offset += piece) {
      session->PutReceived(data + offset, std::min(piece, size - offset));
      if (!done) {
        done = session->Handshake();
      } else if (session->Decrypt(plain)) {
        break;
      }
      outgoing.clear();
      session->TakeOutgoing(outgoing);
      plain.clear();
    }
  } catch (const EIdTLSError&) {
    // A refused server is the expected end of nearly every input.
  }
  return 0;
}
