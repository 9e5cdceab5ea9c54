#ifndef FENDREL_HTTP_IDHTTPHEADERINFO_H
#define FENDREL_HTTP_IDHTTPHEADERINFO_H

#include <cstdint>
#include <memory>
#include <vector>

#include "core/DateTime.h"
#include "core/String.h"
#include "http/IdHeaderList.h"
#include "platform/WallClock.h"

class TIdAuthentication;

// The raw header lists of requests and responses fold at this length.
inline constexpr int IdRawHeaderFoldLength = 1024;

// The fields every HTTP message shares, and their composition from and into raw header lines.
class TIdEntityHeaderInfo {
 public:
  TIdEntityHeaderInfo();
  virtual ~TIdEntityHeaderInfo();
  TIdEntityHeaderInfo(const TIdEntityHeaderInfo&) = delete;
  TIdEntityHeaderInfo& operator=(const TIdEntityHeaderInfo&) = delete;

  // Back to the defaults.
  virtual void Clear();
  // Fills the fields from RawHeaders.
  virtual void ProcessHeaders();
  // Rebuilds RawHeaders from the fields.
  virtual void SetHeaders();

  const String& CacheControl() const { return FCacheControl; }
  void SetCacheControl(const String& v) { FCacheControl = v; }
  const String& CharSet() const { return FCharSet; }
  void SetCharSet(const String& v) { FCharSet = v; }
  const String& Connection() const { return FConnection; }
  void SetConnection(const String& v) { FConnection = v; }
  const String& ContentDisposition() const { return FContentDisposition; }
  void SetContentDisposition(const String& v) { FContentDisposition = v; }
  const String& ContentEncoding() const { return FContentEncoding; }
  void SetContentEncoding(const String& v) { FContentEncoding = v; }
  const String& ContentLanguage() const { return FContentLanguage; }
  void SetContentLanguage(const String& v) { FContentLanguage = v; }
  std::int64_t ContentLength() const { return FContentLength; }
  void SetContentLength(std::int64_t v) { FContentLength = v; }
  bool HasContentLength() const { return FContentLength >= 0; }
  std::int64_t ContentRangeEnd() const { return FContentRangeEnd; }
  void SetContentRangeEnd(std::int64_t v) { FContentRangeEnd = v; }
  std::int64_t ContentRangeStart() const { return FContentRangeStart; }
  void SetContentRangeStart(std::int64_t v) { FContentRangeStart = v; }
  std::int64_t ContentRangeInstanceLength() const { return FContentRangeInstanceLength; }
  void SetContentRangeInstanceLength(std::int64_t v) { FContentRangeInstanceLength = v; }
  const String& ContentRangeUnits() const { return FContentRangeUnits; }
  void SetContentRangeUnits(const String& v) { FContentRangeUnits = v; }
  const String& ContentType() const { return FContentType; }
  // Splits off a "charset" parameter into CharSet; text types without one get their default.
  void SetContentType(const String& v);
  const String& ContentVersion() const { return FContentVersion; }
  void SetContentVersion(const String& v) { FContentVersion = v; }
  TIdHeaderList& CustomHeaders() { return FCustomHeaders; }
  const TIdHeaderList& CustomHeaders() const { return FCustomHeaders; }
  TDateTime Date() const { return FDate; }
  void SetDate(TDateTime v) { FDate = v; }
  TDateTime Expires() const { return FExpires; }
  void SetExpires(TDateTime v) { FExpires = v; }
  TDateTime LastModified() const { return FLastModified; }
  void SetLastModified(TDateTime v) { FLastModified = v; }
  const String& ETag() const { return FETag; }
  void SetETag(const String& v) { FETag = v; }
  const String& Pragma() const { return FPragma; }
  void SetPragma(const String& v) { FPragma = v; }
  const String& TransferEncoding() const { return FTransferEncoding; }
  void SetTransferEncoding(const String& v) { FTransferEncoding = v; }
  TIdHeaderList& RawHeaders() { return FRawHeaders; }
  const TIdHeaderList& RawHeaders() const { return FRawHeaders; }

  // The clock that dates are read against (the system's unless set; borrowed).
  platform::IWallClock& WallClock() const { return *FWallClock; }
  void SetWallClock(platform::IWallClock& clock) { FWallClock = &clock; }

 protected:
  String FCacheControl;
  String FCharSet;
  String FConnection;
  String FContentDisposition;
  String FContentEncoding;
  String FContentLanguage;
  std::int64_t FContentLength = -1;
  std::int64_t FContentRangeEnd = -1;
  std::int64_t FContentRangeStart = -1;
  std::int64_t FContentRangeInstanceLength = -1;
  String FContentRangeUnits;
  String FContentType;
  String FContentVersion;
  TIdHeaderList FCustomHeaders;
  TDateTime FDate = 0;
  TDateTime FExpires = 0;
  TDateTime FLastModified = 0;
  String FETag;
  String FPragma;
  String FTransferEncoding;
  TIdHeaderList FRawHeaders;
  platform::IWallClock* FWallClock;
};

