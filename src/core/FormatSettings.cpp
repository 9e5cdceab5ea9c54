#include "core/FormatSettings.h"

#include <atomic>
#include <clocale>

namespace {

char16_t LocaleDecimalSeparator() {
  const std::lconv* conv = std::localeconv();
  if (conv != nullptr && conv->decimal_point != nullptr && conv->decimal_point[0] != '\0' &&
      static_cast<unsigned char>(conv->decimal_point[0]) < 0x80 && conv->decimal_point[1] == '\0') {
    return static_cast<char16_t>(conv->decimal_point[0]);
  }
  return u'.';
}

std::atomic<char16_t>& Separator() {
  static std::atomic<char16_t> separator{LocaleDecimalSeparator()};
  return separator;
}

}  // namespace

char16_t DecimalSeparator() {
  return Separator().load();
}

void SetDecimalSeparator(char16_t separator) {
  Separator().store(separator);
}
