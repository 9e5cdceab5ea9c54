#ifndef FENDREL_ZIP_ABARCHIVE_H
#define FENDREL_ZIP_ABARCHIVE_H

#include <cstdint>
#include <functional>
#include <memory>

#include "core/Stream.h"
#include "core/String.h"
#include "zip/AbArchiveItem.h"
#include "zip/AbArchiveList.h"
#include "zip/AbArchiveTypes.h"

// The archive object: its stream, its entries and the events through which it reports.
// Every event is optional: an unassigned confirmation means yes, an unassigned progress
// report means go on, an unassigned failure report drops the failure.
//
// The archive owns its stream when it opened it by name; a stream handed in is borrowed.
class TAbArchive {
 public:
  using TAbArchiveItemFailureEvent =
      std::function<void(TAbArchive& sender, TAbArchiveItem& item, TAbProcessType processType,
                         TAbErrorClass errorClass, std::int32_t errorCode)>;
  using TAbArchiveItemConfirmEvent = std::function<void(TAbArchive& sender, TAbArchiveItem& item,
                                                        TAbProcessType processType, bool& confirm)>;
  using TAbConfirmOverwriteEvent = std::function<void(String& name, bool& confirm)>;
  using TAbArchiveConfirmEvent = std::function<void(TAbArchive& sender, bool& confirm)>;
  using TAbArchiveEvent = std::function<void(TAbArchive& sender)>;
  using TAbArchiveProgressEvent = std::function<void(TAbArchive& sender, std::uint8_t progress, bool& abort)>;
  using TAbArchiveItemProgressEvent =
      std::function<void(TAbArchive& sender, TAbArchiveItem& item, std::uint8_t progress, bool& abort)>;
  // The decoding side's progress callback (percent of the current entry).
  using TAbProgressEvent = std::function<void(std::uint8_t progress, bool& abort)>;
  using TAbRequestImageEvent =
      std::function<void(TAbArchive& sender, int imageNumber, String& imageName, bool& abort)>;

  virtual ~TAbArchive();
  TAbArchive(const TAbArchive&) = delete;
  TAbArchive& operator=(const TAbArchive&) = delete;

  // Reads the directory (LoadDirectory); the status is idle when it returns. OnLoad is
  // reported whether it returned or raised.
  void Load();
  // Writes nothing unless the archive was changed (an archive that was only read never
  // is); kept for the closing sequence of the component.
  void Save();

  // Entry operations (the kind's helpers do the work).
  virtual void ExtractEntryAt(int index, const String& newName) = 0;
  virtual void ExtractEntryToStreamAt(int index, TStream& stream) = 0;
  virtual void TestEntryAt(int index) = 0;

  // Dispatchers: each calls its event when assigned, with the documented default.
  void ReportItemFailure(TAbArchiveItem& item, TAbProcessType processType, TAbErrorClass errorClass,
                         std::int32_t errorCode);
  void ReportArchiveProgress(std::uint8_t progress, bool& abort);
  void ReportItemProgress(TAbArchiveItem& item, std::uint8_t progress, bool& abort);
  void ConfirmOverwrite(String& name, bool& confirm);
  void ConfirmProcessItem(TAbArchiveItem& item, TAbProcessType processType, bool& confirm);
  void ConfirmSave(bool& confirm);
  void ReportLoad();
  void ReportSave();
  // The archive's own progress dispatcher (FOnProgress points here after construction):
  // passes the current entry and the percentage to ReportItemProgress.
  void ReportProgress(std::uint8_t progress, bool& abort);

