#ifndef FENDREL_PLATFORM_WIN32_MAINWINDOW_H
#define FENDREL_PLATFORM_WIN32_MAINWINDOW_H

#include <windows.h>

namespace platform::win32 {

// The program's main window while the native user interface shows one (it owns what the
// shell starts on its behalf); nullptr otherwise.
HWND MainWindowHandle();
void SetMainWindowHandle(HWND window);

}  // namespace platform::win32

#endif
