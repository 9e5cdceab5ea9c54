#include "platform/ui/win32/Win32UserInterface.h"

#include <windows.h>
// After the system's main header, which it builds on.
#include <commctrl.h>

#include "platform/ui/Progress.h"
#include "platform/ui/win32/Dialogs.h"
#include "platform/ui/win32/StatusWindow.h"
#include "platform/win32/SystemLibrary.h"

namespace platform::ui {
namespace {

class Win32UserInterface final : public IUserInterface {
 public:
  Win32UserInterface() {
    // The common controls of the version the manifest asks for, loaded as every library is.
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const HMODULE library = platform::win32::LoadSystemLibrary(L"comctl32.dll");
    const auto init = library != nullptr ? reinterpret_cast<InitFunction>(reinterpret_cast<void*>(
                                               GetProcAddress(library, "InitCommonControlsEx")))
                                         : nullptr;
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    if (init != nullptr) init(&controls);
  }

  void CreateMainWindow(const FormDescription& form) override {
    FWindow = std::make_unique<win32::TStatusWindow>(form);
  }

  void SetStatusText(const String& text) override {
    if (FWindow) FWindow->SetLabelText(text);
  }

  void ProcessMessages() override {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The loop proper sees the end too.
        PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  int ConfirmationDialog(const String& text) override { return win32::ShowConfirmation(Owner(), text); }

  void MessageDialog(const String& caption, const String& text) override {
    win32::ShowMessageBox(Owner(), caption, text, false);
  }

  void ErrorDialog(const String& caption, const String& text) override {
    win32::ShowMessageBox(Owner(), caption, text, true);
  }

  void CloseMainWindow() override {
    if (FWindow) FWindow->Close();
  }

  void ShowProgress(std::int64_t done, std::int64_t total, TProgressUnit) override {
    if (FWindow) FWindow->ShowProgress(ProgressPermille(done, total));
  }

  void HideProgress() override {
    if (FWindow) FWindow->HideProgress();
  }

  void HoldClose(bool hold) override {
    if (FWindow) FWindow->HoldClose(hold);
  }

  bool CloseRequested() const override { return FWindow && FWindow->CloseRequested(); }

  void Run(const std::function<void()>& onActivate) override {
    if (!FWindow || FWindow->Handle() == nullptr) return;
    FWindow->SetOnActivate(onActivate);
    FWindow->Show();
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    FWindow->SetOnActivate(nullptr);
  }

 private:
  HWND Owner() const { return FWindow && IsWindow(FWindow->Handle()) ? FWindow->Handle() : nullptr; }

  std::unique_ptr<win32::TStatusWindow> FWindow;
};

}  // namespace

std::unique_ptr<IUserInterface> CreateWin32UserInterface() {
  return std::make_unique<Win32UserInterface>();
}

}  // namespace platform::ui
