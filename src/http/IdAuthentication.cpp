#include "http/IdAuthentication.h"

#include <mutex>
#include <utility>
#include <vector>

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
  static constexpr char16_t kAlphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  String out;
  std::size_t i = 0;
  const auto byte = [&bytes](std::size_t k) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[k]));
  };
  for (; i + 2 < bytes.size(); i += 3) {
    const std::uint32_t v = (byte(i) << 16) | (byte(i + 1) << 8) | byte(i + 2);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest == 1) {
    const std::uint32_t v = byte(i) << 16;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += u"==";
  } else if (rest == 2) {
    const std::uint32_t v = (byte(i) << 16) | (byte(i + 1) << 8);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += u'=';
  }
  return out;
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
