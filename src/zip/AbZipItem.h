#ifndef FENDREL_ZIP_ABZIPITEM_H
#define FENDREL_ZIP_ABZIPITEM_H

#include <cstdint>
#include <string>

#include "zip/AbArchiveItem.h"
#include "zip/AbZipFileHeader.h"

class TStream;

// A ZIP entry: its central record and the values derived from it.
class TAbZipItem : public TAbArchiveItem {
 public:
  TAbZipItem() = default;

  // Reads the central record at the stream's position (failures as the record's),
  // decodes the name with the system's code pages and copies time and date.
  void LoadFromStream(TStream& stream);
  // The same with the given ANSI and OEM code pages.
  void LoadFromStream(TStream& stream, std::uint32_t ansiCodePage, std::uint32_t oemCodePage);

  const TAbZipDirectoryFileHeader& ItemInfo() const { return FItemInfo; }

  // The decoded name exactly as stored ("/" kept).
  const String& FileName() const override { return FFileName; }
  // The decoded name with every "/" turned into "\".
  const String& DiskFileName() const override { return FDiskFileName; }
  const std::string& RawFileName() const { return FItemInfo.FileName(); }

  std::int64_t CompressedSize() const override { return FItemInfo.CompressedSize(); }
  std::int64_t UncompressedSize() const override { return FItemInfo.UncompressedSize(); }
  std::int64_t RelativeOffset() const { return FItemInfo.RelativeOffset(); }
  std::uint32_t CRC32() const override { return FItemInfo.CRC32(); }
  std::uint32_t ExternalFileAttributes() const override { return FItemInfo.ExternalFileAttributes(); }
  std::uint16_t InternalFileAttributes() const { return FItemInfo.InternalFileAttributes(); }
  std::uint16_t DiskNumberStart() const { return FItemInfo.DiskNumberStart(); }
  std::uint16_t GeneralPurposeBitFlag() const { return FItemInfo.GeneralPurposeBitFlag(); }
  std::uint16_t VersionMadeBy() const { return FItemInfo.VersionMadeBy(); }
  std::uint16_t VersionNeededToExtract() const { return FItemInfo.VersionNeededToExtract(); }
  std::uint16_t LastModFileTime() const override { return FItemInfo.LastModFileTime(); }
  std::uint16_t LastModFileDate() const override { return FItemInfo.LastModFileDate(); }
  // The low byte of the 16-bit method field.
  std::uint8_t CompressionMethod() const { return static_cast<std::uint8_t>(FItemInfo.CompressionMethod()); }
  bool IsEncrypted() const override { return FItemInfo.IsEncrypted(); }
  const std::string& FileComment() const { return FItemInfo.FileComment(); }
  const TAbExtraField& ExtraField() const { return FItemInfo.ExtraField(); }

  // Directory attribute bit set, or the name ends in "/" or "\".
  bool IsDirectory() const override;
  // From the Unix mode for Unix hosts (or attributes above 1FFFF), else the low 8
  // bits of the external attributes.
  std::uint32_t NativeFileAttributes() const override;
  TDateTime LastModTimeAsDateTime() const override;

  // 0 for an empty entry, else (1 - c / u) x 100, c lowered by 12 when encrypted.
  double CompressionRatio() const;
  // From bits 1 and 2: for method 8 the deflation option, for method 6 the dictionary
  // size and the number of Shannon-Fano trees; doInvalid, dsInvalid and 0 otherwise.
  TAbZipDeflationOption DeflationOption() const;
  TAbZipDictionarySize DictionarySize() const;
  int ShannonFanoTreeCount() const;

  // Set by the archive when the entry's bytes lie over another entry's or over the
  // directory; such an entry is refused (EAbZipOverlappingEntry) before it is read.
  bool Overlapping() const { return FOverlapping; }
  void SetOverlapping(bool overlapping) { FOverlapping = overlapping; }

 private:
  TAbZipDirectoryFileHeader FItemInfo;
  bool FOverlapping = false;
};

#endif
