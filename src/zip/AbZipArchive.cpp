#include "zip/AbZipArchive.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/CodePages.h"
#include "platform/Files.h"
#include "zip/AbException.h"
#include "zip/AbLocateEndRecord.h"
#include "zip/AbRecordReading.h"
#include "zip/AbSpanStream.h"

namespace {

// Whether the drive of a path is removable. Only a path with a drive letter can be on
// one; POSIX paths have none, so nothing here is removable.
bool DriveIsRemovableFor(const String& path) {
  const bool hasDriveLetter = path.size() >= 2 && path[1] == u':';
  (void)hasDriveLetter;
  return false;
}

}  // namespace

TAbZipArchive::TAbZipArchive(const String& fileName, std::uint16_t mode)
    : TAbArchive(nullptr, true, fileName) {
  FDriveIsRemovable = DriveIsRemovableFor(fileName);
  auto span = std::make_unique<TAbSpanStream>(
      fileName, mode, FDriveIsRemovable ? TAbMediaType::mtRemoveable : TAbMediaType::mtLocal, 0);
  span->OnRequestImage = [this](TAbSpanStream&, int imageNumber, String& imageName, bool& abort) {
    if (OnRequestImage) OnRequestImage(*this, imageNumber, imageName, abort);
  };
  span->OnArchiveProgress = [this](TAbSpanStream&, std::uint8_t progress, bool& abort) {
    abort = false;
    if (OnArchiveSaveProgress) OnArchiveSaveProgress(*this, progress, abort);
  };
  FOwnedStream = std::move(span);
  FStream = FOwnedStream.get();
  InitZip();
  FMode = mode;
}

TAbZipArchive::TAbZipArchive(TStream& stream, const String& archiveName)
    : TAbArchive(&stream, false, archiveName) {
  InitZip();
}

TAbZipArchive::TAbZipArchive(std::unique_ptr<TStream> stream, const String& archiveName)
    : TAbArchive(stream.release(), true, archiveName) {
  InitZip();
}

void TAbZipArchive::InitZip() {
  FCompressionMethodToUse = TAbZipSupportedMethod::smBestMethod;
  FStoreOptions.Include(TAbStoreOption::soStripDrive);
  FDeflationOption = TAbZipDeflationOption::doNormal;
  FPasswordRetries = 3;
  FTempDir.clear();
  FSpanningThreshold = 0;
  FCurrentDisk = 65535;
  FAnsiCodePage = platform::AnsiCodePage();
  FOemCodePage = platform::OemCodePage();
}

void TAbZipArchive::SetNameCodePages(std::uint32_t ansiCodePage, std::uint32_t oemCodePage) {
  FAnsiCodePage = ansiCodePage;
  FOemCodePage = oemCodePage;
}

void TAbZipArchive::ExtractEntryAt(int index, const String& newName) {
  TAbZipItem& item = Items(index);
  if (!ExtractHelper) throw EAbZipNoExtraction();
  ExtractHelper(*this, item, newName);
}

void TAbZipArchive::ExtractEntryToStreamAt(int index, TStream& stream) {
  TAbZipItem& item = Items(index);
  if (!ExtractToStreamHelper) throw EAbZipNoExtraction();
  ExtractToStreamHelper(*this, item, stream);
}

void TAbZipArchive::TestEntryAt(int index) {
  TAbZipItem& item = Items(index);
  if (!TestHelper) throw EAbZipNoExtraction();
  TestHelper(*this, item);
}

String TAbZipArchive::PartFileName(int imageNumber) const {
  const std::size_t dot = FArchiveName.rfind(u'.');
  const std::size_t slash = FArchiveName.find_last_of(u"/\\");
  const bool hasExtension = dot != String::npos && (slash == String::npos || dot > slash);
  String name = hasExtension ? FArchiveName.substr(0, dot) : FArchiveName;
  const char16_t letter = hasExtension && dot + 1 < FArchiveName.size() ? FArchiveName[dot + 1] : u'z';
  const int part = imageNumber + 1;
  name += u'.';
  name += letter;
  name += static_cast<char16_t>(u'0' + (part / 10) % 10);
  name += static_cast<char16_t>(u'0' + part % 10);
  return name;
}

void TAbZipArchive::RequirePart(int imageNumber) {
  String name = PartFileName(imageNumber);
  if (OnRequestImage) {
    bool abort = false;
    OnRequestImage(*this, imageNumber, name, abort);
    if (abort) throw EAbUserAbort();
  }
  if (!platform::FileExists(name)) throw EAbFileNotFound();
  // The part exists, but reading across the parts of a set is not supported.
  throw EAbZipInvalid();
}

void TAbZipArchive::DoRequestNthImage(int imageNumber, TStream*& /*stream*/, bool& /*abort*/) {
  RequirePart(imageNumber);
}

