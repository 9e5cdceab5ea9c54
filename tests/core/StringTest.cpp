#include <gtest/gtest.h>

#include "core/Base64.h"
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

namespace {

TEST(Base64Of, PadsEachLengthOfTheLastGroupAndUsesTheWholeAlphabet) {
  const struct {
    std::string Bytes;
    std::string Text;
  } cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\x00\x10\x83\x10\x51\x87\x20\x92\x8b\x30\xd3\x8f\x41\x14\x93\x51\x55\x97"
                   "\x61\x96\x9b\x71\xd7\x9f\x82\x18\xa3\x92\x59\xa7\xa2\x9a\xab\xb2\xdb\xaf"
                   "\xc3\x1c\xb3\xd3\x5d\xb7\xe3\x9e\xbb\xf3\xdf\xbf",
                   48),
       "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Base64Of(reinterpret_cast<const std::uint8_t*>(c.Bytes.data()), c.Bytes.size()), c.Text)
        << c.Text;
  }
}

}  // namespace
