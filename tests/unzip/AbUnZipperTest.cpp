#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "core/Crc32.h"
#include "core/Exception.h"
#include "platform/Files.h"
#include "support/TempDirectory.h"
#include "support/ZipCipher.h"
#include "support/ZipWriter.h"
#include "unzip/AbExtractFailures.h"
#include "unzip/AbUnZipper.h"
#include "zip/AbException.h"

namespace {

struct Failure {
  std::string name;
  TAbErrorClass errorClass;
  std::int32_t errorCode;
  std::string exceptionClass;
};

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st.st_mode & 07777;
}

const TAbExtractOptions kRestorePaths{TAbExtractOption::eoCreateDirs, TAbExtractOption::eoRestorePath};

class UnZipperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unzipper.OnProcessItemFailure = [this](TAbArchive&, TAbArchiveItem& item, TAbProcessType,
                                           TAbErrorClass errorClass, std::int32_t errorCode) {
      std::string exceptionClass;
      try {
        if (unzipper.LastItemException()) std::rethrow_exception(unzipper.LastItemException());
      } catch (const Exception& e) {
        exceptionClass = ToUtf8(e.ClassName());
      }
      failures.push_back({ToUtf8(item.FileName()), errorClass, errorCode, exceptionClass});
    };
  }
  // Writes the archive as update.zip in the folder and opens it with the folder as base.
  void Open(const std::vector<TTestZipEntry>& entries, const TTestZipOptions& options = {}) {
    TTestZipWriter::WriteFile(ArchivePath(), TTestZipWriter::Build(entries, options));
    unzipper.OpenArchive(FromUtf8(ArchivePath()));
    unzipper.SetBaseDirectory(FromUtf8(dir.Path().string()));
  }
  std::string ArchivePath() const { return dir / "update.zip"; }
  std::string Read(const std::string& name) const { return TTempDirectory::ReadFile(dir / name); }
  void Write(const std::string& name, const std::string& bytes) const {
    TTempDirectory::WriteFile(dir / name, bytes);
  }
  bool Exists(const std::string& name) const {
    return std::filesystem::exists(std::filesystem::symlink_status(dir / name));
  }
  int LeftOvers() const {
    int n = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path()))
      if (e.path().filename().string().starts_with(".fendrel-")) ++n;
    return n;
  }

  TTempDirectory dir;
  TAbUnZipper unzipper;
  std::vector<Failure> failures;
};

TEST_F(UnZipperTest, DefaultsWriteBareNamesAndSkipFolders) {
  EXPECT_EQ(unzipper.ExtractOptions(), TAbExtractOptions{TAbExtractOption::eoCreateDirs});
  EXPECT_EQ(unzipper.PasswordRetries(), 3);
  EXPECT_EQ(unzipper.Status(), TAbArchiveStatus::asInvalid);
  EXPECT_EQ(unzipper.Version(), u"4.0");
  Open({{.name = "app.exe", .data = "MZ new"},
        {.name = "data/", .data = "", .externalAttributes = 0x10},
        {.name = "data/config.ini", .data = "[x]"},
        {.name = "../../evil.txt", .data = "evil"}});
  EXPECT_EQ(unzipper.Count(), 4);
  EXPECT_EQ(unzipper.ArchiveType(), TAbArchiveType::atZip);
  unzipper.ExtractFiles(u"*");
  EXPECT_EQ(Read("app.exe"), "MZ new");
  EXPECT_EQ(Read("config.ini"), "[x]");
  EXPECT_EQ(Read("evil.txt"), "evil");
  EXPECT_FALSE(Exists("data"));
  EXPECT_TRUE(failures.empty());
  const TDateTimeParts stamp = DecodeDateTime(platform::FileGetDate(FromUtf8(dir / "app.exe")));
  EXPECT_EQ(stamp.Year, 2024);
  EXPECT_EQ(stamp.Hour, 12);
  EXPECT_EQ(stamp.Second, 56);
  unzipper.CloseArchive();
  EXPECT_EQ(unzipper.Count(), 0);
  EXPECT_EQ(unzipper.FileName(), u"");
}

