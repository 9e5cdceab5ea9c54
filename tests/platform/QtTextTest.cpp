#include <gtest/gtest.h>

#include "platform/ui/qt/QtText.h"

namespace {

TEST(DialogText, EveryLineBreakBecomesOneLineFeed) {
  const struct {
    String In;
    QString Out;
  } cases[] = {
      {u"Ihre Version: 1.4\n\rUpdaten?",
       QStringLiteral("Ihre Version: 1.4\nUpdaten?")},  // LF CR, as the program writes
      {u"a\r\nb", QStringLiteral("a\nb")},
      {u"a\nb", QStringLiteral("a\nb")},
      {u"a\rb", QStringLiteral("a\nb")},
      {u"a\n\r\n\rb", QStringLiteral("a\n\nb")},  // two breaks stay two
      {u"a\r\n\r\nb", QStringLiteral("a\n\nb")},
      {u"a\n\nb", QStringLiteral("a\n\nb")},
      {u"a\r\rb", QStringLiteral("a\n\nb")},
      {u"Ende.\r\n", QStringLiteral("Ende.\n")},
      {u"", QString()},
      {u"Bestätigen ß €", QStringLiteral("Bestätigen ß €")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::ui::DialogText(c.In), c.Out) << ToUtf8(c.In);
  }
}

TEST(QtText, RoundTripsUtf16IncludingSurrogatePairs) {
  const String text = u"Schließe Fendrel! \U0001F600";
  EXPECT_EQ(platform::ui::FromQString(platform::ui::ToQString(text)), text);
  EXPECT_EQ(platform::ui::ToQString(text).size(), 20);
}

}  // namespace
