#include <gtest/gtest.h>

#include "zip/AbException.h"

namespace {

TEST(AbException, FixedClassesCarryTheirCodesAndTexts) {
  EXPECT_EQ(EAbZipBadCRC().ErrorCode(), 19);
  EXPECT_EQ(EAbZipBadCRC().Message(), u"Failed CRC Check");
  EXPECT_EQ(EAbZipBadCRC().ClassName(), u"EAbZipBadCRC");
  EXPECT_EQ(EAbUnhandledType().ErrorCode(), 28);
  const EAbBadStream wrapped{EReadError(SReadError)};
  EXPECT_EQ(wrapped.Message(), u"Invalid Stream\r\nStream-Lesefehler");
  EXPECT_EQ(wrapped.ErrorCode(), 17);
  ASSERT_NE(wrapped.InnerException(), nullptr);
}

}  // namespace
