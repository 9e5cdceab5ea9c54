#include "core/SysError.h"

#include <cerrno>
#include <cstring>

String SysErrorMessage(int error) {
  switch (error) {
    case ENOENT:
      return u"Das System kann die angegebene Datei nicht finden";
    case ENOTDIR:
      return u"Das System kann den angegebenen Pfad nicht finden";
    case EACCES:
    case EPERM:
    case EROFS:
      return u"Zugriff verweigert";
    case EISDIR:
      return u"Zugriff verweigert";
    case EBUSY:
    case ETXTBSY:
      return u"Der Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen Prozess verwendet "
             u"wird";
    case ENOSPC:
      return u"Auf dem Datenträger ist nicht genügend Speicherplatz vorhanden";
    case ENAMETOOLONG:
      return u"Der Dateiname oder die Erweiterung ist zu lang";
    case EEXIST:
      return u"Die Datei ist bereits vorhanden";
    case EINVAL:
      return u"Falscher Parameter";
    default:
      break;
  }
  char buffer[256] = {};
  const char* text = strerror_r(error, buffer, sizeof buffer);
  return FromUtf8(text);
}
