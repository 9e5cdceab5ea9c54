#include "zip/AbZipFileHeader.h"

#include "core/Exception.h"
#include "core/Stream.h"
#include "zip/AbException.h"
#include "zip/AbRecordReading.h"

using abrecord::Get16;
using abrecord::Get32;

void TAbZipFileHeader::ReadCommonFields(const std::uint8_t* fields) {
  FVersionNeededToExtract = Get16(fields + 0);
  FGeneralPurposeBitFlag = Get16(fields + 2);
  FCompressionMethod = Get16(fields + 4);
  FLastModFileTime = Get16(fields + 6);
  FLastModFileDate = Get16(fields + 8);
  FCRC32 = Get32(fields + 10);
  FCompressedSize = Get32(fields + 14);
  FUncompressedSize = Get32(fields + 18);
}

void TAbZipLocalFileHeader::LoadFromStream(TStream& stream) {
  std::uint8_t head[30];
  const std::size_t got = abrecord::ReadFixed(stream, head, sizeof head);
  FSignature = Get32(head + 0);
  ReadCommonFields(head + 4);
  const std::uint16_t nameLength = Get16(head + 26);
  const std::uint16_t extraLength = Get16(head + 28);
  // A wrong signature is reported as soon as it is seen: lengths read from bytes that
  // are no record mean nothing, and reading by them would only turn the failure into a
  // read error.
  if (!IsValid()) throw EAbZipInvalid();
  // Fixed fields cut short by the end of the file are a read error.
  if (got < sizeof head) throw EReadError(SReadError);
  // The name is what the file still holds of it; only the extra field must be whole.
  FFileName = abrecord::ReadPlain(stream, nameLength);
  FExtraField.Assign(abrecord::ReadExact(stream, extraLength));
}

void TAbZipDirectoryFileHeader::LoadFromStream(TStream& stream) {
  std::uint8_t head[46];
  const std::size_t got = abrecord::ReadFixed(stream, head, sizeof head);
  FSignature = Get32(head + 0);
  FVersionMadeBy = Get16(head + 4);
  ReadCommonFields(head + 6);
  const std::uint16_t nameLength = Get16(head + 28);
  const std::uint16_t extraLength = Get16(head + 30);
  const std::uint16_t commentLength = Get16(head + 32);
  FDiskNumberStart = Get16(head + 34);
  FInternalFileAttributes = Get16(head + 36);
  FExternalFileAttributes = Get32(head + 38);
  FRelativeOffset = Get32(head + 42);
  if (!IsValid()) throw EAbZipInvalid();
  if (got < sizeof head) throw EReadError(SReadError);
  // The name and the comment are what the file still holds of them; only the extra field
  // must be whole.
  FFileName = abrecord::ReadPlain(stream, nameLength);
  FExtraField.Assign(abrecord::ReadExact(stream, extraLength));
  FFileComment = abrecord::ReadPlain(stream, commentLength);
}
