#ifndef FENDREL_ZIP_ABZIPFILEHEADER_H
#define FENDREL_ZIP_ABZIPFILEHEADER_H

#include <cstdint>
#include <string>

#include "zip/AbExtraField.h"

class TStream;

// Signatures as 32-bit little-endian values (bytes 50 4B xx yy in file order).
inline constexpr std::uint32_t Ab_ZipLocalFileHeaderSignature = 0x04034B50;
inline constexpr std::uint32_t Ab_ZipCentralDirectorySignature = 0x02014B50;
inline constexpr std::uint32_t Ab_ZipEndCentralDirectorySignature = 0x06054B50;
inline constexpr std::uint32_t Ab_ZipSpannedSetSignature = 0x08074B50;

// General-purpose bits the model interprets.
inline constexpr std::uint16_t Ab_FlagEncrypted = 0x0001;
inline constexpr std::uint16_t Ab_FlagOption1 = 0x0002;
inline constexpr std::uint16_t Ab_FlagOption2 = 0x0004;
inline constexpr std::uint16_t Ab_FlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t Ab_FlagUtf8 = 0x0800;

// What the central record and the local header share. Raw names and comments are
// 8-bit text: the bytes as stored.
class TAbZipFileHeader {
 public:
  explicit TAbZipFileHeader(std::uint32_t validSignature) : FValidSignature(validSignature) {}
  virtual ~TAbZipFileHeader() = default;

  std::uint32_t ValidSignature() const { return FValidSignature; }
  std::uint32_t Signature() const { return FSignature; }
  std::uint16_t VersionNeededToExtract() const { return FVersionNeededToExtract; }
  std::uint16_t GeneralPurposeBitFlag() const { return FGeneralPurposeBitFlag; }
  std::uint16_t CompressionMethod() const { return FCompressionMethod; }
  std::uint16_t LastModFileTime() const { return FLastModFileTime; }
  std::uint16_t LastModFileDate() const { return FLastModFileDate; }
  std::uint32_t CRC32() const { return FCRC32; }
  std::uint32_t CompressedSize() const { return FCompressedSize; }
  std::uint32_t UncompressedSize() const { return FUncompressedSize; }
  const std::string& FileName() const { return FFileName; }
  const TAbExtraField& ExtraField() const { return FExtraField; }
  bool IsValid() const { return FSignature == FValidSignature; }
  bool IsEncrypted() const { return (FGeneralPurposeBitFlag & Ab_FlagEncrypted) != 0; }
  bool IsUTF8() const { return (FGeneralPurposeBitFlag & Ab_FlagUtf8) != 0; }

 protected:
  // The fields both records hold in the same order, from "version needed to extract"
  // through "uncompressed size" (22 bytes at fields).
  void ReadCommonFields(const std::uint8_t* fields);

  std::uint32_t FValidSignature;
  std::uint32_t FSignature = 0;
  std::uint16_t FVersionNeededToExtract = 0;
  std::uint16_t FGeneralPurposeBitFlag = 0;
  std::uint16_t FCompressionMethod = 0;
  std::uint16_t FLastModFileTime = 0;
  std::uint16_t FLastModFileDate = 0;
  std::uint32_t FCRC32 = 0;
  std::uint32_t FCompressedSize = 0;
  std::uint32_t FUncompressedSize = 0;
  std::string FFileName;
  TAbExtraField FExtraField;
};

// The local header in front of an entry's data. LoadFromStream reads one at the
// stream's position and leaves the position on the first data byte. A wrong signature
// raises EAbZipInvalid (before the names and fields are read); a record cut short by
// the end of the file, in any of its parts, raises EReadError "Stream-Lesefehler".
class TAbZipLocalFileHeader : public TAbZipFileHeader {
 public:
  TAbZipLocalFileHeader() : TAbZipFileHeader(Ab_ZipLocalFileHeaderSignature) {}
  void LoadFromStream(TStream& stream);
};

// A central directory record, read as the local header is, with the same failures.
class TAbZipDirectoryFileHeader : public TAbZipFileHeader {
 public:
  TAbZipDirectoryFileHeader() : TAbZipFileHeader(Ab_ZipCentralDirectorySignature) {}
  void LoadFromStream(TStream& stream);

  std::uint16_t VersionMadeBy() const { return FVersionMadeBy; }
  // The high byte of VersionMadeBy: 0 MS-DOS, 3 Unix, ...
  std::uint8_t HostSystem() const { return static_cast<std::uint8_t>(FVersionMadeBy >> 8); }
  std::uint16_t DiskNumberStart() const { return FDiskNumberStart; }
  std::uint16_t InternalFileAttributes() const { return FInternalFileAttributes; }
  std::uint32_t ExternalFileAttributes() const { return FExternalFileAttributes; }
  std::uint32_t RelativeOffset() const { return FRelativeOffset; }
  const std::string& FileComment() const { return FFileComment; }

 private:
  std::uint16_t FVersionMadeBy = 0;
  std::uint16_t FDiskNumberStart = 0;
  std::uint16_t FInternalFileAttributes = 0;
  std::uint32_t FExternalFileAttributes = 0;
  std::uint32_t FRelativeOffset = 0;
  std::string FFileComment;
};

#endif
