#include "unzip/AbUnZipper.h"

#include "codecs/AbUnzipItem.h"
#include "platform/Files.h"
#include "unzip/AbDetectArchiveType.h"
#include "unzip/AbExtract.h"
#include "unzip/AbUnzipToFile.h"
#include "zip/AbException.h"

TAbUnZipper::TAbUnZipper() = default;

// Frees the archive without saving it: an archive that was read is never written.
TAbUnZipper::~TAbUnZipper() = default;

TAbZipArchive& TAbUnZipper::RequireArchive() const {
  if (!FArchive) throw EAbNoArchive();
  return *FArchive;
}

TAbZipItem& TAbUnZipper::Items(int index) const {
  return RequireArchive().Items(index);
}

void TAbUnZipper::NotifyChange() {
  if (OnChange) OnChange();
}

void TAbUnZipper::SetFileName(const String& value) {
  if (!value.empty()) {
    if (!platform::FileExists(value)) throw EAbFileNotFound();
    if (platform::FileSizeOf(value) <= 0) throw EAbBadStream();
  }
  FFileName = value;
  DropArchive();
  if (!FFileName.empty() && platform::FileExists(FFileName)) {
    LoadArchive(FForceType ? FArchiveType : DetectArchiveType(FFileName),
                [this] { return std::make_unique<TAbZipArchive>(FFileName, fmOpenRead | fmShareDenyNone); });
  }
  NotifyChange();
}

void TAbUnZipper::OpenArchive(std::unique_ptr<TStream> stream, const String& archiveName) {
  if (!stream || stream->Size() <= 0) throw EAbBadStream();
  FFileName = archiveName;
  DropArchive();
  LoadArchive(FForceType ? FArchiveType : DetectArchiveType(archiveName, *stream),
              [&] { return std::make_unique<TAbZipArchive>(std::move(stream), archiveName); });
  NotifyChange();
}

void TAbUnZipper::DropArchive() {
  if (!FArchive) return;
  try {
    FArchive->Save();
  } catch (...) {
  }
  FArchive.reset();
}

void TAbUnZipper::LoadArchive(TAbArchiveType type,
                              const std::function<std::unique_ptr<TAbZipArchive>()>& open) {
  switch (type) {
    case TAbArchiveType::atZip:
    case TAbArchiveType::atSpannedZip:
    case TAbArchiveType::atSelfExtZip:
      FArchive = open();
      ConfigureArchive(*FArchive);
      break;
    default:
      throw EAbUnhandledType();
  }
  FArchive->Load();
  FArchiveType = type;
}

void TAbUnZipper::ConfigureArchive(TAbZipArchive& archive) {
  archive.SetSpanningThreshold(FSpanningThreshold);
  archive.SetLogFile(FLogFile);
  archive.SetLogging(FLogging);
  archive.SetTempDirectory(FTempDirectory);
  SetBaseDirectory(FBaseDirectory);

  archive.OnArchiveProgress = [this](TAbArchive& sender, std::uint8_t progress, bool& abort) {
    if (OnArchiveProgress) OnArchiveProgress(sender, progress, abort);
  };
  archive.OnArchiveItemProgress = [this](TAbArchive& sender, TAbArchiveItem& item, std::uint8_t progress,
                                         bool& abort) {
    if (OnArchiveItemProgress) OnArchiveItemProgress(sender, item, progress, abort);
  };
  archive.OnConfirmProcessItem = [this](TAbArchive& sender, TAbArchiveItem& item, TAbProcessType processType,
                                        bool& confirm) {
    if (OnConfirmProcessItem) OnConfirmProcessItem(sender, item, processType, confirm);
  };
  archive.OnLoad = [this](TAbArchive& sender) {
    if (OnLoad) OnLoad(sender);
  };
  archive.OnProcessItemFailure = [this](TAbArchive& sender, TAbArchiveItem& item, TAbProcessType processType,
                                        TAbErrorClass errorClass, std::int32_t errorCode) {
    if (OnProcessItemFailure) OnProcessItemFailure(sender, item, processType, errorClass, errorCode);
  };
  archive.OnRequestImage = FOnRequestImage;

  archive.SetPassword(FPassword);
  archive.OnRequestLastDisk = OnRequestLastDisk;
  archive.OnRequestNthDisk = OnRequestNthDisk;

  archive.SetExtractOptions(FExtractOptions);
  archive.SetPasswordRetries(FPasswordRetries);
  archive.OnConfirmOverwrite = [this](String& name, bool& confirm) {
    if (OnConfirmOverwrite) OnConfirmOverwrite(name, confirm);
  };
  // The component's handler answers for the archive, and its answer becomes the
  // component's password as well.
  archive.OnNeedPassword = [this](TAbZipArchive& sender, std::string& newPassword) {
    if (!OnNeedPassword) return;
    OnNeedPassword(sender, newPassword);
    SetPassword(newPassword);
  };
  archive.ExtractHelper = [](TAbZipArchive& sender, TAbZipItem& item, const String& newName) {
    UnzipItemToFile(sender, item, newName);
  };
  archive.ExtractToStreamHelper = [](TAbZipArchive& sender, TAbZipItem& item, TStream& stream) {
    UnzipItemToStream(sender, item, &stream);
  };
  // A test never passes a CRC-32 mismatch: without a failure handler it raises.
  archive.TestHelper = [this](TAbZipArchive& sender, TAbZipItem& item) {
    try {
      TestZipItem(sender, item, true);
    } catch (const EAbZipBadCRC&) {
      KeepCaught(std::current_exception());
      if (!OnProcessItemFailure) throw;
      sender.ReportItemFailure(item, TAbProcessType::ptExtract, TAbErrorClass::ecKolmira,
                               EAbZipBadCRC().ErrorCode());
    }
  };
}

