#include "zip/AbDosDateTime.h"

TDateTime AbDosFileDateToDateTime(std::uint16_t fileDate, std::uint16_t fileTime) {
  const int year = 1980 + (fileDate >> 9);
  const int month = (fileDate >> 5) & 0x0F;
  const int day = fileDate & 0x1F;
  const int hour = fileTime >> 11;
  const int minute = (fileTime >> 5) & 0x3F;
  const int second = (fileTime & 0x1F) * 2;
  const TDateTime date = EncodeDate(year, month, day);
  return date + EncodeTime(hour, minute, second, 0);
}

bool AbDateTimeToDosFileDate(TDateTime value, std::uint16_t& fileDate, std::uint16_t& fileTime) {
  const TDateTimeParts parts = DecodeDateTime(value);
  if (parts.Year < 1980 || parts.Year > 2107) return false;
  fileDate = static_cast<std::uint16_t>(((parts.Year - 1980) << 9) | (parts.Month << 5) | parts.Day);
  fileTime = static_cast<std::uint16_t>((parts.Hour << 11) | (parts.Minute << 5) | (parts.Second / 2));
  return true;
}
