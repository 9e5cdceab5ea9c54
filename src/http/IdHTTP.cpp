#include "http/IdHTTP.h"

#include "core/CleanUp.h"
#include "http/IdCharsets.h"
#include "http/IdHTTPDate.h"
#include "net/IdGlobal.h"
#include "net/IdIOHandlerTls.h"

namespace {

// Control characters would end the line early on the wire and let the rest pass as a header
// of its own; they go out as "?", as every character the wire encoding cannot carry does.
String WireLine(const String& line) {
  String result = line;
  for (char16_t& c : result)
    if (c == u'\r' || c == u'\n' || c == 0) c = u'?';
  return result;
}

bool MethodIs(const TIdHTTPRequest& request, StringView method) {
  return SameText(request.Method(), method) || SameText(request.MethodOverride(), method);
}

}  // namespace

// --- Response ----------------------------------------------------------------------------------

TIdHTTPResponse::TIdHTTPResponse(TIdCustomHTTP& http) : FHTTP(http) {}

void TIdHTTPResponse::Clear() {
  TIdResponseHeaderInfo::Clear();
  FResponseText.clear();
  FResponseCode = -1;
  FResponseVersion = TIdHTTPProtocolVersion::pv1_0;
}

void TIdHTTPResponse::SetResponseText(const String& text) {
  FResponseText = text;
  FResponseCode = -1;
  FResponseVersion = TIdHTTPProtocolVersion::pv1_0;
  if (text.size() >= 8) {
    const StringView version = StringView(text).substr(5, 3);
    if (SameText(version, u"1.0"))
      FResponseVersion = TIdHTTPProtocolVersion::pv1_0;
    else if (SameText(version, u"1.1"))
      FResponseVersion = TIdHTTPProtocolVersion::pv1_1;
  }
}

int TIdHTTPResponse::ResponseCode() const {
  if (FResponseCode != -1) return FResponseCode;
  const std::size_t space = FResponseText.find(u' ');
  String rest = space == String::npos ? String() : TrimText(StringView(FResponseText).substr(space + 1));
  const std::size_t next = rest.find(u' ');
  if (next != String::npos) rest.erase(next);
  std::int64_t code = -1;
  if (TryParseInt64(rest, code) && code >= INT32_MIN && code <= INT32_MAX)
    FResponseCode = static_cast<int>(code);
  else
    FResponseCode = -1;
  return FResponseCode;
}

bool TIdHTTPResponse::KeepAlive() {
  TIdIOHandler* const handler = FHTTP.IOHandler();
  if (handler != nullptr && FHTTP.Connected()) handler->CheckForDisconnect(false, false);
  bool keep = FHTTP.Connected();
  // Only a response read to the end of its framing leaves the connection at a clean start.
  if (keep && !FComplete) keep = false;
  if (!keep) return false;
  const String connection = TrimText(FConnection);
  const String proxyConnection = TrimText(FProxyConnection);
  if (FHTTP.ProtocolVersion() == TIdHTTPProtocolVersion::pv1_0)
    return SameText(connection, u"keep-alive") || SameText(proxyConnection, u"keep-alive");
  return !SameText(connection, u"close") && !SameText(proxyConnection, u"close");
}

// --- Client ------------------------------------------------------------------------------------

TIdCustomHTTP::TIdCustomHTTP() : FHTTPProto(*this), FWallClock(&platform::SystemWallClock()) {}

TIdCustomHTTP::~TIdCustomHTTP() = default;

void TIdCustomHTTP::SetWallClock(platform::IWallClock& clock) {
  FWallClock = &clock;
  if (FOwnedCookieManager) FOwnedCookieManager->SetWallClock(clock);
  Request().SetWallClock(clock);
  Response().SetWallClock(clock);
  Response().MetaHTTPEquiv().SetWallClock(clock);
}

void TIdCustomHTTP::Get(const String& url, TStream& responseContent) {
  Get(url, responseContent, {});
}

void TIdCustomHTTP::Get(const String& url, TStream& responseContent,
                        const std::vector<int>& ignoredStatusCodes) {
  PerformRequest(u"GET", url, nullptr, &responseContent, ignoredStatusCodes);
}

