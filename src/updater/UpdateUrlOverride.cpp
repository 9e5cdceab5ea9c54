#include "updater/UpdateUrlOverride.h"

#include "core/Exception.h"

namespace updater {

namespace {

// Whether the URL's scheme (the text before "://") is https, in any letter case.
bool IsHttps(StringView url) {
  const std::size_t end = url.find(u"://");
  return end != StringView::npos && SameText(TrimView(url.substr(0, end)), u"https");
}

}  // namespace

String ResolveUpdateUrl(StringView builtIn, StringView environmentValue) {
  if (environmentValue.empty()) return String(builtIn);
  String overridden(environmentValue);
  if (IsHttps(builtIn) && !IsHttps(overridden))
    throw Exception(Format(SUpdateUrlDowngradeRefused, {overridden}));
  return overridden;
}

}  // namespace updater
