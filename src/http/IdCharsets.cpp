#include "http/IdCharsets.h"

#include <iterator>
#include <string>
#include <vector>

#include "http/IdCharsetEncodings.h"

namespace {

constexpr TIdCharsetCodePage kCharsetCodePages[] = {
    {u"", 0},
#include "IdCharsetTable.inc"
};

bool EndsWithAscii(StringView text, StringView suffix) {
  return text.size() >= suffix.size() && SameText(text.substr(text.size() - suffix.size()), suffix);
}

// "application/xml" and its relatives, and every non-text type with a "+xml" subtype.
bool IsXmlMediaType(StringView contentType) {
  StringView mediaType = contentType.substr(0, contentType.find(u';'));
  mediaType = TrimView(mediaType);
  if (SameText(mediaType, u"application/xml") ||
      SameText(mediaType, u"application/xml-external-parsed-entity") ||
      SameText(mediaType, u"application/xml-dtd"))
    return true;
  const std::size_t slash = mediaType.find(u'/');
  if (slash == StringView::npos) return false;
  if (SameText(mediaType.substr(0, slash), u"text")) return false;
  return EndsWithAscii(mediaType.substr(slash + 1), u"+xml");
}

// The bytes from the stream's position to its end.
std::vector<std::uint8_t> ReadRest(TStream& stream) {
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  for (;;) {
    const std::int64_t count = stream.Read(chunk, sizeof(chunk));
    if (count <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + count);
  }
  return bytes;
}

}  // namespace

std::span<const TIdCharsetCodePage> CharsetCodePages() {
  return kCharsetCodePages;
}

std::uint16_t CodePageForCharset(StringView charset) {
  for (const TIdCharsetCodePage& row : kCharsetCodePages)
    if (SameText(row.Name, charset)) return row.CodePage;
  return 0;
}

String ResponseTextCharset(const String& contentType, const String& charSet, const String& metaCharSet,
                           TStream& contentStream) {
  if (IsXmlMediaType(contentType)) return DetectXmlEncoding(contentStream);
  if (!charSet.empty()) return charSet;
  return metaCharSet;
}

const TIdTextEncoding& EncodingForCharset(const String& charset) {
  if (charset.empty()) return Id8BitEncoding();
  if (SameText(charset, u"UCS-4BE")) return IdUTF32BEEncoding();
  if (SameText(charset, u"UCS-4LE")) return IdUTF32LEEncoding();
  const std::uint16_t codePage = CodePageForCharset(charset);
  switch (codePage) {
    case 0:
      return Id8BitEncoding();
    case 20127:
      return IdASCIIEncoding();
    case 65001:
      return IdUTF8Encoding();
    case 1200:
      return IdUTF16LEEncoding();
    case 1201:
      return IdUTF16BEEncoding();
    case 12000:
      return IdUTF32LEEncoding();
    case 12001:
      return IdUTF32BEEncoding();
    default:
      break;
  }
  const TIdTextEncoding* encoding = IdCodePageEncoding(codePage);
  return encoding != nullptr ? *encoding : Id8BitEncoding();
}

String DecodeStreamText(TStream& stream, const String& charset) {
  const TIdTextEncoding& encoding = EncodingForCharset(charset);
  // A memory stream is decoded where its bytes lie, without a copy.
  if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
    const std::int64_t position = memory->Position();
    const std::int64_t size = memory->Size();
    if (position >= size) return String();
    memory->SetPosition(size);
    return encoding.GetString(memory->Memory() + position, static_cast<std::size_t>(size - position));
  }
  const std::vector<std::uint8_t> bytes = ReadRest(stream);
  return encoding.GetString(bytes.data(), bytes.size());
}