String TIdCustomHTTP::Get(const String& url) {
  return Get(url, std::vector<int>{});
}

String TIdCustomHTTP::Get(const String& url, const std::vector<int>& ignoredStatusCodes) {
  TMemoryStream stream;
  // The whole text request runs against one deadline, and its body is held in memory.
  struct TextRequest {
    TIdCustomHTTP& http;
    ~TextRequest() {
      http.FTextDeadlineActive = false;
      http.FInMemoryBody = nullptr;
    }
  } guard{*this};
  FTextDeadlineActive = FDeadline > 0;
  FTextDeadlineStart = CurrentTicks();
  FInMemoryBody = &stream;
  Get(url, stream, ignoredStatusCodes);
  stream.SetPosition(0);
  const String charset = ResponseTextCharset(Response().ContentType(), Response().CharSet(),
                                             Response().MetaHTTPEquiv().CharSet(), stream);
  return DecodeStreamText(stream, charset);
}

void TIdCustomHTTP::Head(const String& url) {
  PerformRequest(u"HEAD", url, nullptr, nullptr, {});
}

void TIdCustomHTTP::PerformRequest(const String& method, const String& url, TStream* source,
                                   TStream* responseContent, const std::vector<int>& ignoredStatusCodes) {
  FRedirectCount = 0;
  FAuthRetries = 0;
  FAuthProxyRetries = 0;
  const std::int64_t startPosition = responseContent != nullptr ? responseContent->Position() : 0;
  Request().SetURL(url);
  Request().SetMethod(method);
  Request().SetSource(source);
  Response().SetContentStream(responseContent);

  const auto exchange = [&] {
    // A retry with credentials repeats the target already resolved: resolving its URL again
    // would merge a relative path a second time.
    bool resolve = true;
    for (;;) {
      if (resolve) ResolveRequestTarget(Request());
      resolve = true;
      OpenAndSendRequest(Request(), Response());
      ArmReadDeadline(true);
      // The head's limit runs on through whatever is read before the body is delivered (an
      // error page, a skipped body); the delivered body gets its own.
      ReadResponseHead();
      const TIdHTTPResponseAction action = FHTTPProto.DecideResponse(ignoredStatusCodes);
      if (action == TIdHTTPResponseAction::raAuthRetry) {
        resolve = false;
        continue;
      }
      if (action == TIdHTTPResponseAction::raFollow) {
        if (responseContent != nullptr) {
          responseContent->SetPosition(startPosition);
          responseContent->SetSize(startPosition);
        }
        FAuthRetries = 0;
        FAuthProxyRetries = 0;
        continue;
      }
      break;
    }
  };
  // In every case the connection goes unless the verdict keeps it; a failure of the drop
  // surfaces only when nothing failed before it.
  RunThenCleanUp(exchange, [this] {
    ClearReadDeadline();
    RunThenCleanUp([this] { ReleaseConnection(); }, [this] { Response().SetContentStream(nullptr); });
  });
}

void TIdCustomHTTP::ReleaseConnection() {
  bool keep = false;
  bool checkFailed = false;
  try {
    keep = Response().KeepAlive();
  } catch (...) {
    // A connection whose check fails (a reset right after the response) is simply not kept;
    // a complete response stays delivered.
    checkFailed = true;
  }
  if (checkFailed) {
    DisconnectQuietly();
  } else if (!keep) {
    try {
      DropConnection();
    } catch (...) {
      DisconnectQuietly();
      throw;
    }
  }
}

void TIdCustomHTTP::DropConnection() {
  // What is left unread of a dropped connection belongs to no later request.
  const auto forgetInput = [this] {
    if (IOHandler() != nullptr) IOHandler()->InputBuffer().Clear();
  };
  RunThenCleanUp([this] { Disconnect(); }, forgetInput);
}

void TIdCustomHTTP::DisconnectQuietly() {
  // The first failure is the one reported.
  CleanUpQuietly([this] { Disconnect(false); });
  if (IOHandler() != nullptr) IOHandler()->InputBuffer().Clear();
}

