#ifndef FENDREL_UPDATER_FORM1_H
#define FENDREL_UPDATER_FORM1_H

#include <memory>
#include <optional>

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
};

}  // namespace updater

#endif
