#include <iostream>

#include "platform/ui/UserInterface.h"
#include "platform/ui/UserInterfaceChoice.h"
#include "platform/ui/qt/QtUserInterface.h"

namespace platform::ui {

// A build with the Qt backend: Qt on a display, the console elsewhere or on request.
std::unique_ptr<IUserInterface> CreateUserInterface(int& argc, char** argv) {
  const UserInterfaceEnvironment environment = CurrentUserInterfaceEnvironment();
  if (!IsKnownUserInterfaceRequest(environment.Requested)) {
    std::cerr << UnknownUserInterfaceRequestLine(environment.Requested) << std::endl;
  }
  if (ChooseUserInterface(environment) == UserInterfaceKind::Qt) return CreateQtUserInterface(argc, argv);
  return CreateConsoleUserInterface();
}

}  // namespace platform::ui
