#ifndef FENDREL_UPDATER_UPDATERHTTPCLIENT_H
#define FENDREL_UPDATER_UPDATERHTTPCLIENT_H

#include <memory>

#include "http/IdHTTP.h"
#include "net/IdIOHandlerTls.h"
#include "updater/HttpClient.h"
#include "updater/UpdaterClientSettings.h"

namespace updater {

// Applies settings to http: their values, a request without length or ranges, and no
// event handler.
void ApplyClientSettings(TIdHTTP& http, const TUpdaterClientSettings& settings);
// The updater's own settings.
void ApplyUpdaterSettings(TIdHTTP& http);

// IdHTTP1: the real HTTP client with the updater's settings. Its I/O handler is the
// TLS-capable one, so an https base URL works (where the build has TLS); for http it passes
// the bytes through as the socket handler does. The client's read work and the handler's
// waits for input are passed on to the events of IHttpClient.
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