void TAbUnZipper::SetBaseDirectory(const String& value) {
  if (FArchive) {
    FArchive->SetBaseDirectory(value);
    FBaseDirectory = FArchive->BaseDirectory();
  } else {
    FBaseDirectory = value;
  }
}

void TAbUnZipper::SetExtractOptions(TAbExtractOptions value) {
  FExtractOptions = value;
  if (FArchive) FArchive->SetExtractOptions(value);
}

void TAbUnZipper::SetPasswordRetries(std::uint8_t value) {
  FPasswordRetries = value;
  if (FArchive) FArchive->SetPasswordRetries(value);
}

void TAbUnZipper::SetPassword(const std::string& value) {
  FPassword = value;
  if (FArchive) FArchive->SetPassword(value);
}

void TAbUnZipper::SetTempDirectory(const String& value) {
  FTempDirectory = value;
  if (FArchive) FArchive->SetTempDirectory(value);
}

void TAbUnZipper::SetLogFile(const String& value) {
  FLogFile = value;
  if (FArchive) FArchive->SetLogFile(value);
}

void TAbUnZipper::SetLogging(bool value) {
  FLogging = value;
  if (FArchive) FArchive->SetLogging(value);
}

void TAbUnZipper::SetOnRequestImage(TAbArchive::TAbRequestImageEvent handler) {
  FOnRequestImage = std::move(handler);
  if (FArchive) FArchive->OnRequestImage = FOnRequestImage;
}

void TAbUnZipper::ExtractFilesEx(const String& fileMask, const String& exclusionMask) {
  abunzip::ExtractFilesEx(RequireArchive(), fileMask, exclusionMask,
                          [this](std::exception_ptr e) { KeepCaught(e); });
}

void TAbUnZipper::ExtractAt(int index, const String& newName) {
  abunzip::ExtractAt(RequireArchive(), index, newName, [this](std::exception_ptr e) { KeepCaught(e); });
}

void TAbUnZipper::ExtractTaggedItems() {
  abunzip::ExtractTaggedItems(RequireArchive(), [this](std::exception_ptr e) { KeepCaught(e); });
}

void TAbUnZipper::ExtractToStream(const String& fileName, TStream& stream) {
  abunzip::ExtractToStream(RequireArchive(), fileName, stream,
                           [this](std::exception_ptr e) { KeepCaught(e); });
}

void TAbUnZipper::TestTaggedItems() {
  abunzip::TestTaggedItems(RequireArchive());
}
void TAbUnZipper::TestAt(int index) {
  abunzip::TestAt(RequireArchive(), index);
}
void TAbUnZipper::TagItems(const String& mask) {
  abunzip::TagItems(RequireArchive(), mask);
}
void TAbUnZipper::UnTagItems(const String& mask) {
  abunzip::UnTagItems(RequireArchive(), mask);
}
void TAbUnZipper::ClearTags() {
  abunzip::ClearTags(RequireArchive());
}
