#include "unzip/AbExtract.h"

#include <set>
#include <vector>

#include "codecs/AbPercent.h"
#include "platform/Files.h"
#include "unzip/AbExtractFailures.h"
#include "unzip/AbExtractRules.h"
#include "unzip/AbUnzipToFile.h"
#include "zip/AbException.h"

namespace abunzip {
namespace {

void RequireUsable(const TAbArchive& archive) {
  if (archive.Status() == TAbArchiveStatus::asInvalid) throw EAbNoArchive();
}

void ReportProgressOf(TAbArchive& archive, int done, int total) {
  bool abort = false;
  archive.ReportArchiveProgress(AbPercentOf(done, total), abort);
  if (abort) throw EAbUserAbort();
}

void ReportDone(TAbArchive& archive) {
  bool ignored = false;
  archive.ReportArchiveProgress(100, ignored);
}

// Runs one entry's work; an exception of the system's family becomes the failure event.
template <class F>
void Guarded(TAbArchive& archive, TAbArchiveItem& item, const TAbCaughtEvent& caught, F&& work) {
  try {
    work();
  } catch (const Exception& e) {
    if (caught) caught(std::current_exception());
    TAbErrorClass errorClass;
    std::int32_t errorCode;
    ClassifyException(e, errorClass, errorCode);
    archive.ReportItemFailure(item, TAbProcessType::ptExtract, errorClass, errorCode);
  }
}

// No folder between the base directory and the target may be a symbolic link; the
// target itself neither, for a folder entry. Levels that do not exist yet are made
// by extraction itself.
void CheckNoLinkBelow(const String& baseDirectory, const String& relative, bool includeLast) {
  size_t from = 0;
  while (from <= relative.size()) {
    size_t end = relative.find(u'\\', from);
    const bool last = end == String::npos;
    if (last && !includeLast) return;
    if (last) end = relative.size();
    const String path = JoinBaseDirectory(baseDirectory, StringView(relative).substr(0, end));
    switch (platform::PathKindOf(path)) {
      case platform::TPathKind::pkSymLink:
        throw EAbZipLinkInPath();
      case platform::TPathKind::pkDirectory:
        break;
      default:
        return;
    }
    if (last) return;
    from = end + 1;
  }
}

// A multi-entry extraction in two phases. In the first, every selected entry is decoded
// into its new file beside its target, with every check, and the file is kept (closed)
// in the staging set; an entry that fails there fails as a single extraction does and
// leaves nothing behind. In the second (Commit), the kept files' data is put on the
// disk, then each takes its target's place in directory order, then the folders are
// flushed. A process killed before the first rename leaves every target as it was; the
// files it left beside them are removed by the next extraction into their folders.
class TStagedExtraction {
 public:
  explicit TStagedExtraction(TAbZipArchive& archive) : FArchive(archive) { archive.SetStaging(&FSet); }
  ~TStagedExtraction() { FArchive.SetStaging(nullptr); }
  TStagedExtraction(const TStagedExtraction&) = delete;
  TStagedExtraction& operator=(const TStagedExtraction&) = delete;

  // Whether a file's folder was met before in this extraction: it was then found (or
  // made) a real folder with no link below the base, and nothing since can have changed
  // that, since no file takes its place before the second phase.
  bool Knows(const String& folder) const { return FFolders.count(folder) != 0; }
  // Called before a file entry writes into its folder: the first time a folder is met,
  // what a killed earlier run left there is removed.
  void Meet(const String& folder) {
    if (FFolders.insert(folder).second) platform::RemoveLeftoverReplacements(folder);
  }

  // The second phase. A file whose data cannot be put on the disk, or whose rename
  // fails, fails its entry alone (its target keeps its old content); no progress or
  // abort answer can stop the renames half-way.
  void Commit(const TAbCaughtEvent& caught) {
    FArchive.SetStaging(nullptr);
    std::vector<platform::TReplacementSet::TKept>& kept = FSet.Files();
    if (kept.empty()) return;
    std::vector<String> folders;
    std::set<String> seen;
    for (const auto& k : kept) {
      const String folder = DirectoryPartOf(k.File->Target());
      if (seen.insert(folder).second) folders.push_back(folder);
    }
    const bool durable = FArchive.DurableExtraction();
    if (durable && platform::SyncFileSystems(folders))
      for (auto& k : kept) k.File->SetDataOnDisk();
    // Every file is on the disk before the first one takes its place.
    for (auto& k : kept) Guarded(FArchive, FArchive.Items(k.Tag), caught, [&] { k.File->MakeDurable(); });
    // Old files whose release would wait are released after the renames, not inside each
    // (the hold says which): the time in which old and new files stand side by side stays
    // short.
    std::vector<const platform::TReplacementFile*> replacing;
    for (const auto& k : kept)
      if (!k.File->TemporaryName().empty()) replacing.push_back(k.File.get());
    const platform::TReplacedFilesHold held(replacing);
    for (auto& k : kept) {
      if (k.File->TemporaryName().empty()) continue;
      Guarded(FArchive, FArchive.Items(k.Tag), caught, [&] { k.File->Commit(false); });
    }
    if (durable) platform::FlushFolders(folders);
  }

