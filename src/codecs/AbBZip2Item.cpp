#include "codecs/AbBZip2Item.h"

#include "codecs/AbBZip2Stream.h"
#include "codecs/AbCopyStored.h"

void DecodeBzip2Item(TAbZipArchive&, TAbZipItem& item, TStream& source, TStream& dest) {
  TBZDecompressionStream bzip2(source);
  CopyStored(item, bzip2, dest);
}
