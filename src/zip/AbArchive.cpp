#include "zip/AbArchive.h"

#include "platform/Files.h"
#include "platform/Program.h"
#include "zip/AbException.h"

TAbArchive::TAbArchive(TStream* stream, bool ownsStream, const String& archiveName)
    : FStream(stream), FArchiveName(archiveName), FOwnsStream(ownsStream) {
  if (ownsStream && stream != nullptr) FOwnedStream.reset(stream);
  OnProgress = [this](std::uint8_t progress, bool& abort) { ReportProgress(progress, abort); };
  SetBaseDirectory(platform::ProgramDir());
}

TAbArchive::~TAbArchive() = default;

void TAbArchive::Load() {
  try {
    LoadDirectory();
    FStatus = TAbArchiveStatus::asIdle;
  } catch (...) {
    ReportLoad();
    throw;
  }
  ReportLoad();
}

void TAbArchive::Save() {
  if (FStatus == TAbArchiveStatus::asInvalid) return;
  if (!FIsDirty && Count() > 0) return;
  bool confirm = true;
  ConfirmSave(confirm);
  if (!confirm) return;
  SaveDirectory();
  FIsDirty = false;
  ReportSave();
}

void TAbArchive::SetBaseDirectory(const String& value) {
  String directory = value;
  const std::size_t n = directory.size();
  if (n > 1 && (directory[n - 1] == u'\\' || directory[n - 1] == platform::PathDelim) &&
      directory[n - 2] != u':') {
    directory.pop_back();
  }
  if (!directory.empty() && !platform::DirectoryExists(directory)) throw EAbNoSuchDirectory();
  FBaseDirectory = directory;
}

void TAbArchive::ReportItemFailure(TAbArchiveItem& item, TAbProcessType processType, TAbErrorClass errorClass,
                                   std::int32_t errorCode) {
  if (OnProcessItemFailure) OnProcessItemFailure(*this, item, processType, errorClass, errorCode);
}

void TAbArchive::ReportArchiveProgress(std::uint8_t progress, bool& abort) {
  abort = false;
  if (OnArchiveProgress) OnArchiveProgress(*this, progress, abort);
}

void TAbArchive::ReportItemProgress(TAbArchiveItem& item, std::uint8_t progress, bool& abort) {
  abort = false;
  if (OnArchiveItemProgress) OnArchiveItemProgress(*this, item, progress, abort);
}

void TAbArchive::ConfirmOverwrite(String& name, bool& confirm) {
  confirm = true;
  if (OnConfirmOverwrite) OnConfirmOverwrite(name, confirm);
}

void TAbArchive::ConfirmProcessItem(TAbArchiveItem& item, TAbProcessType processType, bool& confirm) {
  confirm = true;
  if (OnConfirmProcessItem) OnConfirmProcessItem(*this, item, processType, confirm);
}

void TAbArchive::ConfirmSave(bool& confirm) {
  confirm = true;
  if (OnConfirmSave) OnConfirmSave(*this, confirm);
}

void TAbArchive::ReportLoad() {
  if (OnLoad) OnLoad(*this);
}

void TAbArchive::ReportSave() {
  if (OnSave) OnSave(*this);
}

void TAbArchive::ReportProgress(std::uint8_t progress, bool& abort) {
  abort = false;
  if (FCurrentItem != nullptr) ReportItemProgress(*FCurrentItem, progress, abort);
}