TEST_F(UnZipperTest, RestoredPathsCreateFoldersBelowTheBase) {
  unzipper.SetExtractOptions(kRestorePaths);
  Open({{.name = "data/", .data = "", .externalAttributes = 0x10},
        {.name = "data/config.ini", .data = "[x]"},
        {.name = "deep/x/y/z.txt", .data = "z"},
        {.name = "./a/./b.txt", .data = "b"}});
  unzipper.ExtractFiles(u"*");
  EXPECT_EQ(Read("data/config.ini"), "[x]");
  EXPECT_EQ(Read("deep/x/y/z.txt"), "z");
  EXPECT_EQ(Read("a/b.txt"), "b");
  EXPECT_TRUE(failures.empty());
}

TEST_F(UnZipperTest, DefaultBaseDirectoryIsTheWorkingDirectory) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::create_directory(dir.Path() / "cwd");
  std::filesystem::current_path(dir.Path() / "cwd");
  TTestZipWriter::WriteFile(ArchivePath(), TTestZipWriter::Build({{.name = "a/app.exe", .data = "x"}}));
  unzipper.OpenArchive(FromUtf8(ArchivePath()));
  EXPECT_EQ(unzipper.BaseDirectory(), u"");
  EXPECT_EQ(unzipper.ZipArchive()->BaseDirectory(), u"");
  unzipper.ExtractFiles(u"*");
  std::filesystem::current_path(previous);
  EXPECT_EQ(Read("cwd/app.exe"), "x");
}

TEST_F(UnZipperTest, OpeningFailsAsStatedAndWritesNothing) {
  const std::string zip = TTestZipWriter::Build({{.name = "a.txt", .data = "a"}});
  Write("empty.zip", "");
  Write("text.zip", "this is not an archive at all, just some text");
  Write("zip.cab", zip);
  Write("update.dat", zip);
  Write("zip64.zip",
        TTestZipWriter::Build({{.name = "a.txt", .data = "a"}}, {.directoryOffset = 0xFFFFFFFF}));
  struct Case {
    std::string path;
    std::function<void()> check;
  };
  const auto expectCode = [this](const std::string& path, int code) {
    try {
      unzipper.OpenArchive(FromUtf8(path));
      ADD_FAILURE() << path << " opened";
    } catch (const EAbException& e) {
      EXPECT_EQ(e.ErrorCode(), code) << path << ": " << e.what();
    }
  };
  expectCode(dir / "missing.zip", 21);
  expectCode(dir.Path().string(), 21);
  expectCode(dir / "empty.zip", 17);
  expectCode(dir / "text.zip", 28);
  expectCode(dir / "zip.cab", 28);
  expectCode(dir / "zip64.zip", 24);
  EXPECT_EQ(TTempDirectory::ReadFile(dir / "text.zip"), "this is not an archive at all, just some text");

  unzipper.OpenArchive(FromUtf8(dir / "update.dat"));
  EXPECT_EQ(unzipper.Count(), 1);
  // A missing file leaves the open archive open.
  EXPECT_THROW(unzipper.OpenArchive(FromUtf8(dir / "missing.zip")), EAbFileNotFound);
  EXPECT_EQ(unzipper.Count(), 1);

  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  try {
    unzipper.OpenArchive(u"update.dat");
    ADD_FAILURE() << "a relative path opened";
  } catch (const EAbException& e) {
    EXPECT_EQ(ToUtf8(e.Message()), "Full Path Required");
  }
  std::filesystem::current_path(previous);
}

