#ifndef FENDREL_HTTP_IDHTMLMETA_H
#define FENDREL_HTTP_IDHTMLMETA_H

#include "core/Stream.h"
#include "http/IdHeaderList.h"

// Reads the head of an HTML document for META elements that stand for header lines:
// HTTP-EQUIV with CONTENT gives "name: content", charset gives a Content-Type line with that
// charset. The stream is read from its start with one character per byte; its position is
// kept. Nothing before the HTML start tag counts, and the scan ends at the BODY start tag.
void ScanHtmlMetaHeaders(TStream& stream, TIdHeaderList& headers);

#endif
