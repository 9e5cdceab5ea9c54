#ifndef FENDREL_HTTP_IDHTTP_H
#define FENDREL_HTTP_IDHTTP_H

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "core/Stream.h"
#include "core/String.h"
#include "http/IdAuthentication.h"
#include "http/IdCookieManager.h"
#include "http/IdHTTPException.h"
#include "http/IdHTTPHeaderInfo.h"
#include "http/IdURI.h"
#include "net/IdTCPClient.h"

class TIdCustomHTTP;

enum class TIdHTTPProtocolVersion { pv1_0, pv1_1 };

enum class TIdHTTPOption {
  hoInProcessAuth,
  hoKeepOrigProtocol,
  hoForceEncodeParams,
  hoNonSSLProxyUseConnectVerb,
  hoNoParseMetaHTTPEquiv,
  hoWaitForUnexpectedData
};

// A set of TIdHTTPOption values.
class TIdHTTPOptions {
 public:
  TIdHTTPOptions() = default;
  TIdHTTPOptions(std::initializer_list<TIdHTTPOption> options) {
    for (const TIdHTTPOption o : options) Include(o);
  }
  bool Contains(TIdHTTPOption o) const { return (FBits & Bit(o)) != 0; }
  void Include(TIdHTTPOption o) { FBits |= Bit(o); }
  void Exclude(TIdHTTPOption o) { FBits &= ~Bit(o); }
  bool operator==(const TIdHTTPOptions&) const = default;

 private:
  static unsigned Bit(TIdHTTPOption o) { return 1u << static_cast<unsigned>(o); }
  unsigned FBits = 0;
};

enum class TIdHTTPConnectionType { ctNormal, ctSSL, ctProxy, ctSSLProxy };

enum class TIdHTTPResponseAction { raFollow, raDone, raAuthRetry };

// The request of a client, reused for every request it makes.
class TIdHTTPRequest : public TIdRequestHeaderInfo {
 public:
  // The target as given; replaced by the path and query that go on the request line.
  const String& URL() const { return FURL; }
  void SetURL(const String& v) { FURL = v; }
  const String& Method() const { return FMethod; }
  void SetMethod(const String& v) { FMethod = v; }
  // The body to send, or none; borrowed.
  TStream* Source() const { return FSource; }
  void SetSource(TStream* v) { FSource = v; }
  TIdHTTPConnectionType UseProxy() const { return FUseProxy; }
  void SetUseProxy(TIdHTTPConnectionType v) { FUseProxy = v; }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIdIPVersion v) { FIPVersion = v; }

 private:
  String FURL;
  String FMethod = u"GET";
  TStream* FSource = nullptr;
  TIdHTTPConnectionType FUseProxy = TIdHTTPConnectionType::ctNormal;
  TIdIPVersion FIPVersion = TIdIPVersion::Id_IPv4;
};

// The response of a client, reused for every response it reads.
class TIdHTTPResponse : public TIdResponseHeaderInfo {
 public:
  explicit TIdHTTPResponse(TIdCustomHTTP& http);

  void Clear() override;

  // The status line exactly as read.
  const String& ResponseText() const { return FResponseText; }
  void SetResponseText(const String& text);
  // The status number of ResponseText; -1 when it has none.
  int ResponseCode() const;
  TIdHTTPProtocolVersion ResponseVersion() const { return FResponseVersion; }
  // Whether the connection may be used for the next request; recomputed on every call.
  bool KeepAlive();
  // Where the body goes, or none (the body is then dropped); borrowed.
  TStream* ContentStream() const { return FContentStream; }
  void SetContentStream(TStream* stream) { FContentStream = stream; }
  TIdMetaHTTPEquiv& MetaHTTPEquiv() { return FMetaHTTPEquiv; }
  const TIdMetaHTTPEquiv& MetaHTTPEquiv() const { return FMetaHTTPEquiv; }

 private:
  friend class TIdHTTPProtocol;
  friend class TIdCustomHTTP;

