// The staged installation on Windows: the new files are written beside their targets
// and take their places only after every entry was written; a target that a running
// program holds fails alone after the others and keeps its old file; what a killed run
// left beside the targets is removed by the next extraction.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/Exception.h"
#include "core/win32/WideText.h"
#include "support/TempDirectory.h"
#include "support/ZipWriter.h"
#include "unzip/AbUnZipper.h"

namespace {

struct Failure {
  std::string Name;
  TAbErrorClass Class;
};

int Leftovers(const TTempDirectory& dir) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
    if (e.path().filename().string().starts_with(".fendrel-")) ++n;
  return n;
}

TEST(Win32StagedExtraction, TargetsChangeOnlyAfterEveryEntryAndAHeldOneFailsAlone) {
  TTempDirectory dir;
  for (const char* name : {"a.dll", "fendrel.exe", "c.txt"}) TTempDirectory::WriteFile(dir / name, "old");
  TTempDirectory::WriteFile(dir / ".fendrel-0123456789ab.part", "left by a killed run");
  TTempDirectory::WriteFile(dir / ".fendrel-keep.part", "not of that pattern");
  TTestZipWriter::WriteFile(dir / "update.zip",
                            TTestZipWriter::Build({{.name = "a.dll", .data = "new a"},
                                                   {.name = "fendrel.exe", .data = "new exe"},
                                                   {.name = "bad.txt", .data = "x", .crc = 1},
                                                   {.name = "c.txt", .data = "new c"}}));
  // A running program's image is open for reading and may not be replaced.
  const HANDLE running = CreateFileW(WideText(FromUtf8(dir / "fendrel.exe")), GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(running, INVALID_HANDLE_VALUE);

  TAbUnZipper unzipper;
  std::vector<Failure> failures;
  std::vector<std::string> seen;
  unzipper.OnProcessItemFailure = [&](TAbArchive&, TAbArchiveItem& item, TAbProcessType,
                                      TAbErrorClass errorClass, std::int32_t) {
    failures.push_back({ToUtf8(item.FileName()), errorClass});
  };
  unzipper.OpenArchive(FromUtf8(dir / "update.zip"));
  unzipper.SetBaseDirectory(FromUtf8(dir.Path().string()));
  // Set after opening, which reports progress of its own.
  unzipper.OnArchiveProgress = [&](TAbArchive&, std::uint8_t, bool&) {
    seen.push_back(TTempDirectory::ReadFile(dir / "a.dll") + TTempDirectory::ReadFile(dir / "c.txt"));
  };
  unzipper.ExtractFiles(u"*");
  CloseHandle(running);

  EXPECT_EQ(seen, (std::vector<std::string>{"oldold", "oldold", "oldold", "oldold", "new anew c"}));
  EXPECT_EQ(TTempDirectory::ReadFile(dir / "fendrel.exe"), "old");
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_EQ(failures[0].Name, "bad.txt");
  EXPECT_EQ(failures[1].Name, "fendrel.exe");
  EXPECT_EQ(failures[1].Class, TAbErrorClass::ecFileCreateError);
  // The killed run's file is gone, the other stays; the new files left nothing behind.
  EXPECT_FALSE(std::filesystem::exists(dir / ".fendrel-0123456789ab.part"));
  EXPECT_EQ(Leftovers(dir), 1);
}

// The kill test (tests/tools/KillDuringExtractTest.cpp) ends fendrel-check at chosen calls
// through a library the POSIX loader preloads; the small-disk test
// (tests/unzip/SmallDiskTest.cpp) mounts a tmpfs. Neither has a counterpart here.
TEST(Win32StagedExtraction, AKillAtAChosenCall) {
  GTEST_SKIP() << "ending a program at a chosen call needs a preloaded library (LD_PRELOAD), which "
                  "Windows and Wine do not offer";
}

TEST(Win32StagedExtraction, AFullOrReadOnlyDisk) {
  GTEST_SKIP() << "a small or read-only file system needs a mount, which Wine's drives (host "
                  "folders) cannot be given from a test";
}

}  // namespace
