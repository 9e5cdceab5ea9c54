// The CRC-32 of arbitrary bytes, cut into pieces at points the input chooses, through the
// dispatching update (carry-less multiply where the processor has it) against the table
// method over the whole: the register must be the same however the bytes arrive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Crc32.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  // Four bytes of starting register, one byte of cut pattern, then the data.
  const std::uint32_t start = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
                              static_cast<std::uint32_t>(data[2]) << 16 |
                              static_cast<std::uint32_t>(data[3]) << 24;
  const std::uint8_t cuts = data[4];
  const std::uint8_t* bytes = data + 5;
  const std::size_t length = size - 5;
  const std::uint32_t whole = Crc32UpdateTable(start, bytes, length);
  if (Crc32UpdateFold(start, bytes, length) != whole) std::abort();
  std::uint32_t reg = start;
  std::size_t at = 0;
  for (unsigned step = 0; at < length; ++step) {
    // Pieces of 0 to a few hundred bytes, drawn from the cut pattern and the bytes themselves.
    const std::size_t piece = (static_cast<std::size_t>(cuts) * (step + 1) + bytes[at]) % 320;
    std::size_t n = piece < length - at ? piece : length - at;
    reg = Crc32Update(reg, bytes + at, n);
    if (n == 0) {  // an empty piece, then onwards
      n = 1;
      reg = Crc32Update(reg, bytes + at, n);
    }
    at += n;
  }
  if (reg != whole) std::abort();
  return 0;
}
