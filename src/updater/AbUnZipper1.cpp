#include "unzip/AbUnZipper.h"
#include "updater/UnZipper.h"

namespace updater {
namespace {

class TAbUnZipperComponent final : public IUnZipper {
 public:
  void OpenArchive(const String& fileName) override { FUnZipper.OpenArchive(fileName); }
  void ExtractFiles(const String& fileMask) override { FUnZipper.ExtractFiles(fileMask); }
  void CloseArchive() override { FUnZipper.CloseArchive(); }
  TStream* ArchiveStream() override { return FUnZipper.Stream(); }

 private:
  TAbUnZipper FUnZipper;
};

}  // namespace

std::unique_ptr<IUnZipper> CreateAbUnZipper() {
  return std::make_unique<TAbUnZipperComponent>();
}

}  // namespace updater
