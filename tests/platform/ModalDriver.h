#ifndef FENDREL_TESTS_PLATFORM_MODALDRIVER_H
#define FENDREL_TESTS_PLATFORM_MODALDRIVER_H

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Waits, from the event loop, for the next modal dialog to open and hands it to `act`
// (which clicks a button or closes it). Gives up after a generous while so that a
// dialog that never opens fails the test instead of hanging it.
class ModalDriver {
 public:
  explicit ModalDriver(std::function<void(QWidget&)> act) : FAct(std::move(act)) {
    FTimer.setInterval(10);
    QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
    FTimer.start();
  }

  bool Acted() const { return FActed; }

 private:
  void Poll() {
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal->isVisible()) {
      FTimer.stop();
      FActed = true;
      FAct(*modal);
      return;
    }
    if (++FPolls > 2000) FTimer.stop();  // about 20 seconds
  }

  std::function<void(QWidget&)> FAct;
  QTimer FTimer;
  int FPolls = 0;
  bool FActed = false;
};

#endif
