#include "updater/Form1.h"

#include <exception>
#include <utility>

#include "core/Exception.h"
#include "core/FormatSettings.h"
#include "core/Stream.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "updater/VersionDecision.h"

namespace updater {

bool UpdateStarted = false;

namespace {

constexpr char16_t kApplicationExe[] = u"fendrel.exe";
constexpr char16_t kRestartParameter[] = u"dontupdate";
constexpr char16_t kFailure[] = u"unbekannter Fehler :(";
constexpr char16_t kProgramDirUnknown[] = u"Das Verzeichnis des Programms kann nicht ermittelt werden";
constexpr char16_t kLineBreak[] = u"\n\r";  // line feed first, then carriage return
// The most time between two message passes while a long step reports progress.
constexpr std::uint32_t kMessageInterval = 50;

String Countdown(const char16_t* prefix, int count) {
  return prefix + IntToStr(count) + u")";
}

String Quoted(const String& text) {
  return u"\"" + text + u"\"";
}

// Thousandths as "1.234".
String Decimal3(std::uint64_t thousandths) {
  String fraction = IntToStr(static_cast<std::int64_t>(thousandths % 1000));
  fraction.insert(0, 3 - fraction.size(), u'0');
  return IntToStr(static_cast<std::int64_t>(thousandths / 1000)) + u"." + fraction;
}

}  // namespace

TForm1::TForm1(platform::ui::TApplication& application, platform::IClock& clock, IUpdaterSystem& system,
               std::unique_ptr<IHttpClient> http, std::unique_ptr<IUnZipper> unzipper,
               TUpdaterSettings settings, IUpdateLog& log)
    : FApplication(application),
      FClock(clock),
      FSystem(system),
      FIdHTTP1(std::move(http)),
      FAbUnZipper1(std::move(unzipper)),
      FSettings(std::move(settings)),
      FLog(log) {
  // Without it the archive path would become the root directory's update.zip.
  if (FSettings.ProgramDir.empty()) throw Exception(kProgramDirUnknown);
  if (!FSettings.PublicKey.empty()) FPublicKey = signature::DecodePublicKey(ToUtf8(FSettings.PublicKey));
  // The component goes on after an entry that failed; the log keeps why it failed.
  FAbUnZipper1->OnItemFailure = [this](const String& itemName, const std::exception_ptr& failure) {
    Log(u"entry failed: " + Quoted(itemName) + u": " + DescribeException(failure));
  };
  AssignProgressEvents();
}

// Holds the user's close of the window until released, at the latest when it ends.
class TForm1::TCloseHold {
 public:
  explicit TCloseHold(platform::ui::IUserInterface& ui) : FUI(ui) { FUI.HoldClose(true); }
  ~TCloseHold() { Release(); }
  TCloseHold(const TCloseHold&) = delete;
  TCloseHold& operator=(const TCloseHold&) = delete;
  // A close asked for meanwhile closes the window now.
  void Release() {
    if (std::exchange(FHeld, false)) FUI.HoldClose(false);
  }

 private:
  platform::ui::IUserInterface& FUI;
  bool FHeld = true;
};

// A long step from its start until it ends, at the latest when it ends: its progress is shown
// and the window kept alive meanwhile.
class TForm1::TLongStepScope {
 public:
  TLongStepScope(TForm1& form, TLongStep step) : FForm(form) {
    FForm.FLongStep = step;
    FForm.FPassed = false;
    FForm.FProgressDone = 0;
    // The extraction counts in percent from the start; the download shows its bar once
    // the body's transfer begins.
    FForm.FProgressTotal = 100;
    FForm.FProgressShown = step == TLongStep::lsExtraction;
    if (FForm.FProgressShown) FForm.ShowProgress();
  }
  ~TLongStepScope() { End(); }
  TLongStepScope(const TLongStepScope&) = delete;
  TLongStepScope& operator=(const TLongStepScope&) = delete;
  void End() {
    if (FForm.FLongStep == TLongStep::lsNone) return;
    if (FForm.FProgressShown) FForm.FApplication.UI().HideProgress();
    FForm.FProgressShown = false;
    FForm.FLongStep = TLongStep::lsNone;
  }

