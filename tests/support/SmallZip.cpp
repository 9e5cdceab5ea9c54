#include "support/SmallZip.h"

#include "core/Crc32.h"

namespace testsupport {
namespace {

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

}  // namespace

std::string MakeZip(const std::vector<ZipFixtureEntry>& entries) {
  std::string archive;
  std::string directory;
  for (const ZipFixtureEntry& entry : entries) {
    const std::uint32_t crc = entry.Crc.value_or(Crc32(entry.Data.data(), entry.Data.size()));
    const std::uint32_t size = entry.UncompressedSize.value_or(static_cast<std::uint32_t>(entry.Data.size()));
    const auto offset = static_cast<std::uint32_t>(archive.size());

    Put32(archive, 0x04034B50);
    Put16(archive, 20);  // version needed
    Put16(archive, 0);   // flags
    Put16(archive, entry.Method);
    Put16(archive, entry.DosTime);
    Put16(archive, entry.DosDate);
    Put32(archive, crc);
    Put32(archive, static_cast<std::uint32_t>(entry.Data.size()));
    Put32(archive, size);
    Put16(archive, static_cast<std::uint32_t>(entry.Name.size()));
    Put16(archive, 0);  // extra length
    archive += entry.Name;
    archive += entry.Data;

    Put32(directory, 0x02014B50);
    Put16(directory, 20);  // made by: FAT host, version 2.0
    Put16(directory, 20);
    Put16(directory, 0);
    Put16(directory, entry.Method);
    Put16(directory, entry.DosTime);
    Put16(directory, entry.DosDate);
    Put32(directory, crc);
    Put32(directory, static_cast<std::uint32_t>(entry.Data.size()));
    Put32(directory, size);
    Put16(directory, static_cast<std::uint32_t>(entry.Name.size()));
    Put16(directory, 0);  // extra length
    Put16(directory, 0);  // comment length
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, entry.ExternalAttributes);
    Put32(directory, offset);
    directory += entry.Name;
  }
  const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
  archive += directory;
  Put32(archive, 0x06054B50);
  Put16(archive, 0);
  Put16(archive, 0);
  Put16(archive, static_cast<std::uint32_t>(entries.size()));
  Put16(archive, static_cast<std::uint32_t>(entries.size()));
  Put32(archive, static_cast<std::uint32_t>(directory.size()));
  Put32(archive, directoryOffset);
  Put16(archive, 0);  // comment length
  return archive;
}

}  // namespace testsupport
