// The stream side of a replacement file, its names, the removal of what a killed run
// left and the set of files committed together, the same on every platform; creating,
// committing and discarding a file are the platform's.
#include <random>

#include "core/Exception.h"
#include "core/FileHandle.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/ReplacementName.h"

namespace platform {
namespace {

constexpr StringView kReplacementPrefix = u".fendrel-";
constexpr StringView kReplacementSuffix = u".part";
constexpr std::size_t kReplacementDigits = 12;

bool IsLowerHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
}

}  // namespace

String NewReplacementName(const String& directoryPart) {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::uint64_t value = generator();
  String name = directoryPart + String(kReplacementPrefix);
  for (std::size_t i = 0; i < kReplacementDigits; ++i, value >>= 4) name.push_back(kDigits[value & 0xF]);
  return name + String(kReplacementSuffix);
}

bool IsReplacementName(StringView name) {
  const std::size_t digitsEnd = kReplacementPrefix.size() + kReplacementDigits;
  if (name.size() != digitsEnd + kReplacementSuffix.size() ||
      name.substr(0, kReplacementPrefix.size()) != kReplacementPrefix ||
      name.substr(digitsEnd) != kReplacementSuffix)
    return false;
  for (const char16_t c : name.substr(kReplacementPrefix.size(), kReplacementDigits))
    if (!IsLowerHexDigit(c)) return false;
  return true;
}

void RemoveLeftoverReplacements(const String& folder) {
  std::vector<String> names;
  try {
    names = FolderNames(folder.empty() ? String(u".") : folder);
  } catch (const Exception&) {
    return;
  }
  const bool separated = !folder.empty() && IsPathSeparator(folder.back());
  for (const String& name : names)
    if (IsReplacementName(name))
      DeleteFile(folder.empty() || separated ? folder + name : folder + u'\\' + name);
}

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
