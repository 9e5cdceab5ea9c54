// Opens arbitrary bytes as an archive held in memory and loads its directory: the
// end-record search, central records, extra fields and name decoding, then every value
// derived from the entries and each entry's local header.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "FuzzArchive.h"
#include "core/Exception.h"
#include "core/Stream.h"
#include "zip/AbLocateEndRecord.h"
#include "zip/AbSpanStream.h"
#include "zip/AbZipArchive.h"

namespace {

void TouchEntry(TAbZipArchive& archive, int index) {
  TAbZipItem& item = archive.Items(index);
  volatile std::uint64_t sink = item.FileName().size() + item.DiskFileName().size();
  sink = sink + item.IsDirectory() + item.NativeFileAttributes() + item.CompressionMethod();
  sink = sink + static_cast<std::uint64_t>(item.CompressionRatio() != 0);
  sink = sink + static_cast<int>(item.DeflationOption()) + static_cast<int>(item.DictionarySize());
  try {
    sink = sink + static_cast<std::uint64_t>(item.LastModTimeAsDateTime() > 0);
  } catch (const EConvertError&) {
  }
  // Every loaded name is found again (ASCII case ignored), at this or a later index.
  const int found = archive.FindFile(item.FileName());
  if (found < index) std::abort();

  TAbZipLocalFileHeader local;
  try {
    archive.Stream().Seek(item.RelativeOffset(), TSeekOrigin::soBeginning);
    local.LoadFromStream(archive.Stream());
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The search answers the same through the archive file view and on plain memory.
  {
    auto memory = fuzzsupport::MemoryOf(data, size);
    TAbSpanStream view(fuzzsupport::MemoryOf(data, size), u"/fuzz/update.zip");
    const std::int64_t plain = LocateEndRecord(*memory);
    const std::int64_t viewed = LocateEndRecord(view);
    if (plain != viewed) std::abort();
    if (plain >= 0 && (memory->Position() != plain || view.Position() != plain)) std::abort();
  }

  const std::unique_ptr<TAbZipArchive> archive = fuzzsupport::LoadArchive(data, size);
  for (int i = 0; i < archive->Count(); ++i) TouchEntry(*archive, i);
  return 0;
}
