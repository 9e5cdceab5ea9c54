// A build without TLS: no sessions, so https is refused before any connection.
#include "net/IdException.h"
#include "net/IdTlsSession.h"

bool TlsSessionsAvailable() {
  return false;
}

std::unique_ptr<TIdTlsSession> CreateTlsSession(const String& /*host*/, const TIdTlsTrust& /*trust*/) {
  throw EIdTLSSetupFailed(Format(SIdTLSUnavailable, {String(u"nicht in diesen Build aufgenommen")}));
}
