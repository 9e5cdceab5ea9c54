#ifndef FENDREL_UPDATER_FORM1_H
#define FENDREL_UPDATER_FORM1_H

#include <cstdint>
#include <memory>
#include <optional>

#include "core/Exception.h"
#include "core/String.h"
#include "platform/Clock.h"
#include "platform/ui/Application.h"
#include "platform/ui/FormDescription.h"
#include "signature/ArchiveSignature.h"
#include "updater/HttpClient.h"
#include "updater/UnZipper.h"
#include "updater/UpdateLog.h"
#include "updater/UpdaterSystem.h"

namespace updater {

// Guards the update sequence so that it runs once per process.
extern bool UpdateStarted;

// The download was ended because the user closed the window.
class EDownloadCancelled : public Exception {
 public:
  EDownloadCancelled() : Exception(u"Der Download wurde abgebrochen") {}
  String ClassName() const override { return u"EDownloadCancelled"; }
};

// Where the sequence finds its inputs.
struct TUpdaterSettings {
  String Argument;    // the installed version: the first command-line argument
  String BaseUrl;     // the update server's directory, ending in "/"
  String ProgramDir;  // the updater's own directory, with its trailing delimiter; never empty
  // The key update archives must be signed with (base64), fixed at build time; empty:
  // archives are installed unchecked.
  String PublicKey{};
};

// The status window and its update sequence. It owns its HTTP client IdHTTP1 and its
// extraction component AbUnZipper1; Label1 is the status line of the window.
//
// While the download and the extraction run, the components' events keep the window alive:
// at least every 50 ms (at every event, at most once per 50 ms) the progress is shown and
// pending messages are processed. Closing the window during the download ends it; a close
// during the extraction waits until the application has been started again.
class TForm1 {
 public:
  // Raises Exception when the settings hold no program directory, EAbZipBadPublicKey
  // when their public key is not one. The sequence records its steps in log, which it
  // borrows; nothing the log does changes the sequence.
  TForm1(platform::ui::TApplication& application, platform::IClock& clock, IUpdaterSystem& system,
         std::unique_ptr<IHttpClient> http, std::unique_ptr<IUnZipper> unzipper, TUpdaterSettings settings,
         IUpdateLog& log = NullUpdateLog());

  // The window's stored description: caption, size, colours, fonts and the label.
  static platform::ui::FormDescription StoredDescription();

  void FormCreate();
  void FormActivate();
  void CloseWithCountdown();

  IHttpClient& IdHTTP1() { return *FIdHTTP1; }
  IUnZipper& AbUnZipper1() { return *FAbUnZipper1; }

  // The download file in the working directory and the archive beside the executable.
  static String DownloadFileName();
  String ExtractionFileName() const;

 private:
  void SetStatus(const String& text);
  void ProcessMessages();
  void Sleep(std::uint32_t milliseconds);
  void Close();
  // Shows prefix + count + ")" once a second while counting down to 0, then closes.
  void CountDownAndClose(const char16_t* prefix, int count);
  void Download(const String& newest);
  void Install(const String& newest);
  // With a public key: a copy of the archive that no other opener can reach and that is
  // gone when freed, positioned at its start, whose signature is good and names the
  // version fetched; raises otherwise.
  std::unique_ptr<TStream> CheckedPrivateCopy(const String& newest) const;

  // The update log: an event, swallowing whatever the log raises; a step as it starts
  // (ending the one before), as it ends and as it fails, each with its duration.
  void Log(const String& event) noexcept;
  void StepStarted(const String& step);
  void StepEnded(const String& outcome);
  void StepFailed(const std::exception& e, const String& shown, const String& detail = String());
  // The time since the step started, as "1.234 s".
  String StepDuration();
  // The size of the download file and the speed it was written at, as far as they are known.
  String DownloadAmount();

  platform::ui::TApplication& FApplication;
  platform::IClock& FClock;
  IUpdaterSystem& FSystem;
  std::unique_ptr<IHttpClient> FIdHTTP1;
  std::unique_ptr<IUnZipper> FAbUnZipper1;
  TUpdaterSettings FSettings;
  IUpdateLog& FLog;
  String FStep;  // the step under way; empty between steps
  std::uint32_t FStepStart = 0;
  std::uint32_t FStepMilliseconds = 0;  // the duration StepDuration found last
  std::optional<signature::TPublicKey> FPublicKey;

  // The download or the extraction while it runs: its progress and its message passes.
  enum class TLongStep { lsNone, lsDownload, lsExtraction };
  class TCloseHold;
  class TLongStepScope;
  // The events of the components while a long step runs: the progress, and a message pass
  // when the last one is kMessageInterval or more ago. Raises EDownloadCancelled when the
  // user closed the window during the download.
  void AssignProgressEvents();
  void ShowProgress();
  void KeepWindowAlive();
  TLongStep FLongStep = TLongStep::lsNone;
  std::int64_t FProgressDone = 0;
  std::int64_t FProgressTotal = 0;
  bool FProgressShown = false;
  bool FPassed = false;  // a message pass happened during this step, the last at FLastPass
  std::uint32_t FLastPass = 0;
};

}  // namespace updater

#endif