  TIdCustomHTTP& FHTTP;
  String FResponseText;
  mutable int FResponseCode = -1;
  TIdHTTPProtocolVersion FResponseVersion = TIdHTTPProtocolVersion::pv1_0;
  TStream* FContentStream = nullptr;
  TIdMetaHTTPEquiv FMetaHTTPEquiv;
  // Whether the last response was read to the end of its framing; only then may the
  // connection serve another request.
  bool FComplete = false;
};

// Proxy settings; this client never uses a proxy, the settings only exist.
class TIdProxyConnectionInfo {
 public:
  const String& ProxyServer() const { return FProxyServer; }
  void SetProxyServer(const String& v) { FProxyServer = v; }
  std::uint16_t ProxyPort() const { return FProxyPort; }
  void SetProxyPort(std::uint16_t v) { FProxyPort = v; }
  const String& ProxyUsername() const { return FProxyUsername; }
  void SetProxyUsername(const String& v) { FProxyUsername = v; }
  const String& ProxyPassword() const { return FProxyPassword; }
  void SetProxyPassword(const String& v) { FProxyPassword = v; }
  bool BasicAuthentication() const { return FBasicAuthentication; }
  void SetBasicAuthentication(bool v) { FBasicAuthentication = v; }
  TIdAuthentication* Authentication() const { return FAuthentication.get(); }
  void SetAuthentication(std::unique_ptr<TIdAuthentication> a) { FAuthentication = std::move(a); }

 private:
  String FProxyServer;
  std::uint16_t FProxyPort = 0;
  String FProxyUsername;
  String FProxyPassword;
  bool FBasicAuthentication = false;
  std::unique_ptr<TIdAuthentication> FAuthentication;
};

// The request and response of one client and the reading of a response.
class TIdHTTPProtocol {
 public:
  explicit TIdHTTPProtocol(TIdCustomHTTP& http);

  TIdHTTPRequest& Request() { return FRequest; }
  TIdHTTPResponse& Response() { return FResponse; }

  // Reads the header block into the response's RawHeaders and processes it.
  void RetrieveHeaders(int maxHeaderCount);
  // Decides what the response means: follow a redirect, retry with credentials, or done
  // (having read the body or raised the status exception).
  TIdHTTPResponseAction DecideResponse(const std::vector<int>& ignoredStatusCodes);
  bool ResponseHasBody();
  // Reads (or drops) the body of the current response into its ContentStream.
  void ReadResponseBody();
  // Reads the body with no stream, dropping it.
  void SkipResponseBody();
  // Reads the body of an error status and raises EIdHTTPProtocolException unless ignored.
  void FailOrIgnoreStatus(const std::vector<int>& ignoredStatusCodes);

 private:
  // Where the body bytes go and how far they may grow.
  struct TBodySink;
  void ReadChunkedBody(TBodySink& sink);
  std::int64_t ReadChunkSize();
  void ScanMetaHeaders(TStream& stream);

  // Reading an error body: cut at the client's limit, and a close ends it quietly.
  bool FReadingErrorBody = false;
  // The response framing says there is a body, but it was left unread.
  bool FBodyLeftUnread = false;

  TIdCustomHTTP& FHTTP;
  TIdHTTPRequest FRequest;
  TIdHTTPResponse FResponse;
};

// The HTTP/1.1 client over one TCP connection that it keeps between requests when it may.
class TIdCustomHTTP : public TIdTCPClientCustom {
 public:
  using TIdHTTPOnRedirectEvent =
      std::function<void(TIdComponent& sender, String& dest, int numRedirect, bool& handled, String& method)>;
  using TIdHTTPOnHeadersAvailable =
      std::function<void(TIdComponent& sender, TIdHeaderList& headers, bool& continue_)>;
  using TIdOnSelectAuthorization =
      std::function<void(TIdComponent& sender, String& authenticationScheme, TIdHeaderList& authInfo)>;
  using TIdOnAuthorization =
      std::function<void(TIdComponent& sender, TIdAuthentication& authentication, bool& handled)>;

