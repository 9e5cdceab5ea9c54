#include <iostream>
#include <string>

#include "platform/Program.h"
#include "platform/ui/Progress.h"
#include "platform/ui/UserInterface.h"

namespace platform::ui {
namespace {

// The user interface for machines without a display: every status text becomes a
// line on standard output, and a question is answered on standard input (an empty
// line or "OK" is OK; anything else, or the end of input, is not). A progress is one line on
// standard error, rewritten in place, and only when standard error is a terminal: written to
// a file or a pipe, the output stays the status lines alone.
class ConsoleUserInterface final : public IUserInterface {
 public:
  ConsoleUserInterface() : FProgressOnTerminal(StandardErrorIsTerminal()) {}

  void CreateMainWindow(const FormDescription& form) override {
    FCaption = form.Caption;
    FStatus = form.LabelCaption;
  }

  void SetStatusText(const String& text) override {
    FStatus = text;
    if (FShown) PrintLine(text);
  }

  void ProcessMessages() override { std::cout.flush(); }

  int ConfirmationDialog(const String& text) override {
    PrintLine(u"[Bestätigen] " + text);
    PrintLine(u"[OK | Abbrechen]");
    std::string answer;
    if (!std::getline(std::cin, answer)) return mrNone;
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    return answer.empty() || answer == "OK" || answer == "ok" ? mrOk : mrCancel;
  }

  void MessageDialog(const String& caption, const String& text) override {
    PrintLine(u"[" + caption + u"] " + text);
  }

  void ErrorDialog(const String& caption, const String& text) override {
    std::cerr << ToUtf8(u"[" + caption + u"] " + text) << std::endl;
  }

  void CloseMainWindow() override { FClosed = true; }

  void ShowProgress(std::int64_t done, std::int64_t total, TProgressUnit unit) override {
    if (!FProgressOnTerminal || !FShown) return;
    const std::string line = ToUtf8(ProgressText(FStatus, done, total, unit));
    // A shorter line covers what is left of the longer one before it.
    const std::size_t padding = FProgressLength > line.size() ? FProgressLength - line.size() : 0;
    std::cerr << '\r' << line << std::string(padding, ' ') << std::flush;
    FProgressLength = line.size();
  }

  void HideProgress() override {
    if (FProgressLength == 0) return;
    std::cerr << '\r' << std::string(FProgressLength, ' ') << '\r' << std::flush;
    FProgressLength = 0;
  }

  // There is no window that its user could close.
  void HoldClose(bool) override {}
  bool CloseRequested() const override { return false; }

  void Run(const std::function<void()>& onActivate) override {
    FShown = true;
    PrintLine(FStatus);
    onActivate();
    // A window that stays open waits for its user: here, for the end of input.
    std::string line;
    while (!FClosed && std::getline(std::cin, line)) {
    }
    FClosed = true;
  }

 private:
  static void PrintLine(const String& text) { std::cout << ToUtf8(text) << std::endl; }

  String FCaption;
  String FStatus;
  bool FShown = false;
  bool FClosed = false;
  const bool FProgressOnTerminal;
  std::size_t FProgressLength = 0;  // of the progress line on the terminal; 0: none shown
};

}  // namespace

std::unique_ptr<IUserInterface> CreateConsoleUserInterface() {
  return std::make_unique<ConsoleUserInterface>();
}

}  // namespace platform::ui
