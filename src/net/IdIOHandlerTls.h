#ifndef FENDREL_NET_IDIOHANDLERTLS_H
#define FENDREL_NET_IDIOHANDLERTLS_H

#include <cstddef>
#include <memory>
#include <vector>

#include "core/String.h"
#include "net/IdIOHandlerStack.h"
#include "net/IdTlsSession.h"

// The TLS-capable handler: the socket-backed handler with a TLS session between its buffers
// and the socket. Switched to pass-through it is the plain socket handler (http); otherwise
// every connect performs the handshake (https), with the server's certificate and host name
// always checked, and every byte read or written is protected.
//
// It keeps the connection layer's model: decrypted bytes that wait in the handler count as
// input although the socket has nothing; a record without application data (a session
// ticket) is neither input nor a close, so a poll without waiting says "nothing yet"; the
// peer's close notification is the close; a connection that ends without it is a close too,
// but every read that it ends raises EIdTLSConnectionTruncated instead of reporting a graceful
// close, so a body read until the close never ends quietly on a cut connection. ReadTimeout
// and the read deadline limit the handshake as they limit reads.
class TIdIOHandlerTls : public TIdIOHandlerStack {
 public:
  TIdIOHandlerTls();
  ~TIdIOHandlerTls() override;

  // Whether this build speaks TLS; without it the handler only passes bytes through.
  static bool TlsAvailable();

  // Pass-through (true by default): the next connect stays plain. Switch it before Connect;
  // it does not change an open connection.
  bool PassThrough() const { return FPassThrough; }
  void SetPassThrough(bool passThrough) { FPassThrough = passThrough; }
  // Certificate files (PEM) whose authorities are trusted in addition to the system's.
  const std::vector<String>& CAFiles() const { return FTrust.CAFiles; }
  void SetCAFiles(std::vector<String> files) { FTrust.CAFiles = std::move(files); }
  // Whether the open connection is protected.
  bool Secure() const { return FSession != nullptr; }

  void Open() override;
  // Sends the close notification when the connection is still whole, then closes.
  void Close() override;
  // Decrypted bytes waiting count at once; records without application data are taken in
  // and the wait goes on for the rest of the time.
  bool Readable(int msec = IdTimeoutDefault) override;
  // As the socket handler, but a close without the close notification raises
  // EIdTLSConnectionTruncated where a graceful close would be reported.
  void CheckForDisconnect(bool raiseExceptionIfDisconnected = true, bool ignoreBuffer = false) override;

 protected:
  void EstablishConnection() override;
  int ReceiveChunk(TIdBytes& buffer) override;
  int SendChunk(const TIdBytes& buffer, int offset, int length) override;

 private:
  // Performs the handshake on the connected socket.
  void Handshake(TIdTlsSession& session);
  // Receives once from the socket (waiting when nothing is there) and decrypts what arrived.
  void ReceiveRecords();
  // Sends the session's waiting records; false when the socket took nothing (the peer is gone).
  bool SendOutgoing(TIdTlsSession& session);
  bool PlainWaiting() const { return FPlainStart < FPlain.size(); }

  bool FPassThrough = true;
  TIdTlsTrust FTrust;
  std::unique_ptr<TIdTlsSession> FSession;
  // Decrypted bytes not yet handed to the input buffer, from FPlainStart on.
  TIdBytes FPlain;
  std::size_t FPlainStart = 0;
  // The peer has ended: by its close notification, or (FTruncated) without it.
  bool FPeerEnded = false;
  bool FTruncated = false;
  TIdBytes FRecords;
};

#endif
