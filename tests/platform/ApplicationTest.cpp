#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/Exception.h"
#include "platform/ui/Application.h"
#include "support/FakeUserInterface.h"

namespace {

using platform::ui::TApplication;

TEST(Application, ErrorDialogAppendsAFullStopAfterCharactersAboveIt) {
  const struct {
    String Message;
    String Shown;
  } cases[] = {
      {u"abc", u"abc."},
      {u"abc.", u"abc."},  // already ends in one
      {u"abc!", u"abc!"},  // "!" (33) is below "."
      {u"a)", u"a)"},      // ")" (41)
      {u"x:", u"x:."},     // ":" (58)
      {u"", u""},          // nothing to end
      {u"HTTP/1.1 404 Not Found", u"HTTP/1.1 404 Not Found."},
      {u"Zeile\r\n", u"Zeile\r\n"},  // a line break ends below "."
      {u"Größe ü", u"Größe ü."},
  };
  for (const auto& c : cases) {
    FakeUserInterface ui;
    TApplication application(ui, u"Updater");
    application.HandleException(Exception(c.Message));
    ASSERT_EQ(ui.Errors.size(), 1u);
    EXPECT_EQ(ui.Errors[0].Caption, u"Updater");
    EXPECT_EQ(ToUtf8(ui.Errors[0].Text), ToUtf8(c.Shown)) << ToUtf8(c.Message);
  }
}

TEST(Application, ExceptionsEscapingTheHandlerAreShownAndTheLoopGoesOn) {
  FakeUserInterface ui;
  // The user activates the window once; each error box gives the activation back.
  ui.Activations = 1;
  TApplication application(ui, u"Updater");
  int calls = 0;
  application.Run([&] {
    ++calls;
    if (calls == 1) throw EConvertError(u"'2.0\r\n' ist kein gültiger Gleitkommawert");
    if (calls == 2) throw std::runtime_error("plain failure");
  });
  EXPECT_EQ(calls, 3);  // every activation still reached the handler
  ASSERT_EQ(ui.Errors.size(), 2u);
  EXPECT_EQ(ui.Errors[0].Caption, u"Updater");
  EXPECT_EQ(ToUtf8(ui.Errors[0].Text), "'2.0\r\n' ist kein gültiger Gleitkommawert.");
  EXPECT_EQ(ToUtf8(ui.Errors[1].Text), "plain failure.");
}

TEST(Application, PlainMessagesCarryTheTitle) {
  FakeUserInterface ui;
  TApplication application(ui, u"Updater");
  application.ShowMessage(u"unbekannter Fehler :(");
  ASSERT_EQ(ui.Messages.size(), 1u);
  EXPECT_EQ(ui.Messages[0].Caption, u"Updater");
  EXPECT_EQ(ui.Messages[0].Text, u"unbekannter Fehler :(");  // no full stop for plain messages
}

TEST(Application, StartupReportNamesClassModuleAndMessage) {
  const struct {
    String Message;
    String Ending;
  } cases[] = {
      {u"Socket-Fehler # 10093", u"Socket-Fehler # 10093.\r\n"},
      {u"schon mit Punkt.", u"schon mit Punkt.\r\n"},
      {u"Ausruf!", u"Ausruf!.\r\n"},  // unlike the error dialog: anything but "." gets one
      {u"", u"\r\n"},
  };
  for (const auto& c : cases) {
    FakeUserInterface ui;
    TApplication application(ui, u"Updater");
    application.ShowStartupException(EConvertError(c.Message), u"updater");
    ASSERT_EQ(ui.Errors.size(), 1u);
    EXPECT_EQ(ui.Errors[0].Caption, u"Anwendungsfehler");
    EXPECT_EQ(ToUtf8(ui.Errors[0].Text),
              ToUtf8(u"Exception EConvertError in Modul updater bei 00000000.\r\n" + c.Ending));
  }
}

}  // namespace
