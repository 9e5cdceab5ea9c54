#ifndef FENDREL_PLATFORM_UI_QT_STATUSWINDOW_H
#define FENDREL_PLATFORM_UI_QT_STATUSWINDOW_H

#include <QFont>
#include <memory>

#include "core/String.h"
#include "platform/ui/FormDescription.h"

class QLabel;
class QProgressBar;
class QWidget;

namespace platform::ui {

// The program's window built from its stored description: a fixed-size tool window
// (small caption bar, close button only) with one status label on a plain background, and a
// thin progress bar along the bottom edge below the label, hidden until a progress is shown.
// Sizes and positions are pixels at 96 dpi; the toolkit scales them on denser screens.
class StatusWindow {
 public:
  explicit StatusWindow(const FormDescription& form);
  ~StatusWindow();
  StatusWindow(const StatusWindow&) = delete;
  StatusWindow& operator=(const StatusWindow&) = delete;

  QWidget& Widget() const { return *FWidget; }
  QLabel& Label() const { return *FLabel; }
  QProgressBar& ProgressBar() const { return *FProgressBar; }

  // Assigns the label's caption and sizes the label to it; the toolkit paints it the
  // next time events are processed.
  void SetStatusText(const String& text);
  // Shows the bar at permille thousandths (-1: busy without an amount), or hides it.
  void ShowProgress(int permille);
  void HideProgress();

 private:
  std::unique_ptr<QWidget> FWidget;
  QLabel* FLabel;              // owned by FWidget
  QProgressBar* FProgressBar;  // owned by FWidget
};

// The font a stored description names. Its height is the character height without
// internal leading (negative, as stored) or the cell height (positive); either way it
// becomes the pixel size of the em. A face missing on this machine falls back to a
// similar sans-serif one.
QFont FontFromDescription(const FontDescription& font);

}  // namespace platform::ui

#endif
