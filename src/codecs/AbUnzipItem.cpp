#include "codecs/AbUnzipItem.h"

#include <array>

#include "codecs/AbMethodRegistry.h"
#include "codecs/AbPasswordLoop.h"
#include "codecs/AbUnzipStreams.h"
#include "zip/AbDirectoryFailures.h"
#include "zip/AbException.h"
#include "zip/AbSpanStream.h"
#include "zip/AbZipFileHeader.h"

namespace {

// An entry whose bytes lie over another's is refused before anything of it is read.
void CheckOwnRange(const TAbZipItem& item) {
  if (item.Overlapping()) throw EAbZipOverlappingEntry();
}

void CheckVersion(const TAbZipItem& item) {
  if ((item.VersionNeededToExtract() & 0xFF) >= 64) throw EAbZipVersion();
}

// Multi-part sets: makes the entry's part the current one.
void SwitchDisk(TAbZipArchive& archive, const TAbZipItem& item, bool evenWhenInCharge) {
  if (!archive.Spanned()) return;
  if (item.DiskNumberStart() == archive.CurrentDisk()) return;
  archive.SetCurrentDisk(item.DiskNumberStart());
  auto* span = dynamic_cast<TAbSpanStream*>(&archive.Stream());
  if (span == nullptr) throw EAbZipBadSpanStream();
  if (span->SpanStreamInCharge() && !evenWhenInCharge) return;
  TStream* stream = &archive.Stream();
  bool abort = false;
  archive.DoRequestNthImage(archive.CurrentDisk(), stream, abort);
  if (abort) throw EAbUserAbort();
}

TAbZipLocalFileHeader ReadLocalHeader(TAbZipArchive& archive, const TAbZipItem& item) {
  TStream& stream = archive.Stream();
  stream.Seek(item.RelativeOffset(), TSeekOrigin::soBeginning);
  TAbZipLocalFileHeader header;
  header.LoadFromStream(stream);
  return header;
}

// The decoder of every method number, made from the registrations; null for a number
// that names no method or a method this build has no decoder for.
constexpr std::array<TAbMethodDecoder, 256> kMethodDecoders = [] {
  std::array<TAbMethodDecoder, 256> table{};
  for (const auto& registration : kAbMethodRegistrations)
    for (int method = registration.FirstMethod; method <= registration.LastMethod; ++method)
      table[method] = registration.Decoder;
  return table;
}();

}  // namespace

TAbMethodDecoder FindMethodDecoder(std::uint8_t method) {
  return kMethodDecoders[method];
}

void DecodeItemMethod(TAbZipArchive& archive, TAbZipItem& item, TStream& source, TStream& output) {
  const TAbMethodDecoder decoder = FindMethodDecoder(item.CompressionMethod());
  if (decoder == nullptr) throw EAbZipInvalidMethod();
  decoder(archive, item, source, output);
}

std::unique_ptr<TStream> OpenItemData(TAbZipArchive& archive, TAbZipItem& item) {
  CheckOwnRange(item);
  CheckVersion(item);
  SwitchDisk(archive, item, false);
  const TAbZipLocalFileHeader local = ReadLocalHeader(archive, item);
  auto subset = std::make_unique<TAbUnzipSubsetStream>(archive.Stream(), item.CompressedSize());
  if (!item.IsEncrypted()) return subset;
  // The header's last byte repeats the top byte of the CRC-32, or of the time when the
  // CRC-32 follows the data.
  const std::uint32_t checkValue = (local.GeneralPurposeBitFlag() & Ab_FlagDataDescriptor) != 0
                                       ? static_cast<std::uint32_t>(local.LastModFileTime()) << 16
                                       : item.CRC32();
  return OpenDecryptedData(archive, std::move(subset), checkValue);
}

bool DecodeItemDataChecked(TAbZipArchive& archive, TAbZipItem& item, TStream& source, TStream& dest) {
  if (item.UncompressedSize() == 0) return item.CRC32() == 0;
  TAbUnzipOutputStream output(dest);
  output.SetUncompressedSize(item.UncompressedSize());
  // Every declared size is a limit, FFFFFFFF as well: without ZIP64 it is a size like any other.
  output.SetSizeLimit(item.UncompressedSize());
  output.SetOnProgress(archive.OnProgress);
  DecodeItemMethod(archive, item, source, output);
  return output.CRC32() == item.CRC32();
}

void DecodeItemData(TAbZipArchive& archive, TAbZipItem& item, TStream& source, TStream& dest) {
  if (DecodeItemDataChecked(archive, item, source, dest)) return;
  if (!archive.OnProcessItemFailure) throw EAbZipBadCRC();
  archive.OnProcessItemFailure(archive, item, TAbProcessType::ptExtract, TAbErrorClass::ecKolmira,
                               EAbZipBadCRC().ErrorCode());
}

void UnzipItemToStream(TAbZipArchive& archive, TAbZipItem& item, TStream* dest) {
  if (dest == nullptr) throw EAbBadStream();
  const std::unique_ptr<TStream> source = OpenItemData(archive, item);
  DecodeItemData(archive, item, *source, *dest);
}

void TestZipItem(TAbZipArchive& archive, TAbZipItem& item, bool crcFailureRaises) {
  CheckOwnRange(item);
  CheckVersion(item);
  SwitchDisk(archive, item, true);
  TAbDiscardStream discard;
  const TAbZipLocalFileHeader local = ReadLocalHeader(archive, item);
  const auto& central = item.ItemInfo();
  if (local.VersionNeededToExtract() != central.VersionNeededToExtract() ||
      local.GeneralPurposeBitFlag() != central.GeneralPurposeBitFlag() ||
      local.LastModFileTime() != central.LastModFileTime() ||
      local.LastModFileDate() != central.LastModFileDate() || local.CRC32() != item.CRC32() ||
      local.CompressedSize() != item.CompressedSize() ||
      local.UncompressedSize() != item.UncompressedSize() || local.FileName() != item.RawFileName() ||
      local.ExtraField().Buffer() != central.ExtraField().Buffer())
    throw EAbZipInvalidLFH();

  const std::unique_ptr<TStream> source = OpenItemData(archive, item);
  if (DecodeItemDataChecked(archive, item, *source, discard)) return;
  if (crcFailureRaises || !archive.OnProcessItemFailure) throw EAbZipBadCRC();
  archive.OnProcessItemFailure(archive, item, TAbProcessType::ptExtract, TAbErrorClass::ecKolmira,
                               EAbZipBadCRC().ErrorCode());
}