// An archive opened from a stream is read from that stream alone, which the component
// frees on close; the name only names it. Opening fails as it does for such a file.
TEST_F(UnZipperTest, AnArchiveOpenedFromAStreamIsReadFromItAlone) {
  const auto streamOf = [](const std::string& bytes) {
    auto stream = std::make_unique<TMemoryStream>();
    stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return stream;
  };
  const String name = FromUtf8(ArchivePath());  // no file of that name exists
  unzipper.OpenArchive(streamOf(TTestZipWriter::Build({{.name = "app.exe", .data = "MZ new"}})), name);
  EXPECT_EQ(unzipper.FileName(), name);
  EXPECT_EQ(unzipper.Count(), 1);
  EXPECT_EQ(unzipper.ArchiveType(), TAbArchiveType::atZip);
  unzipper.SetBaseDirectory(FromUtf8(dir.Path().string()));
  unzipper.ExtractFiles(u"*");
  EXPECT_EQ(Read("app.exe"), "MZ new");
  EXPECT_TRUE(failures.empty());
  unzipper.CloseArchive();
  EXPECT_EQ(unzipper.Count(), 0);
  EXPECT_EQ(unzipper.FileName(), u"");
  EXPECT_FALSE(Exists("update.zip"));

  const struct {
    const char* Bytes;
    const char* Name;
    int Code;
  } failing[] = {
      {"", "update.zip", 17},
      {"this is not an archive at all, just some text", "update.zip", 28},
  };
  for (const auto& c : failing) {
    try {
      unzipper.OpenArchive(streamOf(c.Bytes), FromUtf8(dir / c.Name));
      ADD_FAILURE() << c.Bytes << " opened";
    } catch (const EAbException& e) {
      EXPECT_EQ(e.ErrorCode(), c.Code) << c.Bytes << ": " << e.what();
    }
  }
  const std::string zip = TTestZipWriter::Build({{.name = "a.txt", .data = "a"}});
  EXPECT_THROW(unzipper.OpenArchive(streamOf(zip), FromUtf8(dir / "zip.cab")), EAbUnhandledType);
}

TEST_F(UnZipperTest, AFailedEntryKeepsTheOldFileAndTheOthersAreWritten) {
  const std::vector<std::string> names{"damaged.txt",  "crc.txt",    "empty.txt",
                                       "readonly.txt", "method.txt", "past-size.txt"};
  for (const auto& name : names) Write(name, "old contents");
  ::chmod((dir / "readonly.txt").c_str(), 0444);
  Open({{.name = "damaged.txt", .data = "new contents", .payload = std::string("new")},
        {.name = "crc.txt", .data = "new contents", .crc = 0x12345678},
        {.name = "empty.txt", .data = "", .crc = 0x12345678},
        {.name = "readonly.txt", .data = "new contents"},
        {.name = "method.txt", .data = "new contents", .method = 99},
        {.name = "past-size.txt",
         .data = "new contents",
         .payload = TTestZipWriter::StoredDeflate("new contents"),
         .method = 8,
         .uncompressedSize = 4},
        {.name = "good.txt", .data = "good"}});
  unzipper.ExtractFiles(u"*");
  for (const auto& name : names) EXPECT_EQ(Read(name), "old contents") << name;
  EXPECT_EQ(ModeOf(dir / "readonly.txt"), 0444u);
  EXPECT_EQ(Read("good.txt"), "good");
  EXPECT_EQ(LeftOvers(), 0);
  ASSERT_EQ(failures.size(), 6u);
  EXPECT_EQ(failures[0].errorClass, TAbErrorClass::ecFilerError);
  EXPECT_EQ(failures[0].exceptionClass, "EReadError");
  EXPECT_EQ(failures[1].errorClass, TAbErrorClass::ecKolmira);
  EXPECT_EQ(failures[1].errorCode, 19);
  EXPECT_EQ(failures[1].exceptionClass, "EAbZipBadCRC");
  EXPECT_EQ(failures[2].errorCode, 19);
  EXPECT_EQ(failures[3].errorClass, TAbErrorClass::ecFileCreateError);
  EXPECT_EQ(failures[3].exceptionClass, "EFCreateError");
  EXPECT_EQ(failures[4].errorCode, 2);
  EXPECT_EQ(failures[4].exceptionClass, "EAbZipInvalidMethod");
  EXPECT_EQ(failures[5].errorCode, 105);
  EXPECT_EQ(failures[5].exceptionClass, "EAbZipSizeExceeded");
}

