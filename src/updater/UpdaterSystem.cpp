#include "updater/UpdaterSystem.h"

#include "platform/Files.h"
#include "platform/Processes.h"
#include "updater/TerminateProcessesByName.h"

namespace updater {
namespace {

class PlatformSystem final : public IUpdaterSystem {
 public:
  int TerminateProcessesByName(const String& name) override {
    return updater::TerminateProcessesByName(name);
  }
  bool ShellOpen(const String& fileName, const String& parameters) override {
    return platform::ShellOpen(fileName, parameters);
  }
  bool DeleteFile(const String& fileName) override { return platform::DeleteFile(fileName); }
};

}  // namespace

IUpdaterSystem& PlatformUpdaterSystem() {
  static PlatformSystem system;
  return system;
}

}  // namespace updater
