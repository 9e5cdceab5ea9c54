#include <gtest/gtest.h>

#include "platform/Files.h"
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
#ifdef _WIN32
  const Case cases[] = {
      {u"C:\\Fendrel\\Updater.exe", u"C:\\Users", u"C:\\Fendrel\\Updater.exe"},
      {u"\\\\server\\share\\Updater.exe", u"C:\\Users", u"\\\\server\\share\\Updater.exe"},
      {u".\\Updater.exe", u"C:\\Fendrel", u"C:\\Fendrel\\.\\Updater.exe"},
      {u"bin/Updater.exe", u"C:\\Fendrel\\", u"C:\\Fendrel\\bin/Updater.exe"},
      {u"..\\Fendrel\\Updater.exe", u"C:\\Other", u"C:\\Other\\..\\Fendrel\\Updater.exe"},
      {u"Updater.exe", u"C:\\Fendrel", u""},  // found on the search path: not known where
      {u"", u"C:\\Fendrel", u""},
      {u".\\Updater.exe", u"", u""},          // no working directory known
      {u".\\Updater.exe", u"relative", u""},  // nor an absolute one
  };
#else
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
#endif
  for (const auto& c : cases) {
    EXPECT_EQ(platform::ProgramPathFromCommandLine(c.argument0, c.startupDir), c.path)
        << ToUtf8(c.argument0) << " in " << ToUtf8(c.startupDir);
  }
}

TEST(ProgramPathTest, TheRunningProgramsOwnDirectory) {
  const String dir = platform::ProgramDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_TRUE(platform::IsAbsolutePath(dir)) << ToUtf8(dir);
  EXPECT_EQ(dir.back(), platform::PathDelim);
  EXPECT_EQ(platform::ProgramPath().substr(0, dir.size()), dir);
}

}  // namespace
