#ifndef FENDREL_NET_IDTLSSESSION_H
#define FENDREL_NET_IDTLSSESSION_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/String.h"
#include "net/IdGlobal.h"

// One TLS client session, kept apart from the socket: the handler moves the bytes. What
// arrives from the peer goes in with PutReceived; what the session has for the peer comes out
// of TakeOutgoing. The platform's TLS library sits behind it (one implementation per
// operating system). Only TLS 1.2 and 1.3 are offered, and the server's certificate is always
// checked against the trusted authorities and the host name.
//
// Every failure raises one of the EIdTLSError classes with the host in its message.
class TIdTlsSession {
 public:
  virtual ~TIdTlsSession() = default;

  // Records that arrived from the peer, in order.
  virtual void PutReceived(const std::uint8_t* data, std::size_t size) = 0;
  // Appends the records waiting to go to the peer and forgets them.
  virtual void TakeOutgoing(TIdBytes& out) = 0;

  // Takes the handshake as far as the received records allow; true once it is complete (the
  // certificate and the host name checked).
  virtual bool Handshake() = 0;
  // Appends the application data of the received records to plain. Records without
  // application data (session tickets, key updates) are taken in silently. True once the
  // peer's close notification has been read; nothing follows it.
  virtual bool Decrypt(TIdBytes& plain) = 0;
  // Protects size bytes of application data; the records wait in the outgoing bytes.
  virtual void Encrypt(const std::uint8_t* data, std::size_t size) = 0;
  // Queues the close notification.
  virtual void Shutdown() = 0;
};

// Where a session takes its trust from: the system's store (and the library's own settings,
// such as SSL_CERT_FILE on Linux) and the certificates in these files in addition.
struct TIdTlsTrust {
  std::vector<String> CAFiles;
};

// Whether this build can make sessions at all.
bool TlsSessionsAvailable();

// A session for a connection to host (a name or an address, as the URL gives it). Raises
// EIdTLSSetupFailed when the library or a certificate file fails.
std::unique_ptr<TIdTlsSession> CreateTlsSession(const String& host, const TIdTlsTrust& trust);

#endif
