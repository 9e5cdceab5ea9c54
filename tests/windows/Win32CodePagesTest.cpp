// The code pages come from the system: whatever its locale, the program's ANSI and OEM pages
// are the ones the system reports. The test scripts run Wine under a German locale, whose
// pages (ANSI 1252, OEM 850) are checked there as well.
#include <gtest/gtest.h>
#include <windows.h>

#include "core/win32/WideText.h"
#include "platform/CodePages.h"
#include "platform/Program.h"
#include "support/UnderWine.h"

namespace {

TEST(Win32CodePages, TheSystemPagesAreThoseTheSystemReports) {
  EXPECT_EQ(platform::AnsiCodePage(), GetACP());
  EXPECT_EQ(platform::OemCodePage(), GetOEMCP());
  // The pages named by the system's numbers decode as the pages they stand for.
  const std::string bytes = "\x80\x81\x9A\xE1\xE4\xFC";
  for (const auto& [system, page] : {std::pair{platform::kSystemAnsiCodePage, GetACP()},
                                     std::pair{platform::kSystemOemCodePage, GetOEMCP()}}) {
    String viaSystem;
    String viaPage;
    ASSERT_TRUE(platform::CodePageToUnicode(system, bytes, viaSystem)) << page;
    ASSERT_TRUE(platform::CodePageToUnicode(page, bytes, viaPage)) << page;
    EXPECT_EQ(viaSystem, viaPage) << page;
  }
}

TEST(Win32CodePages, WineUnderTheGermanLocaleHasTheGermanPages) {
  if (!testsupport::RunningUnderWine())
    GTEST_SKIP()
        << "Windows has the pages of its own locale; the German ones are the test scripts' Wine locale";
  EXPECT_EQ(GetACP(), 1252u);
  EXPECT_EQ(GetOEMCP(), 850u);
}

TEST(Win32CodePages, DecodesThroughTheSystemTables) {
  struct Case {
    std::uint32_t CodePage;
    std::string Bytes;
    String Text;
  };
  const Case cases[] = {
      {1252, "\x80\xE4", u"\u20AC\u00E4"},           // euro sign, a umlaut
      {850, "\x81\x9A\xE1", u"\u00FC\u00DC\u00DF"},  // ü, Ü, ß
      {1252, "Gr\xFC\xDF", u"Gr\u00FC\u00DF"},      {20127, "a\xE4", u"a\uFFFD"},
      {65001, "\xC3\xA4\xFF", u"\u00E4\uFFFD"},
  };
  for (const Case& c : cases) {
    String text;
    ASSERT_TRUE(platform::CodePageToUnicode(c.CodePage, c.Bytes, text)) << c.CodePage;
    EXPECT_EQ(text, c.Text) << c.CodePage;
  }
}

// The environment is read as the system keeps it, in UTF-16: a value with characters the ANSI
// page lacks (or holds in another byte than UTF-8) arrives whole.
TEST(Win32Environment, AVariableIsReadAsTheSystemKeepsIt) {
  const String value = u"https://b\u00FCcher.example/\u0101\u0416/\U0001F600";
  ASSERT_TRUE(SetEnvironmentVariableW(L"FENDREL_TEST_VALUE", WideText(value)));
  EXPECT_EQ(ToUtf8(platform::EnvironmentVariable(u"FENDREL_TEST_VALUE")), ToUtf8(value));
  SetEnvironmentVariableW(L"FENDREL_TEST_VALUE", nullptr);
  EXPECT_TRUE(platform::EnvironmentVariable(u"FENDREL_TEST_VALUE").empty());
  EXPECT_TRUE(platform::EnvironmentVariable(u"FENDREL_NOT_SET_ANYWHERE").empty());
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
