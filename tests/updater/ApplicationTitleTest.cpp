#include <gtest/gtest.h>

#include "platform/Program.h"

namespace {

TEST(ApplicationTitleTest, TakenFromTheExecutableName) {
  struct Case {
    const char16_t* path;
    const char16_t* title;
  };
  const Case cases[] = {
      {u"C:\\Tools\\Update.Tool.exe", u"Update"},
      {u"C:\\Fendrel\\UPDATER.EXE", u"Updater"},
      {u"/opt/fendrel/updater", u"updater"},  // the first character keeps its case
      {u"/opt/fendrel/ÄNDERN.exe", u"Ändern"},
      {u"/opt/fendrel/xÄÖÜ", u"xäöü"},
      {u"/opt/.hidden", u""},
      {u"plain", u"plain"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::ApplicationTitleFromPath(c.path), c.title) << ToUtf8(c.path);
}

// When the system does not tell the program's path, the command line's first word gives it,
// resolved against the working directory at start-up; a bare name gives nothing.
TEST(ProgramPathTest, FromTheCommandLinesFirstWord) {
  struct Case {
    const char16_t* argument0;
    const char16_t* startupDir;
    const char16_t* path;
  };
  const Case cases[] = {
      {u"/opt/fendrel/updater", u"/home/user", u"/opt/fendrel/updater"},
      {u"./updater", u"/opt/fendrel", u"/opt/fendrel/./updater"},
      {u"bin/updater", u"/opt/fendrel/", u"/opt/fendrel/bin/updater"},
      {u"../fendrel/updater", u"/opt/other", u"/opt/other/../fendrel/updater"},
      {u"updater", u"/opt/fendrel", u""},  // found on the search path: not known where
      {u"", u"/opt/fendrel", u""},
      {u"./updater", u"", u""},          // no working directory known
      {u"./updater", u"relative", u""},  // nor an absolute one
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::ProgramPathFromCommandLine(c.argument0, c.startupDir), c.path)
        << ToUtf8(c.argument0) << " in " << ToUtf8(c.startupDir);
  }
}

TEST(ProgramPathTest, TheRunningProgramsOwnDirectory) {
  const String dir = platform::ProgramDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.front(), u'/');
  EXPECT_EQ(dir.back(), u'/');
  EXPECT_EQ(platform::ProgramPath().substr(0, dir.size()), dir);
}

}  // namespace
