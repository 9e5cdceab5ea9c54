#include "zip/AbZipItem.h"

#include <algorithm>

#include "platform/CodePages.h"
#include "zip/AbDosDateTime.h"
#include "zip/AbNameDecoding.h"

namespace {
// The Windows file attribute bits entries carry and the platform's file layer applies.
constexpr std::uint32_t faReadOnly = 0x01;
constexpr std::uint32_t faSysFile = 0x04;
constexpr std::uint32_t faDirectory = 0x10;
constexpr std::uint32_t faSymLink = 0x400;

constexpr std::uint8_t kHostUnix = 3;
constexpr std::uint16_t kMethodImploded = 6;
constexpr std::uint16_t kMethodDeflated = 8;
}  // namespace

void TAbZipItem::LoadFromStream(TStream& stream) {
  LoadFromStream(stream, platform::AnsiCodePage(), platform::OemCodePage());
}

void TAbZipItem::LoadFromStream(TStream& stream, std::uint32_t ansiCodePage, std::uint32_t oemCodePage) {
  FItemInfo.LoadFromStream(stream);
  FFileName = AbDecodeZipName(FItemInfo, ansiCodePage, oemCodePage);
  FLastModFileTime = FItemInfo.LastModFileTime();
  FLastModFileDate = FItemInfo.LastModFileDate();
  FDiskFileName = FFileName;
  std::replace(FDiskFileName.begin(), FDiskFileName.end(), u'/', u'\\');
  FAction = TAbArchiveAction::aaNone;
  FTagged = false;
}

bool TAbZipItem::IsDirectory() const {
  if ((FItemInfo.ExternalFileAttributes() & faDirectory) != 0) return true;
  return !FFileName.empty() && (FFileName.back() == u'/' || FFileName.back() == u'\\');
}

std::uint32_t TAbZipItem::NativeFileAttributes() const {
  const std::uint32_t external = FItemInfo.ExternalFileAttributes();
  if (FItemInfo.HostSystem() != kHostUnix && external <= 0x1FFFF) return external & 0xFF;
  const std::uint32_t mode = external >> 16;
  std::uint32_t attributes = 0;
  switch (mode & 0xF000) {
    case 0x1000:  // FIFO
    case 0x2000:  // character device
    case 0x6000:  // block device
    case 0xC000:  // socket
      attributes |= faSysFile;
      break;
    case 0x4000:
      attributes |= faDirectory;
      break;
    case 0xA000:
      attributes |= faSymLink;
      break;
    default:
      break;
  }
  if ((mode & 0x0080) == 0) attributes |= faReadOnly;
  return attributes;
}

TDateTime TAbZipItem::LastModTimeAsDateTime() const {
  return AbDosFileDateToDateTime(FItemInfo.LastModFileDate(), FItemInfo.LastModFileTime());
}

double TAbZipItem::CompressionRatio() const {
  const double uncompressed = static_cast<double>(UncompressedSize());
  if (uncompressed == 0) return 0;
  double compressed = static_cast<double>(CompressedSize());
  if (IsEncrypted()) compressed -= 12;
  return (1 - compressed / uncompressed) * 100;
}

TAbZipDeflationOption TAbZipItem::DeflationOption() const {
  if (CompressionMethod() != kMethodDeflated) return TAbZipDeflationOption::doInvalid;
  switch ((FItemInfo.GeneralPurposeBitFlag() >> 1) & 3) {
    case 1:
      return TAbZipDeflationOption::doMaximum;
    case 2:
      return TAbZipDeflationOption::doFast;
    case 3:
      return TAbZipDeflationOption::doSuperFast;
    default:
      return TAbZipDeflationOption::doNormal;
  }
}

TAbZipDictionarySize TAbZipItem::DictionarySize() const {
  if (CompressionMethod() != kMethodImploded) return TAbZipDictionarySize::dsInvalid;
  return (FItemInfo.GeneralPurposeBitFlag() & Ab_FlagOption1) != 0 ? TAbZipDictionarySize::ds8K
                                                                   : TAbZipDictionarySize::ds4K;
}

int TAbZipItem::ShannonFanoTreeCount() const {
  if (CompressionMethod() != kMethodImploded) return 0;
  return (FItemInfo.GeneralPurposeBitFlag() & Ab_FlagOption2) != 0 ? 3 : 2;
}
