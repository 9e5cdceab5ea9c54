#include <gtest/gtest.h>

#include <string>

#include "core/Exception.h"
#include "support/Raised.h"
#include "support/ZipBuilder.h"
#include "zip/AbArchiveList.h"
#include "zip/AbDosDateTime.h"
#include "zip/AbZipItem.h"

namespace {

// Windows file attribute bits.
constexpr std::uint32_t faReadOnly = 0x01;
constexpr std::uint32_t faSysFile = 0x04;
constexpr std::uint32_t faDirectory = 0x10;
constexpr std::uint32_t faSymLink = 0x400;

std::unique_ptr<TAbZipItem> ItemOf(const ziptest::Entry& entry) {
  const std::string bytes = ziptest::BuildZip({entry});
  auto stream = ziptest::MemoryStreamOf(bytes);
  stream->SetPosition(
      30 + static_cast<std::int64_t>(entry.name.size() + entry.localExtra.size() + entry.data.size()));
  auto item = std::make_unique<TAbZipItem>();
  item->LoadFromStream(*stream, 1252, 850);
  return item;
}

TEST(ZipItem, NativeFileAttributes) {
  struct Case {
    const char* what;
    std::uint16_t versionMadeBy;
    std::uint32_t external;
    std::uint32_t expected;
  } const cases[] = {
      {"Unix regular file, owner may write", 0x031E, 0100644u << 16, 0},
      {"Unix regular file, read-only", 0x031E, 0100444u << 16, faReadOnly},
      {"Unix executable", 0x031E, 0100755u << 16, 0},
      {"Unix directory", 0x031E, 040755u << 16, faDirectory},
      {"Unix read-only directory", 0x031E, 040555u << 16, faDirectory | faReadOnly},
      {"Unix symbolic link", 0x031E, 0120777u << 16, faSymLink},
      {"Unix FIFO", 0x031E, 010600u << 16, faSysFile},
      {"Unix character device", 0x031E, 020644u << 16, faSysFile},
      {"Unix block device", 0x031E, 060644u << 16, faSysFile},
      {"Unix socket", 0x031E, 0140644u << 16, faSysFile},
      {"Unix host, MS-DOS bits only: mode 0 is read-only", 0x031E, 0x20, faReadOnly},
      {"MS-DOS read-only, hidden, system, archive", 0x0014, 0x27, 0x27},
      {"MS-DOS directory", 0x0014, 0x10, faDirectory},
      {"MS-DOS host, only the low 8 bits", 0x0014, 0x1FF21, 0x21},
      {"any host, a Unix mode above 1FFFF", 0x0B14, 0100444u << 16, faReadOnly},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ItemOf(ziptest::Entry("f").VersionMadeBy(c.versionMadeBy).ExternalAttributes(c.external))
                  ->NativeFileAttributes(),
              c.expected);
  }
}

TEST(ZipItem, IsDirectory) {
  struct Case {
    std::string name;
    std::uint32_t external;
    bool expected;
  } const cases[] = {
      {"docs/", 0, true}, {"docs\\", 0, true},   {"docs", 0x10, true}, {"docs", 0, false},
      {"", 0, false},     {"a/b.txt", 0, false}, {"", 0x10, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ItemOf(ziptest::Entry(c.name).ExternalAttributes(c.external))->IsDirectory(), c.expected);
  }
}

constexpr std::uint16_t DosDate(int year, int month, int day) {
  return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
constexpr std::uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

TEST(ZipItem, LastModTimeAsDateTime) {
  struct Case {
    std::uint16_t date;
    std::uint16_t time;
    TDateTimeParts expected;
    const char16_t* error;  // nullptr when valid
  } const cases[] = {
      {DosDate(2024, 5, 17), DosTime(12, 34, 56), {2024, 5, 17, 12, 34, 56, 0}, nullptr},
      {DosDate(1980, 1, 1), 0, {1980, 1, 1, 0, 0, 0, 0}, nullptr},
      {DosDate(2107, 12, 31), DosTime(23, 59, 58), {2107, 12, 31, 23, 59, 58, 0}, nullptr},
      {DosDate(2024, 2, 29), 0, {2024, 2, 29, 0, 0, 0, 0}, nullptr},
      {0, 0, {}, SDateEncodeError},
      {DosDate(2023, 2, 29), 0, {}, SDateEncodeError},
      {DosDate(2024, 13, 1), 0, {}, SDateEncodeError},
      {DosDate(2024, 5, 0), 0, {}, SDateEncodeError},
      {DosDate(2024, 4, 31), 0, {}, SDateEncodeError},
      {DosDate(2024, 5, 17), DosTime(24, 0, 0), {}, STimeEncodeError},
      {DosDate(2024, 5, 17), DosTime(12, 60, 0), {}, STimeEncodeError},
      {DosDate(2024, 5, 17), DosTime(12, 0, 60), {}, STimeEncodeError},
      {0, DosTime(24, 0, 0), {}, SDateEncodeError},  // the date is checked first
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.date << " " << c.time);
    // Loading never looks at the stamp; only asking for it fails.
    const auto item = ItemOf(ziptest::Entry("f").Time(c.time).Date(c.date));
    if (c.error == nullptr) {
      const TDateTimeParts parts = DecodeDateTime(item->LastModTimeAsDateTime());
      EXPECT_EQ(parts.Year, c.expected.Year);
      EXPECT_EQ(parts.Month, c.expected.Month);
      EXPECT_EQ(parts.Day, c.expected.Day);
      EXPECT_EQ(parts.Hour, c.expected.Hour);
      EXPECT_EQ(parts.Minute, c.expected.Minute);
      EXPECT_EQ(parts.Second, c.expected.Second);
    } else {
      EXPECT_EQ(Raised<EConvertError>([&] { item->LastModTimeAsDateTime(); }).Message(), c.error);
    }
  }
}

