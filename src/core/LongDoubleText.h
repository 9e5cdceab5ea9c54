#ifndef FENDREL_CORE_LONGDOUBLETEXT_H
#define FENDREL_CORE_LONGDOUBLETEXT_H

#include <string>
#include <system_error>

// Reads a whole number text of the form "-123.456e-7" (sign, digits, an optional "."
// and digits, an optional exponent) into an extended-precision value, rounded to
// nearest. std::errc::result_out_of_range when the value is too large or too small
// to hold, std::errc::invalid_argument when the text is not wholly such a number.
std::errc ReadLongDouble(const std::string& number, long double& value);

#endif
