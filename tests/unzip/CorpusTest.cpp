// Walks the manifest of the project's own test archives, and of the outside corpus when it
// is present: every archive opens or fails as it states, and
// every entry of a method this build decodes yields its bytes and CRC-32. An encrypted
// entry fails without a password and is decoded with the one the manifest names.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "codecs/AbUnzipItem.h"
#include "core/Crc32.h"
#include "core/Exception.h"
#include "support/Corpus.h"
#include "support/ManifestJson.h"
#include "support/Sha256.h"
#include "unzip/AbExtractFailures.h"
#include "unzip/AbExtractRules.h"
#include "unzip/AbUnZipper.h"
#include "zip/AbException.h"

namespace {

// The methods this build decodes; every other method must be refused as unsupported.
const std::set<int> kBuiltMethods{0, 1, 2, 3, 4, 5, 6, 8, 9, 12, 14, 97, 98};

std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

// What decoding one entry gave: the bytes and whether the CRC-32 matched, or the
// exception it raised.
struct Outcome {
  bool raised = false;
  std::string exceptionClass;
  std::int32_t errorCode = -1;
  std::string bytes;
  bool crcMatched = false;
};

Outcome Decode(TAbZipArchive& archive, TAbZipItem& item, const std::string& password) {
  Outcome outcome;
  archive.SetPassword(password);
  try {
    const std::unique_ptr<TStream> source = OpenItemData(archive, item);
    TMemoryStream output;
    outcome.crcMatched = DecodeItemDataChecked(archive, item, *source, output);
    outcome.bytes.assign(output.Bytes().begin(), output.Bytes().end());
  } catch (const Exception& e) {
    outcome.raised = true;
    outcome.exceptionClass = ToUtf8(e.ClassName());
    if (const auto* ab = dynamic_cast<const EAbException*>(&e)) outcome.errorCode = ab->ErrorCode();
  }
  return outcome;
}

void CheckEntry(TAbZipArchive& archive, TAbZipItem& item, const testjson::Value& expected,
                const std::string& label) {
  const std::string expect = expected["expect"].text;
  const int method = static_cast<int>(expected["method"].AsInt());
  if (expected["oem_437_eq_850"].IsNull() || expected["oem_437_eq_850"].boolean) {
    EXPECT_EQ(ToUtf8(item.FileName()), expected["name"].text) << label;
  }
  EXPECT_EQ(item.IsDirectory(), expected["is_dir"].boolean) << label;

  if (expect == "not-selected") {
    EXPECT_FALSE(abunzip::MatchesStoredNameEx(item.FileName(), item.IsDirectory(), u"*")) << label;
    return;
  }
  if (expect == "refused-name") {
    EXPECT_THROW(abunzip::EntryTargetName(item.FileName(), item.IsDirectory(), false), EAbZipRefusedName)
        << label;
    return;
  }
  if (!expected["extract_as"].IsNull()) {
    EXPECT_EQ(ToUtf8(abunzip::EntryTargetName(item.FileName(), item.IsDirectory(), false)),
              expected["extract_as"].text)
        << label;
  }

  std::string outcomeExpected = expect;
  std::string password;
  if (expect == "needs-password") {
    EXPECT_EQ(Decode(archive, item, "").exceptionClass, "EAbZipInvalidPassword") << label;
    outcomeExpected = expected["expect_with_password"].text;
    password = expected["password"].text;
  }
  const Outcome outcome = Decode(archive, item, password);
  const bool empty = expected["uncompressed_size"].AsInt() == 0;
  // A method of later work is refused (after the password was accepted).
  const bool decodable = kBuiltMethods.count(method) != 0 || empty;
  if (outcomeExpected == "version-too-new") {
    EXPECT_EQ(outcome.exceptionClass, "EAbZipVersion") << label;
  } else if (outcomeExpected == "unsupported-method" || !decodable) {
    EXPECT_EQ(outcome.exceptionClass, "EAbZipInvalidMethod") << label;
  } else if (outcomeExpected == "ok") {
    ASSERT_FALSE(outcome.raised) << label << ": " << outcome.exceptionClass;
    EXPECT_TRUE(outcome.crcMatched) << label;
    const std::string sha256 = expected["sha256"].IsNull() ? std::string() : expected["sha256"].text;
    if (!sha256.empty()) {
      EXPECT_EQ(Sha256Hex(outcome.bytes.data(), outcome.bytes.size()), sha256) << label;
    }
    EXPECT_EQ(Hex8(Crc32(outcome.bytes.data(), outcome.bytes.size())), expected["crc32"].text) << label;
  } else if (outcomeExpected == "crc-mismatch") {
    EXPECT_FALSE(outcome.raised) << label << ": " << outcome.exceptionClass;
    EXPECT_FALSE(outcome.crcMatched) << label;
  } else if (outcomeExpected == "data-error") {
    EXPECT_TRUE(outcome.raised) << label;
  } else if (outcomeExpected == "damaged") {
    EXPECT_TRUE(outcome.raised || !outcome.crcMatched) << label;
  } else {
    ADD_FAILURE() << label << ": unknown expectation " << outcomeExpected;
  }
}

void WalkManifest(const std::filesystem::path& corpus) {
  const testjson::Value manifest = testjson::ParseFile((corpus / "manifest.json").string());
  int archives = 0;
  for (const testjson::Value& archive : manifest["archives"].items) {
    const std::string file = archive["file"].text;
    const std::string expect = archive["expect"].text;
    const String path = FromUtf8(std::filesystem::absolute(corpus / file).lexically_normal().string());
    SCOPED_TRACE(file);
    ++archives;
    TAbUnZipper unzipper;
    std::string raised;
    try {
      unzipper.OpenArchive(path);
    } catch (const Exception& e) {
      raised = ToUtf8(e.ClassName());
    }
    if (expect != "ok") {
      static const std::map<std::string, std::string> kFailures = {{"invalid-archive", "EAbUnhandledType"},
                                                                   {"empty-file", "EAbBadStream"},
                                                                   {"load-error", "EAbZipInvalid"},
                                                                   {"multi-part-missing", "EAbFileNotFound"}};
      ASSERT_TRUE(kFailures.count(expect)) << "unknown expectation " << expect;
      // A directory offset that points elsewhere may also run into the end of the
      // file inside a record's extra field, which the runtime reports as a read error.
      if (expect == "load-error" && raised == "EReadError") continue;
      EXPECT_EQ(raised, kFailures.at(expect));
      continue;
    }
    ASSERT_EQ(raised, "");
    TAbZipArchive& zip = *unzipper.ZipArchive();
    const auto& entries = archive["entries"].items;
    ASSERT_EQ(zip.Count(), static_cast<int>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i)
      CheckEntry(zip, zip.Items(static_cast<int>(i)), entries[i], file + " #" + std::to_string(i));
    unzipper.CloseArchive();
  }
  EXPECT_GT(archives, 0);
}

TEST(Corpus, EveryArchiveOpensOrFailsAsStatedAndEveryEntryDecodesAsStated) {
  std::string missing;
  const std::vector<TZipDataSet> sets = ZipDataSets({}, missing);
  FENDREL_NEEDS(missing.empty(), missing);
  for (const TZipDataSet& set : sets) {
    SCOPED_TRACE(set.Label);
    WalkManifest(set.Dir);
  }
}

}  // namespace