// The HTML meta elements of a body, read like response headers.
class TIdMetaHTTPEquiv : public TIdEntityHeaderInfo {
 public:
  using TIdEntityHeaderInfo::TIdEntityHeaderInfo;
};

// One byte range of a request; -1 marks a part that is absent.
struct TIdEntityRange {
  std::int64_t StartPos = -1;
  std::int64_t EndPos = -1;
  std::int64_t SuffixLength = -1;
  // "start-end", "start-", "-suffix"; empty when nothing is set.
  String Text() const;
};

class TIdEntityRanges {
 public:
  const String& Units() const { return FUnits; }
  void SetUnits(const String& units) { FUnits = units; }
  std::vector<TIdEntityRange>& Items() { return FItems; }
  const std::vector<TIdEntityRange>& Items() const { return FItems; }
  void Add(const TIdEntityRange& range) { FItems.push_back(range); }
  void Clear() { FItems.clear(); }
  // Units + "=" + the ranges joined with ","; empty without ranges.
  String Text() const;

 private:
  String FUnits = u"bytes";
  std::vector<TIdEntityRange> FItems;
};

// The request's header fields.
class TIdRequestHeaderInfo : public TIdEntityHeaderInfo {
 public:
  TIdRequestHeaderInfo();
  ~TIdRequestHeaderInfo() override;

  void Clear() override;
  void SetHeaders() override;

  const String& Accept() const { return FAccept; }
  void SetAccept(const String& v) { FAccept = v; }
  const String& AcceptCharSet() const { return FAcceptCharSet; }
  void SetAcceptCharSet(const String& v) { FAcceptCharSet = v; }
  const String& AcceptEncoding() const { return FAcceptEncoding; }
  void SetAcceptEncoding(const String& v) { FAcceptEncoding = v; }
  const String& AcceptLanguage() const { return FAcceptLanguage; }
  void SetAcceptLanguage(const String& v) { FAcceptLanguage = v; }
  const String& From() const { return FFrom; }
  void SetFrom(const String& v) { FFrom = v; }
  const String& Password() const { return FPassword; }
  void SetPassword(const String& v) { FPassword = v; }
  const String& Referer() const { return FReferer; }
  void SetReferer(const String& v) { FReferer = v; }
  const String& UserAgent() const { return FUserAgent; }
  void SetUserAgent(const String& v) { FUserAgent = v; }
  const String& Username() const { return FUsername; }
  void SetUsername(const String& v) { FUsername = v; }
  const String& Host() const { return FHost; }
  void SetHost(const String& v) { FHost = v; }
  const String& ProxyConnection() const { return FProxyConnection; }
  void SetProxyConnection(const String& v) { FProxyConnection = v; }
  TIdEntityRanges& Ranges() { return FRanges; }
  const TIdEntityRanges& Ranges() const { return FRanges; }
  bool BasicAuthentication() const { return FBasicAuthentication; }
  void SetBasicAuthentication(bool v) { FBasicAuthentication = v; }
  // The current authentication object or none; owned by the request.
  TIdAuthentication* Authentication() const { return FAuthentication.get(); }
  void SetAuthentication(std::unique_ptr<TIdAuthentication> authentication);
  const String& MethodOverride() const { return FMethodOverride; }
  void SetMethodOverride(const String& v) { FMethodOverride = v; }

 protected:
  String FAccept;
  String FAcceptCharSet;
  String FAcceptEncoding;
  String FAcceptLanguage;
  String FFrom;
  String FPassword;
  String FReferer;
  String FUserAgent;
  String FUsername;
  String FHost;
  String FProxyConnection;
  TIdEntityRanges FRanges;
  bool FBasicAuthentication = false;
  std::unique_ptr<TIdAuthentication> FAuthentication;
  String FMethodOverride;
};

// The response's header fields.
class TIdResponseHeaderInfo : public TIdEntityHeaderInfo {
 public:
  TIdResponseHeaderInfo();
  ~TIdResponseHeaderInfo() override;

  void Clear() override;
  void ProcessHeaders() override;

  const String& Location() const { return FLocation; }
  void SetLocation(const String& v) { FLocation = v; }
  const String& Server() const { return FServer; }
  void SetServer(const String& v) { FServer = v; }
  const String& ProxyConnection() const { return FProxyConnection; }
  void SetProxyConnection(const String& v) { FProxyConnection = v; }
  const String& AcceptRanges() const { return FAcceptRanges; }
  void SetAcceptRanges(const String& v) { FAcceptRanges = v; }
  TIdHeaderList& WWWAuthenticate() { return FWWWAuthenticate; }
  const TIdHeaderList& WWWAuthenticate() const { return FWWWAuthenticate; }
  TIdHeaderList& ProxyAuthenticate() { return FProxyAuthenticate; }
  const TIdHeaderList& ProxyAuthenticate() const { return FProxyAuthenticate; }

 protected:
  String FLocation;
  String FServer;
  String FProxyConnection;
  String FAcceptRanges;
  TIdHeaderList FWWWAuthenticate;
  TIdHeaderList FProxyAuthenticate;
};

#endif
