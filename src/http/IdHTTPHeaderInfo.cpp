#include "http/IdHTTPHeaderInfo.h"

#include "http/IdAuthentication.h"
#include "http/IdHTTPDate.h"

namespace {

String Unquote(const String& value) {
  if (value.size() >= 1 && value.front() == u'"') {
    const std::size_t close = value.find(u'"', 1);
    return value.substr(1, close == String::npos ? String::npos : close - 1);
  }
  return value;
}

// The media type: the part before the first ";", trimmed.
String MediaTypeOf(const String& contentType) {
  return TrimText(StringView(contentType).substr(0, contentType.find(u';')));
}

bool EndsText(StringView suffix, StringView text) {
  return text.size() >= suffix.size() && SameText(suffix, text.substr(text.size() - suffix.size()));
}

std::int64_t Int64OrAbsent(StringView text) {
  std::int64_t value = -1;
  return TryParseInt64(text, value) ? value : -1;
}

}  // namespace

// --- Entity ------------------------------------------------------------------------------------

TIdEntityHeaderInfo::TIdEntityHeaderInfo()
    : FRawHeaders(IdRawHeaderFoldLength), FWallClock(&platform::SystemWallClock()) {}

TIdEntityHeaderInfo::~TIdEntityHeaderInfo() = default;

void TIdEntityHeaderInfo::Clear() {
  FCacheControl.clear();
  FCharSet.clear();
  FConnection.clear();
  FContentDisposition.clear();
  FContentEncoding.clear();
  FContentLanguage.clear();
  FContentLength = -1;
  FContentRangeEnd = -1;
  FContentRangeStart = -1;
  FContentRangeInstanceLength = -1;
  FContentRangeUnits.clear();
  FContentType.clear();
  FContentVersion.clear();
  FCustomHeaders.Clear();
  FDate = 0;
  FExpires = 0;
  FLastModified = 0;
  FETag.clear();
  FPragma.clear();
  FTransferEncoding.clear();
  FRawHeaders.Clear();
}

void TIdEntityHeaderInfo::SetContentType(const String& value) {
  if (value.empty()) {
    FContentType.clear();
    FCharSet.clear();
    return;
  }
  String charset;
  String rest;
  std::size_t start = 0;
  bool firstPart = true;
  while (start <= value.size()) {
    std::size_t end = value.find(u';', start);
    if (end == String::npos) end = value.size();
    const String part = TrimText(StringView(value).substr(start, end - start));
    const std::size_t equals = part.find(u'=');
    if (!firstPart && equals != String::npos &&
        SameText(TrimText(StringView(part).substr(0, equals)), u"charset")) {
      charset = Unquote(TrimText(StringView(part).substr(equals + 1)));
    } else if (firstPart || !part.empty()) {
      if (!firstPart) rest += u"; ";
      rest += part;
    }
    firstPart = false;
    start = end + 1;
  }
  FContentType = rest;
  if (charset.empty()) {
    const String media = MediaTypeOf(rest);
    if (StartsText(u"text/", media)) {
      const String subtype = media.substr(5);
      if (SameText(subtype, u"xml") || SameText(subtype, u"xml-external-parsed-entity") ||
          EndsText(u"+xml", subtype))
        charset = u"us-ascii";
      else
        charset = u"ISO-8859-1";
    }
  }
  if (!charset.empty()) FCharSet = charset;
}

void TIdEntityHeaderInfo::ProcessHeaders() {
  const TIdHeaderList& h = FRawHeaders;
  FCacheControl = h.Values(u"Cache-control");
  FConnection = h.Values(u"Connection");
  FContentVersion = h.Values(u"Content-Version");
  FContentDisposition = h.Values(u"Content-Disposition");
  FContentEncoding = h.Values(u"Content-Encoding");
  FContentLanguage = h.Values(u"Content-Language");
  FETag = h.Values(u"ETag");
  FPragma = h.Values(u"Pragma");
  FTransferEncoding = h.Values(u"Transfer-Encoding");
  SetContentType(h.Values(u"Content-Type"));
  FContentLength = Int64OrAbsent(h.Values(u"Content-Length"));
  if (FContentLength < 0) FContentLength = -1;

  FContentRangeUnits.clear();
  FContentRangeStart = FContentRangeEnd = FContentRangeInstanceLength = -1;
  const String range = h.Values(u"Content-Range");
  if (!range.empty()) {
    const std::size_t space = range.find(u' ');
    FContentRangeUnits = range.substr(0, space);
    const String spec = space == String::npos ? String() : TrimText(StringView(range).substr(space + 1));
    const std::size_t slash = spec.find(u'/');
    const String span = spec.substr(0, slash);
    if (slash != String::npos)
      FContentRangeInstanceLength = Int64OrAbsent(StringView(spec).substr(slash + 1));
    const std::size_t dash = span.find(u'-');
    FContentRangeStart = Int64OrAbsent(StringView(span).substr(0, dash));
    if (dash != String::npos) FContentRangeEnd = Int64OrAbsent(StringView(span).substr(dash + 1));
  }

  const std::int32_t offset = FWallClock->UtcOffsetMinutes();
  const String date = h.Values(u"Date");
  FDate = date.empty() ? FWallClock->Now() : HttpDateToLocal(date, offset);
  FLastModified = HttpDateToLocal(h.Values(u"Last-Modified"), offset);
  const String expires = h.Values(u"Expires");
  std::int64_t seconds = 0;
  if (TryParseInt64(expires, seconds)) {
    FExpires = seconds < 0 ? 0 : IncSecondsSaturated(FWallClock->Now(), seconds);
  } else {
    FExpires = HttpDateToLocal(expires, offset);
  }
}

