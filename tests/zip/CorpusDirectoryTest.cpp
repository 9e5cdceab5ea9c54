#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/Exception.h"
#include "support/Corpus.h"
#include "support/ManifestJson.h"
#include "zip/AbException.h"
#include "zip/AbLocateEndRecord.h"
#include "zip/AbSpanStream.h"
#include "zip/AbZipArchive.h"

namespace {

std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

std::uint32_t FromHex(const std::string& text) {
  return static_cast<std::uint32_t>(std::stoul(text, nullptr, 16));
}

// What loading raised, as a class name, or "" when it returned.
String LoadOutcome(TAbZipArchive& archive) {
  try {
    archive.Load();
    return u"";
  } catch (const Exception& e) {
    return e.ClassName();
  }
}

void CheckEntry(const TAbZipItem& item, const testjson::Value& expected) {
  const testjson::Value& name = expected["name"];
  if (!name.IsNull() && !(expected.Has("oem_437_eq_850") && !expected["oem_437_eq_850"].boolean)) {
    EXPECT_EQ(ToUtf8(item.FileName()), name.text) << "decoded by " << expected["name_decoding"].text;
  }
  EXPECT_EQ(item.IsDirectory(), expected["is_dir"].boolean);
  EXPECT_EQ(item.ItemInfo().CompressionMethod(), expected["method"].AsInt());
  EXPECT_EQ(item.CompressedSize(), expected["compressed_size"].AsInt());
  EXPECT_EQ(item.UncompressedSize(), expected["uncompressed_size"].AsInt());
  EXPECT_EQ(Hex8(item.CRC32()), expected["crc32"].text);
  EXPECT_EQ(item.GeneralPurposeBitFlag(), FromHex(expected["flags"].text));
  EXPECT_EQ(item.ExternalFileAttributes(), FromHex(expected["external_attr"].text));
  EXPECT_EQ(item.IsEncrypted(), expected["encrypted"].boolean);
  if (expected.Has("date_valid")) {
    bool valid = true;
    try {
      item.LastModTimeAsDateTime();
    } catch (const EConvertError&) {
      valid = false;
    }
    EXPECT_EQ(valid, expected["date_valid"].boolean);
  }
}

// Every archive of the project's own test data, and of the outside corpus when it is
// present, loads or fails as its manifest says.
void WalkManifest(const std::string& dir) {
  const testjson::Value manifest = testjson::ParseFile(dir + "/manifest.json");
  const testjson::Value& archives = manifest["archives"];
  ASSERT_GT(archives.size(), 0u);

  for (const testjson::Value& entry : archives.items) {
    const std::string file = entry["file"].text;
    const std::string expect = entry["expect"].text;
    SCOPED_TRACE(file + " (expect " + expect + ")");
    TAbZipArchive archive(FromUtf8(dir + "/" + file), fmOpenRead | fmShareDenyNone);
    const String outcome = LoadOutcome(archive);

    if (expect == "ok") {
      ASSERT_EQ(outcome, u"");
      const testjson::Value& entries = entry["entries"];
      ASSERT_EQ(static_cast<std::size_t>(archive.Count()), entries.size());
      for (int i = 0; i < archive.Count(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i) + " " + entries[static_cast<std::size_t>(i)]["name"].text);
        CheckEntry(archive.Items(i), entries[static_cast<std::size_t>(i)]);
      }
      EXPECT_EQ(archive.Info().DiskNumber(), entry["end_record"]["disk"].AsInt());
      EXPECT_EQ(archive.Info().TotalEntries(), entry["end_record"]["total_entries"].AsInt());
    } else if (expect == "load-error") {
      // An end record is found, but its directory cannot be read.
      TAbSpanStream view(FromUtf8(dir + "/" + file), fmOpenRead | fmShareDenyNone, TAbMediaType::mtLocal, 0);
      EXPECT_GE(LocateEndRecord(view), 0);
      EXPECT_EQ(outcome, u"EAbZipInvalid");
    } else if (expect == "invalid-archive") {
      TAbSpanStream view(FromUtf8(dir + "/" + file), fmOpenRead | fmShareDenyNone, TAbMediaType::mtLocal, 0);
      EXPECT_EQ(LocateEndRecord(view), -1);
      EXPECT_EQ(outcome, u"EAbZipInvalid");
    } else if (expect == "empty-file") {
      EXPECT_EQ(outcome, u"");
      EXPECT_EQ(archive.Count(), 0);
      EXPECT_EQ(archive.Stream().Size(), 0);
    } else if (expect == "multi-part-missing") {
      EXPECT_EQ(outcome, u"EAbFileNotFound");
    } else if (expect == "no-entries") {
      EXPECT_EQ(outcome, u"");
      EXPECT_EQ(archive.Count(), 0);
    } else {
      ADD_FAILURE() << "unknown expectation " << expect;
    }
  }
}

TEST(Corpus, EveryArchiveLoadsOrFailsAsTheManifestSays) {
  std::string missing;
  const std::vector<TZipDataSet> sets = ZipDataSets({}, missing);
  FENDREL_NEEDS(missing.empty(), missing);
  for (const TZipDataSet& set : sets) {
    SCOPED_TRACE(set.Label);
    WalkManifest(set.Dir.string());
  }
}

}  // namespace
