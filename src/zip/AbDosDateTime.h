#ifndef FENDREL_ZIP_ABDOSDATETIME_H
#define FENDREL_ZIP_ABDOSDATETIME_H

#include <cstdint>

#include "core/DateTime.h"

// An MS-DOS date and time as a point in local time. A month outside 1 to 12 or a day
// outside the month raises EConvertError "Ungültiges Argument zum Codieren des Datums"
// (checked first); an hour above 23, a minute or second above 59 raises EConvertError
// "Ungültiges Argument zum Codieren der Uhrzeit".
TDateTime AbDosFileDateToDateTime(std::uint16_t fileDate, std::uint16_t fileTime);

// The MS-DOS date and time of a point (to two seconds, years 1980 to 2107 only); false
// when the point lies outside that range.
bool AbDateTimeToDosFileDate(TDateTime value, std::uint16_t& fileDate, std::uint16_t& fileTime);

#endif
