#ifndef FENDREL_UPDATER_UPDATERCLIENTSETTINGS_H
#define FENDREL_UPDATER_UPDATERCLIENTSETTINGS_H

#include <cstdint>

#include "core/String.h"
#include "http/IdHTTP.h"

namespace updater {

// The settings of the updater's HTTP client, in this one place: the updater applies them, and
// the publisher's tool fendrel-check takes its defaults and its help text from them, so the
// tool sees a server as the updater does. A default-made value holds the updater's own.
struct TUpdaterClientSettings {
  bool AllowCookies = true;
  TIdHTTPOptions HTTPOptions{TIdHTTPOption::hoForceEncodeParams};
  String Accept = u"text/html, */*";
  String UserAgent = u"Mozilla/3.0 (compatible; Fendrel Updater)";
  String RangeUnits = u"bytes";
  // No credentials, no proxy, no redirects followed.
  bool BasicAuthentication = false;
  bool ProxyBasicAuthentication = false;
  std::uint16_t ProxyPort = 0;
  bool HandleRedirects = false;
  // Milliseconds. A limit of each receive, and a total deadline for each response head and
  // for the whole version query, so a silent or dripping server cannot hold the window
  // without end.
  int ReadTimeout = 60000;
  int Deadline = 120000;
};

}  // namespace updater

#endif
