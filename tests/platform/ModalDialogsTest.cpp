#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <optional>

#include "platform/ModalDriver.h"
#include "platform/StatusWindowDescription.h"
#include "platform/ui/qt/QtUserInterface.h"

namespace {

using platform::ui::mrCancel;
using platform::ui::mrNone;
using platform::ui::mrOk;

// What a dialog looked like while it was open.
struct SeenDialog {
  QString Caption;
  QString Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QStringList Buttons;
  QString DefaultButton;
  bool Modal = false;
  bool Centred = false;
};

SeenDialog Inspect(QMessageBox& box) {
  SeenDialog seen;
  seen.Caption = box.windowTitle();
  seen.Text = box.text();
  seen.Icon = box.icon();
  for (QAbstractButton* button : box.buttons()) seen.Buttons << button->text();
  seen.Buttons.sort();
  seen.DefaultButton = box.defaultButton() != nullptr ? box.defaultButton()->text() : QString();
  seen.Modal = box.isModal();
  const QRect area = box.screen()->availableGeometry();
  const QPoint offset = box.frameGeometry().center() - area.center();
  seen.Centred = std::abs(offset.x()) <= 1 && std::abs(offset.y()) <= 1;
  return seen;
}

QAbstractButton* ButtonNamed(QMessageBox& box, const QString& text) {
  for (QAbstractButton* button : box.buttons()) {
    if (button->text() == text) return button;
  }
  return nullptr;
}

// The ways a user (or anything else) can end a dialog.
enum class Ending { ClickOk, ClickAbbrechen, PressEnter, PressEscape, CloseButton, HiddenOtherwise };

void End(QMessageBox& box, Ending ending) {
  switch (ending) {
    case Ending::ClickOk:
      ButtonNamed(box, QStringLiteral("OK"))->click();
      return;
    case Ending::ClickAbbrechen:
      ButtonNamed(box, QStringLiteral("Abbrechen"))->click();
      return;
    case Ending::PressEnter: {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QCoreApplication::sendEvent(&box, &press);
      return;
    }
    case Ending::PressEscape: {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QCoreApplication::sendEvent(&box, &press);
      return;
    }
    case Ending::CloseButton: {
      QCloseEvent close;
      QCoreApplication::sendEvent(box.windowHandle(), &close);
      return;
    }
    case Ending::HiddenOtherwise:
      box.hide();
      return;
  }
}

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() : FUI(FArgc, nullptr) { FUI.CreateMainWindow(StatusWindowDescription()); }

  // Runs `show` while a driver inspects the dialog it opens and ends it.
  SeenDialog Drive(Ending ending, const std::function<void()>& show) {
    std::optional<SeenDialog> seen;
    ModalDriver driver([&](QWidget& widget) {
      auto& box = static_cast<QMessageBox&>(widget);
      seen = Inspect(box);
      End(box, ending);
    });
    show();
    EXPECT_TRUE(seen.has_value()) << "no dialog opened";
    return seen.value_or(SeenDialog{});
  }

  int FArgc = 0;
  platform::ui::QtUserInterface FUI;
};

TEST_F(DialogTest, ConfirmationAnswersOkOnlyForOk) {
  const struct {
    Ending How;
    int Expected;
  } cases[] = {
      {Ending::ClickOk, mrOk},
      {Ending::PressEnter, mrOk},  // "OK" is the default button
      {Ending::ClickAbbrechen, mrCancel},
      {Ending::PressEscape, mrCancel},  // the box's cancel key
      {Ending::CloseButton, mrCancel},
      {Ending::HiddenOtherwise, mrNone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.How));
    int result = -1;
    const SeenDialog seen = Drive(c.How, [&] {
      result = FUI.ConfirmationDialog(u"Ihre Version: 1.4\n\rAktuelle Version: 1.5\n\rUpdaten?");
    });
    EXPECT_EQ(result, c.Expected);
    EXPECT_EQ(seen.Caption, QStringLiteral("Bestätigen"));
    EXPECT_EQ(seen.Text, QStringLiteral("Ihre Version: 1.4\nAktuelle Version: 1.5\nUpdaten?"));
    EXPECT_EQ(seen.Icon, QMessageBox::Question);
    EXPECT_EQ(seen.Buttons, (QStringList{QStringLiteral("Abbrechen"), QStringLiteral("OK")}));
    EXPECT_EQ(seen.DefaultButton, QStringLiteral("OK"));
    EXPECT_TRUE(seen.Modal);
    EXPECT_TRUE(seen.Centred);
  }
}

TEST_F(DialogTest, PlainMessageAndErrorBoxShowCaptionTextAndOneOk) {
  const struct {
    bool Error;
    Ending How;
  } cases[] = {{false, Ending::ClickOk},
               {false, Ending::PressEscape},
               {true, Ending::ClickOk},
               {true, Ending::CloseButton}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "error " << c.Error << " ending " << static_cast<int>(c.How));
    const SeenDialog seen = Drive(c.How, [&] {
      if (c.Error) {
        FUI.ErrorDialog(u"Updater", u"Socket-Fehler # 11001\r\nHost nicht gefunden.");
      } else {
        FUI.MessageDialog(u"Updater", u"unbekannter Fehler :(");
      }
    });
    EXPECT_EQ(seen.Caption, QStringLiteral("Updater"));
    EXPECT_EQ(seen.Text, c.Error ? QStringLiteral("Socket-Fehler # 11001\nHost nicht gefunden.")
                                 : QStringLiteral("unbekannter Fehler :("));
    EXPECT_EQ(seen.Icon, c.Error ? QMessageBox::Critical : QMessageBox::NoIcon);
    EXPECT_EQ(seen.Buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(seen.DefaultButton, QStringLiteral("OK"));
    EXPECT_TRUE(seen.Modal);
    EXPECT_TRUE(seen.Centred);
  }
}

TEST_F(DialogTest, TextIsShownAsPlainText) {
  // Error messages are shown as they are, never interpreted as markup.
  const SeenDialog seen =
      Drive(Ending::ClickOk, [&] { FUI.MessageDialog(u"Updater", u"<b>HTTP/1.1 404</b>"); });
  EXPECT_EQ(seen.Text, QStringLiteral("<b>HTTP/1.1 404</b>"));
}

}  // namespace
