// Extraction over an installation on a small file system of its own (a tmpfs the test
// mounts, which needs root): the disk filling up while the new files are written, and
// a folder that cannot be written at all. Every entry that could not be written fails
// with its class, its target keeps its old content, and nothing is left beside it.
#include <errno.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Exception.h"
#include "support/Needs.h"
#include "support/TempDirectory.h"
#include "support/ZipWriter.h"
#include "unzip/AbUnZipper.h"

namespace {

namespace fs = std::filesystem;

struct Failure {
  std::string Name;
  TAbErrorClass Class;
  std::string Exception;
};

class SmallDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    fs::create_directory(FMount);
    const int mounted = ::mount("tmpfs", FMount.c_str(), "tmpfs", 0, "size=1m");
    FENDREL_NEEDS(mounted == 0, std::string("a tmpfs mount (") + std::strerror(errno) + ")");
    FMounted = true;
  }
  void TearDown() override {
    if (FMounted) ::umount2(FMount.c_str(), MNT_DETACH);
  }

  std::string Installed(const std::string& name) const { return FMount + "/" + name; }

  // Extracts the archive into the small file system and returns the failures.
  std::vector<Failure> Extract(const std::vector<TTestZipEntry>& entries) {
    TTestZipWriter::WriteFile(FDir / "update.zip", TTestZipWriter::Build(entries));
    TAbUnZipper unzipper;
    std::vector<Failure> failures;
    unzipper.OnProcessItemFailure = [&](TAbArchive&, TAbArchiveItem& item, TAbProcessType,
                                        TAbErrorClass errorClass, std::int32_t) {
      std::string exception;
      try {
        std::rethrow_exception(unzipper.LastItemException());
      } catch (const Exception& e) {
        exception = ToUtf8(e.ClassName());
      }
      failures.push_back({ToUtf8(item.FileName()), errorClass, exception});
    };
    unzipper.OpenArchive(FromUtf8(FDir / "update.zip"));
    unzipper.SetBaseDirectory(FromUtf8(FMount));
    unzipper.ExtractFiles(u"*");
    return failures;
  }

  int Leftovers() const {
    int n = 0;
    for (const auto& e : fs::directory_iterator(FMount))
      if (e.path().filename().string().starts_with(".fendrel-")) ++n;
    return n;
  }

  TTempDirectory FDir;
  std::string FMount = FDir / "small";
  bool FMounted = false;
};

// 1 MiB in all; the old installation takes 600 KiB of it.
TEST_F(SmallDisk, AFullDiskFailsTheEntriesThatDoNotFitAndKeepsTheirOldFiles) {
  const std::vector<std::string> names{"a.dll", "b.dll", "c.dll"};
  for (const auto& name : names) TTempDirectory::WriteFile(Installed(name), std::string(200 * 1024, 'o'));

  struct Case {
    const char* What;
    std::size_t NewSize;
    int Replaced;  // the first entries fit (together), the others do not
  };
  for (const Case& c : {Case{"no new file fits beside the old ones", 500 * 1024, 0},
                        Case{"the disk fills up after two new files", 150 * 1024, 2}}) {
    SCOPED_TRACE(c.What);
    std::vector<TTestZipEntry> entries;
    for (const auto& name : names) entries.push_back({.name = name, .data = std::string(c.NewSize, 'n')});
    const std::vector<Failure> failures = Extract(entries);
    ASSERT_EQ(failures.size(), names.size() - c.Replaced);
    for (std::size_t i = 0; i < names.size(); ++i) {
      const std::string now = TTempDirectory::ReadFile(Installed(names[i]));
      if (static_cast<int>(i) < c.Replaced) {
        EXPECT_EQ(now, std::string(c.NewSize, 'n')) << names[i];
      } else {
        EXPECT_EQ(now, std::string(200 * 1024, 'o')) << names[i];
        const Failure& failure = failures[i - c.Replaced];
        EXPECT_EQ(failure.Name, names[i]);
        EXPECT_EQ(failure.Class, TAbErrorClass::ecFilerError);
        EXPECT_EQ(failure.Exception, "EWriteError");
      }
    }
    EXPECT_EQ(Leftovers(), 0);
    for (const auto& name : names) TTempDirectory::WriteFile(Installed(name), std::string(200 * 1024, 'o'));
  }
}

TEST_F(SmallDisk, AReadOnlyFolderFailsEveryEntryAndChangesNothing) {
  TTempDirectory::WriteFile(Installed("a.dll"), "old a");
  TTempDirectory::WriteFile(Installed(".fendrel-0123456789ab.part"), "left by a killed run");
  // As root the mode bits would not stop a write: the file system itself is made read-only.
  ASSERT_EQ(::mount(nullptr, FMount.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, "size=1m"), 0)
      << std::strerror(errno);
  const std::vector<Failure> failures =
      Extract({{.name = "a.dll", .data = "new a"}, {.name = "b.dll", .data = "new b"}});
  ASSERT_EQ(failures.size(), 2u);
  for (const Failure& failure : failures) {
    EXPECT_EQ(failure.Class, TAbErrorClass::ecFileCreateError) << failure.Name;
    EXPECT_EQ(failure.Exception, "EFCreateError") << failure.Name;
  }
  EXPECT_EQ(TTempDirectory::ReadFile(Installed("a.dll")), "old a");
  EXPECT_FALSE(fs::exists(Installed("b.dll")));
  EXPECT_EQ(Leftovers(), 1);
}

}  // namespace
