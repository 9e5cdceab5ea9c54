// The bzip2, LZMA, PPMd and WavPack glue beyond what the test archives show: parameters out
// of range, headers cut short, end markers and stream ends in the wrong place, and damaged
// copies of one entry per method, each of which must fail that entry alone and leave the
// file it would have replaced as it was. Every case runs on the project's own test data
// and again on the outside corpus when it is present (both have the same archives).

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "codecs/AbDecoderFailures.h"
#include "codecs/AbLzmaItem.h"
#include "codecs/AbPpmdItem.h"
#include "codecs/AbUnzipItem.h"
#include "codecs/AbWavPackItem.h"
#include "core/Exception.h"
#include "support/Corpus.h"
#include "support/TempDirectory.h"
#include "support/ZipWriter.h"
#include "unzip/AbExtractFailures.h"
#include "unzip/AbUnZipper.h"
#include "zip/AbException.h"

// A failed allocation answers null here, as it does outside the sanitizer, so that the
// tests of the decoders' memory failures see what users see.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}
#endif

namespace {

// An entry of a test archive as it is stored: its raw data, method, CRC-32 and size.
TTestZipEntry CorpusEntry(const std::filesystem::path& dataSet, const std::string& file, int index) {
  TAbUnZipper unzipper;
  unzipper.OpenArchive(FromUtf8((dataSet / file).string()));
  TAbZipArchive& archive = *unzipper.ZipArchive();
  TAbZipItem& item = archive.Items(index);
  const std::unique_ptr<TStream> source = OpenItemData(archive, item);
  std::string payload(static_cast<std::size_t>(item.CompressedSize()), '\0');
  source->ReadBuffer(payload.data(), item.CompressedSize());
  return {.name = ToUtf8(item.FileName()),
          .payload = payload,
          .method = static_cast<std::uint16_t>(item.CompressionMethod()),
          .crc = item.CRC32(),
          .uncompressedSize = static_cast<std::uint32_t>(item.UncompressedSize())};
}

// What decoding each entry of an archive gave: the exception's class and message, or
// "crc-mismatch", or "ok" with the CRC-32 matching; with the bytes that came out.
struct TDecoded {
  std::string name{};
  std::string outcome{};
  std::string bytes{};
};

std::vector<TDecoded> DecodeAll(const std::string& zip) {
  auto stream = std::make_unique<TMemoryStream>();
  stream->WriteBuffer(zip.data(), static_cast<std::int64_t>(zip.size()));
  stream->SetPosition(0);
  TAbZipArchive archive(std::move(stream), u"/memory/test.zip");
  archive.Load();
  std::vector<TDecoded> decoded;
  for (int i = 0; i < archive.Count(); ++i) {
    TAbZipItem& item = archive.Items(i);
    TDecoded& entry = decoded.emplace_back(TDecoded{.name = ToUtf8(item.FileName())});
    TMemoryStream output;
    try {
      const std::unique_ptr<TStream> source = OpenItemData(archive, item);
      entry.outcome = DecodeItemDataChecked(archive, item, *source, output) ? "ok" : "crc-mismatch";
    } catch (const Exception& e) {
      entry.outcome = ToUtf8(e.ClassName()) + ": " + e.what();
    }
    entry.bytes.assign(reinterpret_cast<const char*>(output.Memory()),
                       static_cast<std::size_t>(output.Size()));
  }
  return decoded;
}

std::string Outcome(const TTestZipEntry& entry) {
  return DecodeAll(TTestZipWriter::Build({entry})).at(0).outcome;
}

std::string Le16(unsigned value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

// Bytes that fail with an input/output error once a given number of them has been read.
class TFailingStream final : public TStream {
 public:
  TFailingStream(std::string bytes, std::int64_t failAt) : FBytes(std::move(bytes)), FFailAt(failAt) {}
  std::int64_t Read(void* buffer, std::int64_t count) override {
    if (FPos >= FFailAt) throw EInOutError(u"E/A-Fehler 5", 5);
    const std::int64_t n = std::min({count, FFailAt - FPos, static_cast<std::int64_t>(FBytes.size()) - FPos});
    std::memcpy(buffer, FBytes.data() + FPos, static_cast<std::size_t>(n));
    FPos += n;
    return n;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                              : origin == TSeekOrigin::soCurrent ? FPos
                                                                 : static_cast<std::int64_t>(FBytes.size());
    FPos = std::clamp<std::int64_t>(base + offset, 0, static_cast<std::int64_t>(FBytes.size()));
    return FPos;
  }
  void SetSize(std::int64_t) override {}

 private:
  std::string FBytes;
  std::int64_t FFailAt;
  std::int64_t FPos = 0;
};

// The test archives the cases take their entries from.
const std::vector<std::string> kArchives = {"bzip2/zip-Z-bzip2.zip",  "lzma/7z-eos.zip",
                                            "lzma/7z-no-eos.zip",     "ppmd/7z-mem1m-o2.zip",
                                            "ppmd/7z-o16-cutoff.zip", "wavpack/wavpack-set.zip"};

class CodecGlueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string missing;
    FDataSets = ZipDataSets(kArchives, missing);
    FENDREL_NEEDS(missing.empty(), missing);
  }
  std::vector<TZipDataSet> FDataSets;
};