  // The largest body a text Get or a meta scan holds in memory (256 MiB).
  static constexpr std::int64_t DefaultMaxInMemoryBodySize = std::int64_t{256} * 1024 * 1024;
  // The most of an error page that is read to build the status exception (1 MiB).
  static constexpr std::int64_t DefaultMaxErrorBodySize = std::int64_t{1024} * 1024;
  // The most interim 100 heads read in a row before the response counts as broken.
  static constexpr int MaxInterimResponses = 32;

  TIdCustomHTTP();
  ~TIdCustomHTTP() override;

  // --- Requests -----------------------------------------------------------------------------

  // The body of a GET into the stream, from its current position on.
  void Get(const String& url, TStream& responseContent);
  void Get(const String& url, TStream& responseContent, const std::vector<int>& ignoredStatusCodes);
  // The body of a GET as text, decoded by the response's charset.
  String Get(const String& url);
  String Get(const String& url, const std::vector<int>& ignoredStatusCodes);
  void Head(const String& url);

  // The request loop every method runs through.
  void PerformRequest(const String& method, const String& url, TStream* source, TStream* responseContent,
                      const std::vector<int>& ignoredStatusCodes);

  // --- Properties ---------------------------------------------------------------------------

  TIdHTTPRequest& Request() { return FHTTPProto.Request(); }
  TIdHTTPResponse& Response() { return FHTTPProto.Response(); }
  int ResponseCode() { return Response().ResponseCode(); }
  const String& ResponseText() { return Response().ResponseText(); }
  // The current target: every request's URL is merged into it.
  TIdURI& URL() { return FURI; }

  TIdHTTPProtocolVersion ProtocolVersion() const { return FProtocolVersion; }
  void SetProtocolVersion(TIdHTTPProtocolVersion v) { FProtocolVersion = v; }
  TIdHTTPOptions HTTPOptions() const { return FHTTPOptions; }
  void SetHTTPOptions(TIdHTTPOptions v) { FHTTPOptions = v; }
  bool AllowCookies() const { return FAllowCookies; }
  void SetAllowCookies(bool v) { FAllowCookies = v; }
  // The cookie store, or none. With AllowCookies the client makes its own on the first response
  // head it reads; one assigned here is borrowed and replaces (and frees) the client's own.
  TIdCookieManager* CookieManager() const { return FCookieManager; }
  void SetCookieManager(TIdCookieManager* manager);
  bool HandleRedirects() const { return FHandleRedirects; }
  void SetHandleRedirects(bool v) { FHandleRedirects = v; }
  int RedirectMaximum() const { return FRedirectMaximum; }
  void SetRedirectMaximum(int v) { FRedirectMaximum = v; }
  int RedirectCount() const { return FRedirectCount; }
  int MaxAuthRetries() const { return FMaxAuthRetries; }
  void SetMaxAuthRetries(int v) { FMaxAuthRetries = v; }
  int AuthRetries() const { return FAuthRetries; }
  int MaxHeaderLines() const { return FMaxHeaderLines; }
  void SetMaxHeaderLines(int v) { FMaxHeaderLines = v; }
  TIdProxyConnectionInfo& ProxyParams() { return FProxyParams; }

  // Total time, in milliseconds, for reading each response head together with whatever is read
  // after it but the body delivered into a stream (an error page, a skipped body), and for the
  // whole of a text Get; 0 or less: none (the default). Each receive is also limited by
  // ReadTimeout.
  int Deadline() const { return FDeadline; }
  void SetDeadline(int milliseconds) { FDeadline = milliseconds; }
  // The most of an error page read for EIdHTTPProtocolException's ErrorMessage; the rest is
  // left unread and the connection dropped.
  std::int64_t MaxErrorBodySize() const { return FMaxErrorBodySize; }
  void SetMaxErrorBodySize(std::int64_t v) { FMaxErrorBodySize = v; }
  // The most a body held in memory (a text Get, the meta scan of an HTML body) may grow.
  std::int64_t MaxInMemoryBodySize() const { return FMaxInMemoryBodySize; }
  void SetMaxInMemoryBodySize(std::int64_t v) { FMaxInMemoryBodySize = v; }

