// keygen, sign and verify of the real fendrel-check, as a publisher's release script
// runs them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ToolPaths.h"
#include "support/ChildProgram.h"
#include "support/SmallZip.h"
#include "support/TempDirectory.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ProgramRun;

class SignatureCommands : public ::testing::Test {
 protected:
  ProgramRun Check(std::vector<std::string> arguments) {
    testsupport::ProgramCall call;
    call.Program = kCheckToolPath;
    call.Arguments = std::move(arguments);
    call.WorkingDirectory = FDir.Path().string();
    call.TimeoutMilliseconds = 30000;
    return testsupport::RunProgram(call);
  }
  std::string Read(const std::string& name) const { return TTempDirectory::ReadFile(FDir / name); }
  void Write(const std::string& name, const std::string& bytes) const {
    TTempDirectory::WriteFile(FDir / name, bytes);
  }

  static std::string Archive() {
    std::vector<testsupport::ZipFixtureEntry> entries(1);
    entries[0].Name = "fendrel.exe";
    entries[0].Data = "MZ the new program";
    return testsupport::MakeZip(entries);
  }

  TTempDirectory FDir;
};

TEST_F(SignatureCommands, AKeyPairSignsAndVerifiesAndIsNeverOverwritten) {
  ProgramRun run = Check({"keygen", "release.key", "release.pub"});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  const std::string publicKey = Read("release.pub");
  ASSERT_EQ(publicKey.size(), 45u);
  EXPECT_EQ(publicKey.back(), '\n');
  EXPECT_EQ(publicKey[43], '=');
  EXPECT_EQ(run.Out, "public\t" + publicKey);
  struct stat st {};
  ASSERT_EQ(::stat((FDir / "release.key").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A second keygen over either file leaves both keys as they are.
  const std::string secretKey = Read("release.key");
  for (const auto& files :
       {std::vector<std::string>{"release.key", "other.pub"}, {"other.key", "release.pub"}}) {
    run = Check({"keygen", files[0], files[1]});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_NE(run.Err.find("EFCreateError"), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(FDir / "other.key"));
    EXPECT_FALSE(fs::exists(FDir / "other.pub"));
  }
  EXPECT_EQ(Read("release.key"), secretKey);
  EXPECT_EQ(Read("release.pub"), publicKey);

  Write("update.zip", Archive());
  run = Check({"verify", "update.zip", "release.pub"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Err, "EAbZipNoSignature: Archive not signed - its comment holds no signature\n");

  run = Check({"sign", "update.zip", "release.key", "1.5"});
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Out, "signed\t1.5\n");
  EXPECT_EQ(Check({"verify", "update.zip", "release.pub"}).Out, "signed\t1.5\n");
  EXPECT_EQ(Check({"verify", "update.zip", "release.pub", "1.5"}).ExitCode, 0);
  run = Check({"verify", "update.zip", "release.pub", "1.6"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Err, "EAbZipSignedVersion: Archive signed for another version\n");
  // The signed archive is still what it was to the reader.
  EXPECT_EQ(Check({"list", "update.zip"}).Out, Check({"list", "update.zip"}).Out);
  EXPECT_NE(Check({"list", "update.zip"}).Out.find("fendrel.exe"), std::string::npos);

  // Signing again replaces the signature.
  EXPECT_EQ(Check({"sign", "update.zip", "release.key", "1.6"}).ExitCode, 0);
  EXPECT_EQ(Check({"verify", "update.zip", "release.pub", "1.6"}).ExitCode, 0);

  // Another publisher's key does not verify it.
  ASSERT_EQ(Check({"keygen", "other.key", "other.pub"}).ExitCode, 0);
  run = Check({"verify", "update.zip", "other.pub"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Err.substr(0, 19), "EAbZipBadSignature:");
}

// A secret key that others may read or change is refused before anything is signed, as a
// private key of ssh is; the same key signs once only its owner may access it.
TEST_F(SignatureCommands, ASecretKeyThatOthersMayAccessIsRefused) {
  ASSERT_EQ(Check({"keygen", "k", "p"}).ExitCode, 0);
  Write("a.zip", Archive());
  const std::string key = FDir / "k";
  for (const mode_t mode : {0644, 0640, 0604, 0620, 0602, 0400}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(::chmod(key.c_str(), mode), 0);
    const ProgramRun run = Check({"sign", "a.zip", "k", "1.5"});
    if (mode == 0400) {
      EXPECT_EQ(run.ExitCode, 0) << run.Err;
      EXPECT_EQ(run.Out, "signed\t1.5\n");
      continue;
    }
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(
        run.Err,
        "EFOpenError: Datei k kann nicht ge\xc3\xb6"
        "ffnet werden. Andere d\xc3\xbcrfen den geheimen "
        "Schl\xc3\xbcssel lesen oder \xc3\xa4ndern; nur sein Eigent\xc3\xbcmer darf die Datei lesen.\n");
    EXPECT_EQ(Read("a.zip"), Archive());
  }
}

TEST_F(SignatureCommands, RefusalsLeaveTheArchiveAsItWas) {
  ASSERT_EQ(Check({"keygen", "k", "p"}).ExitCode, 0);
  std::string commented = Archive();
  commented[commented.size() - 2] = 5;
  commented += "hello";
  const struct {
    const char* Name;
    std::vector<std::string> Arguments;
    std::string Archive;
    int ExitCode;
    std::string Failure;
  } cases[] = {
      {"a comment of its own", {"sign", "a.zip", "k", "1.5"}, commented, 1, "EAbZipForeignComment"},
      {"bytes after the comment",
       {"sign", "a.zip", "k", "1.5"},
       Archive() + "x",
       1,
       "EAbZipSignatureNotLast"},
      {"not an archive", {"sign", "a.zip", "k", "1.5"}, "plain text", 1, "EAbZipInvalid"},
      {"the public key as the secret one", {"sign", "a.zip", "p", "1.5"}, Archive(), 2, "EAbZipBadSecretKey"},
      {"the secret key as the public one", {"verify", "a.zip", "k"}, Archive(), 2, "EAbZipBadPublicKey"},
      {"a missing key file", {"verify", "a.zip", "missing.pub"}, Archive(), 2, "EFOpenError"},
  };
  for (const auto& c : cases) {
    Write("a.zip", c.Archive);
    const ProgramRun run = Check(c.Arguments);
    EXPECT_EQ(run.ExitCode, c.ExitCode) << c.Name;
    EXPECT_EQ(run.Err.substr(0, run.Err.find(':')), c.Failure) << c.Name << ": " << run.Err;
    EXPECT_EQ(run.Out, "") << c.Name;
    EXPECT_EQ(Read("a.zip"), c.Archive) << c.Name;
  }
}

}  // namespace