void TIdCustomHTTP::ArmReadDeadline(bool head) {
  TIdIOHandler* const handler = IOHandler();
  if (handler == nullptr) return;
  if (FDeadline <= 0) {
    handler->ClearReadDeadline();
  } else if (FTextDeadlineActive) {
    handler->SetReadDeadline(FTextDeadlineStart, static_cast<std::uint32_t>(FDeadline));
  } else if (head) {
    handler->SetReadDeadline(CurrentTicks(), static_cast<std::uint32_t>(FDeadline));
  } else {
    handler->ClearReadDeadline();
  }
}

void TIdCustomHTTP::ClearReadDeadline() {
  if (IOHandler() != nullptr) IOHandler()->ClearReadDeadline();
}

void TIdCustomHTTP::ReadResponseHead() {
  int interim = 0;
  for (;;) {
    Response().SetResponseText(ReadResponseLine());
    FHTTPProto.RetrieveHeaders(FMaxHeaderLines);
    StoreResponseCookies();
    if (Response().ResponseCode() != 100) break;
    if (++interim > MaxInterimResponses) throw EIdHTTPBrokenResponse(SIdHTTPTooManyInterimResponses);
  }
}

void TIdCustomHTTP::SetCookieManager(TIdCookieManager* manager) {
  if (manager == FCookieManager) return;
  FCookieManager = manager;
  FOwnedCookieManager.reset();
}

void TIdCustomHTTP::StoreResponseCookies() {
  if (!FAllowCookies) return;
  if (FCookieManager == nullptr) {
    FOwnedCookieManager = std::make_unique<TIdCookieManager>();
    FOwnedCookieManager->SetWallClock(*FWallClock);
    FCookieManager = FOwnedCookieManager.get();
  }
  std::vector<String> cookies;
  Response().RawHeaders().Extract(u"Set-Cookie", cookies);
  FCookieManager->AddServerCookies(cookies, FURI);
}

void TIdCustomHTTP::AddRequestCookies(TIdURI& target) {
  if (!FAllowCookies || FCookieManager == nullptr) return;
  FCookieManager->GenerateClientCookies(target, SameText(target.Protocol(), u"https"),
                                        Request().RawHeaders());
}

String TIdCustomHTTP::ReadResponseLine() {
  TIdIOHandler* const handler = IOHandler();
  if (handler == nullptr) throw EIdNotConnected();
  String line = handler->ReadLn();
  if (handler->ReadLnTimedout()) throw EIdReadTimeout();
  return line;
}

// --- Composing the request ----------------------------------------------------------------------

