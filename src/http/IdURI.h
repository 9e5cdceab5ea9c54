#ifndef FENDREL_HTTP_IDURI_H
#define FENDREL_HTTP_IDURI_H

#include <initializer_list>

#include "core/String.h"
#include "net/IdException.h"
#include "net/IdGlobal.h"

inline constexpr char16_t SIdURIProtocolFieldEmpty[] = u"Protokollfeld ist leer";
inline constexpr char16_t SIdURIHostFieldEmpty[] = u"Host-Feld ist leer";

class EIdURIException : public EIdException {
 public:
  using EIdException::EIdException;
  String ClassName() const override { return u"EIdURIException"; }
};

enum class TIdURIOptionalField { ofAuthInfo, ofBookmark };

// A set of optional URL parts for GetFullURI.
class TIdURIOptionalFields {
 public:
  TIdURIOptionalFields() = default;
  TIdURIOptionalFields(std::initializer_list<TIdURIOptionalField> fields) {
    for (const TIdURIOptionalField f : fields) FBits |= Bit(f);
  }
  bool Contains(TIdURIOptionalField f) const { return (FBits & Bit(f)) != 0; }

 private:
  static unsigned Bit(TIdURIOptionalField f) { return 1u << static_cast<unsigned>(f); }
  unsigned FBits = 0;
};

// The URL splitter and builder. Nothing is percent-decoded or encoded while splitting:
// the parts keep the text as given. Path always holds a directory (it begins and ends with
// "/" for an absolute URL); Port is text, not checked for digits.
class TIdURI {
 public:
  explicit TIdURI(const String& uri = String());

  const String& URI() const { return FURI; }
  void SetURI(const String& uri);

  const String& Protocol() const { return FProtocol; }
  void SetProtocol(const String& v) { FProtocol = v; }
  const String& Host() const { return FHost; }
  void SetHost(const String& v) { FHost = v; }
  const String& Port() const { return FPort; }
  void SetPort(const String& v) { FPort = v; }
  const String& Path() const { return FPath; }
  void SetPath(const String& v) { FPath = v; }
  const String& Document() const { return FDocument; }
  void SetDocument(const String& v) { FDocument = v; }
  const String& Params() const { return FParams; }
  void SetParams(const String& v) { FParams = v; }
  const String& Bookmark() const { return FBookmark; }
  void SetBookmark(const String& v) { FBookmark = v; }
  const String& Username() const { return FUsername; }
  void SetUsername(const String& v) { FUsername = v; }
  const String& Password() const { return FPassword; }
  void SetPassword(const String& v) { FPassword = v; }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIdIPVersion v) { FIPVersion = v; }

  // Path + Document, then "?" + Params when there are any.
  String GetPathAndParams() const;
  // The whole URL rebuilt from the parts; raises EIdURIException for an empty protocol or host.
  String GetFullURI(TIdURIOptionalFields optionalFields = {TIdURIOptionalField::ofAuthInfo,
                                                           TIdURIOptionalField::ofBookmark}) const;

  // Percent-encoding helpers for callers; no step of a request applies them.
  static String URLDecode(const String& text);
  static String URLEncode(const String& text);
  static String PathEncode(const String& text);
  static String ParamsEncode(const String& text);

 private:
  String FURI;
  String FProtocol;
  String FHost;
  String FPort;
  String FPath;
  String FDocument;
  String FParams;
  String FBookmark;
  String FUsername;
  String FPassword;
  TIdIPVersion FIPVersion = TIdIPVersion::Id_IPv4;
};

// A relative path resolved against a base directory: an absolute path stays as it is,
// "." and ".." segments are applied and runs of "/" collapse.
String MergePath(const String& basePath, const String& path);

#endif
