// The code pages come from the system: a German Windows (and Wine under a German locale)
// has ANSI 1252 and OEM 850.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/CodePages.h"

namespace {

TEST(Win32CodePages, TheSystemPagesAreThoseOfAGermanWindows) {
  EXPECT_EQ(GetACP(), 1252u);
  EXPECT_EQ(GetOEMCP(), 850u);
  EXPECT_EQ(platform::AnsiCodePage(), 1252u);
  EXPECT_EQ(platform::OemCodePage(), 850u);
}

TEST(Win32CodePages, DecodesThroughTheSystemTables) {
  struct Case {
    std::uint32_t CodePage;
    std::string Bytes;
    String Text;
  };
  const Case cases[] = {
      {0, "\x80\xE4", u"\u20AC\u00E4"},            // the ANSI page: euro sign, a umlaut
      {1, "\x81\x9A\xE1", u"\u00FC\u00DC\u00DF"},  // the OEM page: ü, Ü, ß
      {1252, "Gr\xFC\xDF", u"Gr\u00FC\u00DF"},    {20127, "a\xE4", u"a\uFFFD"},
      {65001, "\xC3\xA4\xFF", u"\u00E4\uFFFD"},
  };
  for (const Case& c : cases) {
    String text;
    ASSERT_TRUE(platform::CodePageToUnicode(c.CodePage, c.Bytes, text)) << c.CodePage;
    EXPECT_EQ(text, c.Text) << c.CodePage;
  }
}

TEST(Win32CodePages, EncodingWritesAQuestionMarkInsteadOfALookAlike) {
  std::string bytes;
  const String text = String(u"\u00E4\u0101") + char16_t(0xD800) + u"x";
  ASSERT_TRUE(platform::UnicodeToCodePage(1252, text, bytes));
  EXPECT_EQ(bytes, "\xE4??x");
}

TEST(Win32CodePages, APageTheSystemLacksIsUnsupported) {
  String text;
  EXPECT_FALSE(platform::IsCodePageSupported(4711));
  EXPECT_FALSE(platform::CodePageToUnicode(4711, "abc", text));
  EXPECT_TRUE(text.empty());
}

}  // namespace
