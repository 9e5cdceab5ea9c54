// Opens arbitrary bytes as an archive held in memory, loads its directory and tests
// every entry, then decodes every entry once more into a bounded sink: decoding must
// end with its bytes or with an exception of the system, never read or write outside
// its buffers, and never produce more than an entry's recorded size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "FuzzArchive.h"
#include "codecs/AbUnzipItem.h"
#include "core/Exception.h"
#include "core/Stream.h"
#include "zip/AbZipArchive.h"

namespace {

constexpr std::int64_t kOutputCap = 8 << 20;

// Counts what it is given and stops a decoder that runs on for too long.
class TCappedSink final : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t count) override {
    if (count < 0) std::abort();
    FSize += count;
    if (FSize > kOutputCap) throw Exception(u"output cap");
    return count;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return FSize; }
  void SetSize(std::int64_t) override {}
  std::int64_t Size() override { return FSize; }

 private:
  std::int64_t FSize = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::unique_ptr<TAbZipArchive> loaded = fuzzsupport::LoadArchive(data, size);
  TAbZipArchive& archive = *loaded;
  for (int i = 0; i < archive.Count(); ++i) {
    TAbZipItem& item = archive.Items(i);
    if (item.UncompressedSize() > kOutputCap) continue;
    try {
      TestZipItem(archive, item, true);
    } catch (const Exception&) {
    }
    try {
      const std::unique_ptr<TStream> source = OpenItemData(archive, item);
      TCappedSink sink;
      DecodeItemDataChecked(archive, item, *source, sink);
      if (item.UncompressedSize() != 0xFFFFFFFF && sink.Size() > item.UncompressedSize()) std::abort();
    } catch (const Exception&) {
    }
  }
  return 0;
}
