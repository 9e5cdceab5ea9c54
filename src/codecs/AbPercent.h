#ifndef FENDREL_CODECS_ABPERCENT_H
#define FENDREL_CODECS_ABPERCENT_H

#include <cstdint>

// The percentage of done against total, as progress reports give it: 0 for a total
// of 0 or less, 100 once done reaches total. Totals above 16,384,000 are scaled down
// by 256 (rounded) first, as often as needed, so done x 100 never overflows.
inline std::uint8_t AbPercentOf(std::int64_t done, std::int64_t total) {
  while (total > 16384000) {
    done = static_cast<std::int64_t>((static_cast<std::uint64_t>(done) + 128) >> 8);
    total = static_cast<std::int64_t>((static_cast<std::uint64_t>(total) + 128) >> 8);
  }
  if (total <= 0) return 0;
  if (done >= total) return 100;
  if (done <= 0) return 0;
  return static_cast<std::uint8_t>(done * 100 / total);
}

#endif
