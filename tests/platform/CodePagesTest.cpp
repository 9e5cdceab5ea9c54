#include <gtest/gtest.h>

#include "platform/CodePages.h"

namespace {

String Decode(std::uint32_t codePage, std::string_view bytes) {
  String result;
  EXPECT_TRUE(platform::CodePageToUnicode(codePage, bytes, result)) << codePage;
  return result;
}

TEST(CodePages, DecodesTheSystemPagesAndCommonOnes) {
  EXPECT_EQ(Decode(platform::CP_OEMCP, "\x81\x84\x94\xE1"), u"\u00FC\u00E4\u00F6\u00DF");
  EXPECT_EQ(Decode(platform::CP_ACP, "\x80\xFC"), u"\u20AC\u00FC");
  EXPECT_EQ(Decode(20127, "A\xC4"), u"A\uFFFD");
  EXPECT_EQ(Decode(28591, "\xC4"), u"\u00C4");
  EXPECT_EQ(Decode(65001, "\xC3\xA4"), u"\u00E4");
  EXPECT_EQ(Decode(20932, "\xA4\xA2"), u"\u3042");
  EXPECT_EQ(Decode(932, "\x82\xA0"), u"\u3042");
}

TEST(CodePages, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(Decode(932, "a\x82"), u"a\uFFFD");
  EXPECT_EQ(Decode(20932,
                   "\xA4\xA2\xFF"
                   "b"),
            u"\u3042\uFFFDb");
}

TEST(CodePages, UnknownPagesAreRefused) {
  String result = u"x";
  EXPECT_FALSE(platform::IsCodePageSupported(4242));
  EXPECT_FALSE(platform::CodePageToUnicode(4242, "a", result));
  EXPECT_TRUE(result.empty());
}

}  // namespace
