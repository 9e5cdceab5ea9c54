#ifndef FENDREL_ZIP_ABARCHIVEITEM_H
#define FENDREL_ZIP_ABARCHIVEITEM_H

#include <cstdint>

#include "core/DateTime.h"
#include "core/String.h"
#include "zip/AbArchiveTypes.h"

// One entry of an archive, as every archive kind has it. A kind's own entry class
// answers the properties from its records.
class TAbArchiveItem {
 public:
  TAbArchiveItem() = default;
  virtual ~TAbArchiveItem() = default;
  TAbArchiveItem(const TAbArchiveItem&) = delete;
  TAbArchiveItem& operator=(const TAbArchiveItem&) = delete;

  // Link of the name hash chain of the entry list.
  TAbArchiveItem* NextItem = nullptr;

  virtual std::int64_t CompressedSize() const { return FCompressedSize; }
  virtual std::int64_t UncompressedSize() const { return FUncompressedSize; }
  virtual std::uint32_t CRC32() const { return FCRC32; }
  virtual const String& DiskFileName() const { return FDiskFileName; }
  virtual std::uint32_t ExternalFileAttributes() const { return FExternalFileAttributes; }
  virtual const String& FileName() const { return FFileName; }
  virtual bool IsEncrypted() const { return FIsEncrypted; }
  virtual std::uint16_t LastModFileTime() const { return FLastModFileTime; }
  virtual std::uint16_t LastModFileDate() const { return FLastModFileDate; }
  virtual bool IsDirectory() const { return false; }
  // The Windows attribute bits (read-only 1, hidden 2, system 4, directory 10,
  // archive 20, link 400) for an extracted file.
  virtual std::uint32_t NativeFileAttributes() const { return 0; }
  // Raises EConvertError when the stored date or time is not a valid point.
  virtual TDateTime LastModTimeAsDateTime() const { return 0; }

  TAbArchiveAction Action() const { return FAction; }
  void SetAction(TAbArchiveAction action) { FAction = action; }
  bool Tagged() const { return FTagged; }
  void SetTagged(bool tagged) { FTagged = tagged; }

 protected:
  TAbArchiveAction FAction = TAbArchiveAction::aaNone;
  std::int64_t FCompressedSize = 0;
  std::uint32_t FCRC32 = 0;
  String FDiskFileName;
  std::uint32_t FExternalFileAttributes = 0;
  String FFileName;
  bool FIsEncrypted = false;
  std::uint16_t FLastModFileTime = 0;
  std::uint16_t FLastModFileDate = 0;
  bool FTagged = false;
  std::int64_t FUncompressedSize = 0;
};

#endif
