#ifndef FENDREL_HTTP_IDHTTPDATE_H
#define FENDREL_HTTP_IDHTTPDATE_H

#include <cstdint>

#include "core/DateTime.h"
#include "core/String.h"

// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT", the older "Sunday, 06-Nov-94 08:49:37 GMT",
// or "Sun Nov  6 08:49:37 1994"), with an optional numeric zone such as "+0200", as local time
// for the given offset of local time from UTC; 0 when the text is no such date.
TDateTime HttpDateToLocal(StringView text, std::int32_t utcOffsetMinutes);

// A local time written as an HTTP date in GMT: "Sun, 06 Nov 1994 08:49:37 GMT".
String LocalToHttpDate(TDateTime local, std::int32_t utcOffsetMinutes);

// A decimal integer with an optional sign and surrounding blanks; false when the text is none
// or does not fit into 64 bits.
bool TryParseInt64(StringView text, std::int64_t& value);

#endif
