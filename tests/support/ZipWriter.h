#ifndef FENDREL_TESTS_SUPPORT_ZIPWRITER_H
#define FENDREL_TESTS_SUPPORT_ZIPWRITER_H

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "core/Crc32.h"
#include "support/ZipBuilder.h"

// Small ZIP archives in memory for tests, described by their decoded bytes and, where they
// differ, the bytes as stored; written by the tests' one writer (ZipBuilder.h).
struct TTestZipEntry {
  std::string name{};
  std::string data{};                    // the decoded bytes
  std::optional<std::string> payload{};  // the stored bytes when they differ from data (compressed, damaged)
  std::uint16_t method = 0;
  std::optional<std::uint32_t> crc{};
  std::optional<std::uint32_t> compressedSize{};
  std::optional<std::uint32_t> uncompressedSize{};
  std::uint16_t flags = 0;
  std::uint16_t versionMadeBy = 0x0014;  // MS-DOS host, version 2.0
  std::uint16_t versionNeeded = 20;
  std::uint32_t externalAttributes = 0;
  std::uint16_t dosTime = 0x645C;  // 12:34:56
  std::uint16_t dosDate = 0x58B1;  // 2024-05-17
  bool localSizesZero = false;     // CRC-32 and sizes 0 in the local header, as with a data descriptor
};

struct TTestZipOptions {
  std::string comment{};
  std::optional<std::uint32_t> directoryOffset{};  // FFFFFFFF for a ZIP64-style archive
  std::optional<std::uint16_t> totalEntries{};
};

class TTestZipWriter {
 public:
  static std::string Build(const std::vector<TTestZipEntry>& entries, const TTestZipOptions& options = {}) {
    std::vector<ziptest::Entry> written;
    for (const auto& e : entries) {
      ziptest::Entry entry(e.name, e.payload.value_or(e.data));
      entry.Method(e.method)
          .Flags(e.flags)
          .VersionMadeBy(e.versionMadeBy)
          .VersionNeeded(e.versionNeeded)
          .ExternalAttributes(e.externalAttributes)
          .Time(e.dosTime)
          .Date(e.dosDate)
          .Crc(e.crc.value_or(Crc32(e.data.data(), e.data.size())))
          .UncompressedSize(e.uncompressedSize.value_or(static_cast<std::uint32_t>(e.data.size())))
          .LocalSizesZero(e.localSizesZero);
      if (e.compressedSize) entry.CompressedSize(*e.compressedSize);
      written.push_back(std::move(entry));
    }
    ziptest::Layout layout;
    layout.comment = options.comment;
    layout.directoryOffset = options.directoryOffset;
    layout.entriesOnDisk = options.totalEntries;
    layout.totalEntries = options.totalEntries;
    return ziptest::BuildZip(written, layout);
  }

  // Deflate data of one final block that stores its bytes as they are (at most 65,535).
  static std::string StoredDeflate(const std::string& data) {
    const auto n = static_cast<std::uint16_t>(data.size());
    return std::string(1, '\x01') + ziptest::Le16(n) + ziptest::Le16(static_cast<std::uint16_t>(~n)) + data;
  }

  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
};

#endif
