#include "platform/win32/MainWindow.h"

#include <atomic>

namespace platform::win32 {
namespace {

std::atomic<HWND> mainWindow{nullptr};

}  // namespace

HWND MainWindowHandle() {
  return mainWindow.load();
}

void SetMainWindowHandle(HWND window) {
  mainWindow.store(window);
}

}  // namespace platform::win32
