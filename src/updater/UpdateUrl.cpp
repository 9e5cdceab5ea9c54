#include "updater/UpdateUrl.h"

#include <cstdlib>

namespace updater {

String UpdateUrl() {
  const char* fromEnvironment = std::getenv("FENDREL_UPDATE_URL");
  if (fromEnvironment != nullptr && fromEnvironment[0] != '\0') return FromUtf8(fromEnvironment);
  return kBuiltInUpdateUrl;
}

}  // namespace updater
