#ifndef FENDREL_HTTP_IDCHARSETS_H
#define FENDREL_HTTP_IDCHARSETS_H

#include <cstdint>
#include <span>

#include "core/Stream.h"
#include "core/String.h"
#include "net/IdGlobal.h"

// Turning a response body into text: choosing its charset, mapping the charset name to a
// text encoding, decoding. Nothing here raises: bytes that are not valid in their charset
// decode to U+FFFD (to "?" in 7-bit ASCII), and a charset that cannot be decoded here
// decodes byte for byte as ISO-8859-1.

// One row of the charset-name table: a name of the IANA character-set registry and the
// Windows code page that carries its character set (0 when there is none).
struct TIdCharsetCodePage {
  StringView Name;
  std::uint16_t CodePage;
};

// The whole table: row 0 has the empty name and code page 0, then every registry name and
// alias in registry order.
std::span<const TIdCharsetCodePage> CharsetCodePages();

// The code page of the first row whose name equals charset without regard to (ASCII)
// case; 0 when there is none.
std::uint16_t CodePageForCharset(StringView charset);

// The charset of a response's text. For an XML media type ("application/xml",
// "application/xml-external-parsed-entity", "application/xml-dtd", or a non-text type
// whose subtype ends with "+xml") it is DetectXmlEncoding(contentStream); otherwise
// charSet, or metaCharSet when charSet is empty. contentType may carry parameters after
// a ";".
String ResponseTextCharset(const String& contentType, const String& charSet, const String& metaCharSet,
                           TStream& contentStream);

// The charset named at the start of an XML body: by its byte-order mark, else by the
// encoding of its XML declaration (in a one-, two- or four-byte form or in EBCDIC); empty
// when there is neither. Reads from the start of the stream and puts the position back
// where it was, moved past a byte-order mark when one was found.
String DetectXmlEncoding(TStream& stream);

// The text encoding for a charset name: the 8-bit encoding for an empty name, a name not
// in the table, code page 0 or a code page this system cannot decode; TIdASCIIEncoding for
// 20127; UTF-8 for 65001; UTF-16 and UTF-32 in either byte order for 1200, 1201, 12000 and
// 12001, and UTF-32 for the "UCS-4BE" and "UCS-4LE" that DetectXmlEncoding answers for a
// four-byte mark (names the table does not know); the platform's encoding for any other code
// page. The encoding lives as long as the process.
const TIdTextEncoding& EncodingForCharset(const String& charset);

// The text of the stream from its position to its end, decoded as EncodingForCharset
// says. A byte-order mark among the bytes is decoded like any other bytes.
String DecodeStreamText(TStream& stream, const String& charset);

#endif
