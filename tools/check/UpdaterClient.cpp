#include "check/UpdaterClient.h"

#include "updater/UpdaterHttpClient.h"

namespace check {

TUpdaterClient::TUpdaterClient(const std::vector<std::string>& caFiles) {
  std::vector<String> files;
  for (const std::string& file : caFiles) files.push_back(FromUtf8(file));
  FHandler.SetCAFiles(std::move(files));
  FHTTP.SetIOHandler(&FHandler);
  updater::ApplyUpdaterSettings(FHTTP);
}

}  // namespace check
