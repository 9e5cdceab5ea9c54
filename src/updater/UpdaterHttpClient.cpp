#include "updater/UpdaterHttpClient.h"

namespace updater {

void ApplyUpdaterSettings(TIdHTTP& http) {
  http.SetAllowCookies(true);
  http.SetHTTPOptions({TIdHTTPOption::hoForceEncodeParams});
  TIdHTTPRequest& request = http.Request();
  request.SetAccept(u"text/html, */*");
  request.SetUserAgent(u"Mozilla/3.0 (compatible; Fendrel Updater)");
  request.SetContentLength(-1);
  request.SetContentRangeStart(-1);
  request.SetContentRangeEnd(-1);
  request.SetContentRangeInstanceLength(-1);
  request.SetBasicAuthentication(false);
  request.Ranges().SetUnits(u"bytes");
  request.Ranges().Clear();
  http.ProxyParams().SetBasicAuthentication(false);
  http.ProxyParams().SetProxyPort(0);
  http.SetReadTimeout(UpdaterReadTimeout);
  http.SetDeadline(UpdaterDeadline);
}

TUpdaterHttpClient::TUpdaterHttpClient() {
  FHTTP.SetIOHandler(&FIOHandler);
  ApplyUpdaterSettings(FHTTP);
}

std::unique_ptr<IHttpClient> CreateUpdaterHttpClient() {
  return std::make_unique<TUpdaterHttpClient>();
}

}  // namespace updater
