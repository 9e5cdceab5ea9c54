#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "core/Exception.h"
#include "platform/Files.h"
#include "support/TempDirectory.h"

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(Files, BackslashNamesReachTheFileSystem) {
  TTempDirectory dir;
  ASSERT_TRUE(platform::CreateDir(FromUtf8(dir.Path().string() + "\\sub")));
  EXPECT_TRUE(platform::DirectoryExists(FromUtf8(dir / "sub")));
  TTempDirectory::WriteFile(dir / "sub/x.txt", "abc");
  EXPECT_TRUE(platform::FileExists(FromUtf8(dir.Path().string() + "\\sub\\x.txt")));
  EXPECT_EQ(platform::FileSizeOf(FromUtf8(dir / "sub/x.txt")), 3);
  EXPECT_EQ(platform::FileSizeOf(FromUtf8(dir / "missing")), -1);
  EXPECT_FALSE(platform::CreateDir(FromUtf8(dir / "missing/deeper")));
  EXPECT_TRUE(platform::IsAbsolutePath(u"/x"));
  EXPECT_FALSE(platform::IsAbsolutePath(u"x/y"));
}

TEST(Files, PathKindsDoNotFollowLinks) {
  TTempDirectory dir;
  TTempDirectory::WriteFile(dir / "file", "x");
  ASSERT_EQ(::symlink((dir / "file").c_str(), (dir / "link").c_str()), 0);
  ASSERT_EQ(::symlink(dir.Path().c_str(), (dir / "dirlink").c_str()), 0);
  EXPECT_EQ(platform::PathKindOf(FromUtf8(dir / "file")), platform::TPathKind::pkFile);
  EXPECT_EQ(platform::PathKindOf(FromUtf8(dir / "link")), platform::TPathKind::pkSymLink);
  EXPECT_EQ(platform::PathKindOf(FromUtf8(dir / "dirlink")), platform::TPathKind::pkSymLink);
  EXPECT_EQ(platform::PathKindOf(FromUtf8(dir.Path().string())), platform::TPathKind::pkDirectory);
  EXPECT_EQ(platform::PathKindOf(FromUtf8(dir / "none")), platform::TPathKind::pkMissing);

  EXPECT_TRUE(platform::SameFile(FromUtf8(dir / "file"), FromUtf8(dir.Path().string() + "/./dirlink/file")));
  EXPECT_TRUE(platform::SameFile(FromUtf8(dir / "file"), FromUtf8(dir / "link")));
  EXPECT_FALSE(platform::SameFile(FromUtf8(dir / "file"), FromUtf8(dir / "none")));
}

TEST(Files, ReadOnlyMeansNoWriteBitWhoeverRuns) {
  TTempDirectory dir;
  const std::string file = dir / "f";
  TTempDirectory::WriteFile(file, "x");
  ::chmod(file.c_str(), 0644);
  EXPECT_FALSE(platform::IsReadOnlyFile(FromUtf8(file)));
  EXPECT_TRUE(platform::FileSetAttr(FromUtf8(file), platform::faReadOnly | platform::faHidden));
  EXPECT_EQ(ModeOf(file), 0444u);
  EXPECT_TRUE(platform::IsReadOnlyFile(FromUtf8(file)));
  EXPECT_EQ(platform::FileGetAttr(FromUtf8(file)) & platform::faReadOnly, 1);
  // Clearing read-only gives back the owner's write bit only.
  EXPECT_TRUE(platform::FileSetAttr(FromUtf8(file), platform::faArchive));
  EXPECT_EQ(ModeOf(file), 0644u);
  // A directory keeps its write permission.
  const std::string sub = dir / "sub";
  ::mkdir(sub.c_str(), 0755);
  EXPECT_TRUE(platform::FileSetAttr(FromUtf8(sub), platform::faReadOnly | platform::faDirectory));
  EXPECT_EQ(ModeOf(sub), 0755u);
}

TEST(Files, DatesAreLocalTimes) {
  TTempDirectory dir;
  const std::string file = dir / "f";
  TTempDirectory::WriteFile(file, "x");
  const TDateTime when = EncodeDate(2024, 5, 17) + EncodeTime(12, 34, 56, 0);
  ASSERT_TRUE(platform::FileSetDate(FromUtf8(file), when));
  const TDateTimeParts parts = DecodeDateTime(platform::FileGetDate(FromUtf8(file)));
  EXPECT_EQ(parts.Year, 2024);
  EXPECT_EQ(parts.Day, 17);
  EXPECT_EQ(parts.Hour, 12);
  EXPECT_EQ(parts.Minute, 34);
  EXPECT_EQ(parts.Second, 56);
}

