// Throughput of the shrink, reduce and implode decoders on every such entry in legacy/ of
// the ZIP corpus (FENDREL_CORPUS, else shared/corpus beside the checkout), or of the
// project's own test data when there is no corpus (the test build's test-data/, or
// FENDREL_TEST_DATA; fewer and smaller entries, so other figures): each entry's data is
// read into memory once, then decoded again and again into a discarding stream. Figures
// are MB/s of decoded output per second of the thread's processor time, over all entries
// of one method family.
//
//   LegacyBench [seconds per family, default 2]
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "codecs/AbUnzipHelper.h"
#include "codecs/AbUnzipItem.h"
#include "codecs/AbUnzipStreams.h"
#include "core/Exception.h"
#include "support/Corpus.h"
#include "zip/AbZipArchive.h"

namespace fs = std::filesystem;

namespace {

struct Entry {
  std::string data;
  std::uint8_t method;
  std::int64_t size;
  TAbZipDictionarySize dictionary;
  int trees;
};

double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::int64_t Decode(const Entry& entry) {
  TMemoryStream source;
  source.WriteBuffer(entry.data.data(), static_cast<std::int64_t>(entry.data.size()));
  source.SetPosition(0);
  TAbDiscardStream sink;
  TAbUnzipHelper helper(source, sink);
  helper.SetCompressionMethod(entry.method);
  helper.SetUnCompressedSize(entry.size);
  helper.SetDictionarySize(entry.dictionary);
  helper.SetShannonFanoTreeCount(entry.trees);
  helper.Execute();
  return sink.Size();
}

const char* Family(std::uint8_t method) {
  return method == 1 ? "unshrink" : method == 6 ? "explode" : "unreduce";
}

}  // namespace

int main(int argc, char** argv) {
  const double budget = argc > 1 ? std::atof(argv[1]) : 2.0;
  std::string archives = CorpusDirectory();
  if (archives.empty()) archives = OwnTestDataDirectory();
  if (archives.empty()) {
    std::fprintf(stderr, "LegacyBench: no corpus (%s) and no test data (build the tests first)\n",
                 CorpusSearchDescription().c_str());
    return 2;
  }
  std::printf("entries of %s\n", (fs::path(archives) / "legacy").string().c_str());
  std::map<std::string, std::vector<Entry>> families;
  for (const auto& file : fs::directory_iterator(fs::path(archives) / "legacy")) {
    TAbZipArchive archive(std::make_unique<TFileStream>(FromUtf8(file.path().string()), fmOpenRead),
                          FromUtf8(file.path().string()));
    archive.Load();
    for (int i = 0; i < archive.Count(); ++i) {
      TAbZipItem& item = archive.Items(i);
      const std::uint8_t method = item.CompressionMethod();
      if (method < 1 || method > 6 || item.IsEncrypted()) continue;
      const std::unique_ptr<TStream> data = OpenItemData(archive, item);
      Entry entry{std::string(static_cast<std::size_t>(item.CompressedSize()), '\0'), method,
                  item.UncompressedSize(), item.DictionarySize(), item.ShannonFanoTreeCount()};
      data->ReadBuffer(entry.data.data(), static_cast<std::int64_t>(entry.data.size()));
      families[Family(method)].push_back(std::move(entry));
    }
  }
  std::printf("%-10s %8s %12s %10s\n", "decoder", "entries", "output MB", "MB/s");
  for (const auto& [name, entries] : families) {
    std::int64_t bytes = 0;
    const double start = ThreadSeconds();
    double elapsed = 0;
    while (elapsed < budget) {
      for (const Entry& entry : entries) bytes += Decode(entry);
      elapsed = ThreadSeconds() - start;
    }
    std::printf("%-10s %8zu %12.1f %10.1f\n", name.c_str(), entries.size(), bytes / 1e6,
                bytes / 1e6 / elapsed);
  }
  return 0;
}
