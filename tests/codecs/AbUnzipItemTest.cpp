#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "codecs/AbDecoderFailures.h"
#include "codecs/AbUnzipItem.h"
#include "codecs/AbUnzipStreams.h"
#include "core/Crc32.h"
#include "core/Exception.h"
#include "support/ZipWriter.h"
#include "zip/AbException.h"

namespace {

// A destination that takes at most a few bytes per write.
class TStingyStream final : public TStream {
 public:
  explicit TStingyStream(std::int64_t perWrite) : FPerWrite(perWrite) {}
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const std::int64_t n = std::min(count, FPerWrite);
    Bytes.append(static_cast<const char*>(buffer), static_cast<size_t>(n));
    return n;
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin) override { return offset; }
  void SetSize(std::int64_t) override {}
  std::string Bytes;

 private:
  std::int64_t FPerWrite;
};

std::unique_ptr<TStream> MemoryOf(const std::string& bytes) {
  auto stream = std::make_unique<TMemoryStream>();
  stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

std::unique_ptr<TAbZipArchive> Load(const std::vector<TTestZipEntry>& entries) {
  auto archive =
      std::make_unique<TAbZipArchive>(MemoryOf(TTestZipWriter::Build(entries)), u"/memory/test.zip");
  archive->Load();
  return archive;
}

std::string StoredDeflateBlock(const std::string& data) {
  return TTestZipWriter::StoredDeflate(data);
}

std::string Extract(TAbZipArchive& archive, int index) {
  TMemoryStream out;
  UnzipItemToStream(archive, archive.Items(index), &out);
  return {out.Bytes().begin(), out.Bytes().end()};
}

TEST(AbUnzipOutputStream, ChecksumsEveryByteOfferedAndCountsWhatWasTaken) {
  TStingyStream destination(3);
  TAbUnzipOutputStream output(destination);
  EXPECT_EQ(output.Write("abcdefgh", 8), 3);
  EXPECT_EQ(output.BytesWritten(), 3);
  EXPECT_EQ(output.CRC32(), Crc32("abcdefgh", 8));
  char buffer[4];
  try {
    output.Read(buffer, 4);
    ADD_FAILURE() << "read was accepted";
  } catch (const EAbException& e) {
    EXPECT_EQ(ToUtf8(e.Message()), "TAbUnzipOutputStream.Read not supported");
  }
  EXPECT_EQ(output.Seek(7, TSeekOrigin::soBeginning), 7);
  EXPECT_EQ(output.CRC32(), Crc32("abcdefgh", 8));
}

TEST(AbUnzipOutputStream, StopsBeforeThePassingWrite) {
  TMemoryStream destination;
  TAbUnzipOutputStream output(destination);
  output.SetSizeLimit(5);
  output.WriteBuffer("abc", 3);
  EXPECT_THROW(output.Write("def", 3), EAbZipSizeExceeded);
  EXPECT_EQ(destination.Size(), 3);
  output.WriteBuffer("de", 2);
  EXPECT_EQ(destination.Size(), 5);
}

TEST(AbUnzipOutputStream, ReportsScaledProgressOnceForEachChangeAndStopsOnAbort) {
  TAbDiscardStream destination;
  TAbUnzipOutputStream output(destination);
  output.SetUncompressedSize(20000000);
  std::vector<int> reports;
  output.SetOnProgress([&](std::uint8_t progress, bool&) { reports.push_back(progress); });
  const std::vector<char> chunk(1000000, 'x');
  for (int i = 0; i < 20; ++i) output.WriteBuffer(chunk.data(), static_cast<std::int64_t>(chunk.size()));
  ASSERT_EQ(reports.size(), 20u);
  // 10,000,000 of 20,000,000 bytes are 39,063 of 78,125 scaled units.
  EXPECT_EQ(reports[9], 39063 * 100 / 78125);
  EXPECT_EQ(reports.back(), 100);

  TAbUnzipOutputStream aborting(destination);
  aborting.SetUncompressedSize(10);
  aborting.SetOnProgress([](std::uint8_t, bool& abort) { abort = true; });
  EXPECT_THROW(aborting.Write("abc", 3), EAbUserAbort);
}

TEST(AbUnzipSubsetStream, ReadsOnlyItsRangeAndClampsSeeks) {
  TMemoryStream whole;
  whole.WriteBuffer("0123456789", 10);
  whole.SetPosition(2);
  TAbUnzipSubsetStream subset(whole, 5);
  char buffer[16] = {};
  EXPECT_EQ(subset.Read(buffer, -4), 0);
  EXPECT_EQ(subset.Read(buffer, 16), 5);
  EXPECT_EQ(std::string(buffer, 5), "23456");
  EXPECT_EQ(subset.Read(buffer, 16), 0);
  EXPECT_EQ(subset.Seek(-100, TSeekOrigin::soCurrent), 0);
  EXPECT_EQ(subset.Seek(INT64_MAX, TSeekOrigin::soBeginning), 5);
  EXPECT_EQ(subset.Seek(-2, TSeekOrigin::soEnd), 3);
  EXPECT_EQ(subset.Read(buffer, 16), 2);
  EXPECT_EQ(std::string(buffer, 2), "56");
  EXPECT_THROW(subset.Write("x", 1), EAbException);
}

struct DecodeCase {
  const char* label;
  TTestZipEntry entry;
  const char* expectedClass;  // nullptr: decodes to entry.data
};

TEST(AbUnzipItem, DecodesOrRefusesByVersionMethodAndData) {
  const std::string data = "hello, hello, hello";
  const DecodeCase cases[] = {
      {"stored", {.name = "a", .data = data}, nullptr},
      {"version 6.3", {.name = "a", .data = data, .versionNeeded = 63}, nullptr},
      {"version 2.0 on host 11", {.name = "a", .data = data, .versionNeeded = 0x0B14}, nullptr},
      {"version 6.4", {.name = "a", .data = data, .versionNeeded = 64}, "EAbZipVersion"},
      {"stored surplus never read", {.name = "a", .data = data, .payload = data + "surplus"}, nullptr},
      {"stored cut short", {.name = "a", .data = data, .payload = data.substr(0, 5)}, "EReadError"},
      {"deflate", {.name = "a", .data = data, .payload = StoredDeflateBlock(data), .method = 8}, nullptr},
      {"deflate shorter than declared",
       {.name = "a", .data = data, .payload = StoredDeflateBlock(data), .method = 8, .uncompressedSize = 100},
       nullptr},
      {"deflate past the declared size",
       {.name = "a", .data = data, .payload = StoredDeflateBlock(data), .method = 8, .uncompressedSize = 4},
       "EAbZipSizeExceeded"},
      {"deflate64", {.name = "a", .data = data, .payload = StoredDeflateBlock(data), .method = 9}, nullptr},
      {"empty, any method",
       {.name = "a", .data = "", .payload = std::string("garbage"), .method = 99},
       nullptr},
      {"method 7", {.name = "a", .data = data, .method = 7}, "EAbZipInvalidMethod"},
      {"method 10", {.name = "a", .data = data, .method = 10}, "EAbZipInvalidMethod"},
      {"method 11", {.name = "a", .data = data, .method = 11}, "EAbZipInvalidMethod"},
      {"bzip2 decoder, not bzip2 data", {.name = "a", .data = data, .method = 12}, "EBZDecompressionError"},
      {"method 13", {.name = "a", .data = data, .method = 13}, "EAbZipInvalidMethod"},
      {"LZMA decoder, properties past the end", {.name = "a", .data = data, .method = 14}, "EReadError"},
      {"WavPack decoder, not WavPack data", {.name = "a", .data = data, .method = 97}, "Exception"},
      {"PPMd decoder, restoration method 6",
       {.name = "a", .data = data, .method = 98},
       "EAbZipPpmdParameters"},
      {"method 99", {.name = "a", .data = data, .method = 99}, "EAbZipInvalidMethod"},
      {"encrypted, no password", {.name = "a", .data = data, .flags = 1}, "EAbZipInvalidPassword"},
  };
  for (const auto& c : cases) {
    auto archive = Load({c.entry});
    try {
      EXPECT_EQ(Extract(*archive, 0), c.entry.data) << c.label;
      EXPECT_EQ(c.expectedClass, nullptr) << c.label << " was accepted";
    } catch (const Exception& e) {
      EXPECT_EQ(ToUtf8(e.ClassName()), c.expectedClass == nullptr ? "" : c.expectedClass) << c.label;
    }
  }
}

// One final fixed-Huffman block: the byte 0, then matches of 258 bytes at distance 1 until
// at least the given number of bytes comes out (about 13 bits for every 258 bytes).
std::string ZeroRunDeflate(std::uint64_t atLeast) {
  std::string out;
  std::uint32_t bits = 0;
  int count = 0;
  const auto put = [&](std::uint32_t value, int length) {
    bits |= value << count;
    count += length;
    while (count >= 8) {
      out += static_cast<char>(bits & 0xFF);
      bits >>= 8;
      count -= 8;
    }
  };
  // Codes are sent from their top bit on.
  const auto putCode = [&](std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) put((code >> i) & 1, 1);
  };
  put(1, 1);         // final block
  put(1, 2);         // fixed codes
  putCode(0x30, 8);  // literal 0
  for (std::uint64_t produced = 1; produced < atLeast; produced += 258) {
    putCode(0xC5, 8);  // length 258
    putCode(0, 5);     // distance 1
  }
  putCode(0, 7);  // end of block
  put(0, 7);
  return out;
}

