#include <utility>

#include "core/Exception.h"
#include "unzip/AbUnZipper.h"
#include "updater/UnZipper.h"
#include "zip/AbException.h"

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
    // An assigned failure report drops the failure as an unassigned one does: extraction
    // goes on. It only passes the failure on.
    FUnZipper.OnProcessItemFailure = [this](TAbArchive&, TAbArchiveItem& item, TAbProcessType,
                                            TAbErrorClass errorClass, std::int32_t errorCode) {
      std::exception_ptr failure = FUnZipper.LastItemException();
      FUnZipper.ClearLastItemException();
      // A CRC-32 mismatch found after decoding is reported without an exception; any other
      // report without one is named by its class and code.
      if (!failure && errorClass == TAbErrorClass::ecKolmira && errorCode == EAbZipBadCRC().ErrorCode())
        failure = std::make_exception_ptr(EAbZipBadCRC());
      if (!failure)
        failure = std::make_exception_ptr(Exception(u"error class " + IntToStr(static_cast<int>(errorClass)) +
                                                    u", code " + IntToStr(errorCode)));
      if (OnItemFailure) OnItemFailure(item.FileName(), failure);
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
