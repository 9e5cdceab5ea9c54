// Encrypted entries: the header check, the password loop with its retries and
// requests, and a wrong password that slips through the one-byte check.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codecs/AbDfDecryptStream.h"
#include "codecs/AbPasswordLoop.h"
#include "codecs/AbUnzipItem.h"
#include "core/Crc32.h"
#include "core/Exception.h"
#include "support/ZipCipher.h"
#include "support/ZipWriter.h"
#include "zip/AbException.h"

namespace {

TTestZipEntry Encrypted(const std::string& name, const std::string& data, const std::string& password,
                        std::uint16_t flags = 1) {
  return TTestZipCipher::Encrypted({.name = name, .data = data, .flags = flags}, password);
}

std::unique_ptr<TAbZipArchive> Load(const std::vector<TTestZipEntry>& entries) {
  auto stream = std::make_unique<TMemoryStream>();
  const std::string zip = TTestZipWriter::Build(entries);
  stream->WriteBuffer(zip.data(), static_cast<std::int64_t>(zip.size()));
  stream->SetPosition(0);
  auto archive = std::make_unique<TAbZipArchive>(std::move(stream), u"/memory/encrypted.zip");
  archive->Load();
  return archive;
}

// The bytes of entry index, or the class of what it raised.
std::string Extract(TAbZipArchive& archive, int index) {
  try {
    TMemoryStream out;
    UnzipItemToStream(archive, archive.Items(index), &out);
    return std::string(out.Bytes().begin(), out.Bytes().end());
  } catch (const Exception& e) {
    return ToUtf8(e.ClassName());
  }
}

// An archive of the entry with a preset password and retry count. With answers, its
// handler gives them in turn (the last one from then on) and counts the requests.
std::unique_ptr<TAbZipArchive> AskingArchive(const TTestZipEntry& entry, const std::string& preset,
                                             int retries, const std::vector<std::string>& answers,
                                             int& requests) {
  auto archive = Load({entry});
  archive->SetPassword(preset);
  archive->SetPasswordRetries(static_cast<std::uint8_t>(retries));
  if (!answers.empty()) {
    archive->OnNeedPassword = [&answers, &requests](TAbZipArchive&, std::string& password) {
      password = answers.at(std::min<std::size_t>(static_cast<std::size_t>(requests), answers.size() - 1));
      ++requests;
    };
  }
  return archive;
}

TEST(PasswordLoop, PasswordsPresetAskedForRetriedAndRefused) {
  struct Case {
    const char* label;
    std::string preset;
    int retries;
    std::vector<std::string> answers;  // what the handler gives, in turn; none: no handler
    std::string expected;
    int requests;
  };
  const Case cases[] = {
      {"the right password preset", "secret", 3, {}, "data", 0},
      {"none and no handler", "", 3, {}, "EAbZipInvalidPassword", 0},
      {"none, and the handler answers empty", "", 3, {""}, "EAbZipInvalidPassword", 1},
      {"asked for", "", 3, {"secret"}, "data", 1},
      {"asked for again after a wrong one", "", 3, {"wrong", "secret"}, "data", 2},
      {"wrong three times", "", 3, {"wrong", "wrong", "wrong", "wrong"}, "EAbZipInvalidPassword", 3},
      {"a wrong preset, then the right one", "wrong", 3, {"secret"}, "data", 1},
      {"a wrong preset and no retries", "wrong", 0, {"secret"}, "EAbZipInvalidPassword", 0},
      {"a wrong preset and 255 retries without a handler", "wrong", 255, {}, "EAbZipInvalidPassword", 0},
      {"a later request answered empty", "wrong", 3, {""}, "EAbUserAbort", 1},
  };
  for (const auto& c : cases) {
    int requests = 0;
    auto archive = AskingArchive(Encrypted("a", "data", "secret"), c.preset, c.retries, c.answers, requests);
    EXPECT_EQ(Extract(*archive, 0), c.expected) << c.label;
    EXPECT_EQ(requests, c.requests) << c.label;
  }
}

TEST(PasswordLoop, TheAcceptedPasswordServesTheNextEntriesAndEmptyEntriesAreChecked) {
  auto archive = Load({Encrypted("a", "first", "secret"),
                       {.name = "plain", .data = "plain"},
                       Encrypted("empty", "", "secret"),
                       Encrypted("dd", "with descriptor", "secret", 9)});
  int requests = 0;
  archive->OnNeedPassword = [&](TAbZipArchive&, std::string& password) {
    password = "secret";
    ++requests;
  };
  EXPECT_EQ(Extract(*archive, 0), "first");
  EXPECT_EQ(Extract(*archive, 1), "plain");
  EXPECT_EQ(Extract(*archive, 2), "");
  EXPECT_EQ(Extract(*archive, 3), "with descriptor");
  EXPECT_EQ(requests, 1);
  EXPECT_EQ(archive->Password(), "secret");

  // Without a password the empty entry fails like any other.
  archive->SetPassword("");
  archive->OnNeedPassword = nullptr;
  EXPECT_EQ(Extract(*archive, 2), "EAbZipInvalidPassword");
}

TEST(PasswordLoop, AWrongPasswordThatPassesTheCheckFailsInDecoding) {
  // Of the wrong passwords, about one in 256 gives the right check byte.
  const TTestZipEntry entry = Encrypted("a", "the entry's bytes", "secret");
  std::string lucky;
  for (int i = 0; lucky.empty() && i < 100000; ++i) {
    const std::string candidate = "wrong" + std::to_string(i);
    TMemoryStream data;
    data.WriteBuffer(entry.payload->data(), static_cast<std::int64_t>(entry.payload->size()));
    data.SetPosition(0);
    TAbDfDecryptStream stream(data, candidate, Crc32(entry.data.data(), entry.data.size()));
    if (stream.IsValid()) lucky = candidate;
  }
  ASSERT_FALSE(lucky.empty());
  auto archive = Load({entry});
  archive->SetPassword(lucky);
  EXPECT_EQ(Extract(*archive, 0), "EAbZipBadCRC");

  // An entry too short for its header.
  TTestZipEntry cut = entry;
  cut.payload = entry.payload->substr(0, 11);
  archive = Load({cut});
  archive->SetPassword("secret");
  EXPECT_EQ(Extract(*archive, 0), "EReadError");
}

// The entry's data counting the header checks: each reads the encryption header from
// the start of the data and goes back when it fails.
class TCheckCountingStream final : public TMemoryStream {
 public:
  TCheckCountingStream(const std::string& bytes, int& checks) : FChecks(checks) {
    WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    SetPosition(0);
  }
  std::int64_t Read(void* buffer, std::int64_t count) override {
    if (Position() == 0) ++FChecks;
    return TMemoryStream::Read(buffer, count);
  }