void TIdCustomHTTP::ResolveRequestTarget(TIdHTTPRequest& request) {
  const TIdURI uri(request.URL());
  if (!uri.Username().empty()) {
    request.SetUsername(uri.Username());
    request.SetPassword(uri.Password());
    FCredentialsHost = uri.Host().empty() ? FURI.Host() : uri.Host();
  } else if (!request.Username().empty() || !request.Password().empty()) {
    // Credentials belong to the host they were given for and never travel to another one.
    if (FCredentialsHost.empty()) FCredentialsHost = uri.Host().empty() ? FURI.Host() : uri.Host();
    if (!uri.Host().empty() && !SameText(uri.Host(), FCredentialsHost)) {
      request.SetUsername(String());
      request.SetPassword(String());
      FCredentialsHost.clear();
    }
  }
  FURI.SetUsername(request.Username());
  FURI.SetPassword(request.Password());

  FURI.SetPath(MergePath(FURI.Path(), uri.Path()));
  FURI.SetDocument(uri.Document());
  FURI.SetParams(uri.Params());
  if (!uri.Host().empty()) FURI.SetHost(uri.Host());
  if (!uri.Protocol().empty())
    FURI.SetProtocol(uri.Protocol());
  else
    FURI.SetProtocol(SameText(FURI.Protocol(), u"https") ? u"https" : u"http");
  if (!uri.Port().empty()) {
    FURI.SetPort(uri.Port());
  } else if (SameText(uri.Protocol(), u"http")) {
    FURI.SetPort(u"80");
  } else if (SameText(uri.Protocol(), u"https")) {
    FURI.SetPort(u"443");
  } else if (FURI.Port().empty()) {
    throw EIdUnknownProtocol();
  }

  if (MethodIs(request, u"OPTIONS") && uri.Document() == u"*")
    request.SetURL(u"*");
  else
    request.SetURL(FURI.GetPathAndParams());
  // A relative URL names no host and keeps the target's address family.
  if (!uri.Host().empty()) FURI.SetIPVersion(uri.IPVersion());
  request.SetIPVersion(FURI.IPVersion());

  if (FProtocolVersion != TIdHTTPProtocolVersion::pv1_1) {
    for (const char16_t* method : {u"TRACE", u"PUT", u"OPTIONS", u"DELETE"})
      if (MethodIs(request, method)) throw EIdException(SIdHTTPMethodRequiresVersion);
  }
  request.SetContentLength(request.Source() != nullptr ? request.Source()->Size() : -1);

  const bool defaultPort = (SameText(FURI.Protocol(), u"http") && FURI.Port() == u"80") ||
                           (SameText(FURI.Protocol(), u"https") && FURI.Port() == u"443");
  // An IPv6 literal goes in brackets, or its colons would read as the port's.
  const String host = FURI.IPVersion() == TIdIPVersion::Id_IPv6 ? u"[" + FURI.Host() + u"]" : FURI.Host();
  request.SetHost(defaultPort ? host : host + u":" + FURI.Port());
}

TIdIPVersion TIdCustomHTTP::ConnectionIPVersion(const String& host, std::uint16_t port,
                                                TIdIPVersion targetVersion) {
  String address;
  if (NameOverrides().Find(host, port, address)) return TIdNameOverrides::VersionOf(address);
  return targetVersion;
}

TIdHTTPConnectionType TIdCustomHTTP::SelectConnectionTarget(TIdHTTPRequest& request) {
  String host;
  std::int64_t port = 0;
  TIdHTTPConnectionType type = TIdHTTPConnectionType::ctNormal;
  if (FProxyParams.ProxyServer().empty()) {
    host = FURI.Host();
    const String portText = TrimText(FURI.Port());
    if (!TryParseInt64(portText, port) || port < 1 || port > 65535)
      throw EIdHTTPInvalidPort(Format(SIdHTTPInvalidPort, {FURI.Port()}));
    const bool https = SameText(FURI.Protocol(), u"https");
    auto* const tls = dynamic_cast<TIdIOHandlerTls*>(IOHandler());
    if (https && (tls == nullptr || !TIdIOHandlerTls::TlsAvailable())) {
      if (Connected() && (!SameText(host, Host()) || port != Port())) Disconnect();
      throw EIdIOHandlerPropInvalid();
    }
    if (https) type = TIdHTTPConnectionType::ctSSL;
    if (tls != nullptr) {
      // A connection made in the other mode is not reused.
      if (tls->PassThrough() == https && Connected()) Disconnect();
      tls->SetPassThrough(!https);
    }
  } else {
    host = FProxyParams.ProxyServer();
    port = FProxyParams.ProxyPort();
    type = SameText(FURI.Protocol(), u"https") ? TIdHTTPConnectionType::ctSSLProxy
                                               : TIdHTTPConnectionType::ctProxy;
    if (type == TIdHTTPConnectionType::ctSSLProxy) throw EIdIOHandlerPropInvalid();
  }
  const auto portNumber = static_cast<std::uint16_t>(port);
  const TIdIPVersion version = ConnectionIPVersion(host, portNumber, request.IPVersion());
  if (Socket() != nullptr && Socket()->Binding() != nullptr && Socket()->IPVersion() != version &&
      Connected())
    Disconnect();
  if ((!SameText(host, Host()) || portNumber != Port()) && Connected()) Disconnect();
  SetHost(host);
  SetPort(portNumber);
  return type;
}