// A destination that keeps only the count of the bytes it takes.
class TCountingStream final : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t count) override { return Taken += count, count; }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return Taken; }
  void SetSize(std::int64_t) override {}
  std::int64_t Taken = 0;
};

// An entry that declares FFFFFFFF bytes is held to them like any other: the data behind it
// inflates to more, and the entry stops at the declared size.
TEST(AbUnzipItem, AnEntryDeclaringFFFFFFFFBytesStopsAtThem) {
  constexpr std::uint32_t kDeclared = 0xFFFFFFFF;
  auto archive = Load({{.name = "huge.bin",
                        .data = "",
                        .payload = ZeroRunDeflate(std::uint64_t{kDeclared} + 1000),
                        .method = 8,
                        .crc = 0,
                        .uncompressedSize = kDeclared}});
  TCountingStream out;
  EXPECT_THROW(UnzipItemToStream(*archive, archive->Items(0), &out), EAbZipSizeExceeded);
  EXPECT_LE(out.Taken, std::int64_t{kDeclared});
  EXPECT_GT(out.Taken, std::int64_t{kDeclared} - (1 << 20));
}

TEST(AbUnzipItem, ACrcMismatchGoesToTheFailureEventOrRaises) {
  for (const std::string data : {"some bytes", ""}) {
    auto archive = Load({{.name = "a", .data = data, .crc = 0xDEADBEEF}});
    EXPECT_THROW(Extract(*archive, 0), EAbZipBadCRC) << data.size();
    EXPECT_THROW(TestZipItem(*archive, archive->Items(0)), EAbZipBadCRC);

    std::vector<std::pair<TAbErrorClass, std::int32_t>> reports;
    archive->OnProcessItemFailure = [&](TAbArchive&, TAbArchiveItem&, TAbProcessType type,
                                        TAbErrorClass errorClass, std::int32_t code) {
      EXPECT_EQ(type, TAbProcessType::ptExtract);
      reports.emplace_back(errorClass, code);
    };
    EXPECT_EQ(Extract(*archive, 0), data);
    TestZipItem(*archive, archive->Items(0));
    EXPECT_THROW(TestZipItem(*archive, archive->Items(0), true), EAbZipBadCRC);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], std::make_pair(TAbErrorClass::ecKolmira, 19));
  }
}

