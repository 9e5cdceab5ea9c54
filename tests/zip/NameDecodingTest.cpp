#include <gtest/gtest.h>

#include <string>

#include "core/Crc32.h"
#include "support/ZipBuilder.h"
#include "zip/AbNameDecoding.h"
#include "zip/AbZipItem.h"

namespace {

using ziptest::ExtraField;
using ziptest::Le16;
using ziptest::Le32;

struct NameCase {
  const char* what;
  std::string raw;
  std::uint16_t flags;
  std::uint16_t versionMadeBy;
  std::string extra;
  std::uint32_t ansi;
  std::uint32_t oem;
  String expected;
};

constexpr std::uint16_t kUtf8 = 0x0800;
constexpr std::uint16_t kDos = 0x0014;
constexpr std::uint16_t kUnix = 0x031E;

std::string UnicodePath(const std::string& raw, const std::string& utf8, std::uint8_t version = 1) {
  return ExtraField(0x7075,
                    std::string(1, static_cast<char>(version)) + Le32(Crc32(raw.data(), raw.size())) + utf8);
}

std::string Utf16Field(const std::u16string& text) {
  std::string data = "NUCX" + Le32(static_cast<std::uint32_t>(text.size()));
  for (const char16_t c : text) data += Le16(c);
  return ExtraField(0x554E, data);
}

// Decodes through the same path as loading: a central record read from bytes.
String Decode(const NameCase& c) {
  ziptest::Entry entry = ziptest::Entry(c.raw).Flags(c.flags).VersionMadeBy(c.versionMadeBy);
  entry.extra = c.extra;
  const std::string bytes = ziptest::BuildZip({entry});
  auto stream = ziptest::MemoryStreamOf(bytes);
  // The central record follows the single local header.
  stream->SetPosition(30 + static_cast<std::int64_t>(c.raw.size()));
  TAbZipItem item;
  item.LoadFromStream(*stream, c.ansi, c.oem);
  return item.FileName();
}

TEST(NameDecoding, TheFirstRuleThatAppliesDecides) {
  const std::string grusse437 =
      "Gr\x81\xE1"
      "e.txt";
  const NameCase cases[] = {
      {"plain ASCII", "docs/readme.txt", 0, kUnix, "", 1252, 850, u"docs/readme.txt"},
      {"bit 11 with plain bytes", "a.txt", kUtf8, kUnix, "", 1252, 850, u"a.txt"},
      {"bit 11 UTF-8",
       "Gr\xC3\xBC\xC3\x9F"
       "e",
       kUtf8, kDos, "", 1252, 850, u"Grüße"},
      {"well-formed UTF-8 without bit 11", "\xC3\xA4-\xF0\x9F\x98\x80", 0, kDos, "", 1252, 850,
       u"ä-\U0001F600"},
      {"bit 11, overlong two-byte slash",
       "a\xC0\xAF"
       "b",
       kUtf8, kUnix, "", 1252, 850, u"a\uFFFDb"},
      {"bit 11, overlong three-byte slash",
       "a\xE0\x80\xAF"
       "b",
       kUtf8, kUnix, "", 1252, 850, u"a\uFFFDb"},
      {"overlong form passes the UTF-8 test but still decodes to U+FFFD",
       "..\xE0\x80\xAF"
       "x",
       0, kUnix, "", 1252, 850, u"..\uFFFDx"},
      {"bit 11, surrogate", "\xED\xA0\x80", kUtf8, kUnix, "", 1252, 850, u"\uFFFD"},
      {"bit 11, past U+10FFFF", "\xF4\x90\x80\x80", kUtf8, kUnix, "", 1252, 850, u"\uFFFD"},
      {"bit 11, stray continuation and cut sequence", "\x80z\xE2\x82", kUtf8, kUnix, "", 1252, 850,
       u"\uFFFDz\uFFFD"},
      {"0x7075 with matching CRC", grusse437, 0, kUnix,
       UnicodePath(grusse437,
                   "Gr\xC3\xBC\xC3\x9F"
                   "e.txt"),
       1252, 850, u"Grüße.txt"},
      {"0x7075 with overlong form", "x", 0, kUnix, UnicodePath("x", "\xC0\xAE\xC0\xAE"), 1252, 850,
       u"\uFFFD\uFFFD"},
      {"0x7075 whose CRC does not match is ignored", "plain", 0, kUnix,
       ExtraField(0x7075, std::string("\x01", 1) + Le32(1) + "other"), 1252, 850, u"plain"},
      {"0x7075 of another version is ignored", "plain", 0, kUnix, UnicodePath("plain", "other", 2), 1252, 850,
       u"plain"},
      {"0x554E", "x", 0, kUnix, Utf16Field(u"Ωmega"), 1252, 850, u"Ωmega"},
      {"0x554E whose count wraps in 32 bits is ignored", "kept", 0, kUnix,
       ExtraField(0x554E, "NUCX" + Le32(0x80000002u) + "abcd"), 1252, 850, u"kept"},
      {"0x554E with a wrong count is ignored", "kept", 0, kUnix,
       ExtraField(0x554E, "NUCX" + Le32(3) + "abcd"), 1252, 850, u"kept"},
      {"same ANSI and OEM page: ANSI", "\xE9", 0, kDos, "", 1252, 1252, u"é"},
      {"MS-DOS host: OEM", grusse437, 0, kDos, "", 1252, 850, u"Grüße.txt"},
      {"Unix host, looks OEM-encoded", grusse437, 0, kUnix, "", 1252, 850, u"Grüße.txt"},
      {"Unix host, ANSI letters: ANSI", "caf\xE9", 0, kUnix, "", 1252, 850, u"café"},
      {"Unix host, a byte that is no OEM letter: ANSI", "\xE9\xB0", 0, kUnix, "", 1252, 850, u"é°"},
      {"OEM page without letter sets: ANSI", "\xE9", 0, kUnix, "", 1252, 932, u"é"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Decode(c), c.expected);
  }
}

TEST(NameDecoding, LooksOemEncodedUsesTheLetterSetsOfThePage) {
  // 437: 81 is a letter there and none in 1252; E9 is a letter in both.
  EXPECT_TRUE(AbLooksOemEncoded("\x81", 437));
  EXPECT_FALSE(AbLooksOemEncoded("\xE9", 437));
  EXPECT_TRUE(AbLooksOemEncoded("\xE9\x81", 437));
  // A6 (ª) is not a letter in the OEM set: the whole name does not look OEM-encoded.
  EXPECT_FALSE(AbLooksOemEncoded("\x81\xA6", 437));
  EXPECT_FALSE(AbLooksOemEncoded("plain", 850));
  // 866 (Cyrillic): 80 and 82 are letters; 82 is punctuation in 1251.
  EXPECT_TRUE(AbLooksOemEncoded("\x80\x82", 866));
  EXPECT_FALSE(AbLooksOemEncoded("\x80\x81", 866));
  EXPECT_FALSE(AbLooksOemEncoded("\x81", 65001));
}

TEST(NameDecoding, DiskFileNameTurnsSlashesIntoBackslashes) {
  const std::string bytes = ziptest::BuildZip({ziptest::Entry("a/b/c.txt", "x")});
  auto stream = ziptest::MemoryStreamOf(bytes);
  stream->SetPosition(30 + 9 + 1);
  TAbZipItem item;
  item.LoadFromStream(*stream, 1252, 850);
  EXPECT_EQ(item.FileName(), u"a/b/c.txt");
  EXPECT_EQ(item.DiskFileName(), u"a\\b\\c.txt");
}

}  // namespace
