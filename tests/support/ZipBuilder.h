#ifndef FENDREL_TESTS_SUPPORT_ZIPBUILDER_H
#define FENDREL_TESTS_SUPPORT_ZIPBUILDER_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Crc32.h"
#include "core/Stream.h"

// The tests' one ZIP writer: hand-made archives in which every field can be set, so damaged
// and unusual archives are as easy to write as good ones. An entry's data is written as
// given, whatever the method says. SmallZip.h and ZipWriter.h are shorter ways to fill it
// in; the fuzz targets take their central records from here too.
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
  Entry& LocalSizesZero(bool value = true) { return localSizesZero = value, *this; }

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
  bool localSizesZero = false;  // CRC-32 and sizes 0 in the local header, as with a data descriptor
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

inline std::string Le16(std::uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

inline std::string Le32(std::uint32_t value) {
  return Le16(static_cast<std::uint16_t>(value & 0xFFFF)) + Le16(static_cast<std::uint16_t>(value >> 16));
}

// One extra sub-field: identifier, size, data.
inline std::string ExtraField(std::uint16_t id, const std::string& data) {
  return Le16(id) + Le16(static_cast<std::uint16_t>(data.size())) + data;
}

// A bare end record.
inline std::string EndRecord(std::uint16_t entries, std::uint32_t directorySize,
                             std::uint32_t directoryOffset, const std::string& comment = {}) {
  return std::string("PK\x05\x06", 4) + Le16(0) + Le16(0) + Le16(entries) + Le16(entries) +
         Le32(directorySize) + Le32(directoryOffset) + Le16(static_cast<std::uint16_t>(comment.size())) +
         comment;
}

// The fields from the version needed to the uncompressed size, as the local header and the
// central record both hold them.
inline std::string CommonFields(const Entry& e, bool local) {
  const std::uint32_t crc = e.crc.value_or(Crc32(e.data.data(), e.data.size()));
  const auto size = static_cast<std::uint32_t>(e.data.size());
  const bool zero = local && e.localSizesZero;
  return Le16(e.versionNeeded) + Le16(e.flags) + Le16(e.method) + Le16(e.time) + Le16(e.date) +
         Le32(zero ? 0 : crc) + Le32(zero ? 0 : e.compressedSize.value_or(size)) +
         Le32(zero ? 0 : e.uncompressedSize.value_or(size)) + Le16(static_cast<std::uint16_t>(e.name.size()));
}

inline std::string LocalHeader(const Entry& e) {
  return std::string("PK\x03\x04", 4) + CommonFields(e, true) +
         Le16(static_cast<std::uint16_t>(e.localExtra.size())) + e.name + e.localExtra;
}

// The entry's central record, pointing at a local header at the offset.
inline std::string CentralRecord(const Entry& e, std::uint32_t offset) {
  return std::string("PK\x01\x02", 4) + Le16(e.versionMadeBy) + CommonFields(e, false) +
         Le16(static_cast<std::uint16_t>(e.extra.size())) +
         Le16(static_cast<std::uint16_t>(e.comment.size())) + Le16(0) + Le16(0) + Le32(e.externalAttributes) +
         Le32(offset) + e.name + e.extra + e.comment;
}

inline std::string BuildZip(const std::vector<Entry>& entries, const Layout& layout = {}) {
  std::string out = layout.prefix;
  const std::uint32_t base = layout.offsetsCountPrefix ? 0 : static_cast<std::uint32_t>(layout.prefix.size());
  std::vector<std::uint32_t> offsets;
  for (const Entry& e : entries) {
    offsets.push_back(static_cast<std::uint32_t>(out.size()) - base);
    out += LocalHeader(e) + e.data;
  }
  const auto directoryStart = static_cast<std::uint32_t>(out.size());
  for (std::size_t i = 0; i < entries.size(); ++i) out += CentralRecord(entries[i], offsets[i]);
  const auto directorySize = static_cast<std::uint32_t>(out.size()) - directoryStart;
  out += layout.beforeEndRecord;
  const auto count = static_cast<std::uint16_t>(entries.size());
  out += std::string("PK\x05\x06", 4) + Le16(layout.diskNumber) + Le16(layout.startDiskNumber) +
         Le16(layout.entriesOnDisk.value_or(count)) + Le16(layout.totalEntries.value_or(count)) +
         Le32(layout.directorySize.value_or(directorySize)) +
         Le32(layout.directoryOffset.value_or(directoryStart - base)) +
         Le16(layout.commentLength.value_or(static_cast<std::uint16_t>(layout.comment.size()))) +
         layout.comment;
  out += layout.trailing;
  return out;
}

// The bytes given as the archive's data part, then a central record for each entry pointing
// at the offset paired with it, wherever that is, and the end record: archives whose
// directory does not describe their data one to one.
inline std::string BuildZipOverData(const std::string& data,
                                    const std::vector<std::pair<Entry, std::uint32_t>>& records) {
  std::string out = data;
  const auto directoryStart = static_cast<std::uint32_t>(out.size());
  for (const auto& [entry, offset] : records) out += CentralRecord(entry, offset);
  out += EndRecord(static_cast<std::uint16_t>(records.size()),
                   static_cast<std::uint32_t>(out.size()) - directoryStart, directoryStart);
  return out;
}

// A memory stream holding the bytes, positioned at 0.
inline std::unique_ptr<TMemoryStream> MemoryStreamOf(const std::string& bytes) {
  auto stream = std::make_unique<TMemoryStream>();
  stream->Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

}  // namespace ziptest

#endif
