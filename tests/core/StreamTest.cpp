#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <set>
#include <string>

#include "core/Exception.h"
#include "core/Stream.h"

namespace {

TEST(MemoryStreamTest, ReadWriteSeekAndSize) {
  TMemoryStream s;
  EXPECT_EQ(s.Write("hello", 5), 5);
  EXPECT_EQ(s.Position(), 5);
  EXPECT_EQ(s.Seek(-2, TSeekOrigin::soEnd), 3);
  char buffer[8] = {};
  EXPECT_EQ(s.Read(buffer, 8), 2);
  EXPECT_STREQ(buffer, "lo");
  EXPECT_EQ(s.Seek(-4, TSeekOrigin::soCurrent), 1);
  EXPECT_EQ(s.Read(buffer, 1), 1);
  EXPECT_EQ(buffer[0], 'e');

  // Writing beyond the end fills the gap with zeros.
  s.SetPosition(7);
  s.WriteBuffer("!", 1);
  EXPECT_EQ(s.Size(), 8);
  EXPECT_EQ(s.Memory()[5], 0);
  EXPECT_EQ(s.Memory()[7], '!');

  // Shrinking moves a position that lay beyond the new end.
  s.SetSize(3);
  EXPECT_EQ(s.Size(), 3);
  EXPECT_EQ(s.Position(), 3);
}

// A position before the start holds nothing: reads there bring 0 bytes and writes take
// none, whichever way the position got there, and the bytes stay as they were.
TEST(MemoryStreamTest, NothingMovesAtANegativePosition) {
  const struct {
    std::int64_t Offset;
    TSeekOrigin Origin;
  } cases[] = {{-4, TSeekOrigin::soBeginning},
               {-1, TSeekOrigin::soBeginning},
               {-9, TSeekOrigin::soCurrent},
               {-20, TSeekOrigin::soEnd}};
  for (const auto& c : cases) {
    TMemoryStream s;
    s.WriteBuffer("abcdefgh", 8);
    s.SetPosition(5);
    EXPECT_LT(s.Seek(c.Offset, c.Origin), 0);
    char buffer[16] = {};
    EXPECT_EQ(s.Read(buffer, 16), 0) << c.Offset;
    EXPECT_EQ(s.Write("xy", 2), 0);
    EXPECT_THROW(s.ReadBuffer(buffer, 1), EReadError);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 8), "abcdefgh");
    // From there a seek back into the data works as usual.
    EXPECT_EQ(s.Seek(0, TSeekOrigin::soBeginning), 0);
    EXPECT_EQ(s.Read(buffer, 3), 3);
  }
}

// Positions near the largest value neither wrap round nor make a write grow the stream.
TEST(MemoryStreamTest, PositionsAtTheEndOfTheRangeSaturateAndWritesThereFail) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  EXPECT_EQ(s.Seek(kMax, TSeekOrigin::soEnd), kMax);
  EXPECT_EQ(s.Seek(kMax, TSeekOrigin::soCurrent), kMax);
  char buffer[4];
  EXPECT_EQ(s.Read(buffer, 4), 0);
  EXPECT_THROW(s.WriteBuffer("xy", 2), EOutOfMemory);
  EXPECT_EQ(s.Size(), 3);
  EXPECT_EQ(s.Seek(kMin, TSeekOrigin::soBeginning), kMin);
  EXPECT_EQ(s.Seek(-1, TSeekOrigin::soCurrent), kMin);
  EXPECT_EQ(s.Read(buffer, 4), 0);
}

TEST(MemoryStreamTest, ExactReadsAndWritesRaise) {
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  s.SetPosition(1);
  char buffer[4];
  try {
    s.ReadBuffer(buffer, 3);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), u"Stream-Lesefehler");
  }
  s.ReadBuffer(buffer, 0);  // nothing asked, nothing raised
}

TEST(MemoryStreamTest, CopyFromWholeAndCounted) {
  TMemoryStream source;
  std::string data(200000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  source.WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));

  TMemoryStream whole;
  EXPECT_EQ(whole.CopyFrom(source, 0), 200000);  // 0: the whole source from its start
  EXPECT_EQ(std::memcmp(whole.Memory(), data.data(), data.size()), 0);

  source.SetPosition(10);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(source, 5), 5);
  EXPECT_EQ(std::memcmp(part.Memory(), data.data() + 10, 5), 0);

  source.SetPosition(199999);
  EXPECT_THROW(part.CopyFrom(source, 2), EReadError);
}

class FileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("fendrel-stream-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  String PathOf(const char* name) const { return FromUtf8((dir_ / name).string()); }
  std::filesystem::path dir_;
};

TEST_F(FileStreamTest, CreateEmptiesAndOpenReads) {
  {
    TFileStream f(PathOf("a.bin"), fmCreate);
    f.WriteBuffer("0123456789", 10);
  }
  {
    TFileStream f(PathOf("a.bin"), fmCreate | fmShareDenyNone);  // emptied
    EXPECT_EQ(f.Size(), 0);
    f.WriteBuffer("xyz", 3);
  }
  TFileStream f(PathOf("a.bin"), fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(f.Size(), 3);
  char buffer[3];
  f.ReadBuffer(buffer, 3);
  EXPECT_EQ(std::string(buffer, 3), "xyz");
  EXPECT_EQ(f.Read(buffer, 3), 0);
  EXPECT_EQ(f.Seek(1, TSeekOrigin::soBeginning), 1);
}

// A file position cannot lie before the start: such a seek fails (-1) and leaves the
// position where it was, so the next read and write happen there.
TEST_F(FileStreamTest, ASeekBeforeTheStartFailsAndKeepsThePosition) {
  TFileStream f(PathOf("n.bin"), fmCreate);
  f.WriteBuffer("abcdefgh", 8);
  f.SetPosition(5);
  for (const auto origin : {TSeekOrigin::soBeginning, TSeekOrigin::soCurrent, TSeekOrigin::soEnd}) {
    EXPECT_EQ(f.Seek(-20, origin), -1);
    EXPECT_EQ(f.Position(), 5);
  }
  char buffer[8] = {};
  EXPECT_EQ(f.Read(buffer, 8), 3);
  EXPECT_EQ(std::string(buffer, 3), "fgh");
}

TEST_F(FileStreamTest, SetSizeTruncatesAndExtends) {
  TFileStream f(PathOf("b.bin"), fmCreate);
  f.WriteBuffer("abcdef", 6);
  f.SetSize(2);
  EXPECT_EQ(f.Size(), 2);
  EXPECT_EQ(f.Position(), 2);
  f.SetSize(100);
  EXPECT_EQ(f.Size(), 100);
}

TEST_F(FileStreamTest, OpenAndCreateFailuresNameTheFile) {
  const String missing = PathOf("missing.bin");
  try {
    TFileStream f(missing, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find(missing), String::npos);
    EXPECT_NE(e.Message().find(u"geöffnet"), String::npos);
  }
  const String inMissingDir = PathOf("no/such/dir.bin");
  try {
    TFileStream f(inMissingDir, fmCreate);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_NE(e.Message().find(inMissingDir), String::npos);
    EXPECT_NE(e.Message().find(u"erstellt"), String::npos);
  }
  // A directory is not a file.
  EXPECT_THROW(TFileStream(FromUtf8(dir_.string()), fmOpenRead), EFOpenError);
}

// A private file: what is written reads back, no other opener gets at it while it is open
// (on POSIX it has no name at all, on Windows its name is shared with nobody), two are two
// files, and nothing of them is left once the streams are freed.
TEST_F(FileStreamTest, APrivateFileIsReachedByItsStreamAloneAndGoneWhenFreed) {
  const auto names = [this] {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
      found.insert(entry.path().filename().string());
    return found;
  };
  std::ofstream(dir_ / "other.bin") << "x";
  const std::set<std::string> before = names();
  {
    const std::unique_ptr<TFileStream> file = TFileStream::CreatePrivate(FromUtf8(dir_.string()));
    const std::unique_ptr<TFileStream> second = TFileStream::CreatePrivate(FromUtf8(dir_.string()));
    EXPECT_EQ(file->FileName(), u"");
    EXPECT_EQ(file->Size(), 0);
    file->WriteBuffer("private", 7);
    EXPECT_EQ(second->Size(), 0);
    for (const std::string& name : names()) {
      if (before.contains(name)) continue;
      for (const std::uint16_t mode : {fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone})
        EXPECT_THROW(TFileStream(PathOf(name.c_str()), mode), EFOpenError) << name;
    }
    file->SetPosition(0);
    char buffer[7];
    file->ReadBuffer(buffer, 7);
    EXPECT_EQ(std::string(buffer, 7), "private");
  }
  EXPECT_EQ(names(), before);
  try {
    TFileStream::CreatePrivate(PathOf("missing"));
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_NE(e.Message().find(PathOf("missing")), String::npos);
  }
}

}  // namespace
