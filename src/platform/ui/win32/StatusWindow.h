#ifndef FENDREL_PLATFORM_UI_WIN32_STATUSWINDOW_H
#define FENDREL_PLATFORM_UI_WIN32_STATUSWINDOW_H

#include <windows.h>

#include <functional>

#include "platform/ui/CloseHold.h"
#include "platform/ui/FormDescription.h"

namespace platform::ui::win32 {

// The program's one window as a native tool window: a small caption with a close button
// only, not resizable, its own task-bar button, the client area and the label as the
// stored description gives them at 96 dpi, scaled to the system's pixel density. The label
// sizes itself to its text and centres it vertically on the window's background. A thin
// progress bar along the bottom edge, below the label, is hidden until a progress is shown.
// While closing is held, a close by the user (close box, Alt+F4) is noted and refused.
class TStatusWindow {
 public:
  explicit TStatusWindow(const FormDescription& form);
  ~TStatusWindow();
  TStatusWindow(const TStatusWindow&) = delete;
  TStatusWindow& operator=(const TStatusWindow&) = delete;

  HWND Handle() const { return FWindow; }
  HWND LabelHandle() const { return FLabel; }
  HWND ProgressHandle() const { return FProgress; }

  // Assigns the label's caption; it is painted at the next message processing.
  void SetLabelText(const String& text);
  // Shows the bar at permille thousandths (-1: moving without an amount), or hides it.
  void ShowProgress(int permille);
  void HideProgress();
  // Holds closing or releases it; a release closes the window when a close was noted.
  void HoldClose(bool hold);
  bool CloseRequested() const { return FCloseHold.Requested(); }
  // Called on every activation of the window.
  void SetOnActivate(std::function<void()> onActivate) { FOnActivate = std::move(onActivate); }
  void Show();
  // Asks the window to close: it is destroyed by the message loop, which then ends.
  void Close();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  int Scaled(int pixels) const;
  void SizeLabelToText();
  void CreateProgressBar(const FormDescription& form);

  HWND FWindow = nullptr;
  HWND FLabel = nullptr;
  HWND FProgress = nullptr;
  bool FMarquee = false;
  TCloseHold FCloseHold;
  HFONT FFont = nullptr;
  HFONT FLabelFont = nullptr;
  HBRUSH FBackground = nullptr;
  int FDpi = 96;
  int FLabelLeft = 0;
  int FLabelTop = 0;
  std::function<void()> FOnActivate;
};

}  // namespace platform::ui::win32

#endif
