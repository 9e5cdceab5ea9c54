#ifndef FENDREL_TESTS_SUPPORT_ZIPWRITER_H
#define FENDREL_TESTS_SUPPORT_ZIPWRITER_H

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "core/Crc32.h"

// Builds small ZIP archives in memory for tests, with every field open to tampering:
// each entry's local header, data and central record, then the end record.
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
    std::string out;
    std::string central;
    for (const auto& e : entries) {
      const std::string payload = e.payload.value_or(e.data);
      const std::uint32_t crc = e.crc.value_or(Crc32(e.data.data(), e.data.size()));
      const std::uint32_t csize = e.compressedSize.value_or(static_cast<std::uint32_t>(payload.size()));
      const std::uint32_t usize = e.uncompressedSize.value_or(static_cast<std::uint32_t>(e.data.size()));
      const auto offset = static_cast<std::uint32_t>(out.size());
      Put32(out, 0x04034B50);
      Put16(out, e.versionNeeded);
      Put16(out, e.flags);
      Put16(out, e.method);
      Put16(out, e.dosTime);
      Put16(out, e.dosDate);
      Put32(out, e.localSizesZero ? 0 : crc);
      Put32(out, e.localSizesZero ? 0 : csize);
      Put32(out, e.localSizesZero ? 0 : usize);
      Put16(out, static_cast<std::uint16_t>(e.name.size()));
      Put16(out, 0);
      out += e.name;
      out += payload;

      Put32(central, 0x02014B50);
      Put16(central, e.versionMadeBy);
      Put16(central, e.versionNeeded);
      Put16(central, e.flags);
      Put16(central, e.method);
      Put16(central, e.dosTime);
      Put16(central, e.dosDate);
      Put32(central, crc);
      Put32(central, csize);
      Put32(central, usize);
      Put16(central, static_cast<std::uint16_t>(e.name.size()));
      Put16(central, 0);
      Put16(central, 0);
      Put16(central, 0);
      Put16(central, 0);
      Put32(central, e.externalAttributes);
      Put32(central, offset);
      central += e.name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(out.size());
    out += central;
    const auto count = static_cast<std::uint16_t>(entries.size());
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, options.totalEntries.value_or(count));
    Put16(out, options.totalEntries.value_or(count));
    Put32(out, static_cast<std::uint32_t>(central.size()));
    Put32(out, options.directoryOffset.value_or(directoryOffset));
    Put16(out, static_cast<std::uint16_t>(options.comment.size()));
    out += options.comment;
    return out;
  }

  // Deflate data of one final block that stores its bytes as they are (at most 65,535).
  static std::string StoredDeflate(const std::string& data) {
    std::string out(1, '\x01');
    const auto n = static_cast<std::uint16_t>(data.size());
    Put16(out, n);
    Put16(out, static_cast<std::uint16_t>(~n));
    return out + data;
  }

  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }

 private:
  static void Put16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
  }
  static void Put32(std::string& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
  }
};

#endif
