#include "zip/AbExtraField.h"

#include "zip/AbRecordReading.h"

void TAbExtraField::Assign(std::vector<std::uint8_t> bytes) {
  FBuffer = std::move(bytes);
  std::size_t start = 0;
  while (FBuffer.size() - start > 3) {
    const std::size_t remaining = FBuffer.size() - start - 4;
    std::size_t size = abrecord::Get16(&FBuffer[start + 2]);
    if (size > remaining) {
      size = remaining;
      FBuffer[start + 2] = static_cast<std::uint8_t>(size & 0xFF);
      FBuffer[start + 3] = static_cast<std::uint8_t>(size >> 8);
    }
    start += 4 + size;
  }
}

void TAbExtraField::ForEach(
    const std::function<void(std::uint16_t id, std::span<const std::uint8_t> data)>& visit) const {
  std::size_t start = 0;
  while (FBuffer.size() - start > 3) {
    const std::uint16_t id = abrecord::Get16(&FBuffer[start]);
    const std::size_t size = abrecord::Get16(&FBuffer[start + 2]);
    visit(id, std::span<const std::uint8_t>(FBuffer.data() + start + 4, size));
    start += 4 + size;
  }
}

bool TAbExtraField::Get(std::uint16_t id, std::span<const std::uint8_t>& data) const {
  std::size_t start = 0;
  while (FBuffer.size() - start > 3) {
    const std::size_t size = abrecord::Get16(&FBuffer[start + 2]);
    if (abrecord::Get16(&FBuffer[start]) == id) {
      data = std::span<const std::uint8_t>(FBuffer.data() + start + 4, size);
      return true;
    }
    start += 4 + size;
  }
  return false;
}
