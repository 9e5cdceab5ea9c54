#ifndef FENDREL_UNZIP_ABUNZIPPER_H
#define FENDREL_UNZIP_ABUNZIPPER_H

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "core/Stream.h"
#include "core/String.h"
#include "zip/AbArchiveTypes.h"
#include "zip/AbZipArchive.h"

// The extraction component: opens an archive file by name, recognises a ZIP by its end
// record, loads its directory and extracts selected entries to files. Every event is
// optional; with none assigned a confirmation means yes, progress goes on and an
// entry's failure is dropped after it was kept in LastItemException.
class TAbUnZipper {
 public:
  using TAbChangeEvent = std::function<void()>;

  TAbUnZipper();
  ~TAbUnZipper();
  TAbUnZipper(const TAbUnZipper&) = delete;
  TAbUnZipper& operator=(const TAbUnZipper&) = delete;

  // Opening and closing.
  void OpenArchive(const String& fileName) { SetFileName(fileName); }
  // Closes any open archive, then opens the one the stream holds, which the component
  // keeps until the archive is closed and reads nothing else; archiveName names the
  // archive (FileName) and its extension counts as a file's does. Raises EAbBadStream
  // for an empty stream, EAbUnhandledType for one that is no ZIP archive.
  void OpenArchive(std::unique_ptr<TStream> stream, const String& archiveName);
  void CloseArchive() {
    if (!FFileName.empty() || FArchive) SetFileName(String());
  }
  const String& FileName() const { return FFileName; }
  // Closes any open archive, then opens the named one (an empty name only closes).
  void SetFileName(const String& value);

  // Extraction: each raises EAbNoArchive when no archive is open.
  void ExtractFiles(const String& fileMask) { ExtractFilesEx(fileMask, String()); }
  void ExtractFilesEx(const String& fileMask, const String& exclusionMask);
  void ExtractAt(int index, const String& newName);
  void ExtractTaggedItems();
  void ExtractToStream(const String& fileName, TStream& stream);
  void TestTaggedItems();
  // Tests one entry without touching the tags of the others.
  void TestAt(int index);
  void TagItems(const String& mask);
  void UnTagItems(const String& mask);
  void ClearTags();

  int FindFile(const String& name) const { return FArchive ? FArchive->FindFile(name) : -1; }
  int FindItem(const TAbArchiveItem* item) const { return FArchive ? FArchive->FindItem(item) : -1; }
  int Count() const { return FArchive ? FArchive->Count() : 0; }
  TAbArchiveStatus Status() const { return FArchive ? FArchive->Status() : TAbArchiveStatus::asInvalid; }
  TAbZipItem& Items(int index) const;
  TAbZipArchive* ZipArchive() const { return FArchive.get(); }
  TStream* Stream() const { return FArchive ? &FArchive->Stream() : nullptr; }
  std::string ZipfileComment() const { return FArchive ? FArchive->ZipfileComment() : std::string(); }
  void SetZipfileComment(const std::string&) {}

  // The exception caught for the last entry that failed (extraction, extraction to a
  // stream, or a test that found a CRC-32 mismatch while a failure handler was
  // assigned); null before the first failure. The failure event carries only a class
  // and a code: a handler reads the real exception here.
  std::exception_ptr LastItemException() const { return FLastItemException; }
  void ClearLastItemException() { FLastItemException = nullptr; }

  // Properties.
  TAbArchiveType ArchiveType() const { return FArchiveType; }
  void SetArchiveType(TAbArchiveType value) { FArchiveType = value; }
  bool ForceType() const { return FForceType; }
  void SetForceType(bool value) { FForceType = value; }
  const String& BaseDirectory() const { return FBaseDirectory; }
  // With an open archive the archive's rule applies (trailing "\" dropped, the folder
  // must exist, else EAbNoSuchDirectory) and its result is kept.
  void SetBaseDirectory(const String& value);
  TAbExtractOptions ExtractOptions() const { return FExtractOptions; }
  void SetExtractOptions(TAbExtractOptions value);
  std::uint8_t PasswordRetries() const { return FPasswordRetries; }
  void SetPasswordRetries(std::uint8_t value);
  const std::string& Password() const { return FPassword; }
  void SetPassword(const std::string& value);
  const String& TempDirectory() const { return FTempDirectory; }
  void SetTempDirectory(const String& value);
  const String& LogFile() const { return FLogFile; }
  void SetLogFile(const String& value);
  bool Logging() const { return FLogging; }
  void SetLogging(bool value);
  std::int32_t SpanningThreshold() const { return FSpanningThreshold; }
  bool TarAutoHandle() const { return FTarAutoHandle; }
  void SetTarAutoHandle(bool value) { FTarAutoHandle = value; }
  String Version() const { return u"4.0"; }
  void SetVersion(const String&) {}

  // Events.
  TAbArchive::TAbArchiveProgressEvent OnArchiveProgress;
  TAbArchive::TAbArchiveItemProgressEvent OnArchiveItemProgress;
  TAbChangeEvent OnChange;
  TAbArchive::TAbConfirmOverwriteEvent OnConfirmOverwrite;
  TAbArchive::TAbArchiveItemConfirmEvent OnConfirmProcessItem;
  TAbArchive::TAbArchiveEvent OnLoad;
  TAbZipArchive::TAbNeedPasswordEvent OnNeedPassword;
  TAbArchive::TAbArchiveItemFailureEvent OnProcessItemFailure;
  TAbZipArchive::TAbRequestDiskEvent OnRequestLastDisk;
  TAbZipArchive::TAbRequestNthDiskEvent OnRequestNthDisk;
  TAbZipArchive::TAbRequestDiskEvent OnRequestBlankDisk;
  const TAbArchive::TAbRequestImageEvent& OnRequestImage() const { return FOnRequestImage; }
  void SetOnRequestImage(TAbArchive::TAbRequestImageEvent handler);

 private:
  TAbZipArchive& RequireArchive() const;
  void ConfigureArchive(TAbZipArchive& archive);
  // Frees the open archive, if any, without letting a failure out.
  void DropArchive();
  // Loads an archive of the type found (EAbUnhandledType when no ZIP) made by open.
  void LoadArchive(TAbArchiveType type, const std::function<std::unique_ptr<TAbZipArchive>()>& open);
  void NotifyChange();
  void KeepCaught(std::exception_ptr e) { FLastItemException = std::move(e); }

  std::unique_ptr<TAbZipArchive> FArchive;
  std::int32_t FSpanningThreshold = 0;
  String FBaseDirectory;
  String FFileName;
  String FLogFile;
  bool FLogging = false;
  TAbArchive::TAbRequestImageEvent FOnRequestImage;
  String FTempDirectory;
  TAbArchiveType FArchiveType = TAbArchiveType::atUnknown;
  bool FForceType = false;
  std::string FPassword;
  bool FTarAutoHandle = false;
  TAbExtractOptions FExtractOptions{TAbExtractOption::eoCreateDirs};
  std::uint8_t FPasswordRetries = 3;
  std::exception_ptr FLastItemException;
};

#endif