// The local header's name runs past the end of the file (the header stands in the archive's
// comment, the file's last bytes): it holds what the file still has, and the empty entry
// behind it extracts.
TEST(AbUnzipItem, AnEmptyEntryWhoseLocalNameIsCutShortExtracts) {
  const auto le16 = [](std::uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  };
  const auto le32 = [&](std::uint32_t v) {
    return le16(static_cast<std::uint16_t>(v)) + le16(static_cast<std::uint16_t>(v >> 16));
  };
  // version, flags, method, time, date, CRC-32, sizes: a stored empty entry.
  const std::string common =
      le16(20) + le16(0) + le16(0) + le16(0) + le16(0x21) + le32(0) + le32(0) + le32(0);
  const std::string central = std::string("PK\x01\x02", 4) + le16(20) + common + le16(1) + le16(0) + le16(0) +
                              le16(0) + le16(0) + le32(0) + le32(47 + 22) + "a";
  const std::string local = std::string("PK\x03\x04", 4) + common + le16(10) + le16(0) + "abc";
  const std::string end = std::string("PK\x05\x06", 4) + le16(0) + le16(0) + le16(1) + le16(1) + le32(47) +
                          le32(0) + le16(static_cast<std::uint16_t>(local.size()));
  ASSERT_EQ(central.size(), 47u);
  TAbZipArchive archive(MemoryOf(central + end + local), u"/memory/test.zip");
  archive.Load();
  ASSERT_EQ(archive.Count(), 1);
  EXPECT_EQ(Extract(archive, 0), "");
}

TEST(AbUnzipItem, TestingComparesTheLocalHeader) {
  auto archive =
      Load({{.name = "dd", .data = "data", .flags = 8, .localSizesZero = true}, {.name = "ok", .data = "x"}});
  EXPECT_THROW(TestZipItem(*archive, archive->Items(0)), EAbZipInvalidLFH);
  EXPECT_EQ(Extract(*archive, 0), "data");
  EXPECT_NO_THROW(TestZipItem(*archive, archive->Items(1)));
  EXPECT_THROW(UnzipItemToStream(*archive, archive->Items(1), nullptr), EAbBadStream);
}

}  // namespace
