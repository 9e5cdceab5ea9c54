#ifndef FENDREL_NET_IDEXCEPTION_H
#define FENDREL_NET_IDEXCEPTION_H

#include <cstdint>
#include <utility>

#include "core/Exception.h"
#include "core/String.h"

// The network classes' exception family and their German messages.

// --- Message texts --------------------------------------------------------------------

// Connection and buffered I/O.
inline constexpr char16_t SIdConnClosedGracefully[] = u"Die Verbindung wurde erfolgreich geschlossen.";
inline constexpr char16_t SIdReadTimeout[] = u"Zeitüberschreitung beim Lesen.";
inline constexpr char16_t SIdReadLnMaxLineLengthExceeded[] = u"Max. Zeilenlänge überschritten.";
inline constexpr char16_t SIdNotConnected[] = u"Nicht verbunden";
inline constexpr char16_t SIdClosedSocket[] = u"Verbindung getrennt.";
inline constexpr char16_t SIdStreamDataTooLarge[] = u"Daten sind für den Stream zu groß";
inline constexpr char16_t SIdRequiresLargeStream[] =
    u"Setzen Sie LargeStream auf True, um Streams, die größer als 2 GB sind, zu senden";
inline constexpr char16_t SIdNoDataToRead[] = u"Keine Daten für den Lesezugriff.";

// Connection establishment.
inline constexpr char16_t SIdAlreadyConnected[] = u"Verbindung besteht bereits.";
inline constexpr char16_t SIdConnectTimeout[] = u"Zeitüberschreitung der Verbindung.";
inline constexpr char16_t SIdInterceptAlreadyAssigned[] =
    u"Dem IOHandler wurde bereits ein anderes Intercept zugewiesen";

// Socket layer. The socket error text is followed by CR LF when it is raised.
inline constexpr char16_t SIdSocketError[] = u"Socket-Fehler # %d%s";
inline constexpr char16_t SIdIPVersionUnsupported[] =
    u"Die angeforderte IPVersion-/Adress-Familie wird nicht unterstützt.";
inline constexpr char16_t SIdIPv6Unavailable[] = u"IPv6 nicht verfügbar";
inline constexpr char16_t SIdInvalidIPv6Address[] = u"%s ist keine gültige IPv6-Adresse";
inline constexpr char16_t SIdWinsockLoadError[] = u"Fehler beim Laden der Winsock2-Bibliothek (%s)";
inline constexpr char16_t SIdWinsockCallError[] = u"Fehler beim Aufruf der Winsock2-Bibliotheksfunktion %s";
inline constexpr char16_t SIdCouldNotBindSocket[] =
    u"Socket konnte nicht gebunden werden. Adresse und Port werden bereits verwendet.";
inline constexpr char16_t SIdInvalidPortRange[] = u"Ungültiger Port-Bereich (%d - %d)";
inline constexpr char16_t SIdCanNotBindPortInRange[] =
    u"Port-Bereich (%d - %d) kann nicht eingebunden werden";
inline constexpr char16_t SIdCannotSetIPVersionWhenConnected[] =
    u"Wenn verbunden, kann IPVersion nicht verändert werden";

// TLS. The first argument of each is the host as the URL names it.
inline constexpr char16_t SIdTLSCertificateUntrusted[] =
    u"Das Zertifikat des Servers %s ist nicht vertrauenswürdig: %s";
inline constexpr char16_t SIdTLSUnknownIssuer[] =
    u"Es stammt von keiner vertrauenswürdigen Zertifizierungsstelle.";
inline constexpr char16_t SIdTLSCertificateExpired[] = u"Es ist abgelaufen.";
inline constexpr char16_t SIdTLSCertificateNotYetValid[] = u"Es ist noch nicht gültig.";
inline constexpr char16_t SIdTLSCertificateRevoked[] = u"Es wurde widerrufen.";
inline constexpr char16_t SIdTLSCertificateCheckFailed[] = u"Die Prüfung ist fehlgeschlagen (%s).";
inline constexpr char16_t SIdTLSHostNameMismatch[] =
    u"Das Zertifikat des Servers gilt nicht für den Host %s.";