void EdgeCasesEndAsTheGlueStates(const std::filesystem::path& dataSet) {
  const TTestZipEntry bzip2 = CorpusEntry(dataSet, "bzip2/zip-Z-bzip2.zip", 0);
  const TTestZipEntry lzma = CorpusEntry(dataSet, "lzma/7z-eos.zip", 1);
  const TTestZipEntry ppmd = CorpusEntry(dataSet, "ppmd/7z-mem1m-o2.zip", 1);
  const std::string& lzmaData = *lzma.payload;
  const std::string& ppmdData = *ppmd.payload;

  auto with = [](TTestZipEntry entry, std::string payload) {
    entry.payload = std::move(payload);
    return entry;
  };
  auto sized = [](TTestZipEntry entry, std::uint32_t size) {
    entry.uncompressedSize = size;
    return entry;
  };
  // The LZMA entry with other properties: a byte of lc/lp/pb and a dictionary size.
  auto lzmaProps = [&](std::string properties) {
    return with(lzma, lzmaData.substr(0, 2) + Le16(static_cast<unsigned>(properties.size())) + properties +
                          lzmaData.substr(9));
  };
  const std::string ppmdBody = ppmdData.substr(2);

  struct Case {
    const char* what;
    TTestZipEntry entry;
    std::string expected;
  };
  const std::string readError = "EReadError: Stream-Lesefehler";
  const std::string ppmdRefused = "EAbZipPpmdParameters: Cannot extract file - PPMd parameters out of range";
  const Case cases[] = {
      {"bzip2 as made", bzip2, "ok"},
      {"bzip2 stream shorter than the size", sized(bzip2, 31000), readError},
      {"bzip2 shorter than the size, more data behind", sized(with(bzip2, *bzip2.payload + "more"), 31000),
       "EBZDecompressionError: error -1"},
      {"bzip2 block damaged",
       with(bzip2, bzip2.payload->substr(0, 100) + '\x55' + bzip2.payload->substr(101)),
       "EBZDecompressionError: error -4"},
      {"bzip2 not a bzip2 stream", with(bzip2, std::string(50, 'x')), "EBZDecompressionError: error -5"},

      {"LZMA as made", lzma, "ok"},
      {"LZMA properties size 6 read as given", lzmaProps(lzmaData.substr(4, 5) + '\x7F'), "ok"},
      {"LZMA dictionary of 4 GiB for a small entry", lzmaProps(lzmaData.substr(4, 1) + "\xFF\xFF\xFF\xFF"),
       "ok"},
      {"LZMA lc/lp/pb out of range", lzmaProps(std::string("\xE1", 1) + lzmaData.substr(5, 4)),
       "Exception: RINOK(4)"},
      {"LZMA properties shorter than 5 bytes", lzmaProps(lzmaData.substr(4, 4)), "Exception: RINOK(4)"},
      {"LZMA header cut", with(lzma, lzmaData.substr(0, 3)), readError},
      {"LZMA properties cut", with(lzma, lzmaData.substr(0, 7)), readError},
      {"LZMA end marker before the size", sized(lzma, 20100), "Exception: RINOK(1)"},
      {"LZMA data ending early", with(lzma, lzmaData.substr(0, lzmaData.size() / 2)), "crc-mismatch"},

      {"PPMd as made", ppmd, "ok"},
      {"PPMd word 0x0000: order 1", with(ppmd, Le16(0x0000) + ppmdBody), ppmdRefused},
      {"PPMd word 0xFFFF: restoration method 15", with(ppmd, Le16(0xFFFF) + ppmdBody), ppmdRefused},
      {"PPMd restoration method 2", with(ppmd, Le16(0x2001) + ppmdBody), ppmdRefused},
      {"PPMd word missing", with(ppmd, ppmdData.substr(0, 1)), readError},
      {"PPMd data ending before the end mark", with(ppmd, ppmdData.substr(0, ppmdData.size() / 2)),
       "EAbReadError: Error reading archive"},

      {"WavPack not a WavPack stream",
       with(CorpusEntry(dataSet, "wavpack/wavpack-set.zip", 2), std::string(64, 'x')),
       "Exception: WavPack decompression failed: not compatible with this version of WavPack file!"},
  };
  for (const Case& c : cases) EXPECT_EQ(Outcome(c.entry), c.expected) << c.what;
}

