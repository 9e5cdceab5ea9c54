#include <gtest/gtest.h>

#include "http/IdHTTP.h"
#include "updater/UpdaterClientSettings.h"
#include "updater/UpdaterHttpClient.h"

namespace {

// The updater's client settings as they are meant to be: the publisher's tool and its help
// take theirs from these, so a change here is a change of what the tool shows too.
TEST(UpdaterClientSettingsTest, TheUpdatersValues) {
  const updater::TUpdaterClientSettings settings;
  EXPECT_EQ(settings.ReadTimeout, 60000);
  EXPECT_EQ(settings.Deadline, 120000);
  EXPECT_TRUE(settings.AllowCookies);
  EXPECT_EQ(settings.HTTPOptions, TIdHTTPOptions{TIdHTTPOption::hoForceEncodeParams});
  EXPECT_EQ(settings.Accept, u"text/html, */*");
  EXPECT_EQ(settings.UserAgent, u"Mozilla/3.0 (compatible; Fendrel Updater)");
  EXPECT_EQ(settings.RangeUnits, u"bytes");
  EXPECT_FALSE(settings.BasicAuthentication);
  EXPECT_FALSE(settings.ProxyBasicAuthentication);
  EXPECT_EQ(settings.ProxyPort, 0);
  EXPECT_FALSE(settings.HandleRedirects);
}

// Applying sets every value, also over a client that held others, and clears the
// request's length and ranges.
TEST(UpdaterClientSettingsTest, ApplyingSetsEveryValue) {
  TIdHTTP http;
  http.SetAllowCookies(false);
  http.SetHTTPOptions({TIdHTTPOption::hoInProcessAuth});
  http.SetHandleRedirects(true);
  http.SetReadTimeout(1);
  http.SetDeadline(2);
  http.ProxyParams().SetProxyPort(3128);
  http.ProxyParams().SetBasicAuthentication(true);
  TIdHTTPRequest& request = http.Request();
  request.SetAccept(u"x/y");
  request.SetUserAgent(u"other");
  request.SetBasicAuthentication(true);
  request.SetContentLength(5);
  request.SetContentRangeStart(1);
  request.SetContentRangeEnd(2);
  request.SetContentRangeInstanceLength(3);
  request.Ranges().SetUnits(u"lines");
  request.Ranges().Add(TIdEntityRange{});

  updater::ApplyUpdaterSettings(http);

  const updater::TUpdaterClientSettings settings;
  EXPECT_EQ(http.AllowCookies(), settings.AllowCookies);
  EXPECT_EQ(http.HTTPOptions(), settings.HTTPOptions);
  EXPECT_EQ(http.HandleRedirects(), settings.HandleRedirects);
  EXPECT_EQ(http.ReadTimeout(), settings.ReadTimeout);
  EXPECT_EQ(http.Deadline(), settings.Deadline);
  EXPECT_EQ(http.ProxyParams().ProxyPort(), settings.ProxyPort);
  EXPECT_EQ(http.ProxyParams().BasicAuthentication(), settings.ProxyBasicAuthentication);
  EXPECT_EQ(request.Accept(), settings.Accept);
  EXPECT_EQ(request.UserAgent(), settings.UserAgent);
  EXPECT_EQ(request.BasicAuthentication(), settings.BasicAuthentication);
  EXPECT_EQ(request.ContentLength(), -1);
  EXPECT_EQ(request.ContentRangeStart(), -1);
  EXPECT_EQ(request.ContentRangeEnd(), -1);
  EXPECT_EQ(request.ContentRangeInstanceLength(), -1);
  EXPECT_EQ(request.Ranges().Units(), settings.RangeUnits);
  EXPECT_TRUE(request.Ranges().Items().empty());
}

}  // namespace
