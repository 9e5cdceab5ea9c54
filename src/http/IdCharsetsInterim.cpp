#include "http/IdCharsetsInterim.h"

#include "http/IdHeaderList.h"
#include "net/IdGlobal.h"

String InterimResponseTextCharset(const String& /*contentType*/, const String& charSet,
                                  const String& metaCharSet, TStream& /*contentStream*/) {
  return charSet.empty() ? metaCharSet : charSet;
}

String InterimDecodeStreamText(TStream& stream, const String& charset) {
  const std::int64_t count = stream.Size() - stream.Position();
  TIdBytes bytes(static_cast<std::size_t>(count > 0 ? count : 0));
  if (!bytes.empty()) bytes.resize(static_cast<std::size_t>(stream.Read(bytes.data(), count)));
  if (SameText(charset, u"utf-8")) return IdUTF8Encoding().GetString(bytes);
  if (SameText(charset, u"us-ascii")) return IdASCIIEncoding().GetString(bytes);
  return Id8BitEncoding().GetString(bytes);
}
