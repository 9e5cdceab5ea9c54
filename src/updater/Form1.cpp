#include "updater/Form1.h"

#include <exception>

#include "core/Exception.h"
#include "core/FloatConvert.h"
#include "core/FormatSettings.h"
#include "core/Stream.h"
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

String Countdown(const char16_t* prefix, int count) {
  return prefix + IntToStr(count) + u")";
}

}  // namespace

TForm1::TForm1(platform::ui::TApplication& application, platform::IClock& clock, IUpdaterSystem& system,
               std::unique_ptr<IHttpClient> http, std::unique_ptr<IUnZipper> unzipper,
               TUpdaterSettings settings)
    : FApplication(application),
      FClock(clock),
      FSystem(system),
      FIdHTTP1(std::move(http)),
      FAbUnZipper1(std::move(unzipper)),
      FSettings(std::move(settings)) {
  // Without it the archive path would become the root directory's update.zip.
  if (FSettings.ProgramDir.empty()) throw Exception(kProgramDirUnknown);
  if (!FSettings.PublicKey.empty()) FPublicKey = signature::DecodePublicKey(ToUtf8(FSettings.PublicKey));
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
  if (argument.empty()) {
    SetStatus(u"Bitte über Fendrel! starten");
    ProcessMessages();
    Sleep(2000);
    CloseWithCountdown();
    return;
  }

  // Not guarded: a failure here reaches the error dialog and leaves the window open.
  const String fetched = IdHTTP1().Get(FSettings.BaseUrl + u"newest");
  if (!DecideUpdate(argument, fetched).Update) {
    CountDownAndClose(u"Keine neue Version (", 3);  // its own countdown; no other follows
    return;
  }

  const String question =
      u"Ihre Version: " + argument + kLineBreak + u"Aktuelle Version: " + fetched + kLineBreak + u"Updaten?";
  if (FApplication.Confirm(question) != platform::ui::mrOk) {
    CloseWithCountdown();
    return;
  }

  try {
    Download(fetched);
  } catch (const std::exception&) {
    FApplication.ShowMessage(kFailure);
    CloseWithCountdown();
    return;
  }

  if (FApplication.Confirm(String(u"Fendrel! muss geschlossen werden") + kLineBreak + u"OK?") !=
      platform::ui::mrOk) {
    CloseWithCountdown();
    return;
  }

  try {
    Install(fetched);
  } catch (const std::exception&) {
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
    IdHTTP1().Get(FSettings.BaseUrl + newest + u"/update.zip", file);
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
  for (int i = 0; i < 3; ++i) FSystem.TerminateProcessesByName(kApplicationExe);
  ProcessMessages();
  Sleep(1000);

  SetStatus(u"Entpacke neue Version");
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
  ProcessMessages();
  Sleep(1000);

  SetStatus(u"Starte Fendrel!");
  FSystem.ShellOpen(kApplicationExe, kRestartParameter);
  ProcessMessages();
  Sleep(1000);

  SetStatus(u"Update erfolgreich");
  FSystem.DeleteFile(ExtractionFileName());
  ProcessMessages();
  Sleep(1000);

  CloseWithCountdown();
}

}  // namespace updater
