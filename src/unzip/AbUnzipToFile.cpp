#include "unzip/AbUnzipToFile.h"

#include <exception>
#include <memory>

#include "codecs/AbUnzipItem.h"
#include "core/Exception.h"
#include "platform/Files.h"
#include "unzip/AbExtractFailures.h"
#include "zip/AbException.h"

namespace {

constexpr char16_t kAccessDenied[] = u"Zugriff verweigert";

[[noreturn]] void RaiseCannotCreate(const String& target) {
  throw EFCreateError(Format(SFCreateError, {target, String(kAccessDenied)}));
}

// The execute bits of a regular file made on a Unix host.
std::uint32_t UnixExecuteBits(const TAbZipItem& item) {
  if ((item.VersionMadeBy() >> 8) != 3) return 0;
  const std::uint32_t mode = item.ExternalFileAttributes() >> 16;
  const std::uint32_t type = mode & 0xF000;
  if (type != 0x8000 && type != 0) return 0;
  return mode & 0111;
}

void ApplyDateAndAttributes(const TAbZipItem& item, const String& target) {
  const TDateTime when = item.LastModTimeAsDateTime();
  platform::FileSetDate(target, when);
  platform::FileSetAttr(target, item.NativeFileAttributes());
}

}  // namespace

void ForceDirectoryPath(const String& path) {
  if (platform::DirectoryExists(path)) return;
  bool network = false;
  for (size_t i = 0; i + 1 < path.size(); ++i)
    if (platform::IsPathSeparator(path[i]) && platform::IsPathSeparator(path[i + 1])) network = true;
  for (int n = network ? 5 : 2;; ++n) {
    size_t end = path.size();
    int seen = 0;
    for (size_t i = 0; i < path.size(); ++i) {
      if (platform::IsPathSeparator(path[i]) && ++seen == n) {
        end = i;
        break;
      }
    }
    const String prefix = path.substr(0, end);
    if (!prefix.empty() && !platform::DirectoryExists(prefix)) {
      int error = 0;
      if (!platform::CreateDir(prefix, &error))
        throw EInOutError(Format(SInOutError, {std::int64_t{error}}), error);
    }
    if (end == path.size()) return;
  }
}

void UnzipItemToFile(TAbZipArchive& archive, TAbZipItem& item, const String& target) {
  if (item.IsDirectory()) {
    ForceDirectoryPath(target);
    ApplyDateAndAttributes(item, target);
    return;
  }

  std::unique_ptr<TStream> source = OpenItemData(archive, item);
  platform::TReplacementSet* staging = archive.Staging();
  // A file kept for the same target by an earlier entry of this extraction stands
  // there as far as the later entries are concerned.
  const platform::TReplacementFile* staged = staging != nullptr ? staging->Find(target) : nullptr;
  // One look at the target tells all the checks need (and the new file's permission
  // bits); a link is followed to tell whether it leads to the archive.
  const platform::TPathState standing = platform::PathStateOf(target);
  const platform::TPathKind kind = standing.Kind;
  if (kind != platform::TPathKind::pkMissing &&
      platform::SameFileId(standing.Id.Known ? standing.Id : platform::FileIdOf(target),
                           archive.ArchiveFileId()))
    throw EAbZipTargetIsArchive();
  if (kind == platform::TPathKind::pkDirectory || kind == platform::TPathKind::pkOther || standing.ReadOnly ||
      (staged != nullptr && staged->ReadOnlyOnceCommitted()))
    RaiseCannotCreate(target);

  auto file = std::make_unique<platform::TReplacementFile>(target, standing);
  file->SetDurable(archive.DurableExtraction());
  file->SetExecuteBits(UnixExecuteBits(item));
  bool crcMatched = false;
  try {
    crcMatched = DecodeItemDataChecked(archive, item, *source, *file);
  } catch (const EAbUserAbort&) {
    archive.SetStatus(TAbArchiveStatus::asInvalid);
    throw;
  }
  source.reset();
  if (!crcMatched) throw EAbZipBadCRC();
  // The date and attributes are given to the open file. An entry whose date cannot be
  // read still gets its complete file, without date and attributes, and then fails.
  std::exception_ptr dateError;
  try {
    file->SetDateAndAttributes(item.LastModTimeAsDateTime(), item.NativeFileAttributes());
  } catch (...) {
    dateError = std::current_exception();
  }
  if (staging != nullptr) {
    file->Finish();
    staging->Keep(std::move(file), archive.FindItem(&item));
  } else {
    file->Commit();
  }
  if (dateError) std::rethrow_exception(dateError);
}