  // The clock for the date fields of requests and responses and for the client's own cookie
  // store (borrowed).
  void SetWallClock(platform::IWallClock& clock);

  // --- Events -------------------------------------------------------------------------------

  TIdHTTPOnRedirectEvent OnRedirect;
  TIdHTTPOnHeadersAvailable OnHeadersAvailable;
  TIdOnSelectAuthorization OnSelectAuthorization;
  TIdOnSelectAuthorization OnSelectProxyAuthorization;
  TIdOnAuthorization OnAuthorization;
  TIdOnAuthorization OnProxyAuthorization;

  // --- Steps of the request loop --------------------------------------------------------------

  void ResolveRequestTarget(TIdHTTPRequest& request);
  TIdHTTPConnectionType SelectConnectionTarget(TIdHTTPRequest& request);
  void OpenAndSendRequest(TIdHTTPRequest& request, TIdHTTPResponse& response);
  void BuildAndSendRequest(TIdURI* uri);
  void EnsureConnection(TIdHTTPResponse& response);
  String ReadResponseLine();
  bool PrepareAuthorization();
  bool PrepareProxyAuthorization();
  bool RedirectAllowed(String& location, String& method, int redirectCount);

 protected:
  // The cookie steps: the store receives the Set-Cookie lines of every response head, and the
  // request head to the target may gain a Cookie line.
  virtual void StoreResponseCookies();
  virtual void AddRequestCookies(TIdURI& target);

  void NotifyDisconnected() override;

 private:
  friend class TIdHTTPProtocol;
  friend class TIdHTTPResponse;

  // Reads status lines and header blocks until one that is not 100.
  void ReadResponseHead();
  // Gives the handler the read limit of the phase that starts now (the head, else the body
  // delivered to the caller).
  void ArmReadDeadline(bool head);
  void ClearReadDeadline();
  // After a request, keeps the connection only when the response's verdict allows it.
  void ReleaseConnection();
  // Disconnects and forgets whatever input is left unread.
  void DropConnection();
  // The same, swallowing a failure of the disconnect when another failure is on its way.
  void DisconnectQuietly();
  // The IP version the connection to the target uses (a name override may change it).
  TIdIPVersion ConnectionIPVersion(const String& host, std::uint16_t port, TIdIPVersion targetVersion);

  TIdURI FURI;
  TIdHTTPProtocol FHTTPProto;
  platform::IWallClock* FWallClock;
  TIdCookieManager* FCookieManager = nullptr;
  // The store the client made itself, if FCookieManager is that one.
  std::unique_ptr<TIdCookieManager> FOwnedCookieManager;
  TIdProxyConnectionInfo FProxyParams;
  TIdHTTPProtocolVersion FProtocolVersion = TIdHTTPProtocolVersion::pv1_1;
  TIdHTTPOptions FHTTPOptions{TIdHTTPOption::hoForceEncodeParams};
  bool FAllowCookies = true;
  bool FHandleRedirects = false;
  int FRedirectMaximum = 15;
  int FRedirectCount = 0;
  int FMaxAuthRetries = 3;
  int FAuthRetries = 0;
  int FAuthProxyRetries = 0;
  int FMaxHeaderLines = 255;
  int FDeadline = 0;
  std::int64_t FMaxErrorBodySize = DefaultMaxErrorBodySize;
  std::int64_t FMaxInMemoryBodySize = DefaultMaxInMemoryBodySize;
  // The limit of a text Get over all its reads: active, its start in ticks.
  bool FTextDeadlineActive = false;
  std::uint32_t FTextDeadlineStart = 0;
  // The host the request's credentials were given for, and the host its authentication
  // object was made for: neither is sent anywhere else.
  String FCredentialsHost;
  String FAuthenticationHost;
  // The stream of a text Get, whose body is held in memory and bounded.
  TStream* FInMemoryBody = nullptr;
};

// The HTTP client as the program uses it.
class TIdHTTP : public TIdCustomHTTP {
 public:
  using TIdCustomHTTP::TIdCustomHTTP;
};

#endif
