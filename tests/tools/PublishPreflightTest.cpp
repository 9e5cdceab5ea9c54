// publish and preflight of the real fendrel-check: a release made from a folder, served by
// nginx on 127.0.0.1, and run through the updater's sequence into a scratch copy.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "ToolPaths.h"
#include "support/ChildProgram.h"
#include "support/PeerServers.h"
#include "support/TempDirectory.h"
#include "support/ZipBuilder.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ProgramRun;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class PublishAndPreflight : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(FDir.Path() / "tmp");
    ASSERT_EQ(Check({"keygen", "secret.key", "public.key"}).ExitCode, 0);
    ASSERT_EQ(Check({"keygen", "other.key", "other.pub"}).ExitCode, 0);
  }

  // The tool in the test's folder; its temporary folders go below "tmp".
  ProgramRun Check(std::vector<std::string> arguments) const {
    testsupport::ProgramCall call;
    call.Program = kCheckToolPath;
    call.Arguments = std::move(arguments);
    call.WorkingDirectory = FDir.Path().string();
    call.Environment = {{"TMPDIR", FDir / "tmp"}};
    call.TimeoutMilliseconds = 60000;
    return testsupport::RunProgram(call);
  }

  // Writes a file below the test's folder, creating its folders, dated 2001-02-03 04:05:06.
  void Write(const std::string& relative, const std::string& content, mode_t mode = 0644) const {
    const fs::path path = FDir.Path() / relative;
    fs::create_directories(path.parent_path());
    TTempDirectory::WriteFile(path.string(), content);
    ::chmod(path.c_str(), mode);
    std::tm date{};
    date.tm_year = 101;
    date.tm_mon = 1;
    date.tm_mday = 3;
    date.tm_hour = 4;
    date.tm_min = 5;
    date.tm_sec = 6;
    date.tm_isdst = -1;
    const utimbuf times{std::mktime(&date), std::mktime(&date)};
    ::utime(path.c_str(), &times);
  }
  std::string Read(const std::string& relative) const { return TTempDirectory::ReadFile(FDir / relative); }
  bool Exists(const std::string& relative) const { return fs::exists(FDir.Path() / relative); }

  // The application's next version, of which the installation holds a part.
  void WriteRelease(const std::string& folder) const {
    Write(folder + "/fendrel.exe", "MZ the new program", 0755);
    Write(folder + "/LIESMICH.txt", "Fendrel! 1.5\n");
    Write(folder + "/data/lang.txt", "de\n");
  }

  TTempDirectory FDir;
};

// Each entry's name, date and Unix mode as python's zipfile reads them.
std::string EntryFacts(const std::string& archive) {
  testsupport::ProgramCall call;
  call.Program = testsupport::FindProgram("python3");
  call.Arguments = {
      "-c",
      "import sys, zipfile\n"
      "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
      "  print(i.filename, '%04d-%02d-%02d %02d:%02d:%02d' % i.date_time, oct(i.external_attr >> 16), "
      "i.compress_type, len(i.extra))\n",
      archive};
  return testsupport::RunProgram(call).Out;
}

