// fendrel-check list, test and extract on small archives made by the test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ToolPaths.h"
#include "support/ChildProgram.h"
#include "support/SmallZip.h"
#include "support/TempDirectory.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ProgramRun;
using testsupport::ZipFixtureEntry;

// "hello" as one final stored block of a Deflate stream.
const std::string kDeflatedHello = std::string("\x01\x05\x00\xfa\xff", 5) + "hello";

ZipFixtureEntry Entry(std::string name, std::string data) {
  ZipFixtureEntry entry;
  entry.Name = std::move(name);
  entry.Data = std::move(data);
  return entry;
}

ZipFixtureEntry Folder(std::string name) {
  ZipFixtureEntry entry = Entry(std::move(name), "");
  entry.ExternalAttributes = 0x10;
  return entry;
}

ZipFixtureEntry Deflated(std::string name) {
  ZipFixtureEntry entry = Entry(std::move(name), kDeflatedHello);
  entry.Method = 8;
  entry.UncompressedSize = 5;
  entry.Crc = 0x3610A686;  // CRC-32 of "hello"
  return entry;
}

ZipFixtureEntry WithCrc(ZipFixtureEntry entry, std::uint32_t crc) {
  entry.Crc = crc;
  return entry;
}

class ArchiveCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("fendrel-check-archive-" + std::to_string(::getpid()));
    fs::remove_all(FDir);
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }

  // Writes the archive as "update.zip" in the scratch folder.
  void MakeArchive(const std::vector<ZipFixtureEntry>& entries) {
    TTempDirectory::WriteFile(FDir / "update.zip", testsupport::MakeZip(entries));
  }

  // Runs the tool in the scratch folder, so that relative names are taken from there.
  ProgramRun Check(std::vector<std::string> arguments) {
    testsupport::ProgramCall call;
    call.Program = kCheckToolPath;
    call.Arguments = std::move(arguments);
    call.WorkingDirectory = FDir.string();
    call.TimeoutMilliseconds = 30000;
    return testsupport::RunProgram(call);
  }

  fs::path FDir;
};

TEST_F(ArchiveCommands, ListGivesOneEscapedLinePerEntryInDirectoryOrder) {
  MakeArchive({Entry("fendrel.exe", "MZ program"), Folder("docs/"), Deflated("docs/LIES MICH.txt"),
               Entry("evil\x1b[2J\tname\\x", "")});
  const ProgramRun run = Check({"list", "update.zip"});
  EXPECT_EQ(run.Out,
            "0\t10\t10\t9945e522\t-\tfendrel.exe\n"
            "0\t0\t0\t00000000\td\tdocs/\n"
            "8\t10\t5\t3610a686\t-\tdocs/LIES MICH.txt\n"
            "0\t0\t0\t00000000\t-\tevil\\x1b[2J\\tname\\\\x\n");
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.ExitCode, 0);
}

// An entry with a CRC-32 its bytes do not have, and one of a method no decoder takes.
std::vector<ZipFixtureEntry> DamagedArchive() {
  ZipFixtureEntry odd = Entry("odd.bin", "????");
  odd.Method = 99;
  return {Entry("fendrel.exe", "MZ program"),
          Folder("docs/"),
          Entry("docs/readme.txt", "hello"),
          WithCrc(Entry("data.txt", "new text"), 0x12345678),
          Entry("", "nameless"),
          Entry("../up.txt", "up"),
          odd};
}

TEST_F(ArchiveCommands, TestChecksEachEntryOnItsOwn) {
  MakeArchive(DamagedArchive());
  const ProgramRun run = Check({"test", "update.zip"});
  EXPECT_EQ(run.Out,
            "ok\tfendrel.exe\n"
            "ok\tdocs/\n"
            "ok\tdocs/readme.txt\n"
            "fail\tdata.txt\tEAbZipBadCRC: Failed CRC Check\n"
            "ok\t\n"
            "ok\t../up.txt\n"
            "fail\todd.bin\tEAbZipInvalidMethod: Cannot extract file - unsupported compression method\n");
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.ExitCode, 1);

  MakeArchive({Entry("fendrel.exe", "MZ program"), Entry("readme.txt", "hello")});
  const ProgramRun sound = Check({"test", "update.zip", "--password", "-unused"});
  EXPECT_EQ(sound.Out, "ok\tfendrel.exe\nok\treadme.txt\n");
  EXPECT_EQ(sound.ExitCode, 0);
}

