#ifndef FENDREL_TOOLS_CHECK_UPDATERCLIENT_H
#define FENDREL_TOOLS_CHECK_UPDATERCLIENT_H

#include <string>
#include <vector>

#include "http/IdHTTP.h"
#include "net/IdIOHandlerTls.h"

namespace check {

// The updater's HTTP client with the updater's settings: its handler speaks TLS for https
// URLs and trusts the certificate authorities in the given files besides the system's.
class TUpdaterClient {
 public:
  explicit TUpdaterClient(const std::vector<std::string>& caFiles);
  TUpdaterClient(const TUpdaterClient&) = delete;
  TUpdaterClient& operator=(const TUpdaterClient&) = delete;
  TIdHTTP& HTTP() { return FHTTP; }

 private:
  // Declared before the client, so it outlives the client that closes it.
  TIdIOHandlerTls FHandler;
  TIdHTTP FHTTP;
};

}  // namespace check

#endif