TEST(ZipItem, DosStampsConvertBackAndForth) {
  for (const auto& [date, time] : {std::pair{DosDate(2024, 5, 17), DosTime(12, 34, 56)},
                                   std::pair{DosDate(1980, 1, 1), DosTime(0, 0, 0)},
                                   std::pair{DosDate(2107, 12, 31), DosTime(23, 59, 58)}}) {
    std::uint16_t backDate = 0;
    std::uint16_t backTime = 0;
    ASSERT_TRUE(AbDateTimeToDosFileDate(AbDosFileDateToDateTime(date, time), backDate, backTime));
    EXPECT_EQ(backDate, date);
    EXPECT_EQ(backTime, time);
  }
  std::uint16_t d = 0;
  std::uint16_t t = 0;
  EXPECT_FALSE(AbDateTimeToDosFileDate(EncodeDate(1979, 12, 31), d, t));
  EXPECT_FALSE(AbDateTimeToDosFileDate(EncodeDate(2108, 1, 1), d, t));
}

TEST(ZipItem, OptionsFromTheGeneralPurposeBits) {
  struct Case {
    std::uint16_t method;
    std::uint16_t flags;
    TAbZipDeflationOption deflation;
    TAbZipDictionarySize dictionary;
    int trees;
  } const cases[] = {
      {8, 0, TAbZipDeflationOption::doNormal, TAbZipDictionarySize::dsInvalid, 0},
      {8, 2, TAbZipDeflationOption::doMaximum, TAbZipDictionarySize::dsInvalid, 0},
      {8, 4, TAbZipDeflationOption::doFast, TAbZipDictionarySize::dsInvalid, 0},
      {8, 6, TAbZipDeflationOption::doSuperFast, TAbZipDictionarySize::dsInvalid, 0},
      {6, 0, TAbZipDeflationOption::doInvalid, TAbZipDictionarySize::ds4K, 2},
      {6, 6, TAbZipDeflationOption::doInvalid, TAbZipDictionarySize::ds8K, 3},
      {0, 6, TAbZipDeflationOption::doInvalid, TAbZipDictionarySize::dsInvalid, 0},
      {0x0108, 2, TAbZipDeflationOption::doMaximum, TAbZipDictionarySize::dsInvalid, 0},  // low byte counts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.method << "/" << c.flags);
    const auto item = ItemOf(ziptest::Entry("f").Method(c.method).Flags(c.flags));
    EXPECT_EQ(item->DeflationOption(), c.deflation);
    EXPECT_EQ(item->DictionarySize(), c.dictionary);
    EXPECT_EQ(item->ShannonFanoTreeCount(), c.trees);
  }
  const auto encrypted =
      ItemOf(ziptest::Entry("f", std::string(100, 'x')).Flags(1).CompressedSize(62).UncompressedSize(100));
  EXPECT_TRUE(encrypted->IsEncrypted());
  EXPECT_DOUBLE_EQ(encrypted->CompressionRatio(), 50.0);
  EXPECT_DOUBLE_EQ(ItemOf(ziptest::Entry("empty"))->CompressionRatio(), 0.0);
}

TEST(ArchiveList, FindIgnoresTheCaseOfAsciiLettersOnlyAndPrefersTheLaterEntry) {
  TAbArchiveList list;
  const std::string names[] = {"Readme.TXT", "readme.txt", "Straße", "ÄRGER", "docs/a"};
  for (const std::string& name : names) list.Add(ItemOf(ziptest::Entry(name).Flags(0x0800)));
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Find(u"README.txt"), 1);
  EXPECT_EQ(list.Find(u"STRASSE"), -1);
  EXPECT_EQ(list.Find(u"straße"), 2);
  EXPECT_EQ(list.Find(u"ärger"), -1);  // other letters must match exactly
  EXPECT_EQ(list.Find(u"ÄRGER"), 3);
  EXPECT_EQ(list.Find(u"DOCS/A"), 4);
  EXPECT_EQ(list.Find(u"docs\\a"), -1);
  EXPECT_EQ(list.Find(u"missing"), -1);
  EXPECT_EQ(list.IndexOf(&list.Get(2)), 2);
  // Names that differ in the case of other letters share a chain.
  EXPECT_EQ(TAbArchiveList::HashOf(u"ärger"), TAbArchiveList::HashOf(u"ÄRGER"));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Find(u"readme.txt"), -1);
}

}  // namespace
