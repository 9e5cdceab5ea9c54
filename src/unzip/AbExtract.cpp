#include "unzip/AbExtract.h"

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

// Finds the target of an entry. False skips the entry silently. A name that cannot be
// used is kept in refusal, to fail inside the entry's guard.
bool ResolveTarget(TAbZipArchive& archive, TAbZipItem& item, const String& newName, String& target,
                   std::exception_ptr& refusal) {
  const TAbExtractOptions options = archive.ExtractOptions();
  const bool createDirs = options.Contains(TAbExtractOption::eoCreateDirs);
  const bool restorePath = options.Contains(TAbExtractOption::eoRestorePath);
  const bool isDirectory = item.IsDirectory();
  if (isDirectory && !(createDirs && restorePath)) return false;

  if (!newName.empty()) {
    target =
        platform::IsAbsolutePath(newName) ? newName : JoinBaseDirectory(archive.BaseDirectory(), newName);
  } else {
    try {
      const String relative = EntryTargetName(item.FileName(), isDirectory, restorePath);
      CheckNoLinkBelow(archive.BaseDirectory(), relative, isDirectory);
      target = JoinBaseDirectory(archive.BaseDirectory(), relative);
    } catch (const EAbException&) {
      refusal = std::current_exception();
      return true;
    }
  }

  const String directory = DirectoryPartOf(target);
  if (!directory.empty() && !platform::DirectoryExists(directory)) {
    if (!createDirs) throw EAbNoSuchDirectory();
    ForceDirectoryPath(directory);
  }
  if (!isDirectory && platform::FileExists(target)) {
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
  RequireUsable(archive);
  TAbZipItem& item = archive.Items(index);
  if (item.Action() != TAbArchiveAction::aaNone) archive.Save();
  if (!Confirmed(archive, item)) return;
  String target;
  std::exception_ptr refusal;
  if (!ResolveTarget(archive, item, newName, target, refusal)) return;
  archive.SetCurrentItem(&item);
  Guarded(archive, item, caught, [&] {
    if (refusal) std::rethrow_exception(refusal);
    archive.ExtractEntryAt(index, target);
  });
}

void ExtractFilesEx(TAbZipArchive& archive, const String& mask, const String& exclusionMask,
                    const TAbCaughtEvent& caught) {
  RequireUsable(archive);
  const int count = archive.Count();
  if (count == 0) return;
  const bool createDirs = archive.ExtractOptions().Contains(TAbExtractOption::eoCreateDirs);
  for (int i = 0; i < count; ++i) {
    TAbZipItem& item = archive.Items(i);
    const bool isDirectory = item.IsDirectory();
    if (MatchesStoredNameEx(item.FileName(), isDirectory, mask) &&
        !MatchesStoredNameEx(item.FileName(), isDirectory, exclusionMask) && (createDirs || !isDirectory))
      ExtractAt(archive, i, String(), caught);
    ReportProgressOf(archive, i + 1, count);
  }
  ReportDone(archive);
}

void ExtractTaggedItems(TAbZipArchive& archive, const TAbCaughtEvent& caught) {
  RequireUsable(archive);
  const int count = archive.Count();
  if (count == 0) return;
  for (int i = 0; i < count; ++i) {
    if (archive.Items(i).Tagged()) ExtractAt(archive, i, String(), caught);
    ReportProgressOf(archive, i + 1, count);
  }
  ReportDone(archive);
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
    TAbZipItem& item = archive.Items(i);
    if (item.Tagged()) {
      archive.SetCurrentItem(&item);
      archive.TestEntryAt(i);
    }
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
