// One entry of the method named by FENDREL_FUZZ_METHOD (a method whose decoder is a
// library, as cmake/codec-libraries lists them: 12 bzip2, 14 LZMA, 97 WavPack, 98 PPMd)
// decoded from arbitrary bytes through the method table, the counting output and the CRC-32
// check, as extraction does. Input: a control byte (the size of the source's
// reads), the entry's uncompressed size (16 bits, in units of 16 bytes, so up to 1 MB),
// then the entry's data, headers and properties included, so hostile properties come as
// they are. Every outcome must be a result or an exception of the system, with no more
// output than the size allows.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "codecs/AbUnzipItem.h"
#include "codecs/AbUnzipStreams.h"
#include "core/Exception.h"
#include "core/Stream.h"
#include "support/ChunkedStream.h"
#include "support/ZipBuilder.h"
#include "zip/AbZipArchive.h"
#include "zip/AbZipItem.h"

namespace {

// A central record for the entry, read as the archive reads its directory.
void LoadItem(TAbZipItem& item, std::uint16_t method, std::uint32_t compressedSize, std::uint32_t size) {
  const std::string record = ziptest::CentralRecord(ziptest::Entry("x")
                                                        .VersionMadeBy(0x033F)
                                                        .VersionNeeded(63)
                                                        .Method(method)
                                                        .Crc(0x12345678)  // a match is not expected
                                                        .CompressedSize(compressedSize)
                                                        .UncompressedSize(size),
                                                    0);
  TMemoryStream stream;
  stream.WriteBuffer(record.data(), static_cast<std::int64_t>(record.size()));
  stream.SetPosition(0);
  item.LoadFromStream(stream, 1252, 850);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  static constexpr std::int64_t kChunks[] = {1 << 20, 1, 2, 3, 7, 4096, 65535, 65537};
  const std::int64_t chunk = kChunks[data[0] & 7];
  const std::uint32_t uncompressed = (static_cast<std::uint32_t>(data[1]) | data[2] << 8) * 16u;
  data += 3;
  size -= 3;

  TAbZipItem item;
  LoadItem(item, FENDREL_FUZZ_METHOD, static_cast<std::uint32_t>(size), uncompressed);
  TMemoryStream nothing;
  TAbZipArchive archive(nothing, u"/fuzz/update.zip");
  testsupport::TChunkedStream source(data, size, chunk);
  TAbDiscardStream sink;
  try {
    DecodeItemDataChecked(archive, item, source, sink);
  } catch (const Exception&) {
  }
  if (sink.Size() > uncompressed) std::abort();
  return 0;
}
