#ifndef FENDREL_ZIP_ABZIPDIRECTORYFILEFOOTER_H
#define FENDREL_ZIP_ABZIPDIRECTORYFILEFOOTER_H

#include <cstdint>
#include <string>

#include "zip/AbZipFileHeader.h"

class TStream;

// The end-of-central-directory record.
class TAbZipDirectoryFileFooter {
 public:
  static constexpr int kHeadSize = 22;

  // Reads the record at the stream's position, field by field; reads that end early
  // at the end of the stream are not errors (the missing bytes count as 0). A
  // signature other than 50 4B 05 06 raises EAbZipInvalid.
  void LoadFromStream(TStream& stream);

  std::uint32_t ValidSignature() const { return FValidSignature; }
  std::uint32_t Signature() const { return FSignature; }
  std::uint16_t DiskNumber() const { return FDiskNumber; }
  std::uint16_t StartDiskNumber() const { return FStartDiskNumber; }
  std::uint16_t EntriesOnDisk() const { return FEntriesOnDisk; }
  std::uint16_t TotalEntries() const { return FTotalEntries; }
  std::uint32_t DirectorySize() const { return FDirectorySize; }
  std::uint32_t DirectoryOffset() const { return FDirectoryOffset; }
  const std::string& ZipfileComment() const { return FZipfileComment; }

 private:
  std::uint32_t FValidSignature = Ab_ZipEndCentralDirectorySignature;
  std::uint32_t FSignature = 0;
  std::uint16_t FDiskNumber = 0;
  std::uint16_t FStartDiskNumber = 0;
  std::uint16_t FEntriesOnDisk = 0;
  std::uint16_t FTotalEntries = 0;
  std::uint32_t FDirectorySize = 0;
  std::uint32_t FDirectoryOffset = 0;
  std::string FZipfileComment;
};

#endif
