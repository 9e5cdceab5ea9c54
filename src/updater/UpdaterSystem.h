#ifndef FENDREL_UPDATER_UPDATERSYSTEM_H
#define FENDREL_UPDATER_UPDATERSYSTEM_H

#include "core/String.h"

namespace updater {

// The operating-system services the update sequence uses besides the window:
// ending the application, starting it again, and deleting the archive.
class IUpdaterSystem {
 public:
  virtual ~IUpdaterSystem() = default;
  virtual int TerminateProcessesByName(const String& name) = 0;
  virtual bool ShellOpen(const String& fileName, const String& parameters) = 0;
  virtual bool DeleteFile(const String& fileName) = 0;
};

// The services of the running system.
IUpdaterSystem& PlatformUpdaterSystem();

}  // namespace updater

#endif
