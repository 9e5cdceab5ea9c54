#ifndef FENDREL_TESTS_ZIP_ZIPBUILDER_H
#define FENDREL_TESTS_ZIP_ZIPBUILDER_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Stream.h"

// Hand-made ZIP archives for tests: every field can be set, so damaged and unusual
// archives are as easy to write as good ones. Entries are stored (the data is written
// as given, whatever the method says).
namespace ziptest {

struct Entry {
  explicit Entry(std::string entryName, std::string entryData = {})
      : name(std::move(entryName)), data(std::move(entryData)) {}

  Entry& Method(std::uint16_t value) { return method = value, *this; }
  Entry& Flags(std::uint16_t value) { return flags = value, *this; }
  Entry& VersionMadeBy(std::uint16_t value) { return versionMadeBy = value, *this; }
  Entry& VersionNeeded(std::uint16_t value) { return versionNeeded = value, *this; }
  Entry& ExternalAttributes(std::uint32_t value) { return externalAttributes = value, *this; }
  Entry& Time(std::uint16_t value) { return time = value, *this; }
  Entry& Date(std::uint16_t value) { return date = value, *this; }
  Entry& Extra(std::string value) { return extra = std::move(value), *this; }
  Entry& LocalExtra(std::string value) { return localExtra = std::move(value), *this; }
  Entry& Comment(std::string value) { return comment = std::move(value), *this; }
  Entry& Crc(std::uint32_t value) { return crc = value, *this; }
  Entry& CompressedSize(std::uint32_t value) { return compressedSize = value, *this; }
  Entry& UncompressedSize(std::uint32_t value) { return uncompressedSize = value, *this; }

  std::string name;
  std::string data;
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
  std::uint16_t versionMadeBy = 0x0014;  // MS-DOS, 2.0
  std::uint16_t versionNeeded = 20;
  std::uint32_t externalAttributes = 0;
  std::uint16_t time = 0x645C;  // 12:34:56
  std::uint16_t date = 0x58B1;  // 2024-05-17
  std::string extra;            // central record
  std::string localExtra;
  std::string comment;
  std::optional<std::uint32_t> crc;  // default: CRC-32 of data
  std::optional<std::uint32_t> compressedSize;
  std::optional<std::uint32_t> uncompressedSize;
};

struct Layout {
  std::string prefix;  // bytes before the first local header
  bool offsetsCountPrefix = true;
  std::string beforeEndRecord;  // bytes between the central directory and the end record
  std::optional<std::uint16_t> entriesOnDisk;
  std::optional<std::uint16_t> totalEntries;
  std::optional<std::uint32_t> directorySize;
  std::optional<std::uint32_t> directoryOffset;
  std::uint16_t diskNumber = 0;
  std::uint16_t startDiskNumber = 0;
  std::string comment;
  std::optional<std::uint16_t> commentLength;
  std::string trailing;  // bytes after the end record (and its comment)
};

std::string Le16(std::uint16_t value);
std::string Le32(std::uint32_t value);
// One extra sub-field: identifier, size, data.
std::string ExtraField(std::uint16_t id, const std::string& data);
// A bare end record.
std::string EndRecord(std::uint16_t entries, std::uint32_t directorySize, std::uint32_t directoryOffset,
                      const std::string& comment = {});

std::string BuildZip(const std::vector<Entry>& entries, const Layout& layout = {});

// A memory stream holding the bytes, positioned at 0.
std::unique_ptr<TMemoryStream> MemoryStreamOf(const std::string& bytes);

}  // namespace ziptest

#endif
