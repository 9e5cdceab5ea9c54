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

class MissingUnZipper final : public IUnZipper {
 public:
  void OpenArchive(const String&) override { throw Exception(kMessage); }
  void ExtractFiles(const String&) override { throw Exception(kMessage); }
  void CloseArchive() override {}

 private:
  static constexpr char16_t kMessage[] = u"Dieser Build enthält noch keinen Entpacker";
};

}  // namespace

std::unique_ptr<IHttpClient> CreateMissingHttpClient() {
  return std::make_unique<MissingHttpClient>();
}
std::unique_ptr<IUnZipper> CreateMissingUnZipper() {
  return std::make_unique<MissingUnZipper>();
}

}  // namespace updater
