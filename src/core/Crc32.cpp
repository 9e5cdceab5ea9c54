#include "core/Crc32.h"

#include <bit>
#include <cstring>

namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (std::uint32_t i = 0; i < 256; ++i) {
    for (size_t s = 1; s < 8; ++s) t[s][i] = t[0][t[s - 1][i] & 0xFF] ^ (t[s - 1][i] >> 8);
  }
  return t;
}

constexpr Tables kTables = MakeTables();

}  // namespace

const std::array<std::uint32_t, 256>& Crc32Table() { return kTables[0]; }

// Eight bytes a step through eight tables; the result is the same as one table
// lookup per byte.
std::uint32_t Crc32Update(std::uint32_t reg, const void* data, std::size_t length) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (length >= 8) {
    std::uint32_t lo;
    std::uint32_t hi;
    std::memcpy(&lo, p, 4);
    std::memcpy(&hi, p + 4, 4);
    if constexpr (std::endian::native == std::endian::big) {
      lo = __builtin_bswap32(lo);
      hi = __builtin_bswap32(hi);
    }
    lo ^= reg;
    reg = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
          kTables[4][lo >> 24] ^ kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^
          kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
    p += 8;
    length -= 8;
  }
  while (length-- > 0) reg = kTables[0][(reg ^ *p++) & 0xFF] ^ (reg >> 8);
  return reg;
}
