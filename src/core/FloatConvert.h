#ifndef FENDREL_CORE_FLOATCONVERT_H
#define FENDREL_CORE_FLOATCONVERT_H

#include "core/String.h"

// Text to an extended-precision number. Accepted: spaces, an optional sign, digits,
// optionally the decimal separator (DecimalSeparator()) and digits, optionally "E" or
// "e" with an optional sign and digits, spaces; at least one digit or the separator
// must stand before the exponent. Only the space counts as blank.
// Returns false for any other text and for a value too large to hold.
bool TryStrToFloat(StringView text, long double& value);

// As TryStrToFloat; a failure raises EConvertError "'<text>' ist kein gültiger Gleitkommawert".
long double StrToFloat(StringView text);

#endif