// Dates set one after another, as an extraction sets them, each as the system converts
// that local time on its own: the same hour with other minutes, other days and hours,
// and the hours around both changes of a zone with summer time.
TEST(Files, DatesInTurnAreEachConvertedAsTheirOwnLocalTime) {
  const char* const zone = ::getenv("TZ");
  const std::string saved = zone != nullptr ? zone : "";
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  ::tzset();
  TTempDirectory dir;
  const std::string file = dir / "f";
  TTempDirectory::WriteFile(file, "x");
  const int times[][6] = {
      {2026, 3, 29, 1, 59, 30}, {2026, 3, 29, 1, 0, 5},   {2026, 3, 29, 3, 0, 10}, {2026, 3, 29, 2, 30, 0},
      {2026, 3, 29, 3, 59, 59}, {2026, 10, 25, 2, 30, 0}, {2026, 10, 25, 3, 0, 0}, {2026, 10, 25, 12, 34, 56},
      {2026, 10, 26, 12, 0, 1}, {2027, 10, 25, 12, 0, 1},
  };
  for (const auto& t : times) {
    const TDateTime when = EncodeDate(t[0], t[1], t[2]) + EncodeTime(t[3], t[4], t[5], 0);
    ASSERT_TRUE(platform::FileSetDate(FromUtf8(file), when));
    tm local{};
    local.tm_year = t[0] - 1900;
    local.tm_mon = t[1] - 1;
    local.tm_mday = t[2];
    local.tm_hour = t[3];
    local.tm_min = t[4];
    local.tm_sec = t[5];
    local.tm_isdst = -1;
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, ::mktime(&local))
        << t[0] << "-" << t[1] << "-" << t[2] << " " << t[3] << ":" << t[4];
  }
  if (zone != nullptr)
    ::setenv("TZ", saved.c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
}

TEST(Files, ReplacementFileTouchesTheTargetOnlyOnCommit) {
  TTempDirectory dir;
  const std::string target = dir / "app.exe";
  TTempDirectory::WriteFile(target, "old");
  ::chmod(target.c_str(), 0750);
  {
    platform::TReplacementFile file(FromUtf8(target));
    file.WriteBuffer("half", 4);
    EXPECT_EQ(TTempDirectory::ReadFile(target), "old");
    EXPECT_EQ(dir.CountEntries(), 2u);
  }
  EXPECT_EQ(TTempDirectory::ReadFile(target), "old");
  EXPECT_EQ(dir.CountEntries(), 1u);
  {
    platform::TReplacementFile file(FromUtf8(target));
    file.WriteBuffer("new", 3);
    file.Commit();
  }
  EXPECT_EQ(TTempDirectory::ReadFile(target), "new");
  EXPECT_EQ(ModeOf(target), 0750u);
  EXPECT_EQ(dir.CountEntries(), 1u);
}

TEST(Files, ReplacementFileReplacesALinkInsteadOfWritingThroughIt) {
  TTempDirectory dir;
  const std::string outside = dir / "outside";
  TTempDirectory::WriteFile(outside, "keep");
  ASSERT_EQ(::symlink(outside.c_str(), (dir / "target").c_str()), 0);
  platform::TReplacementFile file(FromUtf8(dir / "target"));
  file.WriteBuffer("data", 4);
  file.Commit();
  EXPECT_EQ(TTempDirectory::ReadFile(outside), "keep");
  EXPECT_EQ(platform::PathKindOf(FromUtf8(dir / "target")), platform::TPathKind::pkFile);
  EXPECT_EQ(TTempDirectory::ReadFile(dir / "target"), "data");
}

TEST(Files, NewFilesGetExecuteBitsButNeverSetId) {
  TTempDirectory dir;
  platform::TReplacementFile file(FromUtf8(dir / "tool.sh"));
  file.SetExecuteBits(04755);
  file.Commit();
  const mode_t mode = ModeOf(dir / "tool.sh");
  EXPECT_EQ(mode & 0100, 0100u);
  EXPECT_EQ(mode & 07000, 0u);
}

// The date and attributes given before Commit arrive with the file: over an old file
// (whose permissions it keeps, less the write bits for read-only) and as a new one.
TEST(Files, ReplacementFileArrivesWithItsDateAndAttributes) {
  TTempDirectory dir;
  const std::string old = dir / "old.txt";
  TTempDirectory::WriteFile(old, "old");
  ::chmod(old.c_str(), 0750);
  const TDateTime when = EncodeDate(2024, 5, 17) + EncodeTime(12, 34, 56, 0);
  struct {
    std::string target;
    std::uint32_t executeBits;
    std::uint32_t attributes;
    mode_t expectedMode;  // under the mask 022
  } cases[] = {
      {old, 0, platform::faReadOnly | platform::faArchive, 0550},
      {dir / "new.sh", 0755, platform::faArchive, 0755},
      {dir / "new.txt", 0, platform::faReadOnly, 0444},
  };
  const mode_t mask = ::umask(022);
  for (const auto& c : cases) {
    platform::TReplacementFile file(FromUtf8(c.target));
    file.WriteBuffer("new", 3);
    file.SetExecuteBits(c.executeBits);
    file.SetDateAndAttributes(when, c.attributes);
    file.Commit();
    EXPECT_EQ(TTempDirectory::ReadFile(c.target), "new") << c.target;
    EXPECT_EQ(ModeOf(c.target), c.expectedMode) << c.target;
    const TDateTimeParts parts = DecodeDateTime(platform::FileGetDate(FromUtf8(c.target)));
    EXPECT_EQ(parts.Year, 2024) << c.target;
    EXPECT_EQ(parts.Hour, 12) << c.target;
    EXPECT_EQ(parts.Second, 56) << c.target;
  }
  ::umask(mask);
  EXPECT_EQ(dir.CountEntries(), 3u);
}

TEST(Files, ReplacementFileFailsAsACreateErrorWhenItsFolderIsMissing) {
  TTempDirectory dir;
  EXPECT_THROW(platform::TReplacementFile(FromUtf8(dir / "missing/x")), EFCreateError);
  EXPECT_EQ(dir.CountEntries(), 0u);
}

}  // namespace
