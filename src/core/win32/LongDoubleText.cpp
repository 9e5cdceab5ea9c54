#include "core/LongDoubleText.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>

// The standard library of this tool chain reads long double through double and loses the
// extended precision; the C runtime's strtold keeps it. strtold takes the decimal point
// of the C locale, so the "." is written as that.
std::errc ReadLongDouble(const std::string& number, long double& value) {
  std::string text = number;
  const char* point = std::localeconv()->decimal_point;
  if (point != nullptr && point[0] != '\0' && point[0] != '.' && point[1] == '\0') {
    for (char& c : text)
      if (c == '.') c = point[0];
  }
  char* end = nullptr;
  errno = 0;
  const long double result = std::strtold(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return std::errc::invalid_argument;
  if (errno == ERANGE) return std::errc::result_out_of_range;
  value = result;
  return std::errc();
}
