#ifndef FENDREL_TESTS_SUPPORT_FAKEUSERINTERFACE_H
#define FENDREL_TESTS_SUPPORT_FAKEUSERINTERFACE_H

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/ui/CloseHold.h"
#include "platform/ui/UserInterface.h"

// Everything the fakes see, in order, as readable lines ("status: ...", "sleep 1000").
class EventLog {
 public:
  void Add(const std::string& line) { FLines.push_back(line); }
  void Add(const std::string& what, const String& text) { FLines.push_back(what + ": " + ToUtf8(text)); }
  const std::vector<std::string>& Lines() const { return FLines; }

 private:
  std::vector<std::string> FLines;
};

// A clock that records sleeps instead of sleeping.
class FakeClock final : public platform::IClock {
 public:
  explicit FakeClock(EventLog& log) : FLog(log) {}
  std::uint32_t TickCount() override { return FNow; }
  void Sleep(std::uint32_t milliseconds) override {
    FNow += milliseconds;
    FLog.Add("sleep " + std::to_string(milliseconds));
  }
  // Time passing while the program works, not sleeping: not recorded.
  void Advance(std::uint32_t milliseconds) { FNow += milliseconds; }

 private:
  EventLog& FLog;
  std::uint32_t FNow = 0;
};

// A backend that answers confirmation dialogs from a script, records what it shows,
// and activates the window as often as the test says. Like a real window it is
// activated again whenever a modal dialog closes. The progress it shows is recorded
// apart from the log, which holds what the sequence shows and does in its steps.
class FakeUserInterface final : public platform::ui::IUserInterface {
 public:
  struct Dialog {
    String Caption;
    String Text;
  };

  FakeUserInterface() : FLog(FOwnLog) {}
  explicit FakeUserInterface(EventLog& log) : FLog(log) {}

  std::deque<int> Answers;  // results of the confirmation dialogs, in order
  int Activations = 2;      // activations by the user while the window is open
  bool Closed = false;
  std::vector<Dialog> Messages;
  std::vector<Dialog> Errors;
  // Each progress shown ("<done>/<total> bytes", "<done>/<total> steps") and "hidden".
  std::vector<std::string> Progress;
  // Runs at each message processing, after it is recorded: what the user does meanwhile.
  std::function<void()> WhileProcessing;

  // Activating the window as its user does, by clicking it, while a handler runs.
  void UserActivates() { Reactivate(); }

  // Closing the window as its user does: held while closing is held, else it closes.
  void UserCloses() {
    if (!FCloseHold.MayClose()) return;
    FLog.Add("closed by the user");
    Closed = true;
  }

  void CreateMainWindow(const platform::ui::FormDescription& form) override {
    FLog.Add("window", form.Caption);
  }
  void SetStatusText(const String& text) override { FLog.Add("status", text); }
  void ProcessMessages() override {
    FLog.Add("process");
    if (WhileProcessing) WhileProcessing();
  }
  int ConfirmationDialog(const String& text) override {
    FLog.Add("confirm", text);
    if (Answers.empty()) {
      Reactivate();
      return platform::ui::mrNone;
    }
    const int answer = Answers.front();
    Answers.pop_front();
    Reactivate();
    return answer;
  }
  void MessageDialog(const String& caption, const String& text) override {
    FLog.Add("message " + ToUtf8(caption), text);
    Messages.push_back({caption, text});
    Reactivate();
  }
  void ErrorDialog(const String& caption, const String& text) override {
    FLog.Add("error " + ToUtf8(caption), text);
    Errors.push_back({caption, text});
    Reactivate();
  }
  void CloseMainWindow() override {
    FLog.Add("close");
    Closed = true;
    FCloseHold.Hold(false);
  }
  void ShowProgress(std::int64_t done, std::int64_t total, platform::ui::TProgressUnit unit) override {
    Progress.push_back(std::to_string(done) + "/" + std::to_string(total) +
                       (unit == platform::ui::TProgressUnit::puBytes ? " bytes" : " steps"));
  }
  void HideProgress() override { Progress.emplace_back("hidden"); }
  void HoldClose(bool hold) override {
    if (hold) {
      FCloseHold.Hold(true);
    } else if (FCloseHold.Release() && !Closed) {
      CloseMainWindow();
    }
  }
  bool CloseRequested() const override { return FCloseHold.Requested(); }
  void Run(const std::function<void()>& onActivate) override {
    FOnActivate = &onActivate;
    for (int i = 0; i < Activations && !Closed; ++i) {
      FLog.Add("activate");
      onActivate();
    }
    FOnActivate = nullptr;
  }

 private:
  // A modal dialog that closes gives the activation back to the main window.
  void Reactivate() {
    if (FOnActivate == nullptr) return;
    FLog.Add("activate");
    (*FOnActivate)();
  }

  EventLog FOwnLog;
  EventLog& FLog;
  const std::function<void()>* FOnActivate = nullptr;
  platform::ui::TCloseHold FCloseHold;
};

#endif
