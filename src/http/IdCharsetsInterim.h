#ifndef FENDREL_HTTP_IDCHARSETSINTERIM_H
#define FENDREL_HTTP_IDCHARSETSINTERIM_H

#include "core/Stream.h"
#include "core/String.h"

// A stand-in for the charset table until it is part of the build: the charset of a response
// text, and decoding that knows only US-ASCII, UTF-8 and one byte per character.
String InterimResponseTextCharset(const String& contentType, const String& charSet, const String& metaCharSet,
                                  TStream& contentStream);
String InterimDecodeStreamText(TStream& stream, const String& charset);

#endif
