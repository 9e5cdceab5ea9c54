#include "codecs/AbUnzipHelper.h"

#include "codecs/AbExplode.h"
#include "codecs/AbLegacyBitReader.h"
#include "codecs/AbLegacyOutput.h"
#include "codecs/AbUnreduce.h"
#include "codecs/AbUnshrink.h"
#include "core/CleanUp.h"
#include "zip/AbException.h"

void TAbUnzipHelper::Execute() {
  TAbLegacyBitReader input(FInputStream);
  TAbLegacyOutput output(FOutputStream);
  const auto decode = [&] {
    switch (FCompressionMethod) {
      case 1:
        Unshrink(input, output);
        break;
      case 2:
      case 3:
      case 4:
      case 5:
        Unreduce(input, output, FCompressionMethod - 1, FUnCompressedSize);
        break;
      case 6:
        Explode(input, output, FDictionarySize, FShannonFanoTreeCount, FUnCompressedSize);
        break;
      default:
        throw EAbZipInvalidMethod();
    }
  };
  // The failure that stopped decoding is the one reported, not one of the
  // destination on the way out.
  RunThenCleanUp(decode, [&output] { output.Flush(); });
}

void UnzipLegacyItem(TAbZipArchive&, TAbZipItem& aItem, TStream& aSource, TStream& aDest) {
  TAbUnzipHelper helper(aSource, aDest);
  helper.SetUnCompressedSize(aItem.UncompressedSize());
  helper.SetCompressionMethod(aItem.CompressionMethod());
  helper.SetDictionarySize(aItem.DictionarySize());
  helper.SetShannonFanoTreeCount(aItem.ShannonFanoTreeCount());
  helper.Execute();
}
