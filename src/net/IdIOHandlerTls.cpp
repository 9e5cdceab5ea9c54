#include "net/IdIOHandlerTls.h"

#include <algorithm>
#include <cstring>

#include "core/CleanUp.h"
#include "net/IdException.h"

TIdIOHandlerTls::TIdIOHandlerTls() = default;

TIdIOHandlerTls::~TIdIOHandlerTls() = default;

bool TIdIOHandlerTls::TlsAvailable() {
  return TlsSessionsAvailable();
}

void TIdIOHandlerTls::Open() {
  FSession.reset();
  FPlain.clear();
  FPlainStart = 0;
  FPeerEnded = false;
  FTruncated = false;
  TIdIOHandlerStack::Open();
}

void TIdIOHandlerTls::Close() {
  if (FSession && HasSocket() && Opened() && !ClosedGracefully() && !FPeerEnded) {
    try {
      FSession->Shutdown();
      SendOutgoing(*FSession);
    } catch (...) {
      // A peer that is already gone needs no farewell.
    }
  }
  FSession.reset();
  FPlain.clear();
  FPlainStart = 0;
  TIdIOHandlerStack::Close();
}

void TIdIOHandlerTls::EstablishConnection() {
  TIdIOHandlerStack::EstablishConnection();
  if (FPassThrough) return;
  // A fully qualified name ("good.test.") is the same host: it is sent as the server name and
  // checked against the certificate without its one trailing dot.
  String name = Host();
  if (name.size() > 1 && name.back() == u'.') name.pop_back();
  std::unique_ptr<TIdTlsSession> session = CreateTlsSession(name, FTrust);
  Handshake(*session);
  FSession = std::move(session);
  // Records that came with the end of the handshake are taken in at once.
  if (FSession->Decrypt(FPlain)) FPeerEnded = true;
}

void TIdIOHandlerTls::Handshake(TIdTlsSession& session) {
  int timeout = ReadTimeout();
  if (timeout == IdTimeoutDefault || timeout == 0) timeout = IdTimeoutInfinite;
  for (;;) {
    bool done = false;
    try {
      done = session.Handshake();
    } catch (const EIdTLSError&) {
      // The alert that tells the server why goes out before the failure is reported; the
      // failure of the handshake is the one to report.
      CleanUpQuietly([this, &session] { SendOutgoing(session); });
      throw;
    }
    SendOutgoing(session);
    if (done) return;
    int wait = timeout;
    if (!ApplyReadDeadline(wait) || !Binding()->Readable(wait)) throw EIdReadTimeout();
    const std::size_t room = static_cast<std::size_t>(std::max(RecvBufferSize(), 1));
    if (FRecords.size() != room) FRecords.assign(room, 0);
    const int received = Binding()->Receive(FRecords);
    if (received == 0)
      throw EIdTLSHandshakeFailed(Format(SIdTLSHandshakeFailed, {Host(), String(SIdTLSPeerClosedHandshake)}));
    session.PutReceived(FRecords.data(), static_cast<std::size_t>(received));
  }
}

bool TIdIOHandlerTls::SendOutgoing(TIdTlsSession& session) {
  TIdBytes records;
  session.TakeOutgoing(records);
  int position = 0;
  const int size = static_cast<int>(records.size());
  while (position < size) {
    const int sent = Binding()->Send(records, position, size - position);
    if (sent == 0) return false;
    position += sent;
  }
  return true;
}

void TIdIOHandlerTls::ReceiveRecords() {
  const std::size_t room = static_cast<std::size_t>(std::max(RecvBufferSize(), 1));
  if (FRecords.size() != room) FRecords.assign(room, 0);
  const int received = Binding()->Receive(FRecords);
  if (received == 0) {
    // The socket ended without the close notification.
    FPeerEnded = true;
    FTruncated = true;
    return;
  }
  if (!PlainWaiting()) {
    FPlain.clear();
    FPlainStart = 0;
  }
  FSession->PutReceived(FRecords.data(), static_cast<std::size_t>(received));
  if (FSession->Decrypt(FPlain)) FPeerEnded = true;
  // Answers the session owes the peer (a key update) go out at once.
  SendOutgoing(*FSession);
}

bool TIdIOHandlerTls::Readable(int msec) {
  if (!FSession) return TIdIOHandlerStack::Readable(msec);
  if (PlainWaiting() || FPeerEnded) return true;
  if (Binding() == nullptr) throw EIdConnClosedGracefully();
  const std::uint32_t start = CurrentTicks();
  int wait = msec;
  for (;;) {
    if (!Binding()->Readable(wait)) return false;
    ReceiveRecords();
    if (PlainWaiting() || FPeerEnded) return true;
    // Only records without application data came: a poll has its answer, a limited wait
    // goes on for the rest of its time.
    if (msec == 0) return false;
    if (msec > 0) {
      const std::uint32_t elapsed = TicksElapsed(start, CurrentTicks());
      if (elapsed >= static_cast<std::uint32_t>(msec)) return false;
      wait = msec - static_cast<int>(elapsed);
    }
  }
}

int TIdIOHandlerTls::ReceiveChunk(TIdBytes& buffer) {
  if (!FSession) return TIdIOHandlerStack::ReceiveChunk(buffer);
  while (!PlainWaiting() && !FPeerEnded) ReceiveRecords();
  if (!PlainWaiting()) return 0;
  const std::size_t count = std::min(buffer.size(), FPlain.size() - FPlainStart);
  std::memcpy(buffer.data(), FPlain.data() + FPlainStart, count);
  FPlainStart += count;
  return static_cast<int>(count);
}

int TIdIOHandlerTls::SendChunk(const TIdBytes& buffer, int offset, int length) {
  if (!FSession) return TIdIOHandlerStack::SendChunk(buffer, offset, length);
  if (length <= 0) return 0;
  FSession->Encrypt(buffer.data() + offset, static_cast<std::size_t>(length));
  return SendOutgoing(*FSession) ? length : 0;
}

void TIdIOHandlerTls::CheckForDisconnect(bool raiseExceptionIfDisconnected, bool ignoreBuffer) {
  if (!FTruncated || !raiseExceptionIfDisconnected) {
    TIdIOHandlerStack::CheckForDisconnect(raiseExceptionIfDisconnected, ignoreBuffer);
    return;
  }
  try {
    TIdIOHandlerStack::CheckForDisconnect(raiseExceptionIfDisconnected, ignoreBuffer);
  } catch (const EIdConnClosedGracefully&) {
    throw EIdTLSConnectionTruncated();
  }
}
