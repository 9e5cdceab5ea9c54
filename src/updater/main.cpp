#include <exception>
#include <memory>

#include "platform/Clock.h"
#include "platform/Program.h"
#include "platform/WallClock.h"
#include "platform/ui/Application.h"
#include "platform/ui/UserInterface.h"
#include "updater/Form1.h"
#include "updater/UpdateLogFile.h"
#include "updater/UpdateUrlOverride.h"
#include "updater/UpdaterHttpClient.h"
#include "updater/UpdaterSystem.h"

namespace {

// The update server's base URL, fixed at build time; the environment variable
// FENDREL_UPDATE_URL overrides it when set and not empty (an https URL only by an https one).
constexpr char16_t kBuiltInUpdateUrl[] = u"" FENDREL_UPDATE_URL;
// The key update archives must be signed with, fixed at build time; empty: no check.
constexpr char16_t kBuiltInPublicKey[] = u"" FENDREL_UPDATE_PUBLIC_KEY;

}  // namespace

int main(int argc, char** argv) {
  platform::RestrictLibrarySearch();
  platform::InitCommandLine(argc, argv);
  const auto ui = platform::ui::CreateUserInterface(argc, argv);
  // When the program's own path cannot be found out, the command line's first word still
  // names it in the title and in a start-up report.
  String programPath = platform::ProgramPath();
  if (programPath.empty() && argc > 0) programPath = FromUtf8(argv[0]);
  platform::ui::TApplication application(*ui, platform::ApplicationTitleFromPath(programPath));

  // Every run appends to the update log; a log that cannot be written records nothing.
  updater::TUpdateLogFile log(platform::StateDirectory(), platform::SystemWallClock());

  std::unique_ptr<updater::TForm1> form;
  try {
    updater::TUpdaterSettings settings{
        platform::ParamStr(1),
        updater::ResolveUpdateUrl(kBuiltInUpdateUrl, platform::EnvironmentVariable(u"FENDREL_UPDATE_URL")),
        platform::ProgramDir(), kBuiltInPublicKey};
    form = std::make_unique<updater::TForm1>(
        application, platform::SystemClock(), updater::PlatformUpdaterSystem(),
        updater::CreateUpdaterHttpClient(), updater::CreateAbUnZipper(), std::move(settings), log);
    ui->CreateMainWindow(updater::TForm1::StoredDescription());
    form->FormCreate();
  } catch (const std::exception& e) {
    log.Write(u"start failed: " + updater::DescribeException(e));
    application.ShowStartupException(e,
                                     programPath.substr(programPath.find_last_of(platform::PathDelim) + 1));
    return 1;
  }

  application.Run([&form] { form->FormActivate(); });
  return 0;
}
