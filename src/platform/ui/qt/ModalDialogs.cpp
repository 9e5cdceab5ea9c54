#include "platform/ui/qt/ModalDialogs.h"

#include <QApplication>
#include <QMargins>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "platform/ui/UserInterface.h"
#include "platform/ui/qt/QtText.h"

namespace platform::ui {
namespace {

QMargins MarginsAround(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  const QRect client = window.geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

// The frame a window manager puts around the box. It tells only once the box is on
// the screen; until then the frame of the window that is active now (decorated by the
// same window manager) is the best guess.
QMargins FrameMargins(const QWidget& box) {
  const QMargins own = MarginsAround(box);
  if (!own.isNull()) return own;
  const QWidget* active = QApplication::activeWindow();
  if (active == nullptr || active == &box || !active->isVisible()) return own;
  return MarginsAround(*active);
}

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
    const QScreen* screen = box->screen() != nullptr ? box->screen() : QApplication::primaryScreen();
    if (screen != nullptr) {
      // The whole frame (caption bar and borders) is centred; the box's own area sits
      // inside it.
      const QMargins margins = FrameMargins(*box);
      QRect frame = box->geometry().marginsAdded(margins);
      frame.moveCenter(screen->availableGeometry().center());
      box->setGeometry(frame.marginsRemoved(margins));
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