// Three records over one entry and one beside them: the first record's entry passes and is
// written, the others are refused on their own lines, in test as in extract.
TEST_F(ArchiveCommands, EntriesOverAnotherEntryFailOnTheirOwnLines) {
  const ziptest::Entry shared("one.txt", "shared data");
  const ziptest::Entry beside("beside.txt", "beside");
  const std::string data = ziptest::LocalHeader(shared) + shared.data;
  const auto besideOffset = static_cast<std::uint32_t>(data.size());
  TTempDirectory::WriteFile(FDir / "update.zip",
                            ziptest::BuildZipOverData(data + ziptest::LocalHeader(beside) + beside.data,
                                                      {{shared, 0},
                                                       {ziptest::Entry("two.txt", shared.data), 0},
                                                       {beside, besideOffset},
                                                       {ziptest::Entry("three.txt", shared.data), 0}}));
  const std::string refused =
      "EAbZipOverlappingEntry: Cannot extract file - data overlaps another entry or the directory\n";
  const std::string lines =
      "ok\tone.txt\nfail\ttwo.txt\t" + refused + "ok\tbeside.txt\nfail\tthree.txt\t" + refused;
  for (const char* command : {"test", "extract"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> arguments{command, "update.zip"};
    if (std::string(command) == "extract") arguments.push_back("out");
    const ProgramRun run = Check(arguments);
    EXPECT_EQ(run.Out, lines);
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.ExitCode, 1);
  }
  EXPECT_EQ(TTempDirectory::ReadFile(FDir / "out/one.txt"), "shared data");
  EXPECT_EQ(TTempDirectory::ReadFile(FDir / "out/beside.txt"), "beside");
  EXPECT_FALSE(fs::exists(FDir / "out/two.txt"));
  EXPECT_FALSE(fs::exists(FDir / "out/three.txt"));
}

TEST_F(ArchiveCommands, ExtractReportsEveryEntryAndKeepsTheOldFileOfAFailedOne) {
  MakeArchive(DamagedArchive());
  for (const bool restorePaths : {false, true}) {
    const fs::path target = FDir / (restorePaths ? "kept" : "bare");
    fs::create_directories(target);
    TTempDirectory::WriteFile(target / "data.txt", "old text");
    std::vector<std::string> arguments{"extract", "update.zip", target.filename().string()};
    if (restorePaths) arguments.push_back("--restore-paths");
    const ProgramRun run = Check(arguments);
    // A folder entry is passed over without kept paths, as is the nameless entry, which
    // no mask selects; a path leaving the target is refused only where paths are kept.
    EXPECT_EQ(
        run.Out,
        std::string("ok\tfendrel.exe\n") + (restorePaths ? "ok" : "skip") +
            "\tdocs/\n"
            "ok\tdocs/readme.txt\n"
            "fail\tdata.txt\tEAbZipBadCRC: Failed CRC Check\n"
            "skip\t\n" +
            (restorePaths ? "fail\t../up.txt\tEAbZipUnsafePath: Cannot extract file - path leaves the "
                            "target directory\n"
                          : "ok\t../up.txt\n") +
            "fail\todd.bin\tEAbZipInvalidMethod: Cannot extract file - unsupported compression method\n");
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(TTempDirectory::ReadFile(target / "data.txt"), "old text");
    EXPECT_EQ(TTempDirectory::ReadFile(target / "fendrel.exe"), "MZ program");
    EXPECT_EQ(TTempDirectory::ReadFile(target / (restorePaths ? "docs/readme.txt" : "readme.txt")), "hello");
    EXPECT_EQ(fs::exists(target / "docs"), restorePaths);
    EXPECT_EQ(fs::exists(target / "up.txt"), !restorePaths);
    EXPECT_FALSE(fs::exists(FDir / "up.txt"));
  }
  // The target folder is made when it is missing.
  const ProgramRun fresh = Check({"extract", "update.zip", "new/deeper"});
  EXPECT_EQ(fresh.ExitCode, 1);
  EXPECT_EQ(TTempDirectory::ReadFile(FDir / "new/deeper/fendrel.exe"), "MZ program");
}

// A stored date that is no date: the file is written and keeps the time of writing; the
// line says so and counts as ok.
TEST_F(ArchiveCommands, ExtractNamesADateThatCouldNotBeApplied) {
  ZipFixtureEntry dated = Entry("dated.txt", "text");
  dated.DosDate = (45 << 9) | (13 << 5) | 10;  // month 13
  MakeArchive({dated, Entry("plain.txt", "text")});
  const ProgramRun run = Check({"extract", "update.zip", "out"});
  EXPECT_EQ(run.Out, "ok\tdated.txt\tdate: Ungültiges Argument zum Codieren des Datums\nok\tplain.txt\n");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(TTempDirectory::ReadFile(FDir / "out/dated.txt"), "text");
}

TEST_F(ArchiveCommands, AnArchiveThatCannotBeOpenedExitsWithTwo) {
  TTempDirectory::WriteFile(FDir / "not-a-zip.zip", "This is no archive at all.");
  struct Case {
    std::vector<std::string> arguments;
    std::string err;
  };
  const Case cases[] = {
      {{"list", "missing.zip"}, "EAbFileNotFound: File not found\n"},
      {{"test", "not-a-zip.zip"}, "EAbUnhandledType: Unhandled Archive Type\n"},
      {{"extract", "not-a-zip.zip", "out"}, "EAbUnhandledType: Unhandled Archive Type\n"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = Check(c.arguments);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, c.err);
    EXPECT_EQ(run.ExitCode, 2);
  }
  // Nothing is made for an archive that cannot be opened.
  EXPECT_FALSE(fs::exists(FDir / "out"));
}

}  // namespace