// Twenty records over one deflated entry: its data is written once, under the first record's
// name, and every other record fails on its own, as does an entry whose data reaches into
// the directory; an entry beside them is written.
TEST_F(UnZipperTest, EntriesOverAnotherEntryOrTheDirectoryFailOneByOne) {
  const std::string content(5000, 'x');
  const auto deflated = [&](const std::string& name) {
    return ziptest::Entry(name, TTestZipWriter::StoredDeflate(content))
        .Method(8)
        .UncompressedSize(static_cast<std::uint32_t>(content.size()))
        .Crc(Crc32(content.data(), content.size()));
  };
  const ziptest::Entry fine("fine.txt", "fine");
  ziptest::Entry reaching("reaching.txt", "reaching");
  std::string data = ziptest::LocalHeader(deflated("copy0.bin")) + deflated("copy0.bin").data;
  const auto fineOffset = static_cast<std::uint32_t>(data.size());
  data += ziptest::LocalHeader(fine) + fine.data;
  const auto reachingOffset = static_cast<std::uint32_t>(data.size());
  data += ziptest::LocalHeader(reaching) + reaching.data;
  reaching.CompressedSize(static_cast<std::uint32_t>(reaching.data.size() + 10));
  std::vector<std::pair<ziptest::Entry, std::uint32_t>> records;
  for (int i = 0; i < 20; ++i) records.emplace_back(deflated("copy" + std::to_string(i) + ".bin"), 0);
  records.emplace_back(fine, fineOffset);
  records.emplace_back(reaching, reachingOffset);
  TTempDirectory::WriteFile(ArchivePath(), ziptest::BuildZipOverData(data, records));
  unzipper.OpenArchive(FromUtf8(ArchivePath()));
  unzipper.SetBaseDirectory(FromUtf8(dir.Path().string()));

  unzipper.ExtractFiles(u"*");
  EXPECT_EQ(Read("copy0.bin"), content);
  EXPECT_EQ(Read("fine.txt"), "fine");
  for (int i = 1; i < 20; ++i)
    EXPECT_FALSE(std::filesystem::exists(dir / ("copy" + std::to_string(i) + ".bin")));
  EXPECT_FALSE(std::filesystem::exists(dir / "reaching.txt"));
  EXPECT_EQ(LeftOvers(), 0);
  ASSERT_EQ(failures.size(), 20u);
  EXPECT_EQ(failures.back().name, "reaching.txt");
  for (const auto& failure : failures) {
    EXPECT_EQ(failure.errorClass, TAbErrorClass::ecKolmira) << failure.name;
    EXPECT_EQ(failure.errorCode, 106) << failure.name;
    EXPECT_EQ(failure.exceptionClass, "EAbZipOverlappingEntry") << failure.name;
  }

  // Extracting one of them to a stream is refused the same way.
  failures.clear();
  TMemoryStream out;
  unzipper.ExtractToStream(u"copy7.bin", out);
  EXPECT_EQ(out.Size(), 0);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].exceptionClass, "EAbZipOverlappingEntry");
}

TEST_F(UnZipperTest, EncryptedEntriesFailOneByOneWithoutAPasswordAndUseTheOneAskedFor) {
  for (const auto& name : {"a.txt", "b.txt", "plain.txt"}) Write(name, "old contents");
  Open({TTestZipCipher::Encrypted({.name = "a.txt", .data = "new a"}, "pw"),
        {.name = "plain.txt", .data = "new plain"},
        TTestZipCipher::Encrypted({.name = "b.txt", .data = "new b"}, "pw")});
  unzipper.ExtractFiles(u"*");
  EXPECT_EQ(Read("a.txt"), "old contents");
  EXPECT_EQ(Read("b.txt"), "old contents");
  EXPECT_EQ(Read("plain.txt"), "new plain");
  ASSERT_EQ(failures.size(), 2u);
  for (const auto& failure : failures) {
    EXPECT_EQ(failure.errorCode, 4) << failure.name;
    EXPECT_EQ(failure.exceptionClass, "EAbZipInvalidPassword") << failure.name;
  }

  // The component's handler answers once; its answer becomes its password.
  failures.clear();
  int requests = 0;
  unzipper.OnNeedPassword = [&](TAbZipArchive&, std::string& password) {
    ++requests;
    password = "pw";
  };
  unzipper.ExtractFiles(u"*");
  EXPECT_EQ(Read("a.txt"), "new a");
  EXPECT_EQ(Read("b.txt"), "new b");
  EXPECT_TRUE(failures.empty());
  EXPECT_EQ(requests, 1);
  EXPECT_EQ(unzipper.Password(), "pw");
}

