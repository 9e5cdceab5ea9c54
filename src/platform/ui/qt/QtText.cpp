#include "platform/ui/qt/QtText.h"

namespace platform::ui {

QString ToQString(StringView text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

String FromQString(const QString& text) {
  return String(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

QString DialogText(StringView text) {
  String folded;
  folded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u'\n' && c != u'\r') {
      folded += c;
      continue;
    }
    folded += u'\n';
    // A pair of different break characters, in either order, is one break.
    if (i + 1 < text.size() && (text[i + 1] == u'\n' || text[i + 1] == u'\r') && text[i + 1] != c) ++i;
  }
  return ToQString(folded);
}

}  // namespace platform::ui
