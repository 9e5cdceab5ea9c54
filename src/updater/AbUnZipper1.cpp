#include <utility>

#include "unzip/AbUnZipper.h"
#include "updater/UnZipper.h"

namespace updater {
namespace {

class TAbUnZipperComponent final : public IUnZipper {
 public:
  TAbUnZipperComponent() {
    FUnZipper.OnArchiveProgress = [this](TAbArchive&, std::uint8_t progress, bool&) {
      if (OnArchiveProgress) OnArchiveProgress(progress);
    };
    FUnZipper.OnArchiveItemProgress = [this](TAbArchive&, TAbArchiveItem&, std::uint8_t progress, bool&) {
      if (OnArchiveItemProgress) OnArchiveItemProgress(progress);
    };
  }
  void OpenArchive(const String& fileName) override { FUnZipper.OpenArchive(fileName); }
  void OpenArchive(std::unique_ptr<TStream> archive, const String& archiveName) override {
    FUnZipper.OpenArchive(std::move(archive), archiveName);
  }
  void ExtractFiles(const String& fileMask) override { FUnZipper.ExtractFiles(fileMask); }
  void CloseArchive() override { FUnZipper.CloseArchive(); }

 private:
  TAbUnZipper FUnZipper;
};

}  // namespace

std::unique_ptr<IUnZipper> CreateAbUnZipper() {
  return std::make_unique<TAbUnZipperComponent>();
}

}  // namespace updater
