#include "http/IdAuthentication.h"

#include <mutex>
#include <utility>
#include <vector>

#include "core/Base64.h"

TIdAuthentication::TIdAuthentication() = default;
TIdAuthentication::~TIdAuthentication() = default;

String TIdBasicAuthentication::Authentication() {
  return u"Basic " + EncodeBase64(ToUtf8(Username() + u":" + Password()));
}

TIdAuthWhatsNext TIdBasicAuthentication::Next() {
  if (Username().empty()) return TIdAuthWhatsNext::wnAskTheProgram;
  FCurrentStep = 1;
  return TIdAuthWhatsNext::wnDoRequest;
}

String EncodeBase64(const std::string& bytes) {
  return FromUtf8(Base64Of(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

namespace {

struct Registry {
  std::mutex Lock;
  std::vector<std::pair<String, TIdAuthenticationFactory>> Schemes;
  Registry() {
    Schemes.emplace_back(u"Basic", [] { return std::make_unique<TIdBasicAuthentication>(); });
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

bool SameName(StringView a, StringView b) {
  return LowerCaseAscii(a) == LowerCaseAscii(b);
}

}  // namespace

TIdAuthenticationFactory FindAuthenticationScheme(StringView schemeName) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.Lock);
  for (const auto& [name, factory] : r.Schemes)
    if (SameName(name, schemeName)) return factory;
  return {};
}

void RegisterAuthenticationScheme(const String& schemeName, TIdAuthenticationFactory factory) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.Lock);
  for (auto& entry : r.Schemes) {
    if (SameName(entry.first, schemeName)) {
      entry.second = std::move(factory);
      return;
    }
  }
  r.Schemes.emplace_back(schemeName, std::move(factory));
}

void UnregisterAuthenticationScheme(StringView schemeName) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.Lock);
  std::erase_if(r.Schemes, [&](const auto& entry) { return SameName(entry.first, schemeName); });
}
