#ifndef FENDREL_UPDATER_UPDATERHTTPCLIENT_H
#define FENDREL_UPDATER_UPDATERHTTPCLIENT_H

#include <memory>

#include "http/IdHTTP.h"
#include "net/IdIOHandlerTls.h"
#include "updater/HttpClient.h"

namespace updater {

// The updater's stored settings of its HTTP client: cookies on, the options, Accept and
// User-Agent as stored, no ranges, no proxy, no credentials, no event handler. On top of them
// a read time-out of 60 seconds per receive and a total deadline of 120 seconds for each
// response head and for the whole version query, so a silent or dripping server cannot hold
// the window without end.
inline constexpr int UpdaterReadTimeout = 60000;
inline constexpr int UpdaterDeadline = 120000;
void ApplyUpdaterSettings(TIdHTTP& http);

// IdHTTP1: the real HTTP client with the updater's settings. Its I/O handler is the
// TLS-capable one, so an https base URL works (where the build has TLS); for http it passes
// the bytes through as the socket handler does.
class TUpdaterHttpClient final : public IHttpClient {
 public:
  TUpdaterHttpClient();
  String Get(const String& url) override { return FHTTP.Get(url); }
  void Get(const String& url, TStream& destination) override { FHTTP.Get(url, destination); }
  TIdHTTP& HTTP() { return FHTTP; }

 private:
  // Declared before the client, so it outlives the client that closes it.
  TIdIOHandlerTls FIOHandler;
  TIdHTTP FHTTP;
};

std::unique_ptr<IHttpClient> CreateUpdaterHttpClient();

}  // namespace updater

#endif