  const String& ArchiveName() const { return FArchiveName; }
  TStream& Stream() const { return *FStream; }
  bool OwnsStream() const { return FOwnsStream; }
  TAbArchiveStatus Status() const { return FStatus; }
  void SetStatus(TAbArchiveStatus status) { FStatus = status; }
  const String& BaseDirectory() const { return FBaseDirectory; }
  // Drops one trailing "\" (not from "X:\" or a lone "\"); a value that is not empty
  // must name an existing directory, else EAbNoSuchDirectory.
  void SetBaseDirectory(const String& value);
  TAbArchiveItem* CurrentItem() const { return FCurrentItem; }
  void SetCurrentItem(TAbArchiveItem* item) { FCurrentItem = item; }
  TAbExtractOptions ExtractOptions() const { return FExtractOptions; }
  void SetExtractOptions(TAbExtractOptions options) { FExtractOptions = options; }
  TAbStoreOptions StoreOptions() const { return FStoreOptions; }
  void SetStoreOptions(TAbStoreOptions options) { FStoreOptions = options; }
  bool IsDirty() const { return FIsDirty; }
  void SetIsDirty(bool value) { FIsDirty = value; }
  bool Spanned() const { return FSpanned; }
  std::uint16_t Mode() const { return FMode; }
  std::uint16_t ImageNumber() const { return FImageNumber; }
  bool DOSMode() const { return FDOSMode; }
  std::int64_t SpanningThreshold() const { return FSpanningThreshold; }
  void SetSpanningThreshold(std::int64_t value) { FSpanningThreshold = value; }
  const String& LogFile() const { return FLogFile; }
  void SetLogFile(const String& value) { FLogFile = value; }
  bool Logging() const { return FLogging; }
  void SetLogging(bool value) { FLogging = value; }
  const String& TempDirectory() const { return FTempDir; }
  void SetTempDirectory(const String& value) { FTempDir = value; }
  virtual bool SupportsEmptyFolders() const { return false; }

  TAbArchiveList& ItemList() { return FItemList; }
  const TAbArchiveList& ItemList() const { return FItemList; }
  int Count() const { return FItemList.Count(); }
  TAbArchiveItem& Items(int index) const { return FItemList.Get(index); }
  // The index of the entry with this name (ASCII case ignored), or -1.
  int FindFile(const String& name) const { return FItemList.Find(name); }
  // The index of this entry, or -1.
  int FindItem(const TAbArchiveItem* item) const { return FItemList.IndexOf(item); }

  TAbArchiveItemFailureEvent OnProcessItemFailure;
  TAbArchiveProgressEvent OnArchiveProgress;
  TAbArchiveProgressEvent OnArchiveSaveProgress;
  TAbArchiveItemProgressEvent OnArchiveItemProgress;
  TAbArchiveItemConfirmEvent OnConfirmProcessItem;
  TAbConfirmOverwriteEvent OnConfirmOverwrite;
  TAbArchiveConfirmEvent OnConfirmSave;
  TAbArchiveEvent OnLoad;
  // Points at ReportProgress after construction.
  TAbProgressEvent OnProgress;
  TAbRequestImageEvent OnRequestImage;
  TAbArchiveEvent OnSave;

 protected:
  // Takes the stream (owned or borrowed); the base directory starts as the directory
  // of the running program.
  TAbArchive(TStream* stream, bool ownsStream, const String& archiveName);

  virtual void LoadDirectory() = 0;
  virtual void SaveDirectory() = 0;

  std::unique_ptr<TStream> FOwnedStream;
  TStream* FStream = nullptr;
  TAbArchiveStatus FStatus = TAbArchiveStatus::asIdle;
  String FArchiveName;
  bool FAutoSave = false;
  String FBaseDirectory;
  TAbArchiveItem* FCurrentItem = nullptr;
  bool FDOSMode = false;
  TAbExtractOptions FExtractOptions;
  std::uint16_t FImageNumber = 0;
  bool FIsDirty = false;
  std::int64_t FSpanningThreshold = 0;
  TAbArchiveList FItemList;
  String FLogFile;
  bool FLogging = false;
  std::uint16_t FMode = 0;
  bool FOwnsStream = false;
  bool FSpanned = false;
  TAbStoreOptions FStoreOptions;
  String FTempDir;
};

#endif
