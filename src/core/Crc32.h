#ifndef FENDREL_CORE_CRC32_H
#define FENDREL_CORE_CRC32_H

#include <array>
#include <cstddef>
#include <cstdint>

// The CRC-32 of the ZIP format: reflected polynomial 0xEDB88320, register preset to
// all ones, result complemented.
inline constexpr std::uint32_t kCrc32Preset = 0xFFFFFFFFu;

// The 256-entry table, for callers that step the register one byte at a time.
const std::array<std::uint32_t, 256>& Crc32Table();

inline std::uint32_t Crc32UpdateByte(std::uint32_t reg, std::uint8_t byte) {
  return Crc32Table()[(reg ^ byte) & 0xFF] ^ (reg >> 8);
}

// Feeds bytes into a running register (no preset, no complement). Uses carry-less
// multiplication where the processor has it, else the table method; both give the
// same register.
std::uint32_t Crc32Update(std::uint32_t reg, const void* data, std::size_t length);

// The table method alone, eight bytes a step; the portable path.
std::uint32_t Crc32UpdateTable(std::uint32_t reg, const void* data, std::size_t length);

// The carry-less multiply method; falls back to the table method where the processor
// lacks the instructions. Crc32FoldAvailable tells which.
std::uint32_t Crc32UpdateFold(std::uint32_t reg, const void* data, std::size_t length);
bool Crc32FoldAvailable();

// The multipliers the carry-less multiply method folds with: x^n modulo the polynomial
// for the four shift distances it uses, in the bit order of its registers. Exposed so
// that they can be checked against a separate derivation.
struct TCrc32FoldConstants {
  std::uint64_t Fold512Lo;  // x^(512 + 32)
  std::uint64_t Fold512Hi;  // x^(512 - 32)
  std::uint64_t Fold128Lo;  // x^(128 + 32)
  std::uint64_t Fold128Hi;  // x^(128 - 32)
};
TCrc32FoldConstants Crc32FoldConstants();

// The finished CRC-32 of a whole buffer.
inline std::uint32_t Crc32(const void* data, std::size_t length) {
  return ~Crc32Update(kCrc32Preset, data, length);
}

#endif