void TIdCustomHTTP::OpenAndSendRequest(TIdHTTPRequest& request, TIdHTTPResponse& response) {
  request.SetUseProxy(SelectConnectionTarget(request));
  if (request.UseProxy() == TIdHTTPConnectionType::ctNormal &&
      FProtocolVersion == TIdHTTPProtocolVersion::pv1_0 && request.Connection().empty())
    request.SetConnection(u"keep-alive");
  if (request.AcceptEncoding().find(u"identity") == String::npos) {
    request.SetAcceptEncoding(request.AcceptEncoding().empty() ? String(u"identity")
                                                               : request.AcceptEncoding() + u", identity");
  }
  EnsureConnection(response);
  response.FComplete = false;
  BuildAndSendRequest(&FURI);
  if (request.Source() != nullptr) IOHandler()->Write(*request.Source(), 0);
}

void TIdCustomHTTP::BuildAndSendRequest(TIdURI* uri) {
  TIdHTTPRequest& request = Request();
  // An authentication made for another host is never sent here.
  if (request.Authentication() != nullptr && !SameText(FAuthenticationHost, FURI.Host()))
    request.SetAuthentication(nullptr);
  if (request.Authentication() != nullptr)
    request.Authentication()->SetRequest(request.Method(), request.URL());
  request.SetHeaders();
  if (request.Authentication() != nullptr) FAuthenticationHost = FURI.Host();
  if (FProxyParams.Authentication() == nullptr && FProxyParams.BasicAuthentication()) {
    auto basic = std::make_unique<TIdBasicAuthentication>();
    basic->SetUsername(FProxyParams.ProxyUsername());
    basic->SetPassword(FProxyParams.ProxyPassword());
    FProxyParams.SetAuthentication(std::move(basic));
  }
  if (FProxyParams.Authentication() != nullptr)
    request.RawHeaders().SetValue(u"Proxy-Authorization", FProxyParams.Authentication()->Authentication());
  if (uri != nullptr) AddRequestCookies(*uri);

  String target = request.URL();
  if (request.UseProxy() == TIdHTTPConnectionType::ctProxy) target = FURI.GetFullURI({});
  const String version = FProtocolVersion == TIdHTTPProtocolVersion::pv1_0 ? u"1.0" : u"1.1";

  TIdIOHandler& handler = *IOHandler();
  const bool opened = !handler.WriteBufferingActive();
  if (opened) handler.WriteBufferOpen(-1);
  try {
    handler.WriteLn(WireLine(request.Method() + u" " + target + u" HTTP/" + version));
    // Each header goes out on one line, however the stored list folds it.
    for (const String& line : request.RawHeaders().UnfoldedLines())
      if (!line.empty()) handler.WriteLn(WireLine(line));
    handler.WriteLn();
    if (opened) handler.WriteBufferClose();
  } catch (...) {
    // Dropping held bytes sends nothing; the first failure is the one reported.
    if (opened) CleanUpQuietly([&handler] { handler.WriteBufferCancel(); });
    throw;
  }
}

void TIdCustomHTTP::EnsureConnection(TIdHTTPResponse& response) {
  if (!response.KeepAlive()) DropConnection();
  if (IOHandler() != nullptr) IOHandler()->InputBuffer().Clear();
  CheckForGracefulDisconnect(false);
  if (!Connected()) {
    SetIPVersion(FURI.IPVersion());
    Connect();
  }
}

void TIdCustomHTTP::NotifyDisconnected() {
  TIdAuthentication* const authentication = Request().Authentication();
  if (authentication != nullptr && authentication->CurrentStep() == authentication->Steps())
    Request().SetAuthentication(nullptr);
  if (FProxyParams.Authentication() != nullptr &&
      FProxyParams.Authentication()->CurrentStep() == FProxyParams.Authentication()->Steps())
    FProxyParams.Authentication()->Reset();
  TIdTCPClientCustom::NotifyDisconnected();
}

// --- Status decisions that belong to the client ---------------------------------------------------

bool TIdCustomHTTP::RedirectAllowed(String& location, String& method, int redirectCount) {
  bool handled = FHandleRedirects;
  if (OnRedirect) OnRedirect(*this, location, redirectCount, handled, method);
  return handled;
}