TEST_F(CodecGlueTest, EdgeCasesEndAsTheGlueStates) {
  for (const TZipDataSet& set : FDataSets) {
    SCOPED_TRACE(set.Label);
    EdgeCasesEndAsTheGlueStates(set.Dir);
  }
}

// A read that fails inside a codec's input callback comes out as that error once the
// codec has returned, wherever it happens.
void ReadErrorsInsideTheCodecsComeOutAsThemselves(const std::filesystem::path& dataSet) {
  const std::string ppmd = *CorpusEntry(dataSet, "ppmd/7z-mem1m-o2.zip", 1).payload;
  const std::string wavpack = *CorpusEntry(dataSet, "wavpack/wavpack-set.zip", 2).payload;
  struct Case {
    const char* what;
    void (*decode)(TStream&, TStream&);
    const std::string& data;
    std::int64_t failAt;
  };
  const Case cases[] = {
      {"PPMd at the start", &DecodePpmdItem, ppmd, 3},
      {"PPMd midway", &DecodePpmdItem, ppmd, 2000},
      {"WavPack while opening", &DecodeWavPackItem, wavpack, 10},
      {"WavPack midway", &DecodeWavPackItem, wavpack, 5000},
  };
  for (const Case& c : cases) {
    TFailingStream source(c.data, c.failAt);
    TMemoryStream output;
    EXPECT_THROW(c.decode(source, output), EInOutError) << c.what;
  }
}

TEST_F(CodecGlueTest, ReadErrorsInsideTheCodecsComeOutAsThemselves) {
  for (const TZipDataSet& set : FDataSets) {
    SCOPED_TRACE(set.Label);
    ReadErrorsInsideTheCodecsComeOutAsThemselves(set.Dir);
  }
}

void DamagedEntriesFailAloneAndKeepTheOldFiles(const std::filesystem::path& dataSet) {
  const TTestZipEntry originals[] = {
      CorpusEntry(dataSet, "bzip2/zip-Z-bzip2.zip", 0), CorpusEntry(dataSet, "lzma/7z-no-eos.zip", 1),
      CorpusEntry(dataSet, "ppmd/7z-o16-cutoff.zip", 0), CorpusEntry(dataSet, "wavpack/wavpack-set.zip", 2)};
  std::vector<TTestZipEntry> entries;
  for (const TTestZipEntry& original : originals) {
    const std::string& data = *original.payload;
    auto variant = [&](const std::string& kind, std::string payload) {
      TTestZipEntry entry = original;
      entry.name = std::to_string(original.method) + "-" + kind;
      entry.payload = std::move(payload);
      entries.push_back(entry);
    };
    // The last cut takes more than a bzip2 stream's end mark and checksum, which are never
    // read: decoding stops with the entry's last byte.
    for (const std::size_t keep : {std::size_t{1}, std::size_t{12}, data.size() / 3, data.size() - 16})
      variant("cut-" + std::to_string(keep), data.substr(0, keep));
    // Flips inside the coded data.
    for (const std::size_t at : {data.size() / 5, data.size() / 2, data.size() * 4 / 5}) {
      std::string damaged = data;
      damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
      variant("flip-" + std::to_string(at), damaged);
    }
  }
  entries.push_back({.name = "intact.txt", .data = "intact"});

  TTempDirectory dir;
  for (const TTestZipEntry& entry : entries) TTempDirectory::WriteFile(dir / entry.name, "old contents");
  TTestZipWriter::WriteFile(dir / "update.zip", TTestZipWriter::Build(entries));
  TAbUnZipper unzipper;
  std::vector<std::string> failed;
  unzipper.OnProcessItemFailure = [&failed](TAbArchive&, TAbArchiveItem& item, TAbProcessType, TAbErrorClass,
                                            std::int32_t) { failed.push_back(ToUtf8(item.FileName())); };
  unzipper.OpenArchive(FromUtf8(dir / "update.zip"));
  unzipper.SetBaseDirectory(FromUtf8(dir.Path().string()));
  unzipper.ExtractFiles(u"*");

  EXPECT_EQ(TTempDirectory::ReadFile(dir / "intact.txt"), "intact");
  std::vector<std::string> damaged;
  for (const TTestZipEntry& entry : entries) {
    if (entry.name == "intact.txt") continue;
    damaged.push_back(entry.name);
    EXPECT_TRUE(TTempDirectory::ReadFile(dir / entry.name) == "old contents")
        << entry.name << " was replaced";
  }
  EXPECT_EQ(failed, damaged);
}

TEST_F(CodecGlueTest, DamagedEntriesFailAloneAndKeepTheOldFiles) {
  for (const TZipDataSet& set : FDataSets) {
    SCOPED_TRACE(set.Label);
    DamagedEntriesFailAloneAndKeepTheOldFiles(set.Dir);
  }
}

