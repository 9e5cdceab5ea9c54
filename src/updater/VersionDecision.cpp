#include "updater/VersionDecision.h"

#include "core/FloatConvert.h"

namespace updater {

long double VersionNumber(const String& text) {
  return StrToFloat(text);
}

TVersionDecision DecideUpdate(const String& installed, const String& newest) {
  TVersionDecision decision;
  decision.Newest = VersionNumber(newest);
  decision.Installed = VersionNumber(installed);
  decision.Update = !(decision.Installed >= decision.Newest);
  return decision;
}

}  // namespace updater
