// The signature of an update archive: the comment "FENDREL-SIG1 <version> <signature>"
// over every byte before the comment and the version, checked with a public key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Base64.h"
#include "core/Exception.h"
#include "core/Stream.h"
#include "signature/ArchiveSignature.h"
#include "signature/ArchiveSigning.h"
#include "signature/SignatureComment.h"
#include "signature/SignatureFailures.h"
#include "support/SigningKeys.h"
#include "support/SmallZip.h"
#include "support/TempDirectory.h"
#include "unzip/AbUnZipper.h"

namespace {

using testsupport::OtherTestKeys;
using testsupport::SignedZip;
using testsupport::TrustedTestKeys;

std::string Archive() {
  std::vector<testsupport::ZipFixtureEntry> entries(2);
  entries[0].Name = "fendrel.exe";
  entries[0].Data = std::string(3000, 'x') + "PK\x05\x06 inside the data";
  entries[1].Name = "LIESMICH.txt";
  entries[1].Data = "Fendrel! 1.5\n";
  return testsupport::MakeZip(entries);
}

// An archive whose end record carries the comment as given (its length field as given
// too unless lengthField is set), followed by trailing bytes.
std::string WithComment(const std::string& comment, long lengthField = -1, const std::string& trailing = "") {
  std::string archive = Archive();
  const std::size_t length = lengthField < 0 ? comment.size() : static_cast<std::size_t>(lengthField);
  archive[archive.size() - 2] = static_cast<char>(length & 0xFF);
  archive[archive.size() - 1] = static_cast<char>(length >> 8);
  return archive + comment + trailing;
}

// The signed version, or the class name of what the check raised.
std::string Check(const std::string& archive, const signature::TPublicKey& key,
                  std::optional<std::string_view> version = "1.5") {
  TMemoryStream stream;
  stream.WriteBuffer(archive.data(), static_cast<std::int64_t>(archive.size()));
  stream.Seek(7, TSeekOrigin::soBeginning);
  try {
    const std::string signedVersion = signature::VerifyArchiveSignature(stream, key, version);
    EXPECT_EQ(stream.Position(), 7) << "the check moves the stream";
    return "signed " + signedVersion;
  } catch (const Exception& e) {
    return ToUtf8(e.ClassName());
  }
}

TEST(ArchiveSignature, AGoodSignatureNamesItsVersionAndTheArchiveStillOpens) {
  const std::string archive = SignedZip(Archive(), TrustedTestKeys().SecretKey, "1.5");
  EXPECT_EQ(Check(archive, TrustedTestKeys().PublicKey), "signed 1.5");
  EXPECT_EQ(Check(archive, TrustedTestKeys().PublicKey, std::nullopt), "signed 1.5");

  TTempDirectory scratch;
  TTempDirectory::WriteFile(scratch / "update.zip", archive);
  EXPECT_EQ(
      signature::VerifyArchiveFile(FromUtf8(scratch / "update.zip"), TrustedTestKeys().PublicKey, "1.5"),
      "1.5");
  TAbUnZipper unzipper;
  unzipper.OpenArchive(FromUtf8(scratch / "update.zip"));
  ASSERT_EQ(unzipper.Count(), 2);
  EXPECT_EQ(unzipper.Items(1).FileName(), u"LIESMICH.txt");
  EXPECT_EQ(unzipper.ZipArchive()->Info().ZipfileComment().substr(0, 17), "FENDREL-SIG1 1.5 ");
}

TEST(ArchiveSignature, EveryWayOfFailingIsItsOwnFailure) {
  const auto& key = TrustedTestKeys().PublicKey;
  const std::string good = SignedZip(Archive(), TrustedTestKeys().SecretKey, "1.5");
  const std::string comment = good.substr(Archive().size());
  const std::string base64 = comment.substr(comment.rfind(' ') + 1);
  struct Case {
    const char* Name;
    std::string Bytes;
    const char* Expected;
  } cases[] = {
      {"no comment", Archive(), "EAbZipNoSignature"},
      {"another comment", WithComment("made with zip"), "EAbZipNoSignature"},
      {"another key", SignedZip(Archive(), OtherTestKeys().SecretKey, "1.5"), "EAbZipBadSignature"},
      {"another version", SignedZip(Archive(), TrustedTestKeys().SecretKey, "1.6"), "EAbZipSignedVersion"},
      {"the version changed in the comment", WithComment("FENDREL-SIG1 1.6 " + base64), "EAbZipBadSignature"},
      {"bytes after the comment", good + "\n", "EAbZipSignatureNotLast"},
      {"a comment cut short", good.substr(0, good.size() - 10), "EAbZipInvalid"},
      {"a length field beyond the file", WithComment(comment, 65535), "EAbZipInvalid"},
      {"a comment of 65535 bytes", WithComment("FENDREL-SIG1 1.5 " + std::string(65535 - 17, 'A')),
       "EAbZipBadSignatureComment"},
      {"no signature field", WithComment("FENDREL-SIG1 1.5"), "EAbZipBadSignatureComment"},
      {"an empty version", WithComment("FENDREL-SIG1  " + base64), "EAbZipBadSignatureComment"},
      {"a control character in the version", WithComment("FENDREL-SIG1 1.5\t " + base64),
       "EAbZipBadSignatureComment"},
      {"a signature one byte short", WithComment("FENDREL-SIG1 1.5 " + base64.substr(4) + "AA=="),
       "EAbZipBadSignatureComment"},
      {"a line break after the signature", WithComment(comment + "\n"), "EAbZipBadSignatureComment"},
      {"not an archive", std::string(500, 'Z'), "EAbZipInvalid"},
      {"an empty file", "", "EAbZipInvalid"},
  };
  for (const Case& c : cases) EXPECT_EQ(Check(c.Bytes, key), c.Expected) << c.Name;
}

// Whatever byte before the comment changes, the archive is refused.
TEST(ArchiveSignature, AnyChangedByteBeforeTheCommentIsRefused) {
  const std::string good = SignedZip(Archive(), TrustedTestKeys().SecretKey, "1.5");
  const std::size_t commentStart = Archive().size();
  for (std::size_t i = 0; i < commentStart; ++i) {
    std::string changed = good;
    changed[i] = static_cast<char>(changed[i] ^ 0x01);
    EXPECT_NE(Check(changed, TrustedTestKeys().PublicKey).substr(0, 6), "signed") << "byte " << i;
  }
}

// Signing again replaces the signature; a comment of the archive's own is never
// overwritten, and the refused archive stays as it was.
TEST(ArchiveSigning, ReplacesItsOwnSignatureAndRefusesWhatItWouldDestroy) {
  const auto& secret = TrustedTestKeys().SecretKey;
  const std::string resigned =
      SignedZip(SignedZip(Archive(), secret, "a much longer version text 1.5"), secret, "1.6");
  EXPECT_EQ(Check(resigned, TrustedTestKeys().PublicKey, "1.6"), "signed 1.6");
  EXPECT_EQ(resigned.substr(0, Archive().size() - 2), Archive().substr(0, Archive().size() - 2));

  struct Case {
    const char* Name;
    std::string Bytes;
    const char* Expected;
  } cases[] = {
      {"another comment", WithComment("made with zip"), "EAbZipForeignComment"},
      {"a damaged signature comment", WithComment("FENDREL-SIG1 1.5 AAAA"), "EAbZipForeignComment"},
      {"bytes after the comment", WithComment("x") + "tail", "EAbZipSignatureNotLast"},
      {"not an archive", "just text, long enough to be searched for an end record", "EAbZipInvalid"},
  };
  for (const Case& c : cases) {
    TTempDirectory scratch;
    TTempDirectory::WriteFile(scratch / "a.zip", c.Bytes);
    try {
      signature::SignArchive(FromUtf8(scratch / "a.zip"), secret, "1.5");
      ADD_FAILURE() << c.Name << ": signed";
    } catch (const Exception& e) {
      EXPECT_EQ(ToUtf8(e.ClassName()), c.Expected) << c.Name;
    }
    EXPECT_EQ(TTempDirectory::ReadFile(scratch / "a.zip"), c.Bytes) << c.Name;
  }
}

TEST(ArchiveSignature, KeysAreTakenOnlyInTheirExactSpelling) {
  const std::string publicText =
      Base64Of(TrustedTestKeys().PublicKey.data(), TrustedTestKeys().PublicKey.size());
  EXPECT_EQ(publicText, "znT4wjm5sS8Fl6rNeaO8QrDmLjohSydskQUoH0WxWXI=");
  EXPECT_EQ(signature::DecodePublicKey(publicText), TrustedTestKeys().PublicKey);
  for (const std::string& bad :
       {std::string(), publicText + "\n", " " + publicText, publicText.substr(0, 43),
        publicText.substr(0, 42) + "J=", std::string(44, '*'), publicText + publicText}) {
    EXPECT_THROW(signature::DecodePublicKey(bad), EAbZipBadPublicKey) << bad;
  }

  const auto& secret = TrustedTestKeys().SecretKey.Bytes;
  const std::string secretText = Base64Of(secret.data(), secret.size());
  EXPECT_EQ(signature::DecodeSecretKey(secretText).Bytes, secret);
  // A secret key whose public half belongs to another seed.
  std::array<std::uint8_t, 64> mixed = secret;
  std::copy(OtherTestKeys().PublicKey.begin(), OtherTestKeys().PublicKey.end(), mixed.begin() + 32);
  for (const std::string& bad : {publicText, Base64Of(mixed.data(), mixed.size()), secretText + " "}) {
    EXPECT_THROW(signature::DecodeSecretKey(bad), EAbZipBadSecretKey);
  }
}

TEST(SignatureComment, AVersionKeepsItsBlanksAndNothingElseIsSigned) {
  const signature::TSignatureBytes signature{1, 2, 3};
  const std::string comment = signature::FormatSignatureComment(" 2.0 ", signature);
  const auto parsed = signature::ParseSignatureComment(comment);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->Version, " 2.0 ");
  EXPECT_EQ(parsed->Signature, signature);
  EXPECT_FALSE(signature::IsSignableVersion(""));
  EXPECT_FALSE(signature::IsSignableVersion("1.5\r\n"));
  EXPECT_FALSE(signature::IsSignableVersion(std::string(signature::kMaxVersionLength + 1, '1')));
  EXPECT_TRUE(signature::IsSignableVersion("2.0 beta \xC3\xA4"));
}

}  // namespace
