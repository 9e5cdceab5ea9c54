#include "zip/AbZipDirectoryFileFooter.h"

#include "core/Stream.h"
#include "zip/AbException.h"
#include "zip/AbRecordReading.h"

using abrecord::Get16;
using abrecord::Get32;

void TAbZipDirectoryFileFooter::LoadFromStream(TStream& stream) {
  std::uint8_t head[kHeadSize];
  abrecord::ReadFixed(stream, head, sizeof head);
  FSignature = Get32(head + 0);
  FDiskNumber = Get16(head + 4);
  FStartDiskNumber = Get16(head + 6);
  FEntriesOnDisk = Get16(head + 8);
  FTotalEntries = Get16(head + 10);
  FDirectorySize = Get32(head + 12);
  FDirectoryOffset = Get32(head + 16);
  FZipfileComment = abrecord::ReadPlain(stream, Get16(head + 20));
  if (FSignature != FValidSignature) throw EAbZipInvalid();
}