inline constexpr char16_t SIdTLSHandshakeFailed[] =
    u"Der TLS-Verbindungsaufbau mit %s ist fehlgeschlagen: %s";
inline constexpr char16_t SIdTLSPeerClosedHandshake[] = u"Der Server hat die Verbindung beendet.";
inline constexpr char16_t SIdTLSNotTls[] = u"Der Server antwortet nicht mit TLS.";
inline constexpr char16_t SIdTLSNoCommonVersion[] = u"Der Server bietet weder TLS 1.2 noch TLS 1.3 an.";
inline constexpr char16_t SIdTLSProtocolFailure[] = u"Fehler im TLS-Protokoll (%s).";
inline constexpr char16_t SIdTLSConnectionFailed[] = u"Fehler in der TLS-Verbindung mit %s: %s";
inline constexpr char16_t SIdTLSConnectionTruncated[] =
    u"Die Verbindung wurde ohne TLS-Abschlussmeldung beendet; die empfangenen Daten können unvollständig "
    u"sein.";
inline constexpr char16_t SIdTLSCAFileUnreadable[] = u"Die Zertifikatsdatei %s kann nicht gelesen werden.";
inline constexpr char16_t SIdTLSUnavailable[] = u"TLS ist nicht verfügbar: %s";
// The detail of SIdTLSUnavailable when the loaded library lacks a function: function, library.
inline constexpr char16_t SIdTLSFunctionMissing[] = u"%s fehlt in %s";

// Byte buffer.
inline constexpr char16_t SIdTooMuchDataInBuffer[] = u"Zu viele Daten im Puffer.";
inline constexpr char16_t SIdNotEnoughDataInBuffer[] = u"Nicht genügend Daten im Puffer. (%d/%d)";
inline constexpr char16_t SIdBufferMissingTerminator[] = u"Pufferbegrenzer muss angegeben werden.";
inline constexpr char16_t SIdBufferInvalidStartPos[] = u"Pufferstartposition ist ungültig.";
inline constexpr char16_t SIdBufferCapacityTooSmall[] = u"Capacity cannot be smaller than Size";
inline constexpr char16_t SIdBufferNoBytes[] = u"No bytes in buffer.";
inline constexpr char16_t SIdBufferIndexOutOfBounds[] = u"Index out of bounds.";

// --- Classes ------------------------------------------------------------------------------

class EIdException : public Exception {
 public:
  explicit EIdException(String message = String()) : Exception(std::move(message)) {}
  String ClassName() const override { return u"EIdException"; }
};

// Failures that callers treat as an expected end rather than an error.
class EIdSilentException : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdSilentException"; }
};

class EIdConnClosedGracefully : public EIdSilentException {
 public:
  explicit EIdConnClosedGracefully(String message = SIdConnClosedGracefully)
      : EIdSilentException(std::move(message)) {}
  String ClassName() const override { return u"EIdConnClosedGracefully"; }
};

class EIdReadTimeout : public EIdException {
 public:
  explicit EIdReadTimeout(String message = SIdReadTimeout) : EIdException(std::move(message)) {}
  String ClassName() const override { return u"EIdReadTimeout"; }
};

class EIdReadLnMaxLineLengthExceeded : public EIdException {
 public:
  explicit EIdReadLnMaxLineLengthExceeded(String message = SIdReadLnMaxLineLengthExceeded)
      : EIdException(std::move(message)) {}
  String ClassName() const override { return u"EIdReadLnMaxLineLengthExceeded"; }
};

class EIdClosedSocket : public EIdException {
 public:
  explicit EIdClosedSocket(String message = SIdClosedSocket) : EIdException(std::move(message)) {}
  String ClassName() const override { return u"EIdClosedSocket"; }
};

