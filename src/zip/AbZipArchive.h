#ifndef FENDREL_ZIP_ABZIPARCHIVE_H
#define FENDREL_ZIP_ABZIPARCHIVE_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/Stream.h"
#include "core/String.h"
#include "platform/Files.h"
#include "zip/AbArchive.h"
#include "zip/AbZipDirectoryFileFooter.h"
#include "zip/AbZipItem.h"

class TAbSpanStream;

// A ZIP archive. It holds no decoder: extracting, extracting to a stream and testing
// go through the helper slots, which the unzipper fills; an unassigned helper raises
// EAbZipNoExtraction.
class TAbZipArchive : public TAbArchive {
 public:
  using TAbArchiveItemExtractEvent =
      std::function<void(TAbZipArchive& sender, TAbZipItem& item, const String& newName)>;
  using TAbArchiveItemExtractToStreamEvent =
      std::function<void(TAbZipArchive& sender, TAbZipItem& item, TStream& outStream)>;
  using TAbArchiveItemTestEvent = std::function<void(TAbZipArchive& sender, TAbZipItem& item)>;
  // Asks for a password; an empty answer gives up.
  using TAbNeedPasswordEvent = std::function<void(TAbZipArchive& sender, std::string& newPassword)>;
  using TAbRequestDiskEvent = std::function<void(TAbZipArchive& sender, bool& abort)>;
  using TAbRequestNthDiskEvent =
      std::function<void(TAbZipArchive& sender, std::uint8_t diskNumber, bool& abort)>;

  // Opens the named file for reading through a TAbSpanStream (owned). A path that is
  // not absolute raises EAbException "Full Path Required"; an open failure passes
  // through as EFOpenError. Nothing is read before Load.
  TAbZipArchive(const String& fileName, std::uint16_t mode);
  // Reads from a stream the caller keeps (borrowed); archiveName names the archive.
  TAbZipArchive(TStream& stream, const String& archiveName);
  // Reads from a stream the archive takes over.
  TAbZipArchive(std::unique_ptr<TStream> stream, const String& archiveName);

  void ExtractEntryAt(int index, const String& newName) override;
  void ExtractEntryToStreamAt(int index, TStream& stream) override;
  void TestEntryAt(int index) override;
  bool SupportsEmptyFolders() const override { return true; }

  TAbZipItem& Items(int index) const { return static_cast<TAbZipItem&>(TAbArchive::Items(index)); }

  // Switches to part imageNumber of a multi-part set for the decoding side. Parts are
  // looked for beside the archive (update.zip: update.z01, update.z02, ...); a missing
  // part raises EAbFileNotFound. Reading across parts is not supported: a part that
  // exists is refused with EAbZipInvalid.
  void DoRequestNthImage(int imageNumber, TStream*& stream, bool& abort);
  // The file name of part imageNumber (0-based) beside the archive.
  String PartFileName(int imageNumber) const;

  const TAbZipDirectoryFileFooter& Info() const { return FInfo; }
  const std::string& ZipfileComment() const { return FInfo.ZipfileComment(); }
  TAbZipSupportedMethod CompressionMethodToUse() const { return FCompressionMethodToUse; }
  std::uint16_t CurrentDisk() const { return FCurrentDisk; }
  void SetCurrentDisk(std::uint16_t disk) { FCurrentDisk = disk; }
  TAbZipDeflationOption DeflationOption() const { return FDeflationOption; }
  bool DriveIsRemovable() const { return FDriveIsRemovable; }
  bool IsExecutable() const { return FIsExecutable; }
  const std::string& Password() const { return FPassword; }
  void SetPassword(const std::string& password) { FPassword = password; }
  std::uint8_t PasswordRetries() const { return FPasswordRetries; }
  void SetPasswordRetries(std::uint8_t retries) { FPasswordRetries = retries; }
  std::uint32_t StubSize() const { return FStubSize; }
  bool AutoGen() const { return FAutoGen; }

  // The helper slots through which the decoding side is reached.
  TAbArchiveItemExtractEvent ExtractHelper;
  TAbArchiveItemExtractToStreamEvent ExtractToStreamHelper;
  TAbArchiveItemTestEvent TestHelper;

  TAbNeedPasswordEvent OnNeedPassword;
  TAbRequestDiskEvent OnRequestLastDisk;
  TAbRequestNthDiskEvent OnRequestNthDisk;
  TAbRequestDiskEvent OnRequestBlankDisk;

  // While a set is given, the extract helper leaves every file it finished in it (under
  // the entry's index), for the caller to commit with the others, instead of putting
  // it in its target's place at once. The set is the caller's.
  platform::TReplacementSet* Staging() const { return FStaging; }
  void SetStaging(platform::TReplacementSet* staging) { FStaging = staging; }
  // The identity of the archive's own file, looked up once per name: nothing is ever
  // extracted over it.
  const platform::TFileId& ArchiveFileId() {
    if (!FArchiveFileId.Known || FArchiveFileIdName != ArchiveName()) {
      FArchiveFileId = platform::FileIdOf(ArchiveName());
      FArchiveFileIdName = ArchiveName();
    }
    return FArchiveFileId;
  }
  // Whether every extracted file's data is on the disk before the file takes its
  // target's place (default true).
  bool DurableExtraction() const { return FDurableExtraction; }
  void SetDurableExtraction(bool durable) { FDurableExtraction = durable; }

  // The code pages names are decoded with (the system's ANSI and OEM pages unless set).
  void SetNameCodePages(std::uint32_t ansiCodePage, std::uint32_t oemCodePage);

 protected:
  // Reads the central directory into the entry list (see the implementation for the
  // rules: counts come from where the records end, never from the end record's counts).
  void LoadDirectory() override;
  // Writing archives is not part of this system: nothing is written.
  void SaveDirectory() override {}

 private:
  void InitZip();
  void RequirePart(int imageNumber);
  // Marks the entries whose bytes lie over an earlier entry's or over the directory
  // (whose records end where the end record begins, at endPosition).
  void MarkOverlappingEntries(std::int64_t endPosition);

  TAbZipSupportedMethod FCompressionMethodToUse = TAbZipSupportedMethod::smBestMethod;
  std::uint16_t FCurrentDisk = 65535;
  TAbZipDeflationOption FDeflationOption = TAbZipDeflationOption::doNormal;
  bool FDriveIsRemovable = false;
  TAbZipDirectoryFileFooter FInfo;
  bool FIsExecutable = false;
  std::string FPassword;
  std::uint8_t FPasswordRetries = 3;
  std::uint32_t FStubSize = 0;
  bool FAutoGen = false;
  std::uint32_t FAnsiCodePage;
  std::uint32_t FOemCodePage;
  platform::TReplacementSet* FStaging = nullptr;
  platform::TFileId FArchiveFileId;
  String FArchiveFileIdName;
  bool FDurableExtraction = true;
};

#endif
