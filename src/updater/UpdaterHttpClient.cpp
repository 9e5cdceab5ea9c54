#include "updater/UpdaterHttpClient.h"

namespace updater {

void ApplyClientSettings(TIdHTTP& http, const TUpdaterClientSettings& settings) {
  http.SetAllowCookies(settings.AllowCookies);
  http.SetHTTPOptions(settings.HTTPOptions);
  TIdHTTPRequest& request = http.Request();
  request.SetAccept(settings.Accept);
  request.SetUserAgent(settings.UserAgent);
  request.SetContentLength(-1);
  request.SetContentRangeStart(-1);
  request.SetContentRangeEnd(-1);
  request.SetContentRangeInstanceLength(-1);
  request.SetBasicAuthentication(settings.BasicAuthentication);
  request.Ranges().SetUnits(settings.RangeUnits);
  request.Ranges().Clear();
  http.ProxyParams().SetBasicAuthentication(settings.ProxyBasicAuthentication);
  http.ProxyParams().SetProxyPort(settings.ProxyPort);
  http.SetHandleRedirects(settings.HandleRedirects);
  http.SetReadTimeout(settings.ReadTimeout);
  http.SetDeadline(settings.Deadline);
}

void ApplyUpdaterSettings(TIdHTTP& http) {
  ApplyClientSettings(http, TUpdaterClientSettings{});
}

TUpdaterHttpClient::TUpdaterHttpClient() {
  FHTTP.SetIOHandler(&FIOHandler);
  ApplyUpdaterSettings(FHTTP);
}

std::unique_ptr<IHttpClient> CreateUpdaterHttpClient() {
  return std::make_unique<TUpdaterHttpClient>();
}

}  // namespace updater
