#include <iostream>

#include "platform/ui/UserInterface.h"
#include "platform/ui/UserInterfaceChoice.h"

namespace platform::ui {

// A build without the Qt backend (the build picks this file or qt/SelectUserInterface.cpp):
// the console is the only user interface there is.
std::unique_ptr<IUserInterface> CreateUserInterface(int&, char**) {
  const UserInterfaceEnvironment environment = CurrentUserInterfaceEnvironment();
  if (!IsKnownUserInterfaceRequest(environment.Requested)) {
    std::cerr << UnknownUserInterfaceRequestLine(environment.Requested) << std::endl;
  } else if (ChooseUserInterface(environment) == UserInterfaceKind::Qt && !environment.Requested.empty()) {
    std::cerr << kWindowNotBuiltLine << std::endl;
  }
  return CreateConsoleUserInterface();
}

}  // namespace platform::ui