void TIdEntityHeaderInfo::SetHeaders() {
  TIdHeaderList& h = FRawHeaders;
  h.Clear();
  const std::int32_t offset = FWallClock->UtcOffsetMinutes();
  h.AddValue(u"Connection", FConnection);
  h.AddValue(u"Content-Version", FContentVersion);
  h.AddValue(u"Content-Disposition", FContentDisposition);
  h.AddValue(u"Content-Encoding", FContentEncoding);
  h.AddValue(u"Content-Language", FContentLanguage);
  if (!FContentType.empty())
    h.AddValue(u"Content-Type", FCharSet.empty() ? FContentType : FContentType + u"; charset=" + FCharSet);
  if (FContentLength >= 0) h.AddValue(u"Content-Length", IntToStr(FContentLength));
  h.AddValue(u"Cache-control", FCacheControl);
  if (FDate > 0) h.AddValue(u"Date", LocalToHttpDate(FDate, offset));
  h.AddValue(u"ETag", FETag);
  if (FExpires > 0) h.AddValue(u"Expires", LocalToHttpDate(FExpires, offset));
  h.AddValue(u"Pragma", FPragma);
  h.AddValue(u"Transfer-Encoding", FTransferEncoding);
  for (const String& line : FCustomHeaders.Lines()) h.Add(line);
}

// --- Ranges ------------------------------------------------------------------------------------

String TIdEntityRange::Text() const {
  if (StartPos >= 0) return IntToStr(StartPos) + u"-" + (EndPos >= 0 ? IntToStr(EndPos) : String());
  if (SuffixLength >= 0) return u"-" + IntToStr(SuffixLength);
  return String();
}

String TIdEntityRanges::Text() const {
  String joined;
  for (const TIdEntityRange& range : FItems) {
    const String text = range.Text();
    if (text.empty()) continue;
    if (!joined.empty()) joined += u",";
    joined += text;
  }
  return joined.empty() ? String() : FUnits + u"=" + joined;
}

// --- Request -----------------------------------------------------------------------------------

TIdRequestHeaderInfo::TIdRequestHeaderInfo() {
  Clear();
}

TIdRequestHeaderInfo::~TIdRequestHeaderInfo() = default;

void TIdRequestHeaderInfo::Clear() {
  TIdEntityHeaderInfo::Clear();
  FAccept = u"text/html, */*";
  FAcceptCharSet.clear();
  FAcceptLanguage.clear();
  FFrom.clear();
  FPassword.clear();
  FReferer.clear();
  FUserAgent = u"Mozilla/3.0 (compatible; Fendrel Updater)";
  FUsername.clear();
  FHost.clear();
  FProxyConnection.clear();
  FRanges.Clear();
  FBasicAuthentication = false;
  FAuthentication.reset();
  FMethodOverride.clear();
}

void TIdRequestHeaderInfo::SetAuthentication(std::unique_ptr<TIdAuthentication> authentication) {
  FAuthentication = std::move(authentication);
}

void TIdRequestHeaderInfo::SetHeaders() {
  TIdEntityHeaderInfo::SetHeaders();
  TIdHeaderList& h = FRawHeaders;
  // Only a field that is set replaces a custom header of its name; an empty one leaves it be.
  const auto set = [&h](StringView name, const String& value) {
    if (!value.empty()) h.SetValue(String(name), value);
  };
  set(u"Proxy-Connection", FProxyConnection);
  set(u"Host", FHost);
  set(u"Accept", FAccept);
  set(u"Accept-Charset", FAcceptCharSet);
  set(u"Accept-Encoding", FAcceptEncoding);
  set(u"Accept-Language", FAcceptLanguage);
  set(u"From", FFrom);
  set(u"Referer", FReferer);
  set(u"User-Agent", FUserAgent);
  set(u"Range", FRanges.Text());
  if (FLastModified > 0)
    set(u"If-Modified-Since", LocalToHttpDate(FLastModified, FWallClock->UtcOffsetMinutes()));
  if (!FAuthentication && FBasicAuthentication) {
    auto basic = std::make_unique<TIdBasicAuthentication>();
    basic->SetUsername(FUsername);
    basic->SetPassword(FPassword);
    FAuthentication = std::move(basic);
  }
  if (FAuthentication) set(u"Authorization", FAuthentication->Authentication());
  set(u"X-HTTP-Method-Override", FMethodOverride);
}

// --- Response ----------------------------------------------------------------------------------

TIdResponseHeaderInfo::TIdResponseHeaderInfo() {
  Clear();
}

TIdResponseHeaderInfo::~TIdResponseHeaderInfo() = default;

void TIdResponseHeaderInfo::Clear() {
  TIdEntityHeaderInfo::Clear();
  FContentType = u"text/html";
  FCharSet = u"ISO-8859-1";
  FLocation.clear();
  FServer.clear();
  FProxyConnection.clear();
  FAcceptRanges.clear();
  FWWWAuthenticate.Clear();
  FProxyAuthenticate.Clear();
}

void TIdResponseHeaderInfo::ProcessHeaders() {
  TIdEntityHeaderInfo::ProcessHeaders();
  FLocation = FRawHeaders.Values(u"Location");
  FServer = FRawHeaders.Values(u"Server");
  FProxyConnection = FRawHeaders.Values(u"Proxy-Connection");
  FAcceptRanges = FRawHeaders.Values(u"Accept-Ranges");
  FWWWAuthenticate.Clear();
  FRawHeaders.Extract(u"WWW-Authenticate", FWWWAuthenticate);
  FProxyAuthenticate.Clear();
  FRawHeaders.Extract(u"Proxy-Authenticate", FProxyAuthenticate);
}
