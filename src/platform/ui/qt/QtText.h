#ifndef FENDREL_PLATFORM_UI_QT_QTTEXT_H
#define FENDREL_PLATFORM_UI_QT_QTTEXT_H

#include <QString>

#include "core/String.h"

namespace platform::ui {

// The seam between the system's UTF-16 text and the toolkit's.
QString ToQString(StringView text);
String FromQString(const QString& text);

// Text for a dialog: every line break the system writes (LF CR, CR LF, a lone LF or
// a lone CR) becomes the single line feed the toolkit breaks lines at, so no stray
// control character is left to be drawn as a glyph.
QString DialogText(StringView text);

}  // namespace platform::ui

#endif
