#ifndef FENDREL_SUPPORT_SMALLZIP_H
#define FENDREL_SUPPORT_SMALLZIP_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/ZipBuilder.h"

namespace testsupport {

// One entry of a small test archive, written as it is given.
struct ZipFixtureEntry {
  std::string Name;
  std::string Data;  // the entry's data as it stands in the archive (compressed when Method says so)
  std::uint16_t Method = 0;
  std::optional<std::uint32_t> UncompressedSize;  // default: the size of Data
  std::optional<std::uint32_t> Crc;               // default: the CRC-32 of Data
  std::uint32_t ExternalAttributes = 0;
  std::uint16_t DosTime = 0x6000;  // 12:00:00
  std::uint16_t DosDate = 0x5A8A;  // 2025-04-10
};

// A single-part ZIP archive: local headers with their data, the central directory and
// the end record, no data descriptors, made on a FAT host; written by the tests' one
// writer (ZipBuilder.h).
inline std::string MakeZip(const std::vector<ZipFixtureEntry>& entries) {
  std::vector<ziptest::Entry> written;
  for (const ZipFixtureEntry& entry : entries) {
    ziptest::Entry e(entry.Name, entry.Data);
    e.Method(entry.Method)
        .ExternalAttributes(entry.ExternalAttributes)
        .Time(entry.DosTime)
        .Date(entry.DosDate);
    if (entry.UncompressedSize) e.UncompressedSize(*entry.UncompressedSize);
    if (entry.Crc) e.Crc(*entry.Crc);
    written.push_back(std::move(e));
  }
  return ziptest::BuildZip(written);
}

}  // namespace testsupport

#endif