TEST_F(PublishAndPreflight, APublishedReleasePassesPreflightAgainstAPartOfTheOldVersion) {
  ASSERT_FALSE(testsupport::FindProgram("python3").empty()) << "python3 is needed";
  ASSERT_TRUE(testsupport::NginxServer::Available()) << "nginx is needed";
  WriteRelease("release");
  Write("installed/fendrel.exe", "MZ the old program");
  Write("installed/LIESMICH.txt", "Fendrel! 1.5\n");
  Write("installed/settings.ini", "kept\n");
  testsupport::ScratchFolder server("fendrel-publish-");
  const std::string site = server.Path() + "/www";

  const ProgramRun publish = Check({"publish", "release", "1.5", "--key", "secret.key", "--out", site});
  ASSERT_EQ(publish.ExitCode, 0) << publish.Out << publish.Err;
  EXPECT_EQ(publish.Err, "");
  // Sorted by the names' bytes, each file at the top level.
  EXPECT_EQ(publish.Out.substr(0, publish.Out.find("archive\t")),
            "added\tLIESMICH.txt\t13\nadded\tlang.txt\t3\nadded\tfendrel.exe\t18\n");
  EXPECT_TRUE(Has(publish.Out, "archive\t" + site + "/1.5/update.zip\t")) << publish.Out;
  EXPECT_TRUE(Has(publish.Out, "\tsigned\nnewest\t1.5\n")) << publish.Out;
  EXPECT_EQ(TTempDirectory::ReadFile(site + "/newest"), "1.5");
  EXPECT_EQ(Check({"verify", site + "/1.5/update.zip", "public.key", "1.5"}).Out, "signed\t1.5\n");
  // Deflated, dated and moded as the files are, without extra fields.
  EXPECT_EQ(EntryFacts(site + "/1.5/update.zip"),
            "LIESMICH.txt 2001-02-03 04:05:06 0o100644 8 0\n"
            "lang.txt 2001-02-03 04:05:06 0o100644 8 0\n"
            "fendrel.exe 2001-02-03 04:05:06 0o100755 8 0\n");
  EXPECT_EQ(Check({"test", site + "/1.5/update.zip"}).ExitCode, 0);

  // The same folder and version give the same bytes, into the same site or another.
  const std::string first = TTempDirectory::ReadFile(site + "/1.5/update.zip");
  ASSERT_EQ(Check({"publish", "release", "1.5", "--key", "secret.key", "--out", site}).ExitCode, 0);
  ASSERT_EQ(Check({"publish", "release", "1.5", "--key", "secret.key", "--out", "site2"}).ExitCode, 0);
  EXPECT_TRUE(TTempDirectory::ReadFile(site + "/1.5/update.zip") == first);
  EXPECT_TRUE(Read("site2/1.5/update.zip") == first);

  testsupport::NginxServer nginx(server);
  const ProgramRun run =
      Check({"preflight", nginx.BaseURL() + "/", "1.4", "--key", "public.key", "--install", "installed"});
  EXPECT_EQ(run.ExitCode, 0) << run.Out << run.Err;
  for (const char* line :
       {"newest\t1.5\t", "\ndecision\tupdate\tinstalled 1.4 is below newest 1.5 as numbers\n", "\ndownload\t",
        "\nsignature\tsigned for 1.5\t", "\nopen\t3 entries\t", "\nunchanged\tLIESMICH.txt\n",
        "\nnew\tlang.txt\n", "\nreplaced\tfendrel.exe\n",
        "\nsummary\t1 new, 1 replaced, 1 unchanged, 0 skipped, 0 failed\tthe updater would "
        "install everything\n"}) {
    EXPECT_TRUE(Has(run.Out, line)) << line << "\n" << run.Out;
  }
  // Nothing of the user's changed, and the scratch copies are gone.
  EXPECT_EQ(Read("installed/fendrel.exe"), "MZ the old program");
  EXPECT_FALSE(Exists("installed/lang.txt"));
  EXPECT_TRUE(fs::is_empty(FDir.Path() / "tmp"));
}

