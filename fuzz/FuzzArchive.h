#ifndef FENDREL_FUZZ_FUZZARCHIVE_H
#define FENDREL_FUZZ_FUZZARCHIVE_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/Exception.h"
#include "core/Stream.h"
#include "zip/AbSpanStream.h"
#include "zip/AbZipArchive.h"

namespace fuzzsupport {

// The fuzzer's input as a stream of its own, positioned at its start.
inline std::unique_ptr<TMemoryStream> MemoryOf(const std::uint8_t* data, std::size_t size) {
  auto memory = std::make_unique<TMemoryStream>();
  memory->Write(data, static_cast<std::int64_t>(size));
  memory->SetPosition(0);
  return memory;
}

// The input opened as the updater opens update.zip, with its directory loaded as far as it
// reads: entries read before a failure stay, and must be as sound as the others.
inline std::unique_ptr<TAbZipArchive> LoadArchive(const std::uint8_t* data, std::size_t size) {
  auto view = std::make_unique<TAbSpanStream>(MemoryOf(data, size), u"/fuzz/update.zip");
  auto archive = std::make_unique<TAbZipArchive>(std::move(view), u"/fuzz/update.zip");
  archive->SetNameCodePages(1252, 850);
  try {
    archive->Load();
  } catch (const Exception&) {
  }
  return archive;
}

}  // namespace fuzzsupport

#endif
