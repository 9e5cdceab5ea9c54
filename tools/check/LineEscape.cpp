#include "check/LineEscape.h"

#include <cstdio>

namespace check {

std::string EscapeLine(StringView text) {
  // A surrogate without its partner cannot be written as UTF-8: it becomes U+FFFD there.
  return ToUtf8(EscapeControls(text, true));
}

void WriteOut(const std::string& lines) {
  std::fwrite(lines.data(), 1, lines.size(), stdout);
}

}  // namespace check