// Runs what in a child process whose address space may grow by only room bytes more,
// and answers what it returned.
std::string InChildWithRoom(std::size_t room, std::string (*what)(const TTestZipEntry&),
                            const TTestZipEntry& entry) {
  int channel[2];
  if (::pipe(channel) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const auto used = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
    rlimit limit{};
    ::getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = used + room;
    std::string result = ::setrlimit(RLIMIT_AS, &limit) == 0 ? what(entry) : "no limit";
    if (::write(channel[1], result.data(), result.size()) < 0) ::_exit(2);
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string result;
  char buffer[256];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
    result.append(buffer, static_cast<std::size_t>(n));
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    result += " (the child ended with status " + std::to_string(status) + ")";
  return result;
}

// A decoder whose dictionary or model cannot be had fails the entry with its own error;
// given the room, the same entry gets past the allocation to its (damaged) data.
TEST(DecoderMemoryTest, DecodersWithoutTheirMemoryFailTheEntry) {
  auto le32 = [](std::uint32_t value) { return Le16(value & 0xFFFF) + Le16(value >> 16); };
  constexpr std::uint32_t kGiB = 1u << 30;
  // A dictionary of 1 GiB for an entry of 1 GiB. The data starts with a byte other than
  // the 0 the decoder wants: given its memory, it refuses the data at once.
  const TTestZipEntry lzma{
      .name = "big.bin",
      .payload = "\x10\x02" + Le16(5) + "\x5D" + le32(kGiB) + std::string("\xFF\0\0\0\0\0", 6),
      .method = 14,
      .crc = 0,
      .uncompressedSize = kGiB};
  // Order 6, 256 MB of model memory, restoration method 0.
  const TTestZipEntry ppmd{.name = "big.txt",
                           .payload = Le16(0x0FF5) + std::string(64, '\x5A'),
                           .method = 98,
                           .crc = 0,
                           .uncompressedSize = 100};
  struct Case {
    const char* what;
    const TTestZipEntry& entry;
    std::size_t room;
    std::string expected;
  };
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  const Case cases[] = {
      {"LZMA, 64 MiB of room", lzma, 64 * kMiB, "Exception: RINOK(2)"},
      {"LZMA, 2 GiB of room", lzma, 2048 * kMiB, "Exception: RINOK(1)"},
      {"PPMd, 64 MiB of room", ppmd, 64 * kMiB,
       "EAbZipDecoderMemory: Cannot extract file - not enough memory for the decoder"},
      {"PPMd, 1 GiB of room", ppmd, 1024 * kMiB, "EAbReadError: Error reading archive"},
  };
  for (const Case& c : cases) EXPECT_EQ(InChildWithRoom(c.room, &Outcome, c.entry), c.expected) << c.what;
}

// Takes at most a given number of bytes per write.
class TShortWriteStream final : public TStream {
 public:
  explicit TShortWriteStream(std::int64_t most) : FMost(most) {}
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t count) override {
    const std::int64_t taken = std::min(count, FMost);
    FTaken += taken;
    return taken;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return FTaken; }
  void SetSize(std::int64_t) override {}

 private:
  std::int64_t FMost;
  std::int64_t FTaken = 0;
};

// A destination that takes fewer bytes than the LZMA glue writes ends the entry with the
// codec's write error. The entry is three of the glue's 64 KiB buffers long.
TEST(MadeEntriesTest, LzmaShortWritesRaiseTheWriteError) {
  const std::string file = "lzma/7z-boundaries-eos.zip";
  std::string missing;
  const std::vector<TZipDataSet> sets = ZipDataSets({file}, missing);  // the own set comes first
  FENDREL_NEEDS(missing.empty(), missing);
  struct Case {
    const char* what;
    std::int64_t most;
  };
  const Case cases[] = {{"nothing taken", 0}, {"one byte per write", 1}, {"64 KiB less one byte", 65535}};
  for (const Case& c : cases) {
    TAbUnZipper unzipper;
    unzipper.OpenArchive(FromUtf8((sets.front().Dir / file).string()));
    TAbZipArchive& archive = *unzipper.ZipArchive();
    const int index = archive.FindFile(u"zeros-196609");
    ASSERT_GE(index, 0);
    TAbZipItem& item = archive.Items(index);
    const std::unique_ptr<TStream> source = OpenItemData(archive, item);
    TShortWriteStream dest(c.most);
    std::string outcome = "no error";
    try {
      DecodeLzmaItem(archive, item, *source, dest);
    } catch (const Exception& e) {
      outcome = ToUtf8(e.ClassName()) + ": " + e.what();
    }
    EXPECT_EQ(outcome, "Exception: RINOK(9)") << c.what;
  }
}

}  // namespace
