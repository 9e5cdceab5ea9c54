#include <iostream>
#include <string>

#include "platform/ui/UserInterface.h"

namespace platform::ui {
namespace {

// The user interface for machines without a display: every status text becomes a
// line on standard output, and a question is answered on standard input (an empty
// line or "OK" is OK; anything else, or the end of input, is not).
class ConsoleUserInterface final : public IUserInterface {
 public:
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
};

}  // namespace

std::unique_ptr<IUserInterface> CreateConsoleUserInterface() {
  return std::make_unique<ConsoleUserInterface>();
}

}  // namespace platform::ui