TEST_F(PublishAndPreflight, PublishRefusesWhatTheUpdaterCouldNotInstallAndWritesNothing) {
  const struct {
    const char* Name;
    std::vector<std::string> Files;  // beside a good file
    std::string Version;
    std::vector<std::string> Options;
    std::string Line;
  } cases[] = {
      {"a device name", {"CON.txt"}, "1.5", {}, "refused\tCON.txt\tEAbZipRefusedName: "},
      {"a name ending in a dot", {"notes."}, "1.5", {}, "refused\tnotes.\tEAbZipRefusedName: "},
      {"a character Windows forbids", {"what?.txt"}, "1.5", {}, "refused\twhat?.txt\tthe name holds \"?\""},
      {"two files with one bare name",
       {"x/a.txt", "y/a.txt"},
       "1.5",
       {},
       "refused\ty/a.txt\tthe updater would write it over \"x/a.txt\""},
      {"names apart only in case", {"Readme.txt", "x/README.TXT"}, "1.5", {}, "refused\tx/README.TXT\t"},
      {"a device name as a kept folder",
       {"aux/setup.ini"},
       "1.5",
       {"--keep-folders"},
       "refused\taux/setup.ini\tEAbZipRefusedName: "},
      {"a version with a comma", {}, "1,5", {}, "refused\tVERSION 1,5\tEConvertError: '1,5' ist kein"},
      {"a version that is no number", {}, "1.5beta", {}, "refused\tVERSION 1.5beta\tEConvertError: "},
      {"a version with a blank", {}, "1.5 ", {}, "refused\tVERSION 1.5 \ta version is a number"},
      {"a version without a digit", {}, ".", {}, "refused\tVERSION .\ta version is a number"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string folder = "release" + std::to_string(++n);
    Write(folder + "/good.txt", "good\n");
    for (const std::string& file : c.Files) Write(folder + "/" + file, "x");
    std::vector<std::string> arguments = {"publish",    folder,  c.Version, "--key",
                                          "secret.key", "--out", "site"};
    arguments.insert(arguments.end(), c.Options.begin(), c.Options.end());
    const ProgramRun run = Check(arguments);
    EXPECT_EQ(run.ExitCode, 1) << run.Out << run.Err;
    EXPECT_TRUE(Has(run.Out, c.Line)) << run.Out;
    EXPECT_FALSE(Has(run.Out, "added\t")) << run.Out;
    EXPECT_FALSE(Exists("site")) << run.Out;
  }

  // A link, a folder without files, a file over the archive's limit (sparse: no disk used).
  Write("linked/good.txt", "good\n");
  fs::create_symlink("good.txt", FDir.Path() / "linked" / "link.txt");
  fs::create_directories(FDir.Path() / "empty");
  Write("large/good.txt", "good\n");
  Write("large/big.bin", "");
  fs::resize_file(FDir.Path() / "large" / "big.bin", 0x100000000ull);
  for (const auto& [folder, line] : std::vector<std::pair<std::string, std::string>>{
           {"linked", "refused\tlink.txt\ta link: the updater installs files only\n"},
           {"empty", "refused\t.\tthe folder holds no file\n"},
           {"large", "refused\tbig.bin\tlarger than the archive's limit of 4294967294 bytes\n"}}) {
    SCOPED_TRACE(folder);
    const ProgramRun run = Check({"publish", folder, "1.5", "--out", "site"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, line);
    EXPECT_FALSE(Exists("site"));
  }
}

TEST_F(PublishAndPreflight, TheKeyDecidesBetweenASignedReleaseAnUnsignedOneAndNone) {
  WriteRelease("release");
  // Unsigned: a warning, and an archive without signature.
  ProgramRun run = Check({"publish", "release", "1.5", "--out", "site"});
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Err,
            "fendrel-check: warning: the release is not signed; an updater built with a public key will not "
            "install it\n");
  EXPECT_TRUE(Has(run.Out, "\tunsigned\nnewest\t1.5\n")) << run.Out;
  EXPECT_EQ(Check({"verify", "site/1.5/update.zip", "public.key"}).ExitCode, 1);

  // A secret key that others may read is no secret: nothing is written.
  ASSERT_EQ(::chmod((FDir / "secret.key").c_str(), 0644), 0);
  run = Check({"publish", "release", "1.6", "--key", "secret.key", "--out", "site"});
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_TRUE(Has(run.Err,
                  "EFOpenError: Datei secret.key kann nicht ge\xc3\xb6"
                  "ffnet werden. Andere d\xc3\xbcrfen"))
      << run.Err;
  EXPECT_FALSE(Exists("site/1.6"));
  EXPECT_EQ(Read("site/newest"), "1.5");
}

// Every way a release can fail on the updater's side, each with its exit status and line,
// against one nginx serving a site per case.
TEST_F(PublishAndPreflight, PreflightGivesEachOutcomeItsStatusAndLine) {
  ASSERT_TRUE(testsupport::NginxServer::Available()) << "nginx is needed";
  testsupport::ScratchFolder server("fendrel-preflight-test-");
  const std::string www = server.Path() + "/www";
  WriteRelease("release");
  ASSERT_EQ(Check({"publish", "release", "1.5", "--key", "secret.key", "--out", www + "/good"}).ExitCode, 0);
  // Made by hand: a method the updater has no decoder for, and a name that cannot be a file.
  server.WriteFile("www/handmade/newest", "2.0");
  server.WriteFile("www/handmade/2.0/update.zip",
                   ziptest::BuildZip({ziptest::Entry("good.txt", "good\n"),
                                      ziptest::Entry("packed.bin", "????").Method(19),
                                      ziptest::Entry("AUX.txt", "aux\n")}));
  server.WriteFile("www/comma/newest", "1,5");
  server.WriteFile("www/missing/newest", "1.7");
  testsupport::NginxServer nginx(server);
  const std::string base = nginx.BaseURL() + "/";

  const struct {
    std::string Site;
    std::string Installed;
    std::vector<std::string> Options;
    int Status;
    std::vector<std::string> Lines;
  } cases[] = {
      {"good",
       "1.4",
       {"--key", "public.key"},
       0,
       {"\nsummary\t3 new, 0 replaced, 0 unchanged, 0 skipped, 0 failed\t"}},
      {"good", "1.4", {}, 0, {"\nsignature\tnot checked: no --key given"}},
      {"good",
       "1.4",
       {"--key", "other.pub"},
       1,
       {"\nfail\tsignature\tEAbZipBadSignature: ", "the updater refuses the archive"}},
      {"good", "1.5", {}, 1, {"\ndecision\tno update\tinstalled 1.5 is not below newest 1.5 as numbers"}},
      {"good", "1.50", {}, 1, {"\ndecision\tno update\t"}},
      {"good",
       "1.10",
       {},
       0,
       {"\nnote\tas version steps 1.10 is above 1.5, but the updater compares decimal numbers: 1.1 is below "
        "1.5\n",
        "\ndecision\tupdate\t"}},
      {"handmade",
       "1.4",
       {},
       1,
       {"\nnew\tgood.txt\n",
        "\nfail\tpacked.bin\tEAbZipInvalidMethod: ", "\nfail\tAUX.txt\tEAbZipRefusedName: ",
        "\nsummary\t1 new, 0 replaced, 0 unchanged, 0 skipped, 2 failed\tthe updater would not install "
        "everything, "
        "and would still say \"Update erfolgreich\"\n"}},
      {"comma", "1.4", {}, 1, {"\nfail\tdecision\tEConvertError: '1,5' ist kein g"}},
      {"missing", "1.4", {}, 2, {"\nfail\tdownload\tEIdHTTPProtocolException: HTTP/1.1 404 Not Found\t"}},
      {"nothing", "1.4", {}, 2, {"fail\tnewest\tEIdHTTPProtocolException: HTTP/1.1 404 Not Found\t"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Site + " " + c.Installed);
    std::vector<std::string> arguments = {"preflight", base + c.Site, c.Installed};
    arguments.insert(arguments.end(), c.Options.begin(), c.Options.end());
    const ProgramRun run = Check(arguments);
    EXPECT_EQ(run.ExitCode, c.Status) << run.Out << run.Err;
    for (const std::string& line : c.Lines) EXPECT_TRUE(Has("\n" + run.Out, line)) << line << "\n" << run.Out;
  }
  // A wrong call: an installed version the updater would not read.
  const ProgramRun wrong = Check({"preflight", base + "good", "1,4"});
  EXPECT_EQ(wrong.ExitCode, 2);
  EXPECT_EQ(wrong.Out, "");
  EXPECT_TRUE(Has(wrong.Err, "INSTALLED must be a version the updater reads as a number")) << wrong.Err;
  EXPECT_TRUE(fs::is_empty(FDir.Path() / "tmp"));
}

// test keeps its strict comparison, and says when its only finding is one the updater
// does not make.
TEST_F(PublishAndPreflight, TestSaysWhenOnlyTheLocalExtraFieldDiffers) {
  const std::string timestamp = ziptest::ExtraField(0x5455, std::string("\x01\x00\x00\x00\x40", 5));
  TTempDirectory::WriteFile(
      FDir / "a.zip",
      ziptest::BuildZip({ziptest::Entry("extra.txt", "one\n").LocalExtra(timestamp),
                         ziptest::Entry("sizes.txt", "two\n").LocalExtra(timestamp).LocalSizesZero(),
                         ziptest::Entry("plain.txt", "three\n")}));
  const ProgramRun run = Check({"test", "a.zip"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Out,
            "fail\textra.txt\tEAbZipInvalidLFH: Invalid Local File Header entry\tonly the local extra field "
            "differs from the central one; the updater does not compare them and would install this entry "
            "(fendrel-check preflight shows what it installs)\n"
            "fail\tsizes.txt\tEAbZipInvalidLFH: Invalid Local File Header entry\n"
            "ok\tplain.txt\n");
}

}  // namespace
