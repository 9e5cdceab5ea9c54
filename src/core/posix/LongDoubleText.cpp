#include "core/LongDoubleText.h"

#include <charconv>

// The standard library reads long double at its full precision here.
std::errc ReadLongDouble(const std::string& number, long double& value) {
  const char* end = number.data() + number.size();
  const auto [stop, ec] = std::from_chars(number.data(), end, value);
  if (ec == std::errc() && stop != end) return std::errc::invalid_argument;
  return ec;
}
