#include "check/LineEscape.h"

#include <cstdio>

namespace check {

std::string EscapeLine(StringView text) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  String out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    switch (c) {
      case u'\\':
        out += u"\\\\";
        continue;
      case u'\t':
        out += u"\\t";
        continue;
      case u'\r':
        out += u"\\r";
        continue;
      case u'\n':
        out += u"\\n";
        continue;
      default:
        break;
    }
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) {
      out += u"\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += c;
    }
  }
  // A surrogate without its partner cannot be written as UTF-8: it becomes U+FFFD there.
  return ToUtf8(out);
}

void WriteOut(const std::string& lines) {
  std::fwrite(lines.data(), 1, lines.size(), stdout);
}

}  // namespace check