 private:
  TForm1& FForm;
};

void TForm1::AssignProgressEvents() {
  // The version query reports nothing: only the download and the extraction do.
  IdHTTP1().OnWorkBegin = [this](std::int64_t workCountMax) {
    if (FLongStep != TLongStep::lsDownload) return;
    FProgressDone = 0;
    FProgressTotal = workCountMax;
    FProgressShown = true;
    ShowProgress();
  };
  IdHTTP1().OnWork = [this](std::int64_t workCount) {
    if (FLongStep != TLongStep::lsDownload) return;
    FProgressDone = workCount;
    KeepWindowAlive();
  };
  IdHTTP1().OnWaiting = [this] {
    if (FLongStep == TLongStep::lsDownload) KeepWindowAlive();
  };
  AbUnZipper1().OnArchiveProgress = [this](std::uint8_t progress) {
    if (FLongStep != TLongStep::lsExtraction) return;
    FProgressDone = progress;
    KeepWindowAlive();
  };
  AbUnZipper1().OnArchiveItemProgress = [this](std::uint8_t) {
    if (FLongStep == TLongStep::lsExtraction) KeepWindowAlive();
  };
}

void TForm1::ShowProgress() {
  FApplication.UI().ShowProgress(FProgressDone, FProgressTotal,
                                 FLongStep == TLongStep::lsDownload ? platform::ui::TProgressUnit::puBytes
                                                                    : platform::ui::TProgressUnit::puSteps);
}

void TForm1::KeepWindowAlive() {
  const std::uint32_t now = FClock.TickCount();
  // Ticks wrap: the difference is right across the wrap.
  if (FPassed && now - FLastPass < kMessageInterval) return;
  FPassed = true;
  FLastPass = now;
  if (FProgressShown) ShowProgress();
  ProcessMessages();
  if (FLongStep == TLongStep::lsDownload && FApplication.UI().CloseRequested()) throw EDownloadCancelled();
}

platform::ui::FormDescription TForm1::StoredDescription() {
  platform::ui::FormDescription form;
  form.Caption = u"Fendrel! Update";
  form.ClientWidth = 270;
  form.ClientHeight = 46;
  form.Color = 0xFFFFFF;
  form.Font = {u"Tahoma", -11, false};
  form.LabelLeft = 50;
  form.LabelTop = 15;
  form.LabelCaption = u"Suche nach neuer Version";
  form.LabelFont = {u"Tahoma", -13, true};
  return form;
}

String TForm1::DownloadFileName() {
  return String(u".") + platform::PathDelim + u"update.zip";
}

String TForm1::ExtractionFileName() const {
  return FSettings.ProgramDir + platform::PathDelim + u"update.zip";
}

void TForm1::SetStatus(const String& text) {
  FApplication.UI().SetStatusText(text);
}
void TForm1::ProcessMessages() {
  FApplication.ProcessMessages();
}
void TForm1::Sleep(std::uint32_t milliseconds) {
  FClock.Sleep(milliseconds);
}
void TForm1::Close() {
  FApplication.UI().CloseMainWindow();
}

void TForm1::Log(const String& event) noexcept {
  try {
    FLog.Write(event);
  } catch (...) {
    // The log never stops or changes the update.
  }
}

String TForm1::StepDuration() {
  FStepMilliseconds = FClock.TickCount() - FStepStart;
  return Decimal3(FStepMilliseconds) + u" s";
}

void TForm1::StepStarted(const String& step) {
  if (!FStep.empty()) StepEnded(String());
  FStep = step;
  FStepStart = FClock.TickCount();
  Log(u"step: " + step);
}

void TForm1::StepEnded(const String& outcome) {
  Log(u"done: " + FStep + u" in " + StepDuration() + (outcome.empty() ? String() : u": " + outcome));
  FStep.clear();
}

void TForm1::StepFailed(const std::exception& e, const String& shown, const String& detail) {
  Log(u"failed: " + FStep + u" after " + StepDuration() + (detail.empty() ? String() : u" with " + detail) +
      u", " + shown + u": " + DescribeException(e));
  FStep.clear();
}

String TForm1::DownloadAmount() {
  StepDuration();
  const std::int64_t bytes = platform::FileSizeOf(DownloadFileName());
  if (bytes < 0) return u"no download file";
  String amount = IntToStr(bytes) + u" bytes written";
  if (FStepMilliseconds > 0)
    amount += u" (" + IntToStr(bytes / static_cast<std::int64_t>(FStepMilliseconds)) + u" kB/s)";
  return amount;
}

void TForm1::FormCreate() {
  SetDecimalSeparator(u'.');
  UpdateStarted = false;
  Sleep(1000);
}

void TForm1::CountDownAndClose(const char16_t* prefix, int count) {
  SetStatus(Countdown(prefix, count));
  do {
    --count;
    ProcessMessages();
    Sleep(1000);
    SetStatus(Countdown(prefix, count));
  } while (count != 0);
  Close();
}

void TForm1::CloseWithCountdown() {
  CountDownAndClose(u"Schließe Anwendung (", 2);
}

void TForm1::FormActivate() {
  if (UpdateStarted) return;
  UpdateStarted = true;

  const String& argument = FSettings.Argument;
  Log(u"run started: installed version " + Quoted(argument) + u", update server " + FSettings.BaseUrl +
      u", program folder " + FSettings.ProgramDir + u", working folder " + platform::CurrentDir());
  if (argument.empty()) {
    Log(u"no installed version given: not started through the application");
    SetStatus(u"Bitte über Fendrel! starten");
    ProcessMessages();
    Sleep(2000);
    CloseWithCountdown();
    return;
  }

  // Not guarded: a failure here reaches the error dialog and leaves the window open. The
  // log only looks on.
  const String versionUrl = FSettings.BaseUrl + u"newest";
  StepStarted(u"version query, GET " + versionUrl);
  String fetched;
  bool update = false;
  try {
    fetched = IdHTTP1().Get(versionUrl);
    StepEnded(u"fetched version " + Quoted(fetched));
    update = DecideUpdate(argument, fetched).Update;
  } catch (const std::exception& e) {
    if (FStep.empty()) FStep = u"version comparison";
    StepFailed(e, u"shown in the error dialog");
    throw;
  }

  if (!update) {
    Log(u"no newer version: installed " + Quoted(argument) + u", fetched " + Quoted(fetched));
    CountDownAndClose(u"Keine neue Version (", 3);  // its own countdown; no other follows
    return;
  }

  const String question =
      u"Ihre Version: " + argument + kLineBreak + u"Aktuelle Version: " + fetched + kLineBreak + u"Updaten?";
  if (FApplication.Confirm(question) != platform::ui::mrOk) {
    Log(u"update from " + Quoted(argument) + u" to " + Quoted(fetched) + u" declined");
    CloseWithCountdown();
    return;
  }
  Log(u"update from " + Quoted(argument) + u" to " + Quoted(fetched) + u" agreed");

  StepStarted(u"download, GET " + FSettings.BaseUrl + fetched + u"/update.zip to " + DownloadFileName());
  try {
    Download(fetched);
    StepEnded(DownloadAmount());
  } catch (const EDownloadCancelled& e) {
    // Its user closed the window: the application is left as it is, and nothing is shown.
    StepFailed(e, u"cancelled by closing the window", DownloadAmount());
    return;
  } catch (const std::exception& e) {
    StepFailed(e, u"shown " + Quoted(kFailure), DownloadAmount());
    FApplication.ShowMessage(kFailure);
    CloseWithCountdown();
    return;
  }

  if (FApplication.Confirm(String(u"Fendrel! muss geschlossen werden") + kLineBreak + u"OK?") !=
      platform::ui::mrOk) {
    Log(u"closing the application declined: nothing installed, the download is kept");
    CloseWithCountdown();
    return;
  }

  try {
    Install(fetched);
  } catch (const std::exception& e) {
    StepFailed(e, u"shown " + Quoted(kFailure));
    FApplication.ShowMessage(kFailure);
    CloseWithCountdown();
  }
}

void TForm1::Download(const String& newest) {
  SetStatus(u"Lade neue Version");
  ProcessMessages();
  {
    // Created or emptied; others may read and write it meanwhile. Closed on every path.
    TFileStream file(DownloadFileName(), fmCreate | fmShareDenyNone);
    const TCloseHold held(FApplication.UI());
    const TLongStepScope download(*this, TLongStep::lsDownload);
    IdHTTP1().Get(FSettings.BaseUrl + newest + u"/update.zip", file);
    // A close asked for as the last bytes came ends the download all the same.
    if (FApplication.UI().CloseRequested()) throw EDownloadCancelled();
  }
  // An archive that would not be installed fails here, before the application is closed.
  if (FPublicKey) signature::VerifyArchiveFile(DownloadFileName(), *FPublicKey, ToUtf8(newest));
}

std::unique_ptr<TStream> TForm1::CheckedPrivateCopy(const String& newest) const {
  // In the working directory, where the download was written. Read through one handle
  // that keeps writers out where the system can; what is checked is then the copy itself.
  std::unique_ptr<TStream> copy = TFileStream::CreatePrivate(u".");
  {
    TFileStream archive(ExtractionFileName(), fmOpenRead | fmShareDenyWrite);
    copy->CopyFrom(archive, 0);
  }
  signature::VerifyArchiveSignature(*copy, *FPublicKey, ToUtf8(newest));
  copy->SetPosition(0);
  return copy;
}

void TForm1::Install(const String& newest) {
  SetStatus(u"Schließe Fendrel!");
  StepStarted(String(u"ending every ") + kApplicationExe);
  for (int i = 0; i < 3; ++i) FSystem.TerminateProcessesByName(kApplicationExe);
  ProcessMessages();
  Sleep(1000);

  SetStatus(u"Entpacke neue Version");
  // An installation is never interrupted half-way: a close asked for from here on waits
  // until the application has been started again.
  TCloseHold held(FApplication.UI());
  TLongStepScope extraction(*this, TLongStep::lsExtraction);
  StepStarted(u"extraction of " + ExtractionFileName());
  // With a key the archive is checked again before its directory is read: the archive
  // beside the executable is not the download when the working directory is another one.
  // What is checked is a private copy, which the component then reads alone, so nothing
  // written to the archive's file after the check is ever extracted. The copy is gone
  // when the component closes the archive.
  if (FPublicKey)
    AbUnZipper1().OpenArchive(CheckedPrivateCopy(newest), ExtractionFileName());
  else
    AbUnZipper1().OpenArchive(ExtractionFileName());
  AbUnZipper1().ExtractFiles(u"*");
  AbUnZipper1().CloseArchive();
  extraction.End();
  ProcessMessages();
  Sleep(1000);

  SetStatus(u"Starte Fendrel!");
  StepStarted(String(u"start of ") + kApplicationExe + u" " + kRestartParameter);
  if (!FSystem.ShellOpen(kApplicationExe, kRestartParameter))
    Log(String(kApplicationExe) + u" did not start");
  ProcessMessages();
  Sleep(1000);
  held.Release();

  SetStatus(u"Update erfolgreich");
  StepStarted(u"deletion of " + ExtractionFileName());
  if (!FSystem.DeleteFile(ExtractionFileName())) Log(u"the archive could not be deleted");
  ProcessMessages();
  Sleep(1000);
  StepEnded(String());
  Log(u"update to " + Quoted(newest) + u" installed");

  CloseWithCountdown();
}

}  // namespace updater