class EIdNotConnected : public EIdException {
 public:
  explicit EIdNotConnected(String message = SIdNotConnected) : EIdException(std::move(message)) {}
  String ClassName() const override { return u"EIdNotConnected"; }
};

class EIdIOHandler : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdIOHandler"; }
};

class EIdIOHandlerStreamDataTooLarge : public EIdIOHandler {
 public:
  explicit EIdIOHandlerStreamDataTooLarge(String message = SIdStreamDataTooLarge)
      : EIdIOHandler(std::move(message)) {}
  String ClassName() const override { return u"EIdIOHandlerStreamDataTooLarge"; }
};

class EIdIOHandlerRequiresLargeStream : public EIdIOHandler {
 public:
  explicit EIdIOHandlerRequiresLargeStream(String message = SIdRequiresLargeStream)
      : EIdIOHandler(std::move(message)) {}
  String ClassName() const override { return u"EIdIOHandlerRequiresLargeStream"; }
};

class EIdTCPConnectionError : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdTCPConnectionError"; }
};

class EIdNoDataToRead : public EIdTCPConnectionError {
 public:
  explicit EIdNoDataToRead(String message = SIdNoDataToRead) : EIdTCPConnectionError(std::move(message)) {}
  String ClassName() const override { return u"EIdNoDataToRead"; }
};

class EIdAlreadyConnected : public EIdException {
 public:
  explicit EIdAlreadyConnected(String message = SIdAlreadyConnected) : EIdException(std::move(message)) {}
  String ClassName() const override { return u"EIdAlreadyConnected"; }
};

class EIdHostRequired : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdHostRequired"; }
};

class EIdPortRequired : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdPortRequired"; }
};

class EIdConnectTimeout : public EIdException {
 public:
  explicit EIdConnectTimeout(String message = SIdConnectTimeout) : EIdException(std::move(message)) {}
  String ClassName() const override { return u"EIdConnectTimeout"; }
};

class EIdConnectException : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdConnectException"; }
};

// A failed socket call. LastError is the Windows Sockets error number; the message is
// the stack's translation of it (see TIdStack::WSTranslateSocketErrorMsg).
class EIdSocketError : public EIdException {
 public:
  EIdSocketError(int lastError, String message) : EIdException(std::move(message)), FLastError(lastError) {}
  int LastError() const { return FLastError; }
  String ClassName() const override { return u"EIdSocketError"; }

 private:
  int FLastError;
};

// Error 10038: the operation was attempted on something that is not a socket.
class EIdNotASocket : public EIdSocketError {
 public:
  using EIdSocketError::EIdSocketError;
  String ClassName() const override { return u"EIdNotASocket"; }
};

class EIdStackError : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdStackError"; }
};

class EIdStackInitializationFailed : public EIdStackError {
 public:
  using EIdStackError::EIdStackError;
  String ClassName() const override { return u"EIdStackInitializationFailed"; }
};

class EIdIPVersionUnsupported : public EIdStackError {
 public:
  explicit EIdIPVersionUnsupported(String message = SIdIPVersionUnsupported)
      : EIdStackError(std::move(message)) {}
  String ClassName() const override { return u"EIdIPVersionUnsupported"; }
};

class EIdIPv6Unavailable : public EIdException {
 public:
  explicit EIdIPv6Unavailable(String message = SIdIPv6Unavailable) : EIdException(std::move(message)) {}
  String ClassName() const override { return u"EIdIPv6Unavailable"; }
};

class EIdInvalidIPv6Address : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdInvalidIPv6Address"; }
};

// Loading the socket library or one of its functions failed. The message is the title,
// followed by ": " and the system's text for the error when the error is not 0.
class EIdWinsockStubError : public EIdException {
 public:
  EIdWinsockStubError(int win32Error, String title, String win32ErrorMessage)
      : EIdException(win32Error != 0 ? title + u": " + win32ErrorMessage : title),
        FWin32Error(win32Error),
        FWin32ErrorMessage(win32Error != 0 ? std::move(win32ErrorMessage) : String()),
        FTitle(std::move(title)) {}
  int Win32Error() const { return FWin32Error; }
  const String& Win32ErrorMessage() const { return FWin32ErrorMessage; }
  const String& Title() const { return FTitle; }
  String ClassName() const override { return u"EIdWinsockStubError"; }

