#include "core/FloatConvert.h"

#include <cmath>
#include <string>
#include <system_error>

#include "core/Exception.h"
#include "core/FormatSettings.h"
#include "core/LongDoubleText.h"

namespace {

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

}  // namespace

bool TryStrToFloat(StringView text, long double& value) {
  const char16_t separator = DecimalSeparator();
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == u' ') ++i;

  // The number is rebuilt in the form the standard parser reads: sign, digits,
  // ".", digits, "e", exponent.
  std::string number;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') number += '-';
    ++i;
  }
  bool mantissa = false;
  bool anyDigit = false;
  std::string digits;
  while (i < n && IsDigit(text[i])) digits += static_cast<char>(text[i++]), mantissa = anyDigit = true;
  std::string fraction;
  if (i < n && text[i] == separator) {
    mantissa = true;
    ++i;
    while (i < n && IsDigit(text[i])) fraction += static_cast<char>(text[i++]), anyDigit = true;
  }
  if (!mantissa) return false;
  std::string exponent;
  if (i < n && (text[i] == u'E' || text[i] == u'e')) {
    ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
      if (text[i] == u'-') exponent += '-';
      ++i;
    }
    while (i < n && IsDigit(text[i])) exponent += static_cast<char>(text[i++]);
  }
  while (i < n && text[i] == u' ') ++i;
  if (i != n) return false;

  if (!anyDigit) {
    value = number.empty() ? 0.0L : -0.0L;
    return true;
  }
  number += digits.empty() ? "0" : digits;
  if (!fraction.empty()) number += "." + fraction;
  if (!exponent.empty() && exponent != "-") number += "e" + exponent;

  long double result = 0;
  const std::errc ec = ReadLongDouble(number, result);
  if (ec == std::errc::result_out_of_range) {
    // Out of range is either too large (fails) or too small (reads as zero). The
    // first significant digit's decimal position tells which side it is on.
    const std::string all = digits + fraction;
    const size_t firstSignificant = all.find_first_not_of('0');
    if (firstSignificant == std::string::npos) {
      value = 0;
      return true;
    }
    long long magnitude = static_cast<long long>(digits.size()) - static_cast<long long>(firstSignificant);
    const std::string expDigits = exponent.empty() || exponent[0] != '-' ? exponent : exponent.substr(1);
    const bool expNegative = !exponent.empty() && exponent[0] == '-';
    if (expDigits.size() > 15) return expNegative ? (value = 0, true) : false;
    const long long e = expDigits.empty() ? 0 : std::stoll(expDigits);
    magnitude += expNegative ? -e : e;
    if (magnitude > 0) return false;
    value = number[0] == '-' ? -0.0L : 0.0L;
    return true;
  }
  if (ec != std::errc() || std::isinf(result)) return false;
  value = result;
  return true;
}

long double StrToFloat(StringView text) {
  long double value = 0;
  if (!TryStrToFloat(text, value)) {
    throw EConvertError(Format(u"'%s' ist kein gültiger Gleitkommawert", {String(text)}));
  }
  return value;
}
