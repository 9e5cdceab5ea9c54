#ifndef FENDREL_UPDATER_HTTPCLIENT_H
#define FENDREL_UPDATER_HTTPCLIENT_H

#include <cstdint>
#include <functional>

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

  // The client's work events of the read direction: the begin of a transfer with the bytes
  // it expects (0: not known), and the bytes received since its begin. OnWaiting is called at
  // least every WaitInterval milliseconds while a read waits for input. Every handler may
  // raise to end the transfer: the connection is then dropped and the exception leaves Get.
  static constexpr int WaitInterval = 50;
  std::function<void(std::int64_t workCountMax)> OnWorkBegin;
  std::function<void(std::int64_t workCount)> OnWork;
  std::function<void()> OnWaiting;
};

}  // namespace updater

#endif