 private:
  int& FChecks;  // outlives the stream, which the loop frees when it gives up
};

// How often the password is checked against the header before the loop gives up: a
// request that brings no password counts as a try, a failed check too.
TEST(PasswordLoop, HeaderChecksBeforeTheLoopGivesUp) {
  struct Case {
    const char* label;
    std::string preset;
    int retries;
    std::vector<std::string> answers;  // none: no handler
    std::string expected;
    int checks;
    int requests;
  };
  const Case cases[] = {
      {"a wrong preset, three retries, no handler", "wrong", 3, {}, "EAbZipInvalidPassword", 4, 0},
      {"a wrong preset, three retries, wrong answers", "wrong", 3, {"wrong"}, "EAbZipInvalidPassword", 4, 3},
      {"none preset, three retries, wrong answers", "", 3, {"wrong"}, "EAbZipInvalidPassword", 3, 3},
      {"a wrong preset, the right one on the last retry", "wrong", 3, {"bad", "worse", "secret"}, "ok", 4, 3},
      {"a wrong preset and no retries", "wrong", 0, {}, "EAbZipInvalidPassword", 1, 0},
      {"a wrong preset and 255 retries", "wrong", 255, {}, "EAbZipInvalidPassword", 256, 0},
      {"the right password preset", "secret", 3, {}, "ok", 1, 0},
  };
  const TTestZipEntry entry = Encrypted("a", "data", "secret");
  const std::uint32_t checkValue = Crc32(entry.data.data(), entry.data.size());
  for (const auto& c : cases) {
    int requests = 0;
    auto archive = AskingArchive(entry, c.preset, c.retries, c.answers, requests);
    int checks = 0;
    std::string outcome = "ok";
    try {
      OpenDecryptedData(*archive, std::make_unique<TCheckCountingStream>(*entry.payload, checks), checkValue);
    } catch (const Exception& e) {
      outcome = ToUtf8(e.ClassName());
    }
    EXPECT_EQ(outcome, c.expected) << c.label;
    EXPECT_EQ(checks, c.checks) << c.label;
    EXPECT_EQ(requests, c.requests) << c.label;
  }
}

}  // namespace