TEST_F(UnZipperTest, RefusedNamesAndPathsAreFailuresOfTheirEntry) {
  unzipper.SetExtractOptions(kRestorePaths);
  const std::string outside = dir / "outside";
  std::filesystem::create_directory(outside);
  ASSERT_EQ(::symlink(outside.c_str(), (dir / "linked").c_str()), 0);
  Open({{.name = "../up.txt", .data = "x"},
        {.name = "a//b.txt", .data = "x"},
        {.name = "a/b:c.txt", .data = "x"},
        {.name = std::string("nul\0byte.txt", 12), .data = "x"},
        {.name = "aux.txt", .data = "x"},
        {.name = "linked/x.txt", .data = "x"},
        {.name = "linked/", .data = "", .externalAttributes = 0x10},
        {.name = "fine.txt", .data = "fine"}});
  unzipper.ExtractFiles(u"*");
  EXPECT_EQ(Read("fine.txt"), "fine");
  EXPECT_TRUE(std::filesystem::is_empty(outside));
  const std::vector<int> codes{102, 102, 102, 101, 101, 103, 103};
  ASSERT_EQ(failures.size(), codes.size());
  for (size_t i = 0; i < codes.size(); ++i) {
    EXPECT_EQ(failures[i].errorClass, TAbErrorClass::ecKolmira) << failures[i].name;
    EXPECT_EQ(failures[i].errorCode, codes[i]) << failures[i].name;
  }
  EXPECT_FALSE(Exists("up.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path().parent_path() / "up.txt") &&
               TTempDirectory::ReadFile((dir.Path().parent_path() / "up.txt").string()) == "x");
}

TEST_F(UnZipperTest, TheOpenArchiveIsNeverItsOwnTarget) {
  const std::string zip = TTestZipWriter::Build({{.name = "update.zip", .data = "not the archive"}});
  TTestZipWriter::WriteFile(ArchivePath(), zip);
  unzipper.OpenArchive(FromUtf8(ArchivePath()));
  // The base directory names the archive's folder by another spelling.
  std::filesystem::create_directory(dir.Path() / "sub");
  unzipper.SetBaseDirectory(FromUtf8(dir.Path().string() + "/sub/.."));
  unzipper.ExtractFiles(u"*");
  unzipper.CloseArchive();
  EXPECT_EQ(TTempDirectory::ReadFile(ArchivePath()), zip);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].errorCode, 104);
  EXPECT_EQ(failures[0].exceptionClass, "EAbZipTargetIsArchive");
}

TEST_F(UnZipperTest, ALinkAtTheTargetIsReplacedNotWrittenThrough) {
  const std::string outside = dir / "outside.txt";
  TTempDirectory::WriteFile(outside, "keep");
  ASSERT_EQ(::symlink(outside.c_str(), (dir / "target.txt").c_str()), 0);
  Open({{.name = "target.txt", .data = "new"}});
  unzipper.ExtractFiles(u"*");
  EXPECT_EQ(TTempDirectory::ReadFile(outside), "keep");
  EXPECT_EQ(platform::PathKindOf(FromUtf8(dir / "target.txt")), platform::TPathKind::pkFile);
  EXPECT_EQ(Read("target.txt"), "new");
}

