#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/Crc32.h"
#include "core/Exception.h"
#include "platform/Program.h"
#include "support/Raised.h"
#include "support/TempDirectory.h"
#include "support/ZipBuilder.h"
#include "zip/AbException.h"
#include "zip/AbSpanStream.h"
#include "zip/AbZipArchive.h"

namespace {

using ziptest::BuildZip;
using ziptest::Entry;
using ziptest::Layout;

// An archive over the bytes, read through the archive file view as an opened file is.
std::unique_ptr<TAbZipArchive> ArchiveOf(const std::string& bytes) {
  auto view = std::make_unique<TAbSpanStream>(ziptest::MemoryStreamOf(bytes), u"/memory/update.zip");
  auto archive = std::make_unique<TAbZipArchive>(std::move(view), u"/memory/update.zip");
  archive->SetNameCodePages(1252, 850);
  return archive;
}

std::vector<Entry> Entries(int n) {
  std::vector<Entry> entries;
  for (int i = 0; i < n; ++i)
    entries.push_back(ziptest::Entry("file" + std::to_string(i), std::to_string(i)));
  return entries;
}

TEST(ZipArchive, LoadsTheEntriesInDirectoryOrderWithTheirRecords) {
  const std::string bytes = BuildZip({ziptest::Entry("docs/").ExternalAttributes(0x10),
                                      ziptest::Entry("docs/a.txt", "alpha").Method(0),
                                      ziptest::Entry("b.bin", "beta").Method(8).Flags(2)});
  auto archive = ArchiveOf(bytes);
  archive->Load();
  ASSERT_EQ(archive->Count(), 3);
  EXPECT_EQ(archive->Status(), TAbArchiveStatus::asIdle);
  EXPECT_TRUE(archive->Items(0).IsDirectory());
  const TAbZipItem& a = archive->Items(1);
  EXPECT_EQ(a.FileName(), u"docs/a.txt");
  EXPECT_EQ(a.UncompressedSize(), 5);
  EXPECT_EQ(a.CRC32(), Crc32("alpha", 5));
  EXPECT_EQ(a.RelativeOffset(), 30 + 5);
  EXPECT_EQ(a.Action(), TAbArchiveAction::aaNone);
  EXPECT_FALSE(a.Tagged());
  EXPECT_EQ(archive->Items(2).CompressionMethod(), 8);
  EXPECT_EQ(archive->Items(2).DeflationOption(), TAbZipDeflationOption::doMaximum);
  EXPECT_EQ(archive->FindFile(u"B.BIN"), 2);
  EXPECT_EQ(archive->Info().TotalEntries(), 3);
  EXPECT_FALSE(archive->IsExecutable());
  EXPECT_FALSE(archive->Spanned());
  EXPECT_EQ(archive->CurrentDisk(), 0);
}

struct LoadCase {
  const char* what;
  std::string bytes;
  int entries;            // -1: loading fails
  const char16_t* error;  // class name of the failure
};

std::vector<LoadCase> LoadCases() {
  std::vector<LoadCase> cases;
  cases.push_back({"empty archive: end record only", ziptest::EndRecord(0, 0, 0), 0, nullptr});
  cases.push_back({"empty stream", "", 0, nullptr});
  {
    Layout layout;
    layout.totalEntries = 5;
    layout.entriesOnDisk = 5;
    cases.push_back({"more records than counted", BuildZip(Entries(7), layout), 7, nullptr});
  }
  {
    Layout layout;
    layout.totalEntries = 60000;
    layout.entriesOnDisk = 60000;
    cases.push_back({"far fewer records than counted", BuildZip(Entries(2), layout), 2, nullptr});
  }
  {
    Layout layout;
    layout.directoryOffset = 0xFFFFFFFFu;
    cases.push_back(
        {"ZIP64 directory offset with counted entries", BuildZip(Entries(2), layout), -1, u"EAbZipInvalid"});
  }
  {
    // The directory offset points at the end record itself while entries are counted.
    const std::string records = BuildZip(Entries(1));
    Layout layout;
    layout.directoryOffset = static_cast<std::uint32_t>(records.size() - 22);
    cases.push_back({"directory offset at the end record with counted entries", BuildZip(Entries(1), layout),
                     -1, u"EAbZipInvalid"});
  }
  {
    Layout layout;
    layout.directoryOffset = 0xFFFFFFFFu;
    layout.totalEntries = 0;
    layout.entriesOnDisk = 0;
    cases.push_back({"no records and none counted", BuildZip(Entries(1), layout), 0, nullptr});
  }
  {
    Layout layout;
    layout.totalEntries = 0;
    cases.push_back({"records behind an end record that counts none", BuildZip(Entries(3), layout), -1,
                     u"EAbZipInvalid"});
  }
  {
    Layout layout;
    layout.beforeEndRecord = std::string("PK\x06\x06", 4) + std::string(52, '\0');
    cases.push_back(
        {"ZIP64 end record before the end record", BuildZip(Entries(2), layout), -1, u"EAbZipInvalid"});
  }
  {
    Layout layout;
    layout.directoryOffset = 3;
    cases.push_back({"directory offset into the data", BuildZip(Entries(2), layout), -1, u"EAbZipInvalid"});
  }
  {
    Layout layout;
    layout.prefix = "MZ" + std::string(200, 'x');
    cases.push_back(
        {"stub before the archive, offsets counting it", BuildZip(Entries(2), layout), 2, nullptr});
    layout.offsetsCountPrefix = false;
    cases.push_back({"stub before the archive, offsets not counting it", BuildZip(Entries(2), layout), -1,
                     u"EAbZipInvalid"});
  }
  {
    Layout layout;
    layout.prefix = std::string("PK\x07\x08", 4);
    cases.push_back(
        {"multi-part marker with an end record on disk 0", BuildZip(Entries(3), layout), 3, nullptr});
  }
  {
    // Extra length runs past the end of the file: the exact read fails.
    std::string bytes = BuildZip({ziptest::Entry("a", "x")});
    const std::size_t central = bytes.size() - 22 - 47;
    bytes[central + 30] = '\x40';
    bytes.resize(central + 46 + 1);
    bytes += ziptest::EndRecord(1, 47, static_cast<std::uint32_t>(central));
    cases.push_back({"extra field cut short", bytes, -1, u"EReadError"});
  }
  for (const std::size_t field : {28u, 32u}) {
    // A name (28) or comment (32) length that runs past the end of the file: it holds what
    // the file still has, and the record ends the directory.
    std::string bytes = BuildZip({ziptest::Entry("a", "x")});
    const std::size_t central = bytes.size() - 22 - 47;
    bytes[central + field + 1] = '\x40';
    cases.push_back({field == 28 ? "name cut short" : "comment cut short", bytes, 1, nullptr});
  }
  cases.push_back({"not an archive", std::string(300, 'z'), -1, u"EAbZipInvalid"});
  return cases;
}

TEST(ZipArchive, LoadDirectoryOutcomes) {
  for (const LoadCase& c : LoadCases()) {
    SCOPED_TRACE(c.what);
    auto archive = ArchiveOf(c.bytes);
    if (c.entries >= 0) {
      ASSERT_NO_THROW(archive->Load());
      EXPECT_EQ(archive->Count(), c.entries);
    } else {
      try {
        archive->Load();
        ADD_FAILURE() << "loading did not fail";
      } catch (const Exception& e) {
        EXPECT_EQ(e.ClassName(), c.error);
      }
    }
  }
}

struct OverlapCase {
  const char* what;
  std::string bytes;
  std::vector<bool> overlapping;  // by directory order
};

std::vector<OverlapCase> OverlapCases() {
  using ziptest::BuildZipOverData;
  using ziptest::LocalHeader;
  std::vector<OverlapCase> cases;
  const Entry shared = Entry("shared.bin", std::string(1000, 's')).Method(0);
  const std::string sharedBytes = LocalHeader(shared) + shared.data;
  {
    std::vector<std::pair<Entry, std::uint32_t>> records;
    for (int i = 0; i < 20; ++i) records.emplace_back(Entry("copy" + std::to_string(i), shared.data), 0);
    std::vector<bool> overlapping(20, true);
    overlapping[0] = false;
    cases.push_back({"twenty records over one entry", BuildZipOverData(sharedBytes, records), overlapping});
  }
  const Entry a = Entry("a.txt", "alpha");
  const Entry b = Entry("b.txt", "beta");
  const std::string aBytes = LocalHeader(a) + a.data;
  const std::string bBytes = LocalHeader(b) + b.data;
  const auto bOffset = static_cast<std::uint32_t>(aBytes.size());
  cases.push_back({"records in another order than the data",
                   BuildZipOverData(aBytes + bBytes, {{b, bOffset}, {a, 0}}),
                   {false, false}});
  {
    // The first entry's recorded size takes in the second one: the second, though listed
    // first, is the later one in the file.
    Entry wide = a;
    wide.CompressedSize(static_cast<std::uint32_t>(a.data.size() + bBytes.size()));
    cases.push_back({"an entry inside another one's data",
                     BuildZipOverData(aBytes + bBytes, {{b, bOffset}, {wide, 0}}),
                     {true, false}});
  }
  {
    Entry intoDirectory = b;
    intoDirectory.CompressedSize(static_cast<std::uint32_t>(b.data.size() + 1));
    cases.push_back({"an entry reaching into the directory",
                     BuildZipOverData(aBytes + bBytes, {{a, 0}, {intoDirectory, bOffset}}),
                     {false, true}});
  }
  {
    // The local header's extra field, which the central record does not have, runs into
    // the next entry.
    Entry longHeader = a;
    longHeader.LocalExtra(ziptest::ExtraField(0x5455, std::string(40, 'e')));
    const Entry next = Entry("next.txt", std::string(100, 'n'));
    const std::string headerOnly = LocalHeader(longHeader);
    const std::string data = headerOnly.substr(0, headerOnly.size() - 40) + a.data;
    cases.push_back({"a local extra field running into the next entry",
                     BuildZipOverData(data + LocalHeader(next) + next.data,
                                      {{a, 0}, {next, static_cast<std::uint32_t>(data.size())}}),
                     {false, true}});
  }
  {
    // Sizes in a descriptor behind the data, a local extra field the central record
    // lacks, empty entries and a program before the archive: nothing overlaps.
    Layout layout;
    layout.prefix = "MZ" + std::string(300, 'x');
    std::string described = "described data";
    Entry descriptor = Entry("described.txt", described).Flags(8).LocalSizesZero();
    descriptor.data += std::string("PK\x07\x08", 4) +
                       ziptest::Le32(Crc32(described.data(), described.size())) + ziptest::Le32(14) +
                       ziptest::Le32(14);
    descriptor.Crc(Crc32(described.data(), described.size())).CompressedSize(14).UncompressedSize(14);
    cases.push_back({"descriptors, extra fields, empty entries and a stub",
                     BuildZip({descriptor, Entry("empty1"), Entry("empty2"),
                               Entry("extra.txt", "x").LocalExtra(ziptest::ExtraField(0x5455, "12345")),
                               Entry("folder/").ExternalAttributes(0x10), Entry("last.txt", "last")},
                              layout),
                     std::vector<bool>(6, false)});
  }
  return cases;
}

// Entries whose bytes lie over another entry's or over the directory are marked when the
// directory is loaded; the first in the file (and, at one offset, in the directory) is kept.
TEST(ZipArchive, MarksEntriesThatLieOverAnotherOrTheDirectory) {
  for (const OverlapCase& c : OverlapCases()) {
    SCOPED_TRACE(c.what);
    auto archive = ArchiveOf(c.bytes);
    archive->Load();
    ASSERT_EQ(archive->Count(), static_cast<int>(c.overlapping.size()));
    for (int i = 0; i < archive->Count(); ++i)
      EXPECT_EQ(archive->Items(i).Overlapping(), c.overlapping[i]) << i;
  }
}

TEST(ZipArchive, LoadingAgainListsEveryEntryOnce) {
  auto archive = ArchiveOf(BuildZip(Entries(3)));
  archive->Load();
  archive->SetCurrentItem(&archive->Items(0));
  archive->Load();
  EXPECT_EQ(archive->Count(), 3);
  EXPECT_EQ(archive->CurrentItem(), nullptr);
  EXPECT_EQ(archive->FindFile(u"file2"), 2);
}

TEST(ZipArchive, ReportsProgressAboveOneHundredWhenRecordsExceedTheCount) {
  Layout layout;
  layout.totalEntries = 5;
  auto archive = ArchiveOf(BuildZip(Entries(7), layout));
  std::vector<int> progress;
  archive->OnArchiveProgress = [&](TAbArchive&, std::uint8_t p, bool&) { progress.push_back(p); };
  archive->Load();
  EXPECT_EQ(progress, (std::vector<int>{20, 40, 60, 80, 100, 120, 140, 100}));
}

TEST(ZipArchive, AnAbortWhileLoadingLeavesTheArchiveInvalid) {
  auto archive = ArchiveOf(BuildZip(Entries(3)));
  archive->OnArchiveProgress = [](TAbArchive&, std::uint8_t p, bool& abort) { abort = p >= 66; };
  int loads = 0;
  archive->OnLoad = [&](TAbArchive&) { ++loads; };
  EXPECT_EQ(Raised<EAbUserAbort>([&] { archive->Load(); }).ErrorCode(), 9);
  EXPECT_EQ(archive->Status(), TAbArchiveStatus::asInvalid);
  EXPECT_EQ(archive->Count(), 2);
  EXPECT_EQ(loads, 1);  // reported although loading raised
}

TEST(ZipArchive, KeepsTheSmallestOffsetOfAnExecutableAsStubSize) {
  Layout layout;
  layout.prefix = "MZ" + std::string(98, '\x90');
  auto archive = ArchiveOf(BuildZip(Entries(2), layout));
  archive->Load();
  EXPECT_TRUE(archive->IsExecutable());
  EXPECT_EQ(archive->StubSize(), 100u);
}

TEST(ZipArchive, EntriesReadBeforeAFailureStayInTheList) {
  Layout layout;
  layout.beforeEndRecord = std::string(60, 'j');
  auto archive = ArchiveOf(BuildZip(Entries(4), layout));
  EXPECT_THROW(archive->Load(), EAbZipInvalid);
  EXPECT_EQ(archive->Count(), 4);
}

TEST(ZipArchive, HelperSlotsReceiveTheEntryAndUnassignedOnesRefuse) {
  auto archive = ArchiveOf(BuildZip(Entries(3)));
  archive->Load();
  EXPECT_EQ(Raised<EAbZipNoExtraction>([&] { archive->ExtractEntryAt(1, u"x"); }).ErrorCode(), 3);
  EXPECT_THROW(archive->TestEntryAt(0), EAbZipNoExtraction);
  TMemoryStream sink;
  EXPECT_THROW(archive->ExtractEntryToStreamAt(0, sink), EAbZipNoExtraction);

  String seen;
  archive->ExtractHelper = [&](TAbZipArchive& sender, TAbZipItem& item, const String& newName) {
    EXPECT_EQ(&sender, archive.get());
    seen = item.FileName() + u"->" + newName;
  };
  archive->ExtractToStreamHelper = [&](TAbZipArchive&, TAbZipItem& item, TStream& out) {
    out.WriteBuffer(item.FileName().data(), 2);
  };
  archive->TestHelper = [&](TAbZipArchive&, TAbZipItem& item) { seen = u"tested " + item.FileName(); };
  archive->ExtractEntryAt(1, u"target");
  EXPECT_EQ(seen, u"file1->target");
  archive->ExtractEntryToStreamAt(2, sink);
  EXPECT_EQ(sink.Size(), 2);
  archive->TestEntryAt(0);
  EXPECT_EQ(seen, u"tested file0");
}

TEST(ZipArchive, ProgressOfTheDecodingSideReachesTheCurrentEntry) {
  auto archive = ArchiveOf(BuildZip(Entries(2)));
  archive->Load();
  std::vector<String> seen;
  archive->OnArchiveItemProgress = [&](TAbArchive&, TAbArchiveItem& item, std::uint8_t p, bool& abort) {
    seen.push_back(item.FileName() + u":" + static_cast<char16_t>(u'0' + p / 10));
    abort = p == 90;
  };
  bool abort = true;
  archive->OnProgress(50, abort);  // no current entry: nothing reported
  EXPECT_FALSE(abort);
  archive->SetCurrentItem(&archive->Items(1));
  archive->OnProgress(50, abort);
  EXPECT_FALSE(abort);
  archive->OnProgress(90, abort);
  EXPECT_TRUE(abort);
  EXPECT_EQ(seen, (std::vector<String>{u"file1:5", u"file1:9"}));
}

TEST(ZipArchive, BaseDirectoryRule) {
  auto archive = ArchiveOf(BuildZip(Entries(1)));
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  const String dir = FromUtf8(cwd);
  archive->SetBaseDirectory(dir + platform::PathDelim);
  EXPECT_EQ(archive->BaseDirectory(), dir);
  archive->SetBaseDirectory(u"");
  EXPECT_EQ(archive->BaseDirectory(), u"");
  archive->SetBaseDirectory(u"/");
  EXPECT_EQ(archive->BaseDirectory(), u"/");
  EXPECT_EQ(Raised<EAbNoSuchDirectory>([&] { archive->SetBaseDirectory(dir + u"/no/such/dir"); }).ErrorCode(),
            15);
  EXPECT_EQ(archive->BaseDirectory(), u"/");
}

class ZipArchiveFiles : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(FTemp.Path().empty());
    FDir = FTemp.Path().string();
  }
  String Write(const std::string& name, const std::string& bytes) {
    const std::string path = FDir + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return FromUtf8(path);
  }
  TTempDirectory FTemp;
  std::string FDir;
};

