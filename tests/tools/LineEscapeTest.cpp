#include <gtest/gtest.h>

#include "check/LineEscape.h"

namespace {

TEST(LineEscapeTest, KeepsEveryLineOneLineAndHarmlessToTheTerminal) {
  struct Case {
    String text;
    std::string expected;
  };
  const Case cases[] = {
      {u"plain text 1.5", "plain text 1.5"},
      {u"a\\b", "a\\\\b"},
      {u"tab\there", "tab\\there"},
      {u"line\r\nnext", "line\\r\\nnext"},
      {String(u"nul\0!", 5), "nul\\x00!"},
      {u"\x1b[31mred\x1b[0m", "\\x1b[31mred\\x1b[0m"},
      {u"\x01\x1f\x7f", "\\x01\\x1f\\x7f"},
      {u"\u0080\u009b\u009f", "\\x80\\x9b\\x9f"},
      // Printable text outside ASCII stays as it is, in UTF-8.
      {u"\u00a0Größe \u20ac", "\u00a0Gr\u00f6\u00dfe \u20ac"},
      {u"\U0001F600", "\U0001F600"},
      // Text that cannot be UTF-8: an unpaired surrogate, high or low, anywhere.
      {u"a\xD800z", "a\uFFFDz"},
      {u"a\xDC00", "a\uFFFD"},
      {u"\xD800", "\uFFFD"},
      {u"\xDBFF\xDBFF\xDFFF", "\uFFFD\U0010FFFF"},
  };
  for (const Case& c : cases) EXPECT_EQ(check::EscapeLine(c.text), c.expected) << c.expected;
}

}  // namespace
