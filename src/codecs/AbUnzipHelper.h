#ifndef FENDREL_CODECS_ABUNZIPHELPER_H
#define FENDREL_CODECS_ABUNZIPHELPER_H

#include <cstdint>

#include "codecs/AbLegacyFailures.h"
#include "codecs/AbMethodRegistration.h"
#include "core/Stream.h"
#include "zip/AbArchiveTypes.h"
#include "zip/AbZipArchive.h"
#include "zip/AbZipItem.h"

// The decoder of the legacy methods: shrink (1), reduce (2 to 5) and implode (6). It
// reads the entry's data from the input stream's position and writes the decoded bytes
// to the output stream from its position at the start. Whatever happens, the bytes
// decoded so far reach the output.
class TAbUnzipHelper {
 public:
  TAbUnzipHelper(TStream& aInputStream, TStream& aOutputStream)
      : FInputStream(aInputStream), FOutputStream(aOutputStream) {}

  // Decodes the whole entry; any other method raises EAbZipInvalidMethod.
  void Execute();

  std::int64_t UnCompressedSize() const { return FUnCompressedSize; }
  void SetUnCompressedSize(std::int64_t aSize) { FUnCompressedSize = aSize; }
  std::uint8_t CompressionMethod() const { return FCompressionMethod; }
  void SetCompressionMethod(std::uint8_t aMethod) { FCompressionMethod = aMethod; }
  TAbZipDictionarySize DictionarySize() const { return FDictionarySize; }
  void SetDictionarySize(TAbZipDictionarySize aSize) { FDictionarySize = aSize; }
  int ShannonFanoTreeCount() const { return FShannonFanoTreeCount; }
  void SetShannonFanoTreeCount(int aCount) { FShannonFanoTreeCount = aCount; }

 private:
  TStream& FInputStream;
  TStream& FOutputStream;
  std::int64_t FUnCompressedSize = 0;
  std::uint8_t FCompressionMethod = 8;
  TAbZipDictionarySize FDictionarySize = TAbZipDictionarySize::dsInvalid;
  int FShannonFanoTreeCount = 0;
};

// The method table's entry for methods 1 to 6: sets the helper up from the item (its
// uncompressed size, method, dictionary size and tree count) and runs it.
void UnzipLegacyItem(TAbZipArchive& aArchive, TAbZipItem& aItem, TStream& aSource, TStream& aDest);

// Shrink, reduce and implode (methods 1 to 6), with the failures of codecs/AbLegacyFailures.h.
inline constexpr TAbMethodRegistration kAbLegacyMethods{
    .FirstMethod = 1,
    .LastMethod = 6,
    .Decoder = &UnzipLegacyItem,
    .Failures = kAbFailureTable<EAbZipBadFollowerCount, EAbZipBadFollowerIndex, EAbZipBadImplodeTree,
                                EAbZipBadShrinkCode, EAbZipShrinkChainTooLong>};

#endif
