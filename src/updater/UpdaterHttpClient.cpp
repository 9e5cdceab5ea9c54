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
  // The client's events reach the handlers the sequence assigns to this object.
  FHTTP.OnWorkBegin = [this](TIdComponent&, TWorkMode mode, std::int64_t workCountMax) {
    if (mode == TWorkMode::wmRead && OnWorkBegin) OnWorkBegin(workCountMax);
  };
  FHTTP.OnWork = [this](TIdComponent&, TWorkMode mode, std::int64_t workCount) {
    if (mode == TWorkMode::wmRead && OnWork) OnWork(workCount);
  };
  FIOHandler.SetWaitInterval(WaitInterval);
  FIOHandler.OnWaiting = [this](TIdIOHandler&) {
    if (OnWaiting) OnWaiting();
  };
}

std::unique_ptr<IHttpClient> CreateUpdaterHttpClient() {
  return std::make_unique<TUpdaterHttpClient>();
}

}  // namespace updater
