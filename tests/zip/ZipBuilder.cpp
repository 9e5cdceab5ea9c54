#include "zip/ZipBuilder.h"

#include "core/Crc32.h"

namespace ziptest {

std::string Le16(std::uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string Le32(std::uint32_t value) {
  return Le16(static_cast<std::uint16_t>(value & 0xFFFF)) + Le16(static_cast<std::uint16_t>(value >> 16));
}

std::string ExtraField(std::uint16_t id, const std::string& data) {
  return Le16(id) + Le16(static_cast<std::uint16_t>(data.size())) + data;
}

std::string EndRecord(std::uint16_t entries, std::uint32_t directorySize, std::uint32_t directoryOffset,
                      const std::string& comment) {
  return std::string("PK\x05\x06", 4) + Le16(0) + Le16(0) + Le16(entries) + Le16(entries) +
         Le32(directorySize) + Le32(directoryOffset) + Le16(static_cast<std::uint16_t>(comment.size())) +
         comment;
}

std::string BuildZip(const std::vector<Entry>& entries, const Layout& layout) {
  std::string out = layout.prefix;
  const std::uint32_t base = layout.offsetsCountPrefix ? 0 : static_cast<std::uint32_t>(layout.prefix.size());
  std::vector<std::uint32_t> offsets;
  for (const Entry& e : entries) {
    const std::uint32_t crc = e.crc.value_or(Crc32(e.data.data(), e.data.size()));
    const auto size = static_cast<std::uint32_t>(e.data.size());
    offsets.push_back(static_cast<std::uint32_t>(out.size()) - base);
    out += std::string("PK\x03\x04", 4) + Le16(e.versionNeeded) + Le16(e.flags) + Le16(e.method) +
           Le16(e.time) + Le16(e.date) + Le32(crc) + Le32(e.compressedSize.value_or(size)) +
           Le32(e.uncompressedSize.value_or(size)) + Le16(static_cast<std::uint16_t>(e.name.size())) +
           Le16(static_cast<std::uint16_t>(e.localExtra.size())) + e.name + e.localExtra + e.data;
  }
  const auto directoryStart = static_cast<std::uint32_t>(out.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    const std::uint32_t crc = e.crc.value_or(Crc32(e.data.data(), e.data.size()));
    const auto size = static_cast<std::uint32_t>(e.data.size());
    out += std::string("PK\x01\x02", 4) + Le16(e.versionMadeBy) + Le16(e.versionNeeded) + Le16(e.flags) +
           Le16(e.method) + Le16(e.time) + Le16(e.date) + Le32(crc) + Le32(e.compressedSize.value_or(size)) +
           Le32(e.uncompressedSize.value_or(size)) + Le16(static_cast<std::uint16_t>(e.name.size())) +
           Le16(static_cast<std::uint16_t>(e.extra.size())) +
           Le16(static_cast<std::uint16_t>(e.comment.size())) + Le16(0) + Le16(0) +
           Le32(e.externalAttributes) + Le32(offsets[i]) + e.name + e.extra + e.comment;
  }
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

std::unique_ptr<TMemoryStream> MemoryStreamOf(const std::string& bytes) {
  auto stream = std::make_unique<TMemoryStream>();
  stream->Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

}  // namespace ziptest
