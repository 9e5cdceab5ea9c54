#ifndef FENDREL_HTTP_IDHTTPEXCEPTION_H
#define FENDREL_HTTP_IDHTTPEXCEPTION_H

#include <utility>

#include "core/String.h"
#include "net/IdException.h"

// The HTTP client's exception classes and texts.

inline constexpr char16_t SIdUnknownProtocol[] = u"Unbekanntes Protokoll";
inline constexpr char16_t SIdIOHandlerPropInvalid[] = u"Wert für IOHandler ist ungültig";
inline constexpr char16_t SIdHTTPMethodRequiresVersion[] = u"Anforderungsmethode erfordert HTTP Version 1.1";
inline constexpr char16_t SIdHTTPInvalidPort[] = u"Ungültiger Port in der URL: \"%s\"";

// Texts of a response whose framing is broken.
inline constexpr char16_t SIdHTTPBadChunkSize[] = u"Ungültige Chunk-Größe in der Antwort des Servers.";
inline constexpr char16_t SIdHTTPChunkNotTerminated[] =
    u"Ein Chunk der Antwort des Servers ist nicht korrekt abgeschlossen.";
inline constexpr char16_t SIdHTTPTooManyHeaderLines[] = u"Die Antwort des Servers hat zu viele Kopfzeilen.";
inline constexpr char16_t SIdHTTPTooManyTrailerLines[] =
    u"Die Antwort des Servers hat zu viele Trailer-Zeilen.";
inline constexpr char16_t SIdHTTPTooManyInterimResponses[] =
    u"Der Server hat zu viele Zwischenantworten (100 Continue) gesendet.";

class EIdUnknownProtocol : public EIdException {
 public:
  explicit EIdUnknownProtocol(String message = SIdUnknownProtocol) : EIdException(std::move(message)) {}
  String ClassName() const override { return u"EIdUnknownProtocol"; }
};

class EIdIOHandlerPropInvalid : public EIdException {
 public:
  explicit EIdIOHandlerPropInvalid(String message = SIdIOHandlerPropInvalid)
      : EIdException(std::move(message)) {}
  String ClassName() const override { return u"EIdIOHandlerPropInvalid"; }
};

// A URL whose port is not a number from 1 to 65535; raised before any connection.
class EIdHTTPInvalidPort : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdHTTPInvalidPort"; }
};

// A response that cannot be framed: a broken chunk, too many header, trailer or interim lines.
// The connection is dropped after it.
class EIdHTTPBrokenResponse : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdHTTPBrokenResponse"; }
};

class EIdReplyError : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdReplyError"; }
};

// A reply with an error code and the text that came with it.
class EIdReplyRFCError : public EIdReplyError {
 public:
  EIdReplyRFCError(int errorCode, String replyMessage)
      : EIdReplyError(std::move(replyMessage)), FErrorCode(errorCode) {}
  int ErrorCode() const { return FErrorCode; }
  String ClassName() const override { return u"EIdReplyRFCError"; }

 private:
  int FErrorCode;
};

// An HTTP status the request does not accept: the message is the status line as received,
// ErrorCode its number (-1 for an unreadable line), ErrorMessage the decoded response body.
class EIdHTTPProtocolException : public EIdReplyRFCError {
 public:
  EIdHTTPProtocolException(int errorCode, String replyMessage, String errorMessage = String())
      : EIdReplyRFCError(errorCode, std::move(replyMessage)), FErrorMessage(std::move(errorMessage)) {}
  static EIdHTTPProtocolException CreateError(int errCode, const String& replyMessage,
                                              const String& errorMessage) {
    return EIdHTTPProtocolException(errCode, replyMessage, errorMessage);
  }
  const String& ErrorMessage() const { return FErrorMessage; }
  String ClassName() const override { return u"EIdHTTPProtocolException"; }

 private:
  String FErrorMessage;
};

#endif
