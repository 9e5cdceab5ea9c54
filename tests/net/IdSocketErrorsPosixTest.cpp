#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>

#include "net/IdException.h"
#include "net/IdStack.h"
#include "net/posix/IdSocketErrorsPosix.h"

namespace {

class SocketErrorMappingTest : public ::testing::Test {
 protected:
  TIdStackUsage FUsage;
  TIdStack& Stack() { return GlobalStack(); }
  // The message the error number raises with: the number, its text, CR LF.
  String Message(int number, const char16_t* text) {
    return u"Socket-Fehler # " + IntToStr(number) + text + u"\r\n";
  }
};

struct Mapping {
  int Posix;
  int WinSock;
  const char16_t* Text;
};

TEST_F(SocketErrorMappingTest, ErrnoValuesBecomeTheWindowsSocketsNumbersAndTexts) {
  const Mapping cases[] = {
      {EINTR, 10004, u"Unterbrochener Systemaufruf."},
      {EBADF, 10009, u"Falsche Dateinummer."},
      {EACCES, 10013, u"Zugriff verweigert."},
      {EPERM, 10013, u"Zugriff verweigert."},
      {EFAULT, 10014, u"Pufferfehler."},
      {EINVAL, 10022, u"Ungültiges Argument."},
      {EMFILE, 10024, u"Zu viele geöffnete Dateien."},
      {ENFILE, 10024, u"Zu viele geöffnete Dateien."},
      {EWOULDBLOCK, 10035, u"Operation würde blockieren."},
      {EAGAIN, 10035, u"Operation würde blockieren."},
      {EINPROGRESS, 10036, u"Die Operation wird gerade durchgeführt."},
      {EALREADY, 10037, u"Operation wird bereits verarbeitet."},
      {ENOTSOCK, 10038, u"Socket-Operation für Nicht-Socket."},
      {EDESTADDRREQ, 10039, u"Zieladresse erforderlich."},
      {EMSGSIZE, 10040, u"Nachricht zu lang."},
      {EPROTOTYPE, 10041, u"Falscher Protokolltyp für Socket."},
      {ENOPROTOOPT, 10042, u"Falsche Protokolloption."},
      {EPROTONOSUPPORT, 10043, u"Protokoll nicht unterstützt."},
      {ESOCKTNOSUPPORT, 10044, u"Socket-Typ wird nicht unterstützt."},
      {EOPNOTSUPP, 10045, u"Operation für Socket nicht unterstützt."},
      {EPFNOSUPPORT, 10046, u"Protokollfamilie nicht unterstützt."},
      {EAFNOSUPPORT, 10047, u"Die Adressfamilie wird von der Protokollfamilie nicht unterstützt."},
      {EADDRINUSE, 10048, u"Adresse wird bereits verwendet."},
      {EADDRNOTAVAIL, 10049, u"Angeforderte Adresse kann nicht zugewiesen werden."},
      {ENETDOWN, 10050, u"Netzwerk ist heruntergefahren."},
      {ENETUNREACH, 10051, u"Netzwerk ist nicht erreichbar."},
      {ENETRESET, 10052, u"Netz hat die Verbindung verloren oder zurückgesetzt."},
      {ECONNABORTED, 10053, u"Software verursachte einen Verbindungsabbruch."},
      {ECONNRESET, 10054, u"Die Verbindung wurde von Peer zurückgesetzt."},
      {EPIPE, 10054, u"Die Verbindung wurde von Peer zurückgesetzt."},
      {ENOBUFS, 10055, u"Kein Pufferplatz verfügbar."},
      {ENOMEM, 10055, u"Kein Pufferplatz verfügbar."},
      {EISCONN, 10056, u"Socket ist bereits verbunden."},
      {ENOTCONN, 10057, u"Socket ist nicht verbunden."},
      {ESHUTDOWN, 10058, u"Nach Schließen des Socket kann weder gesendet noch empfangen werden."},
      {ETOOMANYREFS, 10059, u"Zu viele Referenzen; keine Verbindungen möglich."},
      {ETIMEDOUT, 10060, u"Zeitüberschreitung bei Verbindung."},
      {ECONNREFUSED, 10061, u"Verbindung abgelehnt."},
      {ELOOP, 10062, u"Zu viele Ebenen symbolischer Verknüpfungen."},
      {ENAMETOOLONG, 10063, u"Dateiname zu lang."},
      {EHOSTDOWN, 10064, u"Host ist heruntergefahren."},
      {EHOSTUNREACH, 10065, u"Keine Route zum Host."},
      {ENOTEMPTY, 10066, u"Verzeichnis ist nicht leer"},
      // Without a counterpart the number passes unchanged, with no text.
      {EIO, EIO, u""},
  };
  for (const auto& c : cases) {
    const int number = SocketErrorFromErrno(c.Posix);
    EXPECT_EQ(number, c.WinSock) << "errno " << c.Posix;
    EXPECT_EQ(Stack().WSTranslateSocketErrorMsg(number), Message(c.WinSock, c.Text)) << "errno " << c.Posix;
  }
}

TEST_F(SocketErrorMappingTest, ResolverResultsBecomeTheWindowsSocketsNumbersAndTexts) {
  struct Case {
    int Result;
    int Errno;
    int WinSock;
    const char16_t* Text;
  };
  const Case cases[] = {
      {EAI_NONAME, 0, 11001, u"Host nicht gefunden."},
      {EAI_AGAIN, 0, 11002, u""},
      {EAI_FAIL, 0, 11003, u""},
      {EAI_NODATA, 0, 11004, u""},
      {EAI_ADDRFAMILY, 0, 11004, u""},
      {EAI_BADFLAGS, 0, 10022, u"Ungültiges Argument."},
      {EAI_FAMILY, 0, 10047, u"Die Adressfamilie wird von der Protokollfamilie nicht unterstützt."},
      {EAI_MEMORY, 0, 8, u""},
      {EAI_SERVICE, 0, 10109, u""},
      {EAI_SOCKTYPE, 0, 10044, u"Socket-Typ wird nicht unterstützt."},
      // A system error is the errno value's mapping; one without its number is a
      // resolver failure that cannot be recovered from.
      {EAI_SYSTEM, ECONNREFUSED, 10061, u"Verbindung abgelehnt."},
      {EAI_SYSTEM, 0, 11003, u""},
      // Results the table does not know never surface as negative numbers.
      {EAI_OVERFLOW, 0, 11003, u""},
      {-12345, 0, 11003, u""},
      {12345, 0, 11003, u""},
  };
  for (const auto& c : cases) {
    const int number = SocketErrorFromAddrInfo(c.Result, c.Errno);
    EXPECT_EQ(number, c.WinSock) << "result " << c.Result;
    EXPECT_EQ(Stack().WSTranslateSocketErrorMsg(number), Message(c.WinSock, c.Text)) << "result " << c.Result;
  }
}

// A lookup that the resolver itself refuses, without the short cut for reserved names and
// without asking any name server: an IPv6 address looked up as an IPv4 name.
TEST_F(SocketErrorMappingTest, ARealResolverFailureRaisesItsSocketError) {
  try {
    Stack().ResolveHost(u"::1", TIdIPVersion::Id_IPv4);
    FAIL() << "no exception";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 11004);
    EXPECT_EQ(e.Message(), u"Socket-Fehler # 11004\r\n");
  }
}

}  // namespace