 private:
  int FWin32Error;
  String FWin32ErrorMessage;
  String FTitle;
};

class EIdSocketHandleError : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdSocketHandleError"; }
};

class EIdCouldNotBindSocket : public EIdSocketHandleError {
 public:
  explicit EIdCouldNotBindSocket(String message = SIdCouldNotBindSocket)
      : EIdSocketHandleError(std::move(message)) {}
  String ClassName() const override { return u"EIdCouldNotBindSocket"; }
};

class EIdInvalidPortRange : public EIdSocketHandleError {
 public:
  using EIdSocketHandleError::EIdSocketHandleError;
  String ClassName() const override { return u"EIdInvalidPortRange"; }
};

class EIdCanNotBindPortInRange : public EIdSocketHandleError {
 public:
  using EIdSocketHandleError::EIdSocketHandleError;
  String ClassName() const override { return u"EIdCanNotBindPortInRange"; }
};

class EIdCannotSetIPVersionWhenConnected : public EIdSocketHandleError {
 public:
  explicit EIdCannotSetIPVersionWhenConnected(String message = SIdCannotSetIPVersionWhenConnected)
      : EIdSocketHandleError(std::move(message)) {}
  String ClassName() const override { return u"EIdCannotSetIPVersionWhenConnected"; }
};

// A failure of the TLS layer over a connection: the server's certificate, the handshake, or
// the protected stream. The connection is closed after it.
class EIdTLSError : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdTLSError"; }
};

// The server's certificate chain does not lead to a trusted authority, or is not valid now.
class EIdTLSCertificateUntrusted : public EIdTLSError {
 public:
  using EIdTLSError::EIdTLSError;
  String ClassName() const override { return u"EIdTLSCertificateUntrusted"; }
};

// A trusted certificate that names another host.
class EIdTLSHostNameMismatch : public EIdTLSError {
 public:
  using EIdTLSError::EIdTLSError;
  String ClassName() const override { return u"EIdTLSHostNameMismatch"; }
};

// The handshake failed for another reason: no TLS, no common version, a close or an alert.
class EIdTLSHandshakeFailed : public EIdTLSError {
 public:
  using EIdTLSError::EIdTLSError;
  String ClassName() const override { return u"EIdTLSHandshakeFailed"; }
};

// The protected stream broke after the handshake (a damaged record, an alert).
class EIdTLSConnectionFailed : public EIdTLSError {
 public:
  using EIdTLSError::EIdTLSError;
  String ClassName() const override { return u"EIdTLSConnectionFailed"; }
};

// The peer ended the connection without its TLS close notification, so whoever could cut
// the connection could have cut what was read: never a quiet end of data.
class EIdTLSConnectionTruncated : public EIdTLSError {
 public:
  explicit EIdTLSConnectionTruncated(String message = SIdTLSConnectionTruncated)
      : EIdTLSError(std::move(message)) {}
  String ClassName() const override { return u"EIdTLSConnectionTruncated"; }
};

// The TLS library could not be set up, or an extra certificate file could not be read.
class EIdTLSSetupFailed : public EIdTLSError {
 public:
  using EIdTLSError::EIdTLSError;
  String ClassName() const override { return u"EIdTLSSetupFailed"; }
};

class EIdTooMuchDataInBuffer : public EIdException {
 public:
  explicit EIdTooMuchDataInBuffer(String message = SIdTooMuchDataInBuffer)
      : EIdException(std::move(message)) {}
  String ClassName() const override { return u"EIdTooMuchDataInBuffer"; }
};

class EIdNotEnoughDataInBuffer : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdNotEnoughDataInBuffer"; }
};

#endif
