#include <gtest/gtest.h>

#include "codecs/AbPercent.h"
#include "unzip/AbExtractFailures.h"
#include "unzip/AbExtractRules.h"

namespace {

using namespace abunzip;

struct MaskCase {
  const char16_t* name;
  bool isDirectory;
  const char16_t* mask;
  bool matches;
};

TEST(AbExtractRules, MasksSelectEntriesByFolderAndName) {
  const MaskCase cases[] = {
      {u"app.exe", false, u"*", true},
      {u"data/config.ini", false, u"*", true},
      {u"data/", true, u"*", true},
      {u"", false, u"*", false},
      {u"readme", false, u"*.*", true},
      {u"data/config.ini", false, u"*.ini", true},
      {u"data/config.ini", false, u"*.txt", false},
      {u"data/config.ini", false, u"data\\config.ini", true},
      {u"data/config.ini", false, u"data/config.ini", true},
      {u"config.ini", false, u"data\\config.ini", false},
      {u"data/config.ini", false, u"C:\\config.ini", true},
      {u"config.ini", false, u"C:\\config.ini", true},
      {u"sub/data/config.ini", false, u"data\\config.ini", false},
      {u"sub/data/config.ini", false, u"*\\data\\config.ini", true},
      {u"data/config.ini", false, u"\\\\server\\share\\data\\*", true},
      {u"DATA/Config.INI", false, u"data\\config.ini", true},
      {u"Grüße.txt", false, u"grüße.txt", true},
      {u"GRÜSSE.TXT", false, u"grüsse.txt", false},
      {u"abc", false, u"a?c", true},
      {u"ac", false, u"a?c", false},
      {u"abc", false, u"a*", true},
      {u"abc", false, u"*c", true},
      {u"abc", false, u"*x", false},
      {u"aXbXc", false, u"*X*c", true},
      {u"a.b.c", false, u"*.c", true},
      {u"app.exe", false, u"", false},
      {u"app.exe", false, u"  ;  ", false},
      {u"app.exe", false, u"*.txt; *.exe ", true},
      {u"notes.txt", false, u" *.exe;\t*.txt", true},
      {u"notes.doc", false, u"*.exe;*.txt", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesStoredNameEx(c.name, c.isDirectory, c.mask), c.matches)
        << ToUtf8(c.name) << " against " << ToUtf8(c.mask);
  }
}

TEST(AbExtractRules, WildcardPatternWithManyStarsStaysLinear) {
  const String text(4000, u'A');
  String pattern;
  for (int i = 0; i < 200; ++i) pattern += u"*A";
  pattern += u"B";
  EXPECT_FALSE(MatchesWildcard(text, pattern));
}

struct TargetCase {
  StringView name;
  bool isDirectory;
  bool restorePath;
  const char16_t* target;  // nullptr: refused
  int errorCode;
};

TEST(AbExtractRules, TargetNamesAndRefusals) {
  const TargetCase cases[] = {
      // Bare names with the defaults.
      {u"app.exe", false, false, u"app.exe", 0},
      {u"data/config.ini", false, false, u"config.ini", 0},
      {u"../../evil.txt", false, false, u"evil.txt", 0},
      {u"/abs/x.txt", false, false, u"x.txt", 0},
      {u"C:/x.dll", false, false, u"x.dll", 0},
      {u"C:x.dll", false, false, u"x.dll", 0},
      {u"dir\\back\\slash.txt", false, false, u"slash.txt", 0},
      {u"CON/x.txt", false, false, u"x.txt", 0},
      // Names that cannot be files.
      {u"..", false, false, nullptr, 101},
      {u"a/.", false, false, nullptr, 101},
      {u"a/", false, false, nullptr, 101},
      {u"x:", false, false, nullptr, 101},
      {StringView(u"bad\0name.txt", 12), false, false, nullptr, 101},
      {u"tab\there.txt", false, false, nullptr, 101},
      {u"line\nbreak", false, true, nullptr, 101},
      {u"aux.txt", false, false, nullptr, 101},
      {u"Con", false, false, nullptr, 101},
      {u"nul .txt", false, false, nullptr, 101},
      {u"com7.log", false, false, nullptr, 101},
      {u"LPT0", false, false, nullptr, 101},
      {u"COM\u00B9", false, false, nullptr, 101},
      {u"com\u00B2.txt", false, false, nullptr, 101},
      {u"Com\u00B3 .log", false, false, nullptr, 101},
      {u"LPT\u00B9.dat", false, false, nullptr, 101},
      {u"lpt\u00B2", false, false, nullptr, 101},
      {u"lpt\u00B3.tar.gz", false, false, nullptr, 101},
      {u"sub/COM\u00B9.txt", false, true, nullptr, 101},
      {u"trailing.", false, false, nullptr, 101},
      {u"trailing ", false, false, nullptr, 101},
      {u"console.txt", false, false, u"console.txt", 0},
      {u"com10", false, false, u"com10", 0},
      {u"COM\u2070.txt", false, false, u"COM\u2070.txt", 0},
      {u"LPT\u2074", false, false, u"LPT\u2074", 0},
      {u"COM\u00B9\u00B9", false, false, u"COM\u00B9\u00B9", 0},
      // Stored folders kept.
      {u"data/config.ini", false, true, u"data\\config.ini", 0},
      {u"deep/x/y/", true, true, u"deep\\x\\y", 0},
      {u"./a/./b.txt", false, true, u"a\\b.txt", 0},
      {u"../../evil.txt", false, true, nullptr, 102},
      {u"a/../../up.txt", false, true, nullptr, 102},
      {u"a//b.txt", false, true, nullptr, 102},
      {u"/abs/x.txt", false, true, nullptr, 102},
      {u"\\abs\\x.txt", false, true, nullptr, 102},
      {u"C:/x.dll", false, true, nullptr, 102},
      {u"a/b:c.txt", false, true, nullptr, 102},
      {u"CON/x.txt", false, true, nullptr, 101},
      {u"dir./x.txt", false, true, nullptr, 101},
  };
  for (const auto& c : cases) {
    const std::string label = ToUtf8(c.name) + (c.restorePath ? " (paths kept)" : "");
    if (c.target != nullptr) {
      EXPECT_EQ(ToUtf8(EntryTargetName(c.name, c.isDirectory, c.restorePath)), ToUtf8(c.target)) << label;
      continue;
    }
    try {
      EntryTargetName(c.name, c.isDirectory, c.restorePath);
      ADD_FAILURE() << label << " was accepted";
    } catch (const EAbZipException& e) {
      EXPECT_EQ(e.ErrorCode(), c.errorCode) << label;
    }
  }
}

TEST(AbExtractRules, BaseDirectoryAndDirectoryParts) {
  EXPECT_EQ(JoinBaseDirectory(u"", u"app.exe"), u"app.exe");
  EXPECT_EQ(JoinBaseDirectory(u"C:\\Target", u"data\\x"), u"C:\\Target\\data\\x");
  EXPECT_EQ(JoinBaseDirectory(u"C:\\", u"x"), u"C:\\x");
  EXPECT_EQ(JoinBaseDirectory(u"C:", u"x"), u"C:x");
  EXPECT_EQ(JoinBaseDirectory(u"/tmp/t/", u"x"), u"/tmp/t/x");

  EXPECT_EQ(DirectoryPartOf(u"app.exe"), u"");
  EXPECT_EQ(DirectoryPartOf(u"C:\\Target\\data\\x"), u"C:\\Target\\data");
  EXPECT_EQ(DirectoryPartOf(u"C:\\x"), u"C:\\");
  EXPECT_EQ(DirectoryPartOf(u"C:x"), u"C:");
  EXPECT_EQ(DirectoryPartOf(u"/x"), u"/");
  EXPECT_EQ(DirectoryPartOf(u"/tmp/t\\data\\x"), u"/tmp/t\\data");

  EXPECT_EQ(NormalizeBaseDirectory(u"C:\\Data\\"), u"C:\\Data");
  EXPECT_EQ(NormalizeBaseDirectory(u"C:\\"), u"C:\\");
  EXPECT_EQ(NormalizeBaseDirectory(u"\\"), u"\\");
  EXPECT_EQ(NormalizeBaseDirectory(u"/tmp/x/"), u"/tmp/x");
  EXPECT_EQ(NormalizeBaseDirectory(u""), u"");
}

TEST(AbExtractRules, PercentOfScalesLargeTotals) {
  EXPECT_EQ(AbPercentOf(0, 0), 0);
  EXPECT_EQ(AbPercentOf(5, -1), 0);
  EXPECT_EQ(AbPercentOf(1, 3), 33);
  EXPECT_EQ(AbPercentOf(3, 3), 100);
  EXPECT_EQ(AbPercentOf(4, 3), 100);
  // 20,000,000 scales to 78,125; 10,000,000 to 39,063.
  EXPECT_EQ(AbPercentOf(10000000, 20000000), 39063 * 100 / 78125);
  // Far beyond 32 bits the figures stay right.
  EXPECT_EQ(AbPercentOf(std::int64_t{3} << 40, std::int64_t{4} << 40), 75);
}

}  // namespace
