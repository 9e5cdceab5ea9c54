#include "updater/MissingComponents.h"

#include "core/Exception.h"

namespace updater {
namespace {

class MissingHttpClient final : public IHttpClient {
 public:
  String Get(const String&) override { throw Exception(kMessage); }
  void Get(const String&, TStream&) override { throw Exception(kMessage); }

 private:
  static constexpr char16_t kMessage[] = u"Dieser Build enthält noch keinen HTTP-Client";
};

}  // namespace

std::unique_ptr<IHttpClient> CreateMissingHttpClient() {
  return std::make_unique<MissingHttpClient>();
}

}  // namespace updater
