#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "core/Exception.h"

namespace {

TEST(DateTime, EncodesAndDecodesCalendarPoints) {
  struct Case {
    int y, mo, d, h, mi, s, ms;
    double value;
  } cases[] = {
      {1899, 12, 30, 0, 0, 0, 0, 0.0},   {1900, 1, 1, 0, 0, 0, 0, 2.0},
      {1970, 1, 1, 0, 0, 0, 0, 25569.0}, {2000, 2, 29, 12, 0, 0, 0, 36585.5},
      {1899, 12, 29, 6, 0, 0, 0, -1.25},
  };
  for (const auto& c : cases) {
    const TDateTime date = EncodeDate(c.y, c.mo, c.d);
    const TDateTime time = EncodeTime(c.h, c.mi, c.s, c.ms);
    EXPECT_DOUBLE_EQ(c.value < 0 ? date - time : date + time, c.value) << c.y << "-" << c.mo << "-" << c.d;
    const TDateTimeParts parts = DecodeDateTime(c.value);
    EXPECT_EQ(parts.Year, c.y);
    EXPECT_EQ(parts.Month, c.mo);
    EXPECT_EQ(parts.Day, c.d);
    EXPECT_EQ(parts.Hour, c.h);
  }
  const TDateTimeParts last = DecodeDateTime(MaxDateTime());
  EXPECT_EQ(last.Year, 9999);
  EXPECT_EQ(last.Month, 12);
  EXPECT_EQ(last.Day, 31);
  EXPECT_EQ(last.Hour, 23);
  EXPECT_EQ(last.Minute, 59);
  EXPECT_EQ(last.Second, 59);
  EXPECT_EQ(last.Millisecond, 999);
}

TEST(DateTime, InvalidPartsRaiseTheRuntimesConversionErrors) {
  EXPECT_THROW(EncodeDate(2001, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(1980, 13, 1), EConvertError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
  try {
    EncodeTime(24, 0, 0, 0);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), STimeEncodeError);
  }
}

TEST(DateTime, ArithmeticSaturatesAtTheRepresentableRange) {
  EXPECT_EQ(IncSecondsSaturated(0, INT64_MAX), MaxDateTime());
  EXPECT_EQ(IncSecondsSaturated(0, INT64_MIN), MinDateTime());
  EXPECT_EQ(UnixSecondsToDateTime(86400), 25570.0);
  EXPECT_EQ(DateTimeToUnixSeconds(25570.5), 86400 + 43200);
}

}  // namespace
