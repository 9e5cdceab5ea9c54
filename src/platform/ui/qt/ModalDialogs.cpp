#include "platform/ui/qt/ModalDialogs.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "platform/ui/UserInterface.h"
#include "platform/ui/qt/QtText.h"

namespace platform::ui {
namespace {

// Moves a box to the centre of the screen once the toolkit has laid it out for
// showing; an event filter, since the box computes its final size only then.
class CentreOnScreen final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show) return false;
    auto* box = static_cast<QWidget*>(watched);
    // Let the box lay itself out first, then place it.
    box->removeEventFilter(this);
    static_cast<QObject*>(box)->event(event);
    const QScreen* screen = box->screen() != nullptr ? box->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
      // The frame (caption bar and border, as far as the window system has told) is
      // centred; a window's position is that of its frame.
      QRect frame = box->frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      box->move(frame.topLeft());
    }
    return true;
  }
};

void Prepare(QMessageBox& box, const String& caption, const String& text, QMessageBox::Icon icon) {
  box.setWindowTitle(ToQString(caption));
  box.setIcon(icon);
  box.setTextFormat(Qt::PlainText);
  box.setText(DialogText(text));
}

void ShowCentred(QMessageBox& box, const RunModal& run) {
  CentreOnScreen centre;
  box.installEventFilter(&centre);
  run(box);
  box.removeEventFilter(&centre);
}

void ShowWithOk(const String& caption, const String& text, QMessageBox::Icon icon, const RunModal& run) {
  QMessageBox box;
  Prepare(box, caption, text, icon);
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  ShowCentred(box, run);
}

}  // namespace

int ShowConfirmation(const String& text, const RunModal& run) {
  QMessageBox box;
  Prepare(box, u"Bestätigen", text, QMessageBox::Question);
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(cancel);
  ShowCentred(box, run);
  const QAbstractButton* clicked = box.clickedButton();
  if (clicked == ok) return mrOk;
  if (clicked == cancel) return mrCancel;
  return mrNone;
}

void ShowPlainMessage(const String& caption, const String& text, const RunModal& run) {
  ShowWithOk(caption, text, QMessageBox::NoIcon, run);
}

void ShowError(const String& caption, const String& text, const RunModal& run) {
  ShowWithOk(caption, text, QMessageBox::Critical, run);
}

}  // namespace platform::ui
