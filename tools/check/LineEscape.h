#ifndef FENDREL_TOOLS_CHECK_LINEESCAPE_H
#define FENDREL_TOOLS_CHECK_LINEESCAPE_H

#include <string>

#include "core/String.h"

namespace check {

// A text as one line of the tool's output, in UTF-8, such that no server or archive
// text can break the line apart or steer the terminal: a backslash becomes "\\", a tab
// "\t", CR "\r", LF "\n", every other character below U+0020, DEL and U+0080 to U+009F
// "\xNN" (two lower-case hex digits). An unpaired surrogate becomes U+FFFD.
std::string EscapeLine(StringView text);

// Writes the tool's lines, already escaped and ended, to standard output as they stand.
void WriteOut(const std::string& lines);

}  // namespace check

#endif