 private:
  TAbZipArchive& FArchive;
  platform::TReplacementSet FSet;
  std::set<String> FFolders;
};

// Finds the target of an entry. False skips the entry silently. A name that cannot be
// used is kept in refusal, to fail inside the entry's guard. A file that an earlier
// entry of a staged extraction will put at the target counts as standing there; the
// folder of an earlier file of that extraction is not looked at again.
bool ResolveTarget(TAbZipArchive& archive, TAbZipItem& item, const String& newName, String& target,
                   std::exception_ptr& refusal, TStagedExtraction* stage) {
  const TAbExtractOptions options = archive.ExtractOptions();
  const bool createDirs = options.Contains(TAbExtractOption::eoCreateDirs);
  const bool restorePath = options.Contains(TAbExtractOption::eoRestorePath);
  const bool isDirectory = item.IsDirectory();
  if (isDirectory && !(createDirs && restorePath)) return false;

  bool knownFolder = false;
  if (!newName.empty()) {
    target =
        platform::IsAbsolutePath(newName) ? newName : JoinBaseDirectory(archive.BaseDirectory(), newName);
  } else {
    try {
      const String relative = EntryTargetName(item.FileName(), isDirectory, restorePath);
      target = JoinBaseDirectory(archive.BaseDirectory(), relative);
      knownFolder = stage != nullptr && !isDirectory && stage->Knows(DirectoryPartOf(target));
      if (!knownFolder) CheckNoLinkBelow(archive.BaseDirectory(), relative, isDirectory);
    } catch (const EAbException&) {
      refusal = std::current_exception();
      return true;
    }
  }

  const String directory = DirectoryPartOf(target);
  if (!knownFolder && !directory.empty() && !platform::DirectoryExists(directory)) {
    if (!createDirs) throw EAbNoSuchDirectory();
    ForceDirectoryPath(directory);
  }
  const platform::TReplacementSet* staging = archive.Staging();
  if (!isDirectory && (platform::FileExists(target) || (staging != nullptr && staging->Find(target)))) {
    bool confirm = true;
    archive.ConfirmOverwrite(target, confirm);
    if (!confirm) return false;
  }
  return true;
}

bool Confirmed(TAbArchive& archive, TAbArchiveItem& item) {
  bool confirm = true;
  archive.ConfirmProcessItem(item, TAbProcessType::ptExtract, confirm);
  return confirm;
}

// One entry; in a staged extraction its file is kept for the second phase.
void ExtractOne(TAbZipArchive& archive, int index, const String& newName, const TAbCaughtEvent& caught,
                TStagedExtraction* stage) {
  RequireUsable(archive);
  TAbZipItem& item = archive.Items(index);
  if (item.Action() != TAbArchiveAction::aaNone) archive.Save();
  if (!Confirmed(archive, item)) return;
  String target;
  std::exception_ptr refusal;
  if (!ResolveTarget(archive, item, newName, target, refusal, stage)) return;
  if (stage != nullptr && !refusal && !item.IsDirectory()) stage->Meet(DirectoryPartOf(target));
  archive.SetCurrentItem(&item);
  Guarded(archive, item, caught, [&] {
    if (refusal) std::rethrow_exception(refusal);
    archive.ExtractEntryAt(index, target);
  });
}

// Runs the first phase over the entries `selected` takes, reporting progress after
// each entry, then the second. An operation that stops as a whole commits what it
// finished before it stopped, as a single extraction per entry would have left it.
template <class Selected>
void ExtractStaged(TAbZipArchive& archive, const TAbCaughtEvent& caught, Selected&& selected) {
  RequireUsable(archive);
  const int count = archive.Count();
  if (count == 0) return;
  TStagedExtraction stage(archive);
  try {
    for (int i = 0; i < count; ++i) {
      if (selected(archive.Items(i))) ExtractOne(archive, i, String(), caught, &stage);
      ReportProgressOf(archive, i + 1, count);
    }
  } catch (...) {
    stage.Commit(caught);
    throw;
  }
  stage.Commit(caught);
  ReportDone(archive);
}

}  // namespace

void ClassifyException(const Exception& e, TAbErrorClass& errorClass, std::int32_t& errorCode) {
  errorCode = 0;
  if (const auto* ab = dynamic_cast<const EAbException*>(&e)) {
    errorClass = TAbErrorClass::ecKolmira;
    errorCode = ab->ErrorCode();
  } else if (const auto* io = dynamic_cast<const EInOutError*>(&e)) {
    errorClass = TAbErrorClass::ecInOutError;
    errorCode = io->ErrorCode();
  } else if (dynamic_cast<const EReadError*>(&e) != nullptr ||
             dynamic_cast<const EWriteError*>(&e) != nullptr) {
    errorClass = TAbErrorClass::ecFilerError;
  } else if (dynamic_cast<const EFOpenError*>(&e) != nullptr) {
    errorClass = TAbErrorClass::ecFileOpenError;
  } else if (dynamic_cast<const EFCreateError*>(&e) != nullptr) {
    errorClass = TAbErrorClass::ecFileCreateError;
  } else {
    errorClass = TAbErrorClass::ecOther;
  }
}

void ExtractAt(TAbZipArchive& archive, int index, const String& newName, const TAbCaughtEvent& caught) {
  ExtractOne(archive, index, newName, caught, nullptr);
}

void ExtractFilesEx(TAbZipArchive& archive, const String& mask, const String& exclusionMask,
                    const TAbCaughtEvent& caught) {
  const bool createDirs = archive.ExtractOptions().Contains(TAbExtractOption::eoCreateDirs);
  ExtractStaged(archive, caught, [&](TAbZipItem& item) {
    const bool isDirectory = item.IsDirectory();
    return MatchesStoredNameEx(item.FileName(), isDirectory, mask) &&
           !MatchesStoredNameEx(item.FileName(), isDirectory, exclusionMask) && (createDirs || !isDirectory);
  });
}

void ExtractTaggedItems(TAbZipArchive& archive, const TAbCaughtEvent& caught) {
  ExtractStaged(archive, caught, [](TAbZipItem& item) { return item.Tagged(); });
}

void ExtractToStream(TAbZipArchive& archive, const String& fileName, TStream& stream,
                     const TAbCaughtEvent& caught) {
  RequireUsable(archive);
  const int index = archive.FindFile(fileName);
  if (index < 0) return;
  TAbZipItem& item = archive.Items(index);
  if (!Confirmed(archive, item)) return;
  archive.SetCurrentItem(&item);
  Guarded(archive, item, caught, [&] { archive.ExtractEntryToStreamAt(index, stream); });
}

void TestTaggedItems(TAbZipArchive& archive) {
  RequireUsable(archive);
  const int count = archive.Count();
  if (count == 0) return;
  for (int i = 0; i < count; ++i) {
    if (archive.Items(i).Tagged()) TestAt(archive, i);
    ReportProgressOf(archive, i + 1, count);
  }
  ReportDone(archive);
}

void TestAt(TAbZipArchive& archive, int index) {
  RequireUsable(archive);
  TAbZipItem& item = archive.Items(index);
  archive.SetCurrentItem(&item);
  archive.TestEntryAt(index);
}

void TagItems(TAbArchive& archive, const String& mask) {
  for (int i = 0; i < archive.Count(); ++i) {
    TAbArchiveItem& item = archive.Items(i);
    if (MatchesStoredNameEx(item.FileName(), item.IsDirectory(), mask)) item.SetTagged(true);
  }
}

void UnTagItems(TAbArchive& archive, const String& mask) {
  for (int i = 0; i < archive.Count(); ++i) {
    TAbArchiveItem& item = archive.Items(i);
    if (MatchesStoredNameEx(item.FileName(), item.IsDirectory(), mask)) item.SetTagged(false);
  }
}

void ClearTags(TAbArchive& archive) {
  for (int i = 0; i < archive.Count(); ++i) archive.Items(i).SetTagged(false);
}

}  // namespace abunzip
