// Renaming over a file, the same on every system (the log keeps its older file that way).
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "support/TempDirectory.h"

namespace {

TEST(RenameFile, ReplacesAFileStandingAtTheNewName) {
  TTempDirectory dir;
  TTempDirectory::WriteFile(dir / "log", "new");
  TTempDirectory::WriteFile(dir / "log.1", "old");
  EXPECT_TRUE(platform::RenameFile(FromUtf8(dir / "log"), FromUtf8(dir / "log.1")));
  EXPECT_FALSE(platform::FileExists(FromUtf8(dir / "log")));
  EXPECT_EQ(TTempDirectory::ReadFile(dir / "log.1"), "new");
  EXPECT_FALSE(platform::RenameFile(FromUtf8(dir / "missing"), FromUtf8(dir / "log.1")));
  EXPECT_EQ(TTempDirectory::ReadFile(dir / "log.1"), "new");
}

}  // namespace