void TAbZipArchive::LoadDirectory() {
  // A second load starts afresh rather than listing every entry twice.
  FCurrentItem = nullptr;
  FItemList.Clear();
  FAutoGen = false;
  TStream& stream = *FStream;
  if (stream.Size() == 0) return;

  std::uint8_t head[4];
  stream.Seek(0, TSeekOrigin::soBeginning);
  abrecord::ReadFixed(stream, head, sizeof head);
  FIsExecutable = head[0] == 'M' && head[1] == 'Z';
  if (dynamic_cast<TAbSpanStream*>(&stream) != nullptr) FDriveIsRemovable = DriveIsRemovableFor(FArchiveName);
  const bool spannedMarker = abrecord::Get32(head) == Ab_ZipSpannedSetSignature;

  // A file that starts with the multi-part marker but holds a valid end record is read
  // like any other archive; without an end record it is a part of a set whose next
  // part is looked for.
  const std::int64_t endPosition = LocateEndRecord(stream);
  if (endPosition < 0) {
    if (spannedMarker) RequirePart(1);
    throw EAbZipInvalid();
  }

  stream.Seek(endPosition, TSeekOrigin::soBeginning);
  FInfo.LoadFromStream(stream);
  FCurrentDisk = FInfo.DiskNumber();
  if (FInfo.DiskNumber() != 0) {
    FSpanned = true;
    if (!FDriveIsRemovable) FAutoGen = true;
  }
  if (FInfo.StartDiskNumber() != FInfo.DiskNumber()) RequirePart(FInfo.StartDiskNumber());

  // The records end where the end record begins; the end record's counts decide
  // nothing about how many there are. Every record takes bytes of the file, so the
  // loop ends at the end record whatever the counts say.
  stream.Seek(FInfo.DirectoryOffset(), TSeekOrigin::soBeginning);
  std::uint64_t loaded = 0;
  std::int64_t smallestOffset = std::numeric_limits<std::int64_t>::max();
  while (stream.Position() < endPosition) {
    auto item = std::make_unique<TAbZipItem>();
    item->LoadFromStream(stream, FAnsiCodePage, FOemCodePage);
    if (FIsExecutable) smallestOffset = std::min(smallestOffset, item->RelativeOffset());
    TAbZipItem& added = *item;
    FItemList.Add(std::move(item));
    added.SetAction(TAbArchiveAction::aaNone);
    ++loaded;
    // Records behind an end record that counts none: the progress cannot be computed.
    if (FInfo.TotalEntries() == 0) throw EAbZipInvalid();
    const std::uint64_t progress = loaded * 100 / FInfo.TotalEntries();
    bool abort = false;
    ReportArchiveProgress(static_cast<std::uint8_t>(std::min<std::uint64_t>(progress, 255)), abort);
    if (abort) {
      FStatus = TAbArchiveStatus::asInvalid;
      throw EAbUserAbort();
    }
  }

  // Entries announced but none read (a ZIP64 directory offset, or one at or past the
  // end record): installing nothing from such an archive must not look like success.
  if (loaded == 0 && (FInfo.TotalEntries() != 0 || FInfo.EntriesOnDisk() != 0)) throw EAbZipInvalid();

  MarkOverlappingEntries(endPosition);

  bool ignored = false;
  ReportArchiveProgress(100, ignored);
  if (FIsExecutable && loaded > 0) FStubSize = static_cast<std::uint32_t>(smallestOffset);
  FIsDirty = false;
}

// An entry takes its local header (the fixed part with the name and extra field lengths the
// header itself gives) and its compressed data as the directory declares its size; a data
// descriptor behind the data belongs to no range. In offset order, the first entry at a
// place is kept and every later one that reaches into a kept range is marked, as is every
// entry that reaches into the directory's records. Only the entries this file holds
// are judged: in a part of a set, those of other parts are not here.
void TAbZipArchive::MarkOverlappingEntries(std::int64_t endPosition) {
  constexpr std::int64_t kLocalHeaderFixedSize = 30;
  struct TEntryRange {
    std::int64_t Start;
    std::int64_t End;
    TAbZipItem* Item;
  };
  std::vector<TEntryRange> ranges;
  for (int i = 0; i < Count(); ++i) {
    TAbZipItem& item = Items(i);
    if (FSpanned && item.DiskNumberStart() != FInfo.DiskNumber()) continue;
    ranges.push_back({item.RelativeOffset(), 0, &item});
  }
  std::stable_sort(ranges.begin(), ranges.end(),
                   [](const TEntryRange& a, const TEntryRange& b) { return a.Start < b.Start; });

  TStream& stream = *FStream;
  const std::int64_t position = stream.Position();
  const std::int64_t size = stream.Size();
  for (TEntryRange& range : ranges) {
    // A header that is not there fails the entry when it is read; its range is the
    // fixed part alone.
    std::int64_t headerLength = kLocalHeaderFixedSize;
    if (range.Start <= size - kLocalHeaderFixedSize) {
      std::uint8_t fixed[kLocalHeaderFixedSize];
      stream.Seek(range.Start, TSeekOrigin::soBeginning);
      if (abrecord::ReadFixed(stream, fixed, sizeof fixed) == sizeof fixed &&
          abrecord::Get32(fixed) == Ab_ZipLocalFileHeaderSignature)
        headerLength += abrecord::Get16(fixed + 26) + abrecord::Get16(fixed + 28);
    }
    range.End = range.Start + headerLength + range.Item->CompressedSize();
  }
  stream.Seek(position, TSeekOrigin::soBeginning);

  const std::int64_t directoryStart = FInfo.DirectoryOffset();
  const std::int64_t directoryEnd = endPosition;
  std::int64_t keptEnd = 0;
  for (const TEntryRange& range : ranges) {
    const bool overDirectory = range.Start < directoryEnd && range.End > directoryStart;
    if (range.Start < keptEnd || overDirectory)
      range.Item->SetOverlapping(true);
    else
      keptEnd = range.End;
  }
}
