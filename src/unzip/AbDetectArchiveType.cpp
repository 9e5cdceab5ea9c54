#include "unzip/AbDetectArchiveType.h"

#include <cstdint>

#include "core/Exception.h"
#include "platform/Files.h"
#include "zip/AbException.h"
#include "zip/AbLocateEndRecord.h"
#include "zip/AbZipDirectoryFileFooter.h"
#include "zip/AbZipFileHeader.h"

namespace {

bool ReadHead(TStream& stream, std::uint8_t (&head)[4]) {
  stream.Seek(0, TSeekOrigin::soBeginning);
  return stream.Read(head, 4) == 4;
}

TAbArchiveType TypeOfExtension(const String& fileName) {
  const size_t dot = fileName.rfind(u'.');
  if (dot == String::npos) return TAbArchiveType::atUnknown;
  const String extension = UpperCaseAscii(StringView(fileName).substr(dot));
  if (extension == u".ZIP" || extension == u".JAR") return TAbArchiveType::atZip;
  if (extension == u".EXE") return TAbArchiveType::atSelfExtZip;
  if (extension == u".TAR") return TAbArchiveType::atTar;
  if (extension == u".GZ") return TAbArchiveType::atGzip;
  if (extension == u".TGZ") return TAbArchiveType::atGzippedTar;
  if (extension == u".CAB") return TAbArchiveType::atCab;
  if (extension == u".BZ2") return TAbArchiveType::atBzip2;
  if (extension == u".TBZ") return TAbArchiveType::atBzippedTar;
  return TAbArchiveType::atUnknown;
}

}  // namespace

TAbArchiveType ProbeZip(TStream& stream) {
  TPositionKeeper keeper(stream);
  try {
    std::uint8_t head[4]{};
    if (ReadHead(stream, head) && head[0] == 0x50 && head[1] == 0x4B && head[2] == 0x07 && head[3] == 0x08)
      return TAbArchiveType::atSpannedZip;
    const std::int64_t position = LocateEndRecord(stream);
    if (position < 0) return TAbArchiveType::atUnknown;
    stream.Seek(position, TSeekOrigin::soBeginning);
    TAbZipDirectoryFileFooter footer;
    footer.LoadFromStream(stream);
    return footer.DiskNumber() == 0 ? TAbArchiveType::atZip : TAbArchiveType::atSpannedZip;
  } catch (const EReadError&) {
    return TAbArchiveType::atUnknown;
  } catch (const EAbZipInvalid&) {
    return TAbArchiveType::atUnknown;
  }
}

TAbArchiveType ProbeSelfExtracting(TStream& stream) {
  {
    TPositionKeeper keeper(stream);
    std::uint8_t head[4]{};
    if (!ReadHead(stream, head) || head[0] != 'M' || head[1] != 'Z') return TAbArchiveType::atUnknown;
  }
  return ProbeZip(stream) == TAbArchiveType::atZip ? TAbArchiveType::atSelfExtZip : TAbArchiveType::atUnknown;
}

TAbArchiveType DetectStreamArchiveType(TStream& stream) {
  // The TAR, gzip, bzip2 and cabinet checks would follow; those kinds are not read here.
  if (const TAbArchiveType type = ProbeSelfExtracting(stream); type != TAbArchiveType::atUnknown) return type;
  return ProbeZip(stream);
}

TAbArchiveType DetectArchiveType(const String& fileName) {
  if (!platform::FileExists(fileName) || platform::FileSizeOf(fileName) <= 0)
    return TypeOfExtension(fileName);
  TFileStream stream(platform::NativePath(fileName), fmOpenRead | fmShareDenyNone);
  return DetectArchiveType(fileName, stream);
}

TAbArchiveType DetectArchiveType(const String& archiveName, TStream& stream) {
  const TAbArchiveType byName = TypeOfExtension(archiveName);
  if (stream.Size() <= 0) return byName;
  switch (byName) {
    case TAbArchiveType::atZip:
      return ProbeZip(stream);
    case TAbArchiveType::atSelfExtZip:
      return ProbeSelfExtracting(stream);
    case TAbArchiveType::atUnknown:
      return DetectStreamArchiveType(stream);
    default:
      // TAR, gzip, bzip2 and cabinet files: their own checks, which this system lacks.
      return TAbArchiveType::atUnknown;
  }
}
