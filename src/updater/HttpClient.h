#ifndef FENDREL_UPDATER_HTTPCLIENT_H
#define FENDREL_UPDATER_HTTPCLIENT_H

#include "core/Stream.h"
#include "core/String.h"

namespace updater {

// What the update sequence asks of its HTTP client IdHTTP1.
class IHttpClient {
 public:
  virtual ~IHttpClient() = default;
  // The response body of a GET as text.
  virtual String Get(const String& url) = 0;
  // The response body of a GET written into the stream.
  virtual void Get(const String& url, TStream& destination) = 0;
};

}  // namespace updater

#endif