TEST_F(ZipArchiveFiles, OpensByAbsolutePathOnly) {
  const String path = Write("update.zip", BuildZip(Entries(2)));
  TAbZipArchive archive(path, fmOpenRead | fmShareDenyNone);
  archive.Load();
  EXPECT_EQ(archive.Count(), 2);
  EXPECT_TRUE(archive.OwnsStream());
  EXPECT_EQ(archive.Mode(), fmOpenRead | fmShareDenyNone);

  const EAbException relative = Raised<EAbException>([] { TAbZipArchive(u"update.zip", fmOpenRead); });
  EXPECT_EQ(relative.Message(), u"Full Path Required");
  EXPECT_EQ(relative.ErrorCode(), 0);
  EXPECT_THROW(TAbZipArchive(FromUtf8(FDir) + u"/missing.zip", fmOpenRead), EFOpenError);
}

TEST_F(ZipArchiveFiles, AMarkerWithoutEndRecordLooksForTheNextPart) {
  Layout layout;
  layout.prefix = std::string("PK\x07\x08", 4);
  std::string bytes = BuildZip(Entries(2), layout);
  bytes.resize(bytes.size() - 22 - 2 * 51);  // no directory, no end record
  const String path = Write("update.zip", bytes);
  {
    TAbZipArchive archive(path, fmOpenRead);
    EXPECT_EQ(archive.PartFileName(1), FromUtf8(FDir) + u"/update.z02");
    EXPECT_EQ(Raised<EAbFileNotFound>([&] { archive.Load(); }).Message(), u"File not found");
  }
  // The next part exists: reading across parts is refused, never attempted.
  Write("update.z02", "part two");
  TAbZipArchive archive(path, fmOpenRead);
  EXPECT_THROW(archive.Load(), EAbZipInvalid);
}

TEST_F(ZipArchiveFiles, AnEndRecordOnAnotherDiskAsksForTheDirectoryPart) {
  Layout layout;
  layout.diskNumber = 2;
  layout.startDiskNumber = 1;
  const String path = Write("set.zip", BuildZip(Entries(1), layout));
  TAbZipArchive archive(path, fmOpenRead);
  EXPECT_THROW(archive.Load(), EAbFileNotFound);
  EXPECT_TRUE(archive.Spanned());
  EXPECT_TRUE(archive.AutoGen());
  EXPECT_EQ(archive.CurrentDisk(), 2);
}

}  // namespace
