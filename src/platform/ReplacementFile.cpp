// The stream side of a replacement file and the set of files committed together, the
// same on every platform; creating, committing and discarding a file are the platform's.
#include "core/Exception.h"
#include "core/FileHandle.h"
#include "platform/Files.h"

namespace platform {

TReplacementFile::TReplacementFile(const String& target, const TPathState& standing)
    : TReplacementFile(target) {
  FStanding = standing;
  FStandingSeen = true;
}

TReplacementFile::~TReplacementFile() {
  Discard();
}

std::int64_t TReplacementFile::Read(void* buffer, std::int64_t count) {
  if (FHandle < 0 || count <= 0) return 0;
  const std::int64_t n = filehandle::Read(FHandle, buffer, count);
  return n < 0 ? 0 : n;
}

std::int64_t TReplacementFile::Write(const void* buffer, std::int64_t count) {
  if (FHandle < 0 || count <= 0) return 0;
  const std::int64_t n = filehandle::Write(FHandle, buffer, count);
  return n < 0 ? 0 : n;
}

std::int64_t TReplacementFile::Seek(std::int64_t offset, TSeekOrigin origin) {
  if (FHandle < 0) return 0;
  const std::int64_t position = filehandle::Seek(FHandle, offset, origin);
  return position < 0 ? filehandle::Seek(FHandle, 0, TSeekOrigin::soCurrent) : position;
}

void TReplacementFile::SetSize(std::int64_t newSize) {
  if (FHandle < 0 || !filehandle::Truncate(FHandle, newSize)) throw EStreamError(SWriteError);
}

void TReplacementSet::Keep(std::unique_ptr<TReplacementFile> file, int tag) {
  FLastByTarget[file->Target()] = FFiles.size();
  FFiles.push_back(TKept{tag, std::move(file)});
}

const TReplacementFile* TReplacementSet::Find(const String& target) const {
  const auto found = FLastByTarget.find(target);
  return found == FLastByTarget.end() ? nullptr : FFiles[found->second].File.get();
}

}  // namespace platform
