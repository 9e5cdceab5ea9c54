#include <gtest/gtest.h>

#include "platform/CodePages.h"

namespace {

String Decode(std::uint32_t codePage, std::string_view bytes) {
  String result;
  EXPECT_TRUE(platform::CodePageToUnicode(codePage, bytes, result)) << codePage;
  return result;
}

TEST(CodePages, DecodesTheSystemPagesAndCommonOnes) {
  EXPECT_EQ(Decode(platform::kSystemOemCodePage, "\x81\x84\x94\xE1"), u"\u00FC\u00E4\u00F6\u00DF");
  EXPECT_EQ(Decode(platform::kSystemAnsiCodePage, "\x80\xFC"), u"\u20AC\u00FC");
  EXPECT_EQ(Decode(20127, "A\xC4"), u"A\uFFFD");
  EXPECT_EQ(Decode(28591, "\xC4"), u"\u00C4");
  EXPECT_EQ(Decode(65001, "\xC3\xA4"), u"\u00E4");
  EXPECT_EQ(Decode(20932, "\xA4\xA2"), u"\u3042");
  EXPECT_EQ(Decode(932, "\x82\xA0"), u"\u3042");
}

// An invalid or cut character takes one replacement character and the text after it stays.
// It is U+FFFD here; Windows writes the page's own default character, as every program
// there gets it from the system (U+30FB in 932; the one of 20932 differs between versions).
TEST(CodePages, InvalidBytesBecomeReplacementCharacters) {
#ifdef _WIN32
  EXPECT_EQ(Decode(932, "a\x82"), u"a\u30FB");
  const String euc = Decode(20932,
                            "\xA4\xA2\xFF"
                            "b");
  ASSERT_EQ(euc.size(), 3u);
  EXPECT_EQ(euc[0], u'\u3042');
  EXPECT_NE(euc[1], u'b');
  EXPECT_EQ(euc[2], u'b');
#else
  EXPECT_EQ(Decode(932, "a\x82"), u"a\uFFFD");
  EXPECT_EQ(Decode(20932,
                   "\xA4\xA2\xFF"
                   "b"),
            u"\u3042\uFFFDb");
#endif
}

TEST(CodePages, UnknownPagesAreRefused) {
  String result = u"x";
  EXPECT_FALSE(platform::IsCodePageSupported(4242));
  EXPECT_FALSE(platform::CodePageToUnicode(4242, "a", result));
  EXPECT_TRUE(result.empty());
}

}  // namespace

namespace {

TEST(CodePages, DecodesThePagesOfTheCharsetNames) {
  const struct {
    std::uint32_t CodePage;
    std::string_view Bytes;
    std::u16string_view Text;
  } cases[] = {
      {37, "\xC8\x89", u"Hi"},
      {1140, "\x9F", u"\u20AC"},
      {20273, "\x4A", u"\u00C4"},
      {874, "\xA1", u"\u0E01"},
      {936, "\xC4\xE3", u"\u4F60"},
      {949, "\xB0\xA1", u"\uAC00"},
      {950, "\xA4\xA4", u"\u4E2D"},
      {1361, "\x88\x61", u"\uAC00"},
      {10000, "\x8A", u"\u00E4"},
      {20866, "\xF0", u"\u041F"},
      {21866, "\xA4", u"\u0454"},
      {28605, "\xA4", u"\u20AC"},
      {38598, "\xE0", u"\u05D0"},
      {50220, "\x1B$B$\"\x1B(Bx", u"\u3042x"},
      {50221, "\x1B(I\x31\x1B(B", u"\uFF71"},
      {50225, "\x1B$)C\x0E\x30\x21\x0F", u"\uAC00"},
      {51949, "\xB0\xA1", u"\uAC00"},
      {54936, "\x81\x30\x81\x30", u"\u0080"},
      {65000, "+AOQ-", u"\u00E4"},
  };
  for (const auto& c : cases) {
#ifdef _WIN32
    // The system's own tables: a page it lacks (Wine has no EBCDIC 1140, no ISO-2022 and no
    // GB18030, for example) is refused, never decoded by another page's rules.
    if (!platform::IsCodePageSupported(c.CodePage)) {
      String result = u"x";
      EXPECT_FALSE(platform::CodePageToUnicode(c.CodePage, c.Bytes, result)) << c.CodePage;
      EXPECT_TRUE(result.empty()) << c.CodePage;
      continue;
    }
#endif
    EXPECT_EQ(Decode(c.CodePage, c.Bytes), c.Text) << c.CodePage;
  }
}

TEST(CodePages, EncodesWithAQuestionMarkForWhatThePageLacks) {
  const struct {
    std::uint32_t CodePage;
    std::u16string_view Text;
    std::string_view Bytes;
  } cases[] = {
      {1252, u"\u20AC\u00E4\u4E2D", "\x80\xE4?"},
      {20127, u"a\u00E4", "a?"},
      {28591, u"\u00E4\u20AC", "\xE4?"},
      {65001, u"\u00E4", "\xC3\xA4"},
      {37, u"Hi", "\xC8\x89"},
      {54936, u"\U0001F600", "\x94\x39\xFC\x36"},
      {932,
       u"a\xD800"
       u"b\U0001F600",
       "a?b?"},
      // A stateful page leaves its shift state before the "?" and at the end.
      {50220, u"\u3042\u00E4", "\x1B$B$\"\x1B(B?"},
      {50220, u"\u3042", "\x1B$B$\"\x1B(B"},
  };
  for (const auto& c : cases) {
    std::string bytes;
#ifdef _WIN32
    if (!platform::IsCodePageSupported(c.CodePage)) {
      bytes = "x";
      EXPECT_FALSE(platform::UnicodeToCodePage(c.CodePage, c.Text, bytes)) << c.CodePage;
      EXPECT_TRUE(bytes.empty()) << c.CodePage;
      continue;
    }
#endif
    EXPECT_TRUE(platform::UnicodeToCodePage(c.CodePage, c.Text, bytes)) << c.CodePage;
    EXPECT_EQ(bytes, c.Bytes) << c.CodePage;
  }
  std::string bytes = "x";
  EXPECT_FALSE(platform::UnicodeToCodePage(4242, u"a", bytes));
  EXPECT_TRUE(bytes.empty());
}

}  // namespace
