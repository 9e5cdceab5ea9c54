#include <gtest/gtest.h>

#include "core/String.h"

namespace {

TEST(StringTest, Utf8RoundTrip) {
  const String text = u"Schließe Fendrel! \u20AC \U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"ä"), "\xC3\xA4");
  // Broken input becomes replacement characters, never a crash.
  EXPECT_EQ(FromUtf8("a\xC3"), u"a\uFFFD");
  EXPECT_EQ(FromUtf8("\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(ToUtf8(String(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(StringTest, FormatAndCase) {
  EXPECT_EQ(Format(u"Socket-Fehler # %d%s", {std::int64_t{10061}, String(u"\r\nx")}),
            u"Socket-Fehler # 10061\r\nx");
  EXPECT_EQ(Format(u"100%% %s", {String(u"ok")}), u"100% ok");
  EXPECT_EQ(UpperCaseAscii(u"fendrel.exe ä"), u"FENDREL.EXE ä");
  EXPECT_EQ(LowerCaseAscii(u"UPDATER Ä"), u"updater Ä");
}

}  // namespace

namespace {

TEST(StringText, TrimmingAndCaselessComparisonTakeOnlyControlsBlanksAndAsciiLetters) {
  EXPECT_EQ(TrimText(u" \t\x01 a b \r\n"), u"a b");
  EXPECT_EQ(TrimLeftText(u"  a "), u"a ");
  EXPECT_EQ(TrimRightText(u"  a "), u"  a");
  EXPECT_EQ(TrimText(u"\u00A0a\u00A0"), u"\u00A0a\u00A0");
  EXPECT_TRUE(SameText(u"Content-Length", u"content-LENGTH"));
  EXPECT_FALSE(SameText(u"\u00C4", u"\u00E4"));
  EXPECT_FALSE(SameText(u"ab", u"abc"));
  EXPECT_TRUE(StartsText(u"text/", u"TEXT/html"));
  EXPECT_FALSE(StartsText(u"text/html", u"text"));
}

}  // namespace