namespace {

// The two sides a challenge is answered for: the request (a server's 401) and the proxy
// settings (a 407). Each keeps its own credentials and authentication object.
const String& UsernameOf(const TIdHTTPRequest& request) {
  return request.Username();
}
const String& PasswordOf(const TIdHTTPRequest& request) {
  return request.Password();
}
const String& UsernameOf(const TIdProxyConnectionInfo& proxy) {
  return proxy.ProxyUsername();
}
const String& PasswordOf(const TIdProxyConnectionInfo& proxy) {
  return proxy.ProxyPassword();
}

// The program's handler answered with these credentials: they are sent as Basic from now on.
void TakeCredentials(TIdHTTPRequest& request, const TIdAuthentication& authentication) {
  request.SetBasicAuthentication(true);
  request.SetUsername(authentication.Username());
  request.SetPassword(authentication.Password());
}
void TakeCredentials(TIdProxyConnectionInfo& proxy, const TIdAuthentication& authentication) {
  proxy.SetBasicAuthentication(true);
  proxy.SetProxyUsername(authentication.Username());
  proxy.SetProxyPassword(authentication.Password());
}

// Prepares the answer to a challenge; returns whether the request can be repeated with it.
// Credentials are available when the handler is assigned or, with passwordCounts, when the
// side's password is not blank.
template <class Side>
bool AnswerChallenge(TIdCustomHTTP& http, Side& side, TIdHeaderList& challenge,
                     const TIdCustomHTTP::TIdOnSelectAuthorization& onSelect,
                     const TIdCustomHTTP::TIdOnAuthorization& onAuthorization, bool passwordCounts) {
  if (side.Authentication() == nullptr) {
    String scheme;
    TIdAuthenticationFactory factory;
    for (const String& line : challenge.Lines()) {
      const String name = line.substr(0, line.find(u' '));
      factory = FindAuthenticationScheme(name);
      if (factory) {
        scheme = name;
        break;
      }
    }
    if (onSelect) {
      onSelect(http, scheme, challenge);
      factory = FindAuthenticationScheme(scheme);
    }
    if (!factory) return false;
    side.SetAuthentication(factory());
  }
  if (!onAuthorization && !(passwordCounts && !TrimText(PasswordOf(side)).empty())) return false;
  TIdAuthentication& authentication = *side.Authentication();
  authentication.SetUsername(UsernameOf(side));
  authentication.SetPassword(PasswordOf(side));
  authentication.Params().SetValue(u"Authorization", authentication.Authentication());
  authentication.AuthParams().Clear();
  for (const String& line : challenge.Lines()) authentication.AuthParams().Add(line);
  // A scheme that keeps asking is not asked without end.
  for (int round = 0; round < 16; ++round) {
    switch (authentication.Next()) {
      case TIdAuthWhatsNext::wnDoRequest:
        return true;
      case TIdAuthWhatsNext::wnFail:
        return false;
      case TIdAuthWhatsNext::wnAskTheProgram: {
        if (!onAuthorization) return false;
        authentication.SetUsername(UsernameOf(side));
        authentication.SetPassword(PasswordOf(side));
        bool handled = false;
        onAuthorization(http, authentication, handled);
        if (!handled) return false;
        TakeCredentials(side, authentication);
        break;
      }
    }
  }
  return false;
}

}  // namespace

bool TIdCustomHTTP::PrepareAuthorization() {
  ++FAuthRetries;
  TIdHTTPRequest& request = Request();
  const bool made = request.Authentication() == nullptr;
  const bool answered = AnswerChallenge(*this, request, Response().WWWAuthenticate(), OnSelectAuthorization,
                                        OnAuthorization, true);
  if (made && request.Authentication() != nullptr) FAuthenticationHost = FURI.Host();
  return answered;
}

bool TIdCustomHTTP::PrepareProxyAuthorization() {
  ++FAuthProxyRetries;
  // Proxy credentials come only from the program's handler.
  return AnswerChallenge(*this, FProxyParams, Response().ProxyAuthenticate(), OnSelectProxyAuthorization,
                         OnProxyAuthorization, false);
}
