#include "updater/MissingComponents.h"

#include "core/Exception.h"

namespace updater {
namespace {

class MissingUnZipper final : public IUnZipper {
 public:
  void OpenArchive(const String&) override { throw Exception(kMessage); }
  void ExtractFiles(const String&) override { throw Exception(kMessage); }
  void CloseArchive() override {}

 private:
  static constexpr char16_t kMessage[] = u"Dieser Build enthält noch keinen Entpacker";
};

}  // namespace

std::unique_ptr<IUnZipper> CreateMissingUnZipper() {
  return std::make_unique<MissingUnZipper>();
}

}  // namespace updater
