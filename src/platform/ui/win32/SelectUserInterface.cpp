#include <iostream>

#include "platform/ui/UserInterface.h"
#include "platform/ui/UserInterfaceChoice.h"
#include "platform/ui/win32/Win32UserInterface.h"

namespace platform::ui {

// Windows always has a display: the native window, unless the console is asked for
// (FENDREL_UPDATER_UI=console). A value not understood is named and gives the console.
std::unique_ptr<IUserInterface> CreateUserInterface(int&, char**) {
  const UserInterfaceEnvironment environment = CurrentUserInterfaceEnvironment();
  if (!IsKnownUserInterfaceRequest(environment.Requested)) {
    std::cerr << UnknownUserInterfaceRequestLine(environment.Requested) << std::endl;
    return CreateConsoleUserInterface();
  }
  if (!environment.Requested.empty() && ChooseUserInterface(environment) == UserInterfaceKind::Console)
    return CreateConsoleUserInterface();
  return CreateWin32UserInterface();
}

}  // namespace platform::ui
