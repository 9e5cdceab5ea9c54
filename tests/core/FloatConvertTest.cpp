#include <gtest/gtest.h>

#include <cfloat>

#include "core/Exception.h"
#include "core/FloatConvert.h"
#include "core/FormatSettings.h"

namespace {

class FloatConvertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = DecimalSeparator();
    SetDecimalSeparator(u'.');
  }
  void TearDown() override { SetDecimalSeparator(saved_); }
  char16_t saved_ = u'.';
};

struct Accepted {
  const char16_t* text;
  long double value;
};

TEST_F(FloatConvertTest, AcceptsTheGrammar) {
  const Accepted cases[] = {
      {u"1.5", 1.5L},    {u"2", 2.0L},        {u"  2.0  ", 2.0L}, {u"+3.25", 3.25L},
      {u"-0.5", -0.5L},  {u"1.", 1.0L},       {u".5", 0.5L},      {u".", 0.0L},
      {u"1e3", 1000.0L}, {u"1E+2", 100.0L},   {u"25e-1", 2.5L},   {u"1.5E", 1.5L},
      {u"007", 7.0L},    {u"1e-99999", 0.0L}, {u"0e99999", 0.0L}, {u"1.10", 1.1L},
  };
  for (const auto& c : cases) {
    long double value = -1;
    EXPECT_TRUE(TryStrToFloat(c.text, value)) << ToUtf8(c.text);
    EXPECT_EQ(value, c.value) << ToUtf8(c.text);
  }
}

TEST_F(FloatConvertTest, RejectsEverythingElse) {
  const char16_t* cases[] = {
      u"",      u"   ",  u"2.0\r\n", u"\t2.0", u"2.0\n", u"1,5", u"+",    u"-",       u"e5",      u"+e5",
      u"1.5.2", u"1 .5", u"1e5e5",   u"abc",   u"++1",   u"1x",  u"0x10", u"1e99999", u"2\u00A0", u"\u0661",
  };
  for (const char16_t* text : cases) {
    long double value = 0;
    EXPECT_FALSE(TryStrToFloat(text, value)) << ToUtf8(text);
  }
}

TEST_F(FloatConvertTest, KeepsExtendedPrecision) {
  // Two versions that differ beyond double precision still compare as different.
  EXPECT_LT(StrToFloat(u"1.00000000000000001"), StrToFloat(u"1.00000000000000002"));
  EXPECT_EQ(LDBL_MANT_DIG, 64);
}

TEST_F(FloatConvertTest, FailureNamesTheWholeText) {
  try {
    StrToFloat(u"2.0\r\n");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"'2.0\r\n' ist kein gültiger Gleitkommawert");
  }
}

TEST_F(FloatConvertTest, UsesTheProcessWideSeparator) {
  // A German locale's comma: "1.5" fails until the separator is set to ".".
  SetDecimalSeparator(u',');
  long double value = 0;
  EXPECT_FALSE(TryStrToFloat(u"1.5", value));
  EXPECT_TRUE(TryStrToFloat(u"1,5", value));
  EXPECT_EQ(value, 1.5L);
  SetDecimalSeparator(u'.');
  EXPECT_EQ(StrToFloat(u"1.5"), 1.5L);
}

}  // namespace