TEST_F(UnZipperTest, PermissionsFollowTheOldFileAndTheEntry) {
  Write("tool", "old");
  ::chmod((dir / "tool").c_str(), 0755);
  Open(
      {{.name = "tool", .data = "new tool"},
       {.name = "script.sh", .data = "#!/bin/sh", .versionMadeBy = 0x031E, .externalAttributes = 0x81ED0000u},
       {.name = "setid", .data = "x", .versionMadeBy = 0x031E, .externalAttributes = 0x8DED0000u},
       {.name = "readonly.txt", .data = "r", .versionMadeBy = 0x031E, .externalAttributes = 0x81240000u},
       {.name = "link.txt",
        .data = "target.txt",
        .versionMadeBy = 0x031E,
        .externalAttributes = 0xA1FF0000u}});
  unzipper.ExtractFiles(u"*");
  EXPECT_TRUE(failures.empty());
  EXPECT_EQ(Read("tool"), "new tool");
  EXPECT_EQ(ModeOf(dir / "tool"), 0755u);
  EXPECT_EQ(ModeOf(dir / "script.sh") & 0100, 0100u);
  EXPECT_EQ(ModeOf(dir / "setid") & 07000, 0u);
  EXPECT_EQ(ModeOf(dir / "readonly.txt") & 0222, 0u);
  EXPECT_EQ(platform::PathKindOf(FromUtf8(dir / "link.txt")), platform::TPathKind::pkFile);
  EXPECT_EQ(Read("link.txt"), "target.txt");
  EXPECT_EQ(ModeOf(dir / "link.txt") & 0111, 0u);
}

TEST_F(UnZipperTest, AnInvalidDateKeepsTheFileWithoutDateAndAttributes) {
  Open({{.name = "month0.txt", .data = "m", .externalAttributes = 0x01, .dosDate = 0x5801}});
  unzipper.ExtractFiles(u"*");
  EXPECT_EQ(Read("month0.txt"), "m");
  EXPECT_NE(ModeOf(dir / "month0.txt") & 0200, 0u);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].errorClass, TAbErrorClass::ecOther);
  EXPECT_EQ(failures[0].exceptionClass, "EConvertError");
}

TEST_F(UnZipperTest, TestingReportsOrRaisesACrcFailure) {
  Open({{.name = "good.txt", .data = "good"}, {.name = "bad.txt", .data = "bad", .crc = 1}});
  unzipper.TagItems(u"*");
  unzipper.TestTaggedItems();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].name, "bad.txt");
  EXPECT_EQ(failures[0].exceptionClass, "EAbZipBadCRC");

  unzipper.OnProcessItemFailure = nullptr;
  EXPECT_THROW(unzipper.TestTaggedItems(), EAbZipBadCRC);
  unzipper.ClearTags();
  unzipper.TagItems(u"good.txt");
  EXPECT_NO_THROW(unzipper.TestTaggedItems());
}

TEST_F(UnZipperTest, ExtractToStreamAndMasks) {
  Open({{.name = "Dir/Readme.TXT", .data = "read me"}, {.name = "other.bin", .data = "o"}});
  TMemoryStream stream;
  unzipper.ExtractToStream(u"dir/readme.txt", stream);
  EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()), "read me");
  unzipper.ExtractToStream(u"none", stream);
  unzipper.ExtractFilesEx(u"*", u"*.txt");
  EXPECT_EQ(Read("other.bin"), "o");
  EXPECT_FALSE(Exists("Readme.TXT"));
}

TEST_F(UnZipperTest, AnAbortAnswerEndsTheOperation) {
  Open({{.name = "a", .data = "a"}, {.name = "b", .data = "b"}});
  std::vector<int> progress;
  unzipper.OnArchiveProgress = [&](TAbArchive&, std::uint8_t percent, bool& abort) {
    progress.push_back(percent);
    abort = true;
  };
  EXPECT_THROW(unzipper.ExtractFiles(u"*"), EAbUserAbort);
  EXPECT_EQ(progress, std::vector<int>{50});
  EXPECT_TRUE(Exists("a"));
  EXPECT_FALSE(Exists("b"));
}

TEST_F(UnZipperTest, OperationsWithoutAnArchiveRaise) {
  TMemoryStream stream;
  EXPECT_THROW(unzipper.ExtractFiles(u"*"), EAbNoArchive);
  EXPECT_THROW(unzipper.ExtractToStream(u"x", stream), EAbNoArchive);
  EXPECT_THROW(unzipper.TestTaggedItems(), EAbNoArchive);
  EXPECT_NO_THROW(unzipper.CloseArchive());
  EXPECT_EQ(unzipper.FindFile(u"x"), -1);
}

}  // namespace
