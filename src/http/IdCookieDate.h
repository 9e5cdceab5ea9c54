#ifndef FENDREL_HTTP_IDCOOKIEDATE_H
#define FENDREL_HTTP_IDCOOKIEDATE_H

#include <cstdint>

#include "core/DateTime.h"
#include "core/String.h"

// The date of a cookie's Expires attribute, read as tolerantly as servers write it: the text
// falls into tokens at every printable ASCII character but letters, digits and ":", and the
// tokens supply, in any order, a time "h:m:s", a day of the month, a month (its first three
// letters) and a year (two to four digits; 70..99 are 1970..1999, 0..69 are 2000..2069).
// The date is UTC; the result is local time for the given offset of local time from UTC.
// False for a text that is no such date: a part missing, a time, day or year out of range
// (years before 1601 included), or a day the month does not have.
bool TryParseCookieDate(StringView text, std::int32_t utcOffsetMinutes, TDateTime& result);

// The same, 0 when the text is no date.
TDateTime ParseCookieDate(StringView text, std::int32_t utcOffsetMinutes);

#endif
